# 32-bit Windows: see mingw.cmake.
set(QD_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

# 64-bit Windows: see mingw.cmake.
set(QD_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

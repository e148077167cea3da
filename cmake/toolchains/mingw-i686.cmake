# 32-bit Windows: see mingw.cmake. The supported 32-bit hosts all have SSE2: the DLL is
# built for it, with doubles computed in SSE registers so that they round as in the
# 64-bit build (x87 extended precision would not).
set(QD_MINGW_ARCH i686)
set(QD_MINGW_ARCH_FLAGS "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

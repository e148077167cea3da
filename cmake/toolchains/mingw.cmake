# Windows with Debian's MinGW-w64 cross compilers (the posix-thread variants, which
# std::thread and std::mutex need). QD_MINGW_ARCH names the target: i686 for the 32-bit
# DLL, x86_64 for the build whose programs run here under wine64. The C++ runtime and
# the thread library are linked statically, so a program needs no DLL but ours.
if(NOT QD_MINGW_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "QD_MINGW_ARCH must be i686 or x86_64 (use mingw-i686.cmake or mingw-x86_64.cmake)")
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QD_MINGW_ARCH})
set(triple ${QD_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The C library's printf family is MinGW's own C99 one, not the system's: %zu, %lld, %e
# and %g then print the same bytes as on the other platforms.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1 ${QD_MINGW_ARCH_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1 ${QD_MINGW_ARCH_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# 64-bit programs run under wine64 with a prefix of their own in the build tree (made
# once by the tests' wine_prefix fixture); 32-bit ones are built and checked, not run.
if(QD_MINGW_ARCH STREQUAL "x86_64" AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(QD_WINE64 NAMES wine64 wine PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
  if(QD_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
        ${QD_WINE64})
  endif()
endif()

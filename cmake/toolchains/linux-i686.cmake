# 32-bit Linux (i686) with the host's multilib compilers. Where the host's kernel cannot
# run i386 programs, the build's test programs and tools run under qemu-i386 (Debian's
# qemu-user), found at configure time.
#
# The supported 32-bit hosts all have SSE2, so the build uses it: -msse2 for the block
# compares and 64-bit moves, and -mfpmath=sse so that doubles are computed in 64-bit
# registers and round as they do in the 64-bit build (x87 extended precision would not).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")

if(NOT DEFINED QD_I386_RUNS)
  set(probe_dir ${CMAKE_BINARY_DIR}/i386-probe)
  file(MAKE_DIRECTORY ${probe_dir})
  file(WRITE ${probe_dir}/probe.c "int main(void) { return 0; }\n")
  execute_process(COMMAND cc -m32 -o ${probe_dir}/probe ${probe_dir}/probe.c
                  RESULT_VARIABLE built OUTPUT_QUIET ERROR_QUIET)
  set(runs OFF)
  if(built EQUAL 0)
    execute_process(COMMAND ${probe_dir}/probe RESULT_VARIABLE ran OUTPUT_QUIET ERROR_QUIET)
    if(ran EQUAL 0)
      set(runs ON)
    endif()
  endif()
  set(QD_I386_RUNS ${runs} CACHE BOOL "The host runs i386 programs itself")
endif()
if(NOT QD_I386_RUNS AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(QD_QEMU_I386 qemu-i386 REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QD_QEMU_I386})
endif()

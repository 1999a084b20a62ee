# Cross-compiles the same program, stand-ins and tests for 64-bit Windows, for
# one purpose only: running the Windows tests on a machine that cannot execute
# 32-bit x86 code at all (some virtual machines lack the CPU's 32-bit code
# segment, so neither a 32-bit Linux process nor a 32-bit Windows program under
# Wine can start there). Nothing of this tree ships: the program is 32-bit
# (mingw-w64-i686.cmake), and the release build refuses any other toolchain.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Both driver folders get this tree's 64-bit tool.
set(KESTRO_X86_64_CXX_COMPILER ${CMAKE_CXX_COMPILER})

# Cross-compiles for 32-bit Windows with Debian's mingw-w64 (posix threads).
# The program is 32-bit because the service's tunnel library is: a 64-bit
# process could not load it. On 64-bit Windows it runs under WoW64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# The one 64-bit file of the program folder, the driver tool of Driver\x86_64,
# is compiled by this compiler (see standins/driver_tool).
set(KESTRO_X86_64_CXX_COMPILER x86_64-w64-mingw32-g++-posix)

# Floating point in SSE2 registers, as on every other build: x87's 80-bit
# intermediates would round the scores and rates differently (15 x 0.6 would
# truncate to 8). Callers from the system align the stack to 4 bytes only.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")

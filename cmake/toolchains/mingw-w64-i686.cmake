# Windows 32-bit x86 with Debian's mingw-w64 cross compilers (posix threads).
set(VELMO_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# SSE2 arithmetic, so single precision stays single precision. Hosts and
# Windows itself call in with a stack aligned to 4 bytes only, so functions
# that keep 16-byte values on the stack align it themselves.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")

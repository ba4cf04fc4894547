# Windows x86-64 with Debian's mingw-w64 cross compilers (posix threads).
set(VELMO_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Shared part of the mingw-w64 toolchains; VELMO_MINGW_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
if(VELMO_MINGW_TRIPLET MATCHES "^x86_64")
    set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
    set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

set(CMAKE_C_COMPILER ${VELMO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMO_MINGW_TRIPLET}-windres)

# Libraries built for the target (libpng, libjpeg, libsndfile) live under
# VELMO_TARGET_PREFIX; zlib comes from the mingw sysroot.
set(CMAKE_FIND_ROOT_PATH /usr/${VELMO_MINGW_TRIPLET})
if(DEFINED VELMO_TARGET_PREFIX)
    list(APPEND CMAKE_FIND_ROOT_PATH ${VELMO_TARGET_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# zlib's static archive, not its import library: nothing but Windows' own DLLs at run time.
set(ZLIB_USE_STATIC_LIBS ON)

# Programs built for the target run under wine (tests, discovery).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh)

# The C and C++ runtimes, winpthread and every other library linked statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -static)

# Linux 32-bit x86 with the native compiler's multilib support (gcc-multilib).
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)

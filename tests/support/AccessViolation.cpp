// A Windows program that writes through a null pointer, for the wine runner's test.
#include <cstdint>
#include <cstdio>

int main(int argc, char**)
{
    std::puts("writing through a null pointer");
    std::fflush(stdout);
    volatile int* nowhere = reinterpret_cast<int*>(static_cast<std::intptr_t>(argc - 1));
    *nowhere = 1;
    return 0;
}

// A shared library that draws from the C library's generator, as the libraries that SDL loads
// may: it stands for any other library in the process.
#include <cstdlib>

extern "C" int DvPeerRand() {
    return std::rand();
}

extern "C" void DvPeerSrand(unsigned int seed) {
    std::srand(seed);
}

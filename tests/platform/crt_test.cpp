#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

// A shared library of its own that draws from the C library's generator.
extern "C" int DvPeerRand();
extern "C" void DvPeerSrand(unsigned int seed);

// The home platform's sequence: its first values from the unseeded state, and srand restarting it.
TEST(CRuntimeRand, FollowsThePlatformSequence) {
    srand(1);
    const int first[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int expected : first) {
        EXPECT_EQ(rand(), expected);
    }
    srand(1);
    EXPECT_EQ(rand(), 41);
    srand(0);
    EXPECT_EQ(rand(), 38);
    for (int i = 0; i < 100000; ++i) {
        const int r = rand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 0x7FFF);
    }
    srand(1);
}

// Another library in the process keeps the C library's generator: it neither draws from the
// program's sequence nor moves it, and the program's reseeding does not reach it.
TEST(CRuntimeRand, IsTheProgramsAloneInTheProcess) {
    std::vector<int> program;
    std::vector<int> peer;
    srand(5);
    DvPeerSrand(5);
    for (int i = 0; i < 6; ++i) {
        program.push_back(rand());
    }
    for (int i = 0; i < 6; ++i) {
        peer.push_back(DvPeerRand());
    }
    EXPECT_NE(program, peer) << "the library drew the program's numbers";

    // Interleaved, and each reseeded behind the other's back, both sequences go on as alone.
    srand(5);
    DvPeerSrand(5);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(DvPeerRand(), peer[static_cast<std::size_t>(i)]);
        EXPECT_EQ(rand(), program[static_cast<std::size_t>(i)]);
    }
    DvPeerSrand(99);
    srand(77);
    srand(5);
    DvPeerSrand(5);
    DvPeerRand();
    DvPeerSrand(12345);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rand(), program[static_cast<std::size_t>(i)]);
    }
    srand(1);
}

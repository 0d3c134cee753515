#include <gtest/gtest.h>

#include <cstdlib>

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

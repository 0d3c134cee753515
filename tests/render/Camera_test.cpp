#include "render/Camera.h"

#include <gtest/gtest.h>

#include <climits>

TEST(Camera, StartsAtTheViewersFirstViewpoint) {
    CCamera camera;
    EXPECT_EQ(camera.m_headingRadians, 0.0);
    EXPECT_EQ(camera.m_sine, 0.0);
    EXPECT_EQ(camera.m_cosine, 1.0);
    EXPECT_EQ(camera.m_x, 10000);
    EXPECT_EQ(camera.m_y, 100);
    EXPECT_EQ(camera.m_altitude, 4000);
    EXPECT_EQ(camera.m_headingDegrees, 0);
    EXPECT_EQ(camera.m_horizonOffset, 0);
    EXPECT_EQ(camera.m_scale, 256);
}

TEST(Camera, HeadingIsKeptModulo360ForEveryInt) {
    const int given[] = {-10, 370, 360, -360, -1, -361, INT_MIN, INT_MAX, 0, 359, -719, 720};
    const int kept[] = {350, 10, 0, 0, 359, 359, 232, 127, 0, 359, 1, 0};
    CCamera camera;
    for (int i = 0; i < 12; ++i) {
        camera.SetHeading(given[i]);
        EXPECT_EQ(camera.m_headingDegrees, kept[i]) << given[i];
        EXPECT_EQ(camera.m_headingRadians, kept[i] * -0.017453277777777776);
    }
    for (long long d = INT_MIN; d <= INT_MAX; d += 9876543) {
        camera.SetHeading(static_cast<int>(d));
        const long long expected = ((d % 360) + 360) % 360;
        ASSERT_EQ(camera.m_headingDegrees, expected) << d;
    }
}

TEST(Camera, HeadingNinetyIsSlightlyShortOfAQuarterTurn) {
    CCamera camera;
    camera.SetHeading(90);
    EXPECT_DOUBLE_EQ(camera.m_headingRadians, -1.570795);
    EXPECT_GT(camera.m_sine, -1.0);
    EXPECT_NEAR(camera.m_sine, -0.99999999999912, 1e-13);
    EXPECT_NEAR(camera.m_cosine, 0.0000013, 1e-7);
    EXPECT_GT(camera.m_cosine, 0.0);
}

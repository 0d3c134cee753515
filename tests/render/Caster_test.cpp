#include "render/Camera.h"
#include "render/RenderSettings.h"
#include "render/TerrainView.h"
#include "terrain/HeightMap.h"
#include "tests/render/PlainCaster.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <vector>

namespace {

// Counts the allocations made while `counting` is set, to show that a frame makes none.
bool g_counting = false;
int g_allocations = 0;

} // namespace

// The replacements pair malloc with free; GCC cannot see that they belong together.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    if (g_counting) {
        ++g_allocations;
    }
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
// Every form that the libraries may pair with the ones above is replaced too, so that nothing
// allocated here is freed by another allocator, or the other way round.
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (g_counting) {
        ++g_allocations;
    }
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace {

// A 128 x 128 texture whose texel in column u and row v (from the top) is (u + 2 v + seed).
CDIB* PatternTexture(int seed, int size = 128) {
    CDIB* texture = new CDIB;
    texture->Create(size, size, 0, nullptr);
    for (int v = 0; v < size; ++v) {
        for (int u = 0; u < size; ++u) {
            texture->Bits()[(size - 1 - v) * texture->Stride() + u] =
                static_cast<BYTE>(u + 2 * v + seed);
        }
    }
    return texture;
}

class Caster : public ::testing::Test {
protected:
    void SetUp() override {
        g_solidColumns = 0;
        g_colourMode = 3;
        g_followTerrain = 0;
        for (int t = 0; t < 6; ++t) {
            view.m_pTextures[t] = PatternTexture(40 * t);
        }
    }
    void TearDown() override {
        g_solidColumns = 0;
        g_colourMode = 3;
        g_followTerrain = 0;
    }

    void MakeBackBuffer(int width, int height) {
        view.FreeBackBuffer();
        view.m_pBackBuffer = new CDIB;
        ASSERT_EQ(view.m_pBackBuffer->Create(width, height, 0x5A, nullptr), 1);
    }
    std::vector<BYTE> Pixels() const {
        const CDIB* b = view.m_pBackBuffer;
        return std::vector<BYTE>(b->Bits(), b->Bits() + b->Stride() * b->Height());
    }
    BYTE At(int row, int column) const {
        const CDIB* b = view.m_pBackBuffer;
        return b->Bits()[(b->Height() - 1 - row) * b->Stride() + column];
    }
    // The view's frame and the reference frame, from the same starting pixels, with the vector
    // march (where the processor has it) and with the scalar one.
    void ExpectSameFrame(CHeightMap& map, const char* what) {
        CDIB* b = view.m_pBackBuffer;
        std::memset(b->Bits(), 0x5A, static_cast<std::size_t>(b->Stride()) * b->Height());
        plain::Render<std::int64_t>(view, camera, map);
        const std::vector<BYTE> expected = Pixels();
        const int expectedEye = view.m_eyeHeight;
        for (int vectors = 1; vectors >= 0; --vectors) {
            g_casterVectors = vectors;
            std::memset(b->Bits(), 0x5A, static_cast<std::size_t>(b->Stride()) * b->Height());
            view.m_eyeHeight = 12345;
            EXPECT_EQ(view.Render(&camera, &map, 1), 0);
            g_casterVectors = 1;
            EXPECT_EQ(view.m_eyeHeight, expectedEye) << what;
            if (!ExpectPixels(expected, what, vectors ? "vector march" : "scalar march")) {
                return;
            }
        }
    }
    bool ExpectPixels(const std::vector<BYTE>& expected, const char* what, const char* march) {
        const CDIB* b = view.m_pBackBuffer;
        const std::vector<BYTE> actual = Pixels();
        if (actual == expected) {
            return true;
        }
        for (int row = 0; row < b->Height(); ++row) {
            for (int c = 0; c < b->Width(); ++c) {
                const std::size_t i = (b->Height() - 1 - row) * b->Stride() + c;
                if (actual[i] != expected[i]) {
                    ADD_FAILURE() << what << ", " << march << ": first difference at row " << row
                                  << ", column " << c << ": " << int(actual[i]) << " instead of "
                                  << int(expected[i]);
                    return false;
                }
            }
        }
        ADD_FAILURE() << what << ", " << march << ": row padding differs";
        return false;
    }

    CTerrainView view;
    CCamera camera;
};

CHeightMap* FirstMap() {
    static CHeightMap* map = [] {
        CHeightMap* m = new CHeightMap;
        m->Allocate(512, 512);
        srand(1);
        m->Generate(100);
        srand(1);
        return m;
    }();
    return map;
}

} // namespace

TEST(CasterSteps, StepVectorsOfTheDefaultCamera) {
    CCamera camera;
    int dx = 0, dy = 0;
    plain::Step<int>(camera, 0, 400, dx, dy);
    EXPECT_EQ(dx, -140);
    EXPECT_EQ(dy, 179);
    plain::Step<int>(camera, 200, 400, dx, dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 179);
    plain::Step<int>(camera, 399, 400, dx, dy);
    EXPECT_EQ(dx, 139);
    EXPECT_EQ(dy, 179);
    camera.SetHeading(90);
    plain::Step<int>(camera, 200, 400, dx, dy);
    EXPECT_EQ(dx, 178);
    EXPECT_EQ(dy, 0);
    camera.SetHeading(180);
    plain::Step<int>(camera, 200, 400, dx, dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, -178);
}

// The worked example: a flat map, the default camera, 400 x 300, in the cell-column colours so
// that drawn rows (colour 78, the column of x = 10000) stand out from the fills.
TEST_F(Caster, WorkedExampleOnAFlatMap) {
    CHeightMap flat;
    ASSERT_EQ(flat.Allocate(512, 512), 1);
    MakeBackBuffer(400, 300);
    g_colourMode = 1;
    view.Render(&camera, &flat, 1);
    EXPECT_EQ(view.m_eyeHeight, 4000);
    int drawn = 0;
    for (int row = 0; row < 300; ++row) {
        const BYTE p = At(row, 200);
        if (row < 150) {
            ASSERT_EQ(p, 178) << row;
        } else if (row < 165 || row == 299) {
            ASSERT_EQ(p, 0) << row;
        } else {
            drawn += p == 78;
            ASSERT_TRUE(p == 78 || p == 0) << row;
        }
    }
    EXPECT_EQ(drawn, 98);
    EXPECT_EQ(At(296, 200), 78); // sample 39, the first drawn
    EXPECT_EQ(At(297, 200), 0);
    EXPECT_EQ(At(298, 200), 0);
    EXPECT_EQ(At(293, 200), 78); // sample 40
    EXPECT_EQ(At(165, 200), 78); // sample 358, the last drawn
    EXPECT_EQ(At(164, 200), 0);

    g_solidColumns = 1;
    view.Render(&camera, &flat, 1);
    for (int row = 150; row < 300; ++row) {
        EXPECT_EQ(At(row, 200), row >= 165 && row <= 298 ? 78 : 0) << row;
    }

    // The texture of class 0, read from the top: sample 39 lies at (10000, 7081), texel
    // (16, 41) of the pattern u + 2 v.
    g_colourMode = 3;
    g_solidColumns = 0;
    view.Render(&camera, &flat, 1);
    EXPECT_EQ(At(296, 200), 16 + 2 * 41);
    ExpectSameFrame(flat, "flat map, textures");
}

TEST_F(Caster, FillsAndHorizonClamps) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(512, 512), 1);
    MakeBackBuffer(13, 300);
    camera.m_x = -100000; // every first sample off the map: only the fills show
    view.Render(&camera, &map, 1);
    for (int row = 0; row < 300; ++row) {
        EXPECT_EQ(At(row, 7), row < 150 ? 178 : 0) << row;
    }
    camera.m_horizonOffset = -151;
    view.Render(&camera, &map, 1);
    for (int row = 0; row < 300; ++row) {
        EXPECT_EQ(At(row, 0), 0) << row;
    }
    camera.m_horizonOffset = 150;
    view.Render(&camera, &map, 1);
    for (int row = 0; row < 300; ++row) {
        EXPECT_EQ(At(row, 12), row < 299 ? 178 : 0) << row;
    }
    // The fills cover whole rows, the padding at their ends included.
    const std::vector<BYTE> pixels = Pixels();
    EXPECT_EQ(pixels[15], 0);
    EXPECT_EQ(pixels[16 * 299 + 15], 178);
}

TEST_F(Caster, CameraFarOffTheMapDrawsNoTerrainEvenLookingAtIt) {
    MakeBackBuffer(200, 100);
    camera.m_x = -1000;
    camera.m_y = 30000;
    camera.SetHeading(90); // toward +x, at the map; the first samples lie short of it
    view.Render(&camera, FirstMap(), 1);
    for (int row = 0; row < 100; ++row) {
        for (int c = 0; c < 200; ++c) {
            ASSERT_EQ(At(row, c), row < 50 ? 178 : 0);
        }
    }
}

TEST_F(Caster, FollowingTakesTheGroundUnderTheCamera) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(512, 512), 1);
    map.SetCellHeight(78, 0, 700);
    map.SetCellHeight(78, 1, 900);
    MakeBackBuffer(64, 48);
    g_followTerrain = 1;
    camera.m_altitude = 123456;
    view.Render(&camera, &map, 1);
    EXPECT_EQ(view.m_eyeHeight, 700 + 256);
    map.m_detail = 1; // detail applies at distance 0: (10000, 100) is (16, 100) in its cell
    view.Render(&camera, &map, 1);
    EXPECT_EQ(view.m_eyeHeight, CHeightMap::AddDetail(700, 16, 100) + 256);
    ExpectSameFrame(map, "following with detail");
    camera.m_x = -5; // off the map: the altitude again
    view.Render(&camera, &map, 1);
    EXPECT_EQ(view.m_eyeHeight, 123456);
}

TEST_F(Caster, ColourModesAndTextureSlots) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(512, 512), 1);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            map.SetCellHeight(x, y, (x * 7 + y * 13) % 300 + 1); // odd and even heights
            map.SetCellClass(x, y, 9);
        }
    }
    map.m_detail = 1;
    camera.m_altitude = 200;
    MakeBackBuffer(101, 77);
    for (int mode : {0, 1, 2, 3, 7, -1}) {
        g_colourMode = mode;
        ExpectSameFrame(map, "colour modes");
    }
    // Mode 0 on cells of height 1, which detail takes down to as far as -59: -3 gives 0,
    // and -51 to -59 give 255.
    CHeightMap low;
    ASSERT_EQ(low.Allocate(512, 512), 1);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            low.SetCellHeight(x, y, 1);
        }
    }
    low.m_detail = 1;
    g_colourMode = 0;
    g_solidColumns = 1;
    view.Render(&camera, &low, 1);
    std::vector<int> seen(256);
    for (int row = 0; row < 76; ++row) {
        for (int c = 0; c < 101; ++c) {
            ++seen[At(row, c)];
        }
    }
    EXPECT_GT(seen[255], 50);
    EXPECT_EQ(seen[255] + seen[0] + seen[178], 76 * 101);
    ExpectSameFrame(low, "mode 0 below zero");
    g_solidColumns = 0;

    // Class 9 draws with texture 5; a mode of 7 draws textures.
    g_colourMode = 7;
    map.m_detail = 0;
    view.FreeTextures();
    for (int t = 0; t < 6; ++t) {
        view.m_pTextures[t] = new CDIB;
        view.m_pTextures[t]->Create(128, 128, t == 5 ? 77 : 11, nullptr);
    }
    view.Render(&camera, &map, 1);
    int drawn = 0;
    for (int row = 0; row < 77; ++row) {
        for (int c = 0; c < 101; ++c) {
            const BYTE p = At(row, c);
            ASSERT_TRUE(p == 77 || p == 0 || p == 178) << int(p);
            drawn += p == 77;
        }
    }
    EXPECT_GT(drawn, 100);
}

TEST_F(Caster, MissingOrSmallTexturesDrawThePlaceholder) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(512, 512), 1);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            map.SetCellClass(x, y, (x + y) % 4); // classes 0 to 3 only
        }
    }
    MakeBackBuffer(160, 120);
    delete view.m_pTextures[0];
    view.m_pTextures[0] = nullptr; // no surface object
    delete view.m_pTextures[1];
    view.m_pTextures[1] = PatternTexture(3, 64); // too small
    view.m_pTextures[2]->Destroy();              // a surface without pixels
    g_solidColumns = 1;
    view.Render(&camera, &map, 1);
    std::vector<int> seen(256);
    for (BYTE p : Pixels()) {
        ++seen[p];
    }
    EXPECT_GT(seen[55], 1000);
    ExpectSameFrame(map, "placeholders");
}

TEST_F(Caster, WithoutBackBufferOrPixelsNothingIsDrawn) {
    CHeightMap* map = FirstMap();
    EXPECT_EQ(view.Render(&camera, map, 1), 0);
    EXPECT_EQ(view.RenderColumn(&camera, map, 0, 10, 10), 0);
    view.m_pBackBuffer = new CDIB; // its creation failed: no pixels
    EXPECT_EQ(view.m_pBackBuffer->Create(0, 10, 0, nullptr), 0);
    EXPECT_EQ(view.Render(&camera, map, 1), 0);
    EXPECT_EQ(view.RenderColumn(&camera, map, 0, 10, 10), 0);
    view.FreeBackBuffer();
    view.FreeBackBuffer();
    EXPECT_EQ(view.m_pBackBuffer, nullptr);

    // A column outside the surface, or a frame taller than it, writes nothing.
    MakeBackBuffer(20, 10);
    const std::vector<BYTE> before = Pixels();
    view.m_eyeHeight = 0; // every sample above the eye: the column is drawn at once
    view.RenderColumn(&camera, map, 20, 20, 10);
    view.RenderColumn(&camera, map, -1, 20, 10);
    view.RenderColumn(&camera, map, 3, 20, 11);
    EXPECT_EQ(Pixels(), before);
    view.RenderColumn(&camera, map, 3, 20, 10);
    EXPECT_NE(Pixels(), before);
}

TEST_F(Caster, FrameAllocatesNothing) {
    MakeBackBuffer(320, 200);
    CHeightMap* map = FirstMap();
    g_solidColumns = 1;
    g_allocations = 0;
    g_counting = true;
    view.Render(&camera, map, 1);
    camera.m_scale = 1000000000; // the wide march too
    view.Render(&camera, map, 1);
    g_counting = false;
    EXPECT_EQ(g_allocations, 0);
}

// The view's caster against the reference on many cameras, sizes, maps and settings.
TEST_F(Caster, MatchesTheReferenceOnRandomFrames) {
    std::mt19937 random(20240611);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };

    CHeightMap smoothed;
    smoothed.Allocate(512, 512);
    srand(77);
    smoothed.Generate(100);
    smoothed.Smooth();
    CHeightMap odd;
    odd.Allocate(37, 53);
    odd.Generate(100);
    CHeightMap empty;
    srand(1);
    CHeightMap* maps[] = {FirstMap(), &smoothed, &odd, &empty};

    const std::pair<int, int> sizes[] = {{1, 1},   {1, 40},    {57, 1},   {2, 2},
                                         {33, 17}, {160, 120}, {401, 99}, {64, 480}};
    for (int round = 0; round < 600; ++round) {
        const auto [w, h] = sizes[round % 8];
        if (!view.m_pBackBuffer || view.m_pBackBuffer->Width() != w ||
            view.m_pBackBuffer->Height() != h) {
            MakeBackBuffer(w, h);
        }
        CHeightMap& map = *maps[pick(0, 9) < 7 ? pick(0, 1) : pick(2, 3)];
        camera.m_x = pick(0, 9) < 8 ? pick(-2000, 67000) : pick(INT_MIN, INT_MAX);
        camera.m_y = pick(0, 9) < 8 ? pick(-2000, 67000) : pick(INT_MIN, INT_MAX);
        switch (pick(0, 4)) {
        case 0:
            camera.m_altitude = pick(-100, 20000);
            break;
        case 1:
            camera.m_altitude = pick(0, 1000000000);
            break;
        case 2:
            camera.m_altitude = pick(INT_MIN, INT_MAX);
            break;
        default:
            camera.m_altitude = pick(1000, 8000);
        }
        camera.SetHeading(pick(-720, 720));
        camera.m_horizonOffset = pick(0, 9) < 8 ? pick(-1000, 1000) : pick(INT_MIN, INT_MAX);
        switch (pick(0, 5)) {
        case 0:
            camera.m_scale = pick(-20, 20);
            break;
        case 1:
            camera.m_scale = pick(50, 1000000000);
            break;
        case 2:
            camera.m_scale = pick(INT_MIN, INT_MAX);
            break;
        case 3:
            camera.m_scale = pick(2000000, 4000000); // either side of the fast march's limit
            break;
        default:
            camera.m_scale = pick(50, 2000);
        }
        g_colourMode = pick(-1, 4);
        g_solidColumns = pick(0, 1);
        g_followTerrain = pick(0, 3) == 0;
        map.m_detail = pick(0, 1);
        ExpectSameFrame(map, "random frame");
        if (HasFailure()) {
            ADD_FAILURE() << "round " << round << " camera " << camera.m_x << "," << camera.m_y
                          << "," << camera.m_altitude << "," << camera.m_headingDegrees << ","
                          << camera.m_horizonOffset << "," << camera.m_scale << " mode "
                          << g_colourMode << " solid " << g_solidColumns << " follow "
                          << g_followTerrain << " detail " << map.m_detail << " size " << w << "x"
                          << h;
            break;
        }
    }
    FirstMap()->m_detail = 0;
}

// Samples whose projection divides exactly and lands right at the clip row, above and below the
// horizon: the heights are multiples of 7 around the eye and the scale a multiple of 10, so that
// (eye - h) scale / ((i + 1) f) is often a whole number.
TEST_F(Caster, ExactQuotientsAtTheClipMatchTheReference) {
    std::mt19937 random(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    CHeightMap steps;
    ASSERT_EQ(steps.Allocate(24, 24), 1);
    MakeBackBuffer(67, 240);
    camera.m_x = 12 * 128;
    camera.m_y = 12 * 128;
    camera.m_altitude = 2100;
    for (int round = 0; round < 150; ++round) {
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 24; ++x) {
                steps.SetCellHeight(x, y, 2100 + 7 * pick(-40, 40));
            }
        }
        camera.m_scale = 10 * pick(1, 20);
        camera.SetHeading(45 * pick(0, 7));
        camera.m_horizonOffset = pick(-150, 150);
        g_solidColumns = pick(0, 1);
        g_colourMode = 1;
        ExpectSameFrame(steps, "exact quotients");
        ASSERT_FALSE(HasFailure()) << "round " << round;
    }
}

// Tall frames, and full-HD frames of the first terrain from the benchmark's cameras in every
// setting: the march's lanes and limits at the sizes the viewer is used at.
TEST_F(Caster, TallAndFullHdFramesMatchTheReference) {
    MakeBackBuffer(5, 2500);
    camera.m_scale = 2000;
    camera.m_altitude = 1500;
    for (int solid = 0; solid <= 1; ++solid) {
        g_solidColumns = solid;
        ExpectSameFrame(*FirstMap(), "tall frame");
    }
    MakeBackBuffer(1921, 1080);
    const int cameras[][4] = {
        {10000, 100, 4000, 0}, {20000, 20000, 3000, 45}, {60000, 500, 200, 300}};
    for (const auto& c : cameras) {
        camera.m_x = c[0];
        camera.m_y = c[1];
        camera.m_altitude = c[2];
        camera.SetHeading(c[3]);
        camera.m_scale = 256;
        for (int setting = 0; setting < 4; ++setting) {
            g_solidColumns = setting & 1;
            FirstMap()->m_detail = setting >> 1;
            g_colourMode = setting == 3 ? 0 : 3;
            ExpectSameFrame(*FirstMap(), "full-HD frame");
            ASSERT_FALSE(HasFailure()) << c[0] << "," << c[1] << " setting " << setting;
        }
    }
    FirstMap()->m_detail = 0;
}

// The cameras at the ends of what the pads allow, in every mode.
TEST_F(Caster, ExtremeCamerasMatchTheReference) {
    MakeBackBuffer(240, 180);
    const int altitudes[] = {1000000000, -1000000000, 0, 4000};
    const int scales[] = {1000000000, 50, 1, 0, 256};
    const int horizons[] = {1000, -1000, 0};
    const int headings[] = {0, 45, 90, 137, 180, 270, 359};
    for (int altitude : altitudes) {
        for (int scale : scales) {
            for (int horizon : horizons) {
                for (int heading : headings) {
                    camera.m_altitude = altitude;
                    camera.m_scale = scale;
                    camera.m_horizonOffset = horizon;
                    camera.SetHeading(heading);
                    camera.m_x = 30000;
                    camera.m_y = 30000;
                    g_solidColumns = (heading / 45) % 2;
                    g_colourMode = heading % 4;
                    ExpectSameFrame(*FirstMap(), "extreme camera");
                    ASSERT_FALSE(HasFailure())
                        << altitude << " " << scale << " " << horizon << " " << heading;
                }
            }
        }
    }
    // Near the largest values the fast marches take: projections of hundreds of millions of rows
    // that a horizon far above the frame brings back to it.
    g_solidColumns = 0;
    g_colourMode = 1;
    camera.SetHeading(30);
    for (int shift = 0; shift < 40; ++shift) {
        camera.m_altitude = 1000000000 + shift * 1000000;
        camera.m_scale = 256 + shift;
        camera.m_horizonOffset = -100000000 - shift * 10000000;
        ExpectSameFrame(*FirstMap(), "camera at the fast limits");
        ASSERT_FALSE(HasFailure()) << shift;
    }
}

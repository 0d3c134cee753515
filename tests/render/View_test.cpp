// The view window on the headless host: its surfaces follow the window's life and size, and
// painting shows the back buffer one to one.
#include "render/Camera.h"
#include "render/RenderSettings.h"
#include "render/TerrainView.h"
#include "terrain/HeightMap.h"
#include "tests/platform/HeadlessFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class ViewWindow : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        ASSERT_TRUE(m_parent.CreateEx(0, nullptr, "Parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200,
                                      nullptr, nullptr));
        ASSERT_TRUE(m_view.Create(nullptr, "Orvik", WS_CHILD | WS_VISIBLE, RECT{10, 20, 110, 100},
                                  &m_parent, 1));
        Pump();
    }
    void TearDown() override {
        if (m_parent.GetSafeHwnd()) {
            m_parent.DestroyWindow();
        }
        HeadlessTest::TearDown();
    }
    // The colour that the screen shows at a point of the view's client area.
    DWORD Screen(int x, int y) const {
        return m_host->Pixel(m_parent.GetSafeHwnd(), 10 + x, 20 + y);
    }
    // The colour of the back buffer's index at a point, through its colour table.
    DWORD BackBufferColour(int x, int y) const {
        const CDIB* b = m_view.m_pBackBuffer;
        const BYTE index = b->Bits()[(b->Height() - 1 - y) * b->Stride() + x];
        const RGBQUAD& q = b->m_pBMI->bmiColors[index];
        return (DWORD(q.rgbRed) << 16) | (DWORD(q.rgbGreen) << 8) | q.rgbBlue;
    }

    CWnd m_parent;
    CTerrainView m_view;
};

} // namespace

TEST_F(ViewWindow, CreationLoadsTheTexturesAndSizingMakesTheBackBuffer) {
    // The visible child's size notification came before creation returned.
    ASSERT_NE(m_view.m_pBackBuffer, nullptr);
    EXPECT_EQ(m_view.m_pBackBuffer->Width(), 100);
    EXPECT_EQ(m_view.m_pBackBuffer->Height(), 80);
    for (CDIB* texture : m_view.m_pTextures) {
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->Width(), 128);
        EXPECT_EQ(texture->Height(), 128);
        // The bitmap replaced the placeholder fill.
        int placeholder = 0;
        for (int i = 0; i < 128 * 128; ++i) {
            placeholder += texture->Bits()[i] == 55;
        }
        EXPECT_LT(placeholder, 128 * 128 / 2);
    }
    // A new back buffer is all colour 0 until the next frame.
    const CDIB* b = m_view.m_pBackBuffer;
    for (int i = 0; i < b->Stride() * b->Height(); ++i) {
        ASSERT_EQ(b->Bits()[i], 0);
    }
}

TEST_F(ViewWindow, ResizesReplaceTheBackBufferAndEmptySizesKeepIt) {
    m_view.MoveWindow(10, 20, 57, 33, TRUE);
    Pump();
    ASSERT_NE(m_view.m_pBackBuffer, nullptr);
    EXPECT_EQ(m_view.m_pBackBuffer->Width(), 57);
    EXPECT_EQ(m_view.m_pBackBuffer->Height(), 33);
    RECT client;
    m_view.GetClientRect(&client);
    EXPECT_EQ(client.right - client.left, 57);

    const CDIB* kept = m_view.m_pBackBuffer;
    for (auto [cx, cy] : {std::pair{0, 0}, {0, 40}, {40, 0}}) {
        m_view.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(cx, cy));
        EXPECT_EQ(m_view.m_pBackBuffer, kept);
        EXPECT_EQ(m_view.m_pBackBuffer->Width(), 57);
    }
    m_view.MoveWindow(10, 20, 0, 0, TRUE);
    Pump();
    EXPECT_EQ(m_view.m_pBackBuffer, kept);
    m_view.MoveWindow(10, 20, 80, 60, TRUE);
    Pump();
    EXPECT_EQ(m_view.m_pBackBuffer->Width(), 80);
    EXPECT_EQ(m_view.m_pBackBuffer->Height(), 60);
}

TEST_F(ViewWindow, PaintingShowsTheFrameOneToOne) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(512, 512), 1);
    std::srand(1);
    map.Generate(100);
    std::srand(1);
    CCamera camera;
    g_solidColumns = 1;
    EXPECT_EQ(m_view.Render(&camera, &map, 1), 0);
    g_solidColumns = 0;
    Pump();
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 100; ++x) {
            ASSERT_EQ(Screen(x, y), BackBufferColour(x, y)) << x << "," << y;
        }
    }
    // The sky above the horizon, in the textures' shared table.
    EXPECT_EQ(Screen(50, 2), 0x0099CCu);
}

TEST_F(ViewWindow, WithoutBackBufferTheWindowShowsDarkRed) {
    m_view.FreeBackBuffer();
    m_view.FreeBackBuffer(); // nothing the second time
    EXPECT_EQ(m_view.m_pBackBuffer, nullptr);
    CCamera camera;
    CHeightMap map;
    EXPECT_EQ(m_view.Render(&camera, &map, 1), 0); // draws nothing, still invalidates
    m_view.InvalidateRect(nullptr, TRUE);
    Pump();
    EXPECT_EQ(Screen(0, 0), 0x800000u);
    EXPECT_EQ(Screen(99, 79), 0x800000u);
    EXPECT_EQ(Screen(40, 40), 0x800000u);
}

TEST_F(ViewWindow, DestroyingTheWindowReleasesEverySurface) {
    ASSERT_NE(m_view.m_pBackBuffer, nullptr);
    m_parent.DestroyWindow();
    Pump();
    EXPECT_EQ(m_view.GetSafeHwnd(), nullptr);
    EXPECT_EQ(m_view.m_pBackBuffer, nullptr);
    for (CDIB* texture : m_view.m_pTextures) {
        EXPECT_EQ(texture, nullptr);
    }
    CCamera camera;
    CHeightMap map;
    EXPECT_EQ(m_view.Render(&camera, &map, 1), 0);
}

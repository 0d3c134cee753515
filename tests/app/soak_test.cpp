// Four virtual hours of flying with the window resized thousands of times (to nothing and to
// negative sizes too), pad commands, minimising and restoring and the About box mixed in. What
// the program holds after the first half hour it must hold at the end: no GDI object, window
// record or heap memory may pile up, however long it runs.
#include "DialogHarness.h"
#include "win32/gdiobj.h"

#include <chrono>
#include <cstddef>
#include <iterator>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DV_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define DV_ADDRESS_SANITIZER 1
#endif

#ifdef DV_ADDRESS_SANITIZER
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

using namespace dorvane_test;

namespace {

// Bytes the program has allocated and not freed. The sanitizer's allocator replaces malloc's,
// so under it the count is its own.
std::size_t HeapInUse() {
#ifdef DV_ADDRESS_SANITIZER
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd; // small blocks in the arenas, large ones mapped alone
#endif
}

struct Census {
    std::size_t gdiObjects = 0;
    std::size_t windows = 0;
    std::size_t heap = 0;
};

Census Take() {
    return Census{DvLiveGdiObjectCount(), DvLiveWindowCount(), HeapInUse()};
}

// Client sizes the window is given in turn. Narrow ones keep the frames cheap, so that hours
// of ticks take seconds; zero and negative sizes are what a window manager may report.
const SIZE kSizes[] = {{160, 120}, {0, 0},  {-40, -30}, {90, 60}, {200, 20},
                       {-1, 300},  {1, 1},  {120, -7},  {82, 15}, {180, 240},
                       {100, 0},   {0, 90}, {150, 150}, {77, 33}, {-300, -300}};
// Pad commands that leave the fly-through on: altitude, zoom, horizon, heading, terrain
// following, colour mode, solid columns, sub-cell detail, and now and then a new landscape.
const int kCommands[] = {0, 2, 6, 8, 101, 107, 103, 105, 106, 108, 100, 102, 200, 104};

constexpr int kTicksPerSecond = 20;
constexpr int kHalfHour = 30 * 60 * kTicksPerSecond;
constexpr int kFourHours = 8 * kHalfHour;

HWND FindAbout() {
    for (HWND h : DvTopLevelWindows()) {
        char text[64] = {};
        GetWindowText(h, text, sizeof text);
        if (std::string(text) == "About Dorvane" && IsWindowVisible(h)) {
            return h;
        }
    }
    return nullptr;
}

} // namespace

TEST_F(DialogTest, FourHoursOfFlyingHoldNoMoreThanTheFirstHalfHour) {
    const auto started = std::chrono::steady_clock::now();
    int abouts = 0;
    m_host->SetIdleHandler([this, &abouts]() -> BOOL {
        // The About box runs a loop of its own; a user reads it for a second and presses Enter.
        HWND about = FindAbout();
        if (about == nullptr) {
            return FALSE;
        }
        ++abouts;
        m_host->Advance(1000);
        m_host->Key(about, VK_RETURN);
        return TRUE;
    });
    ClickCode(4);
    ASSERT_TRUE(m_dlg->m_bFlyThrough);

    // The same state at both censuses: the first size, shown, flying, one more tick drawn.
    auto settle = [this]() {
        m_host->Restore(m_hWnd);
        m_host->Resize(m_hWnd, kSizes[0].cx, kSizes[0].cy);
        Pump();
        Tick();
    };
    Census halfHour;
    int resizes = 0;
    int commands = 0;
    int minimised = 0;
    for (int tick = 1; tick <= kFourHours; ++tick) {
        Tick();
        // What the modal loop does whenever it has nothing to do.
        CDC::DeleteTempMap();
        CGdiObject::DeleteTempMap();
        if (tick % 50 == 0) {
            const SIZE size = kSizes[(tick / 50) % std::size(kSizes)];
            m_host->Resize(m_hWnd, size.cx, size.cy);
            Pump();
            ++resizes;
        }
        if (tick % 997 == 0) {
            const int code = kCommands[(tick / 997) % std::size(kCommands)];
            // A new landscape costs a whole map: one in twenty times is enough.
            if (code != 104 || (tick / 997) % 20 == 13) {
                ClickCode(code);
                ++commands;
            }
        }
        if (tick % 2503 == 0) {
            m_host->Minimise(m_hWnd);
            Pump();
            Tick(20);
            m_host->Restore(m_hWnd);
            Pump();
            ++minimised;
        }
        if (tick % 9001 == 0) {
            m_dlg->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            Pump();
        }
        if (tick == kHalfHour) {
            settle();
            halfHour = Take();
        }
        ASSERT_TRUE(Running()) << "the dialog ended at tick " << tick;
        ASSERT_TRUE(m_dlg->m_bFlyThrough) << "the fly-through stopped at tick " << tick;
    }
    settle();
    const Census end = Take();

    EXPECT_GT(resizes, 5000);
    EXPECT_GT(commands, 200);
    EXPECT_GT(minimised, 100);
    EXPECT_GT(abouts, 20);
    EXPECT_EQ(end.gdiObjects, halfHour.gdiObjects);
    EXPECT_EQ(end.windows, halfHour.windows);
    // Within a few small blocks: the window title's text and the allocator's cache of freed
    // blocks (which counts as in use) vary with the moment. Growth shows as tens of kilobytes
    // an hour.
    EXPECT_NEAR(static_cast<double>(end.heap), static_cast<double>(halfHour.heap), 1024.0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("four virtual hours in %.1f s: %d resizes, %d commands, %d minimised, %d About "
                "boxes; %zu GDI objects, %zu windows, %zu heap bytes\n",
                seconds, resizes, commands, minimised, abouts, end.gdiObjects, end.windows,
                end.heap);
}

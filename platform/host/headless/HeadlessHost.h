// The headless host: top-level windows shown on memory screens, input that tests inject, and a
// virtual clock that moves only when a test advances it. The whole program runs on it with no
// display and no sleeping.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/Host.h"

class CHeadlessHost : public CHost {
public:
    CHeadlessHost();
    ~CHeadlessHost() override;

    // The installed host when it is headless, else null.
    static CHeadlessHost* Installed();

    // CHost.
    HOSTWND CreateHostWindow(const DvHostWindowDesc& desc) override;
    void DestroyHostWindow(HOSTWND window) override;
    void ShowHostWindow(HOSTWND window, int nCmdShow) override;
    void PlaceHostWindow(HOSTWND window, int x, int y, int cx, int cy) override;
    void SetHostTitle(HOSTWND window, LPCSTR title) override;
    void SetHostFullScreen(HOSTWND window, BOOL bFullScreen) override;
    void SetHostIcon(HOSTWND window, const DWORD* pixels, int width, int height) override;
    LentScreen LendScreen(HOSTWND window, int cx, int cy) override;
    BOOL Present(HOSTWND window, const void* pixels, int width, int height, int strideBytes,
                 const RECT& changed) override;
    BOOL PollEvent(DvHostEvent& event) override;
    BOOL WaitEvent(DWORD timeoutMs) override;
    DWORD TickCount() override { return m_dwTicks; }
    SIZE ScreenSize() override { return m_screen; }
    BOOL WindowsHaveStates() override { return m_bWindowStates; }

    // Whether windows can be minimised and maximised, as on a desktop (the default) or not, as
    // on a page.
    void SetWindowStates(BOOL bStates) { m_bWindowStates = bStates; }

    // The clock. It starts at a value like a system's some time after start-up.
    void SetTickCount(DWORD dwTicks) { m_dwTicks = dwTicks; }
    void Advance(DWORD dwMilliseconds) { m_dwTicks += dwMilliseconds; }

    // Input, at pixels of a top-level window's client area (hWnd may be any of its windows;
    // points are then in that window's client coordinates). Buttons: 1 left, 3 right.
    void MouseDown(HWND hWnd, int x, int y, int button = 1, UINT modifiers = 0);
    void MouseUp(HWND hWnd, int x, int y, int button = 1, UINT modifiers = 0);
    void MouseMove(HWND hWnd, int x, int y);
    void Click(HWND hWnd, int x, int y, int button = 1);
    // The wheel turned by delta (WHEEL_DELTA a notch, positive away from the user).
    void Wheel(HWND hWnd, int x, int y, int delta, UINT modifiers = 0);
    void KeyDown(HWND hWnd, UINT vk, UINT modifiers = 0);
    void KeyUp(HWND hWnd, UINT vk, UINT modifiers = 0);
    void Key(HWND hWnd, UINT vk, UINT modifiers = 0);
    // What a user does to the window through the window manager.
    void Resize(HWND hWnd, int cx, int cy);
    void Minimise(HWND hWnd);
    void Maximise(HWND hWnd);
    void Restore(HWND hWnd);
    void Close(HWND hWnd);
    void Expose(HWND hWnd);

    // What is shown: whether the window is on the screen (not hidden, not minimised), its title,
    // icon and presented pixels (0x00RRGGBB), and how often it was presented.
    bool IsShown(HWND hWnd) const;
    bool IsMinimised(HWND hWnd) const;
    // Whether the window is in the desktop's full-screen state.
    bool IsFullScreen(HWND hWnd) const;
    std::string Title(HWND hWnd) const;
    DWORD Pixel(HWND hWnd, int x, int y) const;
    int ScreenWidth(HWND hWnd) const;
    int ScreenHeight(HWND hWnd) const;
    int PresentCount(HWND hWnd) const;
    RECT LastPresented(HWND hWnd) const;
    const std::vector<DWORD>& Icon(HWND hWnd, int* width, int* height) const;
    // The kind and owner the core asked for.
    DvHostWindowKind Kind(HWND hWnd) const;

    // Lending, off at first: memory screens are then the core's own. When on, each window
    // lends memory of the size its desktop window has now (rows a little wider than that, as a
    // desktop's may be), which Present copies onto the shown pixels as from any screen. The
    // memory follows the window's size at the next LendScreen, as a desktop's does: until then
    // presenting from it fails. Memory given up is kept and filled with kRetiredPixel, so that
    // a test can see that nothing drew into it afterwards.
    void SetLending(bool lend) { m_lending = lend; }
    // The desktop stops showing from the memory it lent (as after a resize of its own).
    void Revoke(HWND hWnd);
    // Whether the window's screen is memory this host lent, and how many times it lent fresh
    // memory to the window.
    bool IsLent(HWND hWnd) const;
    int LendCount(HWND hWnd) const;
    // Whether every retired memory still holds only kRetiredPixel.
    bool RetiredUntouched() const;
    static constexpr DWORD kRetiredPixel = 0xDEADBEEF;

    // Called when a message loop has nothing to do; it may inject input, advance the clock or
    // end dialogs. Returning FALSE (or having no handler) tells the loop that nothing will come.
    void SetIdleHandler(std::function<BOOL()> handler) { m_idle = std::move(handler); }

    // The screen size a maximised window gets, unless a test sets another.
    static constexpr int kScreenWidth = 1920;
    static constexpr int kScreenHeight = 1080;
    void SetScreenSize(int cx, int cy) { m_screen = SIZE{cx, cy}; }

private:
    struct Window {
        DvHostWindowDesc desc;
        std::string title;
        bool shown = false;
        bool minimised = false;
        bool maximised = false;
        bool fullScreen = false;
        int restoreWidth = 0;
        int restoreHeight = 0;
        int width = 0;
        int height = 0;
        std::vector<DWORD> pixels;
        std::vector<DWORD> icon;
        int iconWidth = 0;
        int iconHeight = 0;
        int presents = 0;
        RECT last = {0, 0, 0, 0};
        // The size the desktop window has, which lent memory follows.
        int desktopWidth = 0;
        int desktopHeight = 0;
        std::vector<DWORD> lent;
        int lentWidth = 0;
        int lentHeight = 0;
        int lentStride = 0; // in pixels
        bool revoked = false;
        int lends = 0;
    };

    const Window* Find(HWND hWnd) const;
    Window* Find(HWND hWnd);
    HOSTWND HostOf(HWND hWnd) const;
    // The window's top-level host window and the point in its client area.
    HOSTWND Locate(HWND hWnd, int* x, int* y) const;
    void Push(DvHostEventKind kind, HOSTWND window, int x = 0, int y = 0, int button = 0,
              UINT key = 0, UINT modifiers = 0, int delta = 0);

    // Sets the desktop window's size, as the user or the program changed it.
    static void SetDesktopSize(Window& window, int cx, int cy);
    void Retire(Window& window);

    std::map<HOSTWND, Window> m_windows;
    SIZE m_screen = {kScreenWidth, kScreenHeight};
    std::vector<std::vector<DWORD>> m_retired;
    bool m_lending = false;
    std::deque<DvHostEvent> m_events;
    HOSTWND m_nextWindow = 1;
    DWORD m_dwTicks;
    std::function<BOOL()> m_idle;
    BOOL m_bWindowStates = TRUE;
};

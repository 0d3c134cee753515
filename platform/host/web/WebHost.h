// The browser through Emscripten: the page is the desktop. The main window is a canvas that
// fills the viewport from its top-left corner and follows its size; its text is the page's
// title and its icon the page's icon. Dialogs that a window owns float over the page with a
// caption bar, and menus are canvases placed over their owner. Waiting hands control back to
// the browser (ASYNCIFY), so the page never blocks while the program runs its loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "host/Host.h"

class CWebHost : public CHost {
public:
    CWebHost();
    ~CWebHost() override;

    HOSTWND CreateHostWindow(const DvHostWindowDesc& desc) override;
    void DestroyHostWindow(HOSTWND window) override;
    void ShowHostWindow(HOSTWND window, int nCmdShow) override;
    void PlaceHostWindow(HOSTWND window, int x, int y, int cx, int cy) override;
    void SetHostTitle(HOSTWND window, LPCSTR title) override;
    void SetHostFullScreen(HOSTWND window, BOOL bFullScreen) override;
    void SetHostIcon(HOSTWND window, const DWORD* pixels, int width, int height) override;
    BOOL Present(HOSTWND window, const void* pixels, int width, int height, int strideBytes,
                 const RECT& changed) override;
    BOOL PollEvent(DvHostEvent& event) override;
    BOOL WaitEvent(DWORD timeoutMs) override;
    DWORD TickCount() override;
    SIZE ScreenSize() override;
    // A page's windows are never minimised or maximised: it has no taskbar to restore one from.
    BOOL WindowsHaveStates() override { return FALSE; }

    // Says on the page, in place of the program, that it has ended and how to start it again.
    static void ShowEnded();

private:
    // The page's size as the screen the program gets, within what its memory can hold.
    static SIZE CapScreen(int cx, int cy);

    HOSTWND m_next = 1;
    HOSTWND m_main = 0; // the window that fills the viewport
    std::map<HOSTWND, DvHostWindowKind> m_windows;
    // Events the host makes itself (the main window's place and size), before the page's.
    std::vector<DvHostEvent> m_pending;
    // The changed rectangle in the canvas's byte order, reused from one present to the next.
    std::unique_ptr<std::uint32_t[]> m_rgba;
    size_t m_rgbaBytes = 0;
    DWORD m_lastYield = 0;
};

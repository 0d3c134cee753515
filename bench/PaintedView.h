// A window that paints a full-HD frame-like surface one to one, as the view does: shared by the
// benchmarks of painting and presenting.
#pragma once

#include <windows.h>
#include <afxwin.h>

#include <cstddef>

#include "gfx/DIB.h"

namespace bench {

// Paints a frame-like 8-bit surface into the client area of every window of its class.
class CPaintedView {
public:
    static constexpr int kWidth = 1920;
    static constexpr int kHeight = 1080;

    // Makes the surface (sky above, bands of colour below) and registers the window class.
    explicit CPaintedView(LPCSTR className) {
        m_surface.Create(kWidth, kHeight, 0, nullptr);
        for (int row = 0; row < kHeight; ++row) {
            BYTE* line =
                m_surface.Bits() + static_cast<std::size_t>(kHeight - 1 - row) * m_surface.Stride();
            for (int x = 0; x < kWidth; ++x) {
                line[x] = static_cast<BYTE>(row < kHeight / 3 ? 178 : (x / 7 + row / 5) & 0xFF);
            }
        }
        s_pSurface = &m_surface;
        WNDCLASS wc = {};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = className;
        RegisterClass(&wc); // fails harmlessly when the class exists from an earlier run
    }
    ~CPaintedView() {
        s_pSurface = nullptr;
        m_surface.Destroy();
    }
    CPaintedView(const CPaintedView&) = delete;
    CPaintedView& operator=(const CPaintedView&) = delete;

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC hdc = BeginPaint(hWnd, &ps);
            CDC dc;
            dc.Attach(hdc);
            if (s_pSurface != nullptr) {
                s_pSurface->Paint(&dc);
            }
            dc.Detach();
            EndPaint(hWnd, &ps);
            return 0;
        }
        return DefWindowProc(hWnd, message, wParam, lParam);
    }

    CDIB m_surface;
    static inline CDIB* s_pSurface = nullptr;
};

} // namespace bench

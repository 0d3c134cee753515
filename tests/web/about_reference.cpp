// web-about-reference OUT.ppm: the About box as the desktop draws it (the windowing core on the
// headless host, with the desktop's own fonts), written as a binary PPM of its client area, for
// the page tests to hold the browser's About box to, pixel for pixel.
#include <windows.h>
#include <afxwin.h>

#include <cstdio>

#include "app/AboutDlg.h"
#include "host/headless/HeadlessHost.h"
#include "win32/window.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: web-about-reference OUT.ppm\n");
        return 2;
    }
    CHeadlessHost* host = CHeadlessHost::Installed();
    CAboutDlg dlg;
    if (host == nullptr || !dlg.Create(IDD_ABOUTBOX)) {
        std::fprintf(stderr, "web-about-reference: no About box\n");
        return 1;
    }
    dlg.ShowWindow(SW_SHOW);
    // Painted, and shown as a host shows it.
    DvPumpMessages();
    DvPresentAll();
    const HWND hWnd = dlg.GetSafeHwnd();
    const int width = host->ScreenWidth(hWnd);
    const int height = host->ScreenHeight(hWnd);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || width <= 0 || height <= 0) {
        std::fprintf(stderr, "web-about-reference: cannot write %s\n", argv[1]);
        return 1;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const DWORD rgb = host->Pixel(hWnd, x, y);
            const unsigned char bytes[3] = {static_cast<unsigned char>(rgb >> 16),
                                            static_cast<unsigned char>(rgb >> 8),
                                            static_cast<unsigned char>(rgb)};
            std::fwrite(bytes, 1, 3, out);
        }
    }
    dlg.DestroyWindow();
    const bool written = std::ferror(out) == 0;
    return std::fclose(out) == 0 && written ? 0 : 1;
}

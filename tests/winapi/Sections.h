// Device-independent bitmaps for the tests of GDI: a header with a full colour table, and a
// section selected into a memory context of its own, in nothing but the Windows calls.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

struct Info256 {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

inline Info256 MakeInfo(int width, int height, int bitCount,
                        const std::vector<RGBQUAD>& colours = {}) {
    Info256 info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitCount);
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = static_cast<DWORD>(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i) {
        info.colours[i] = colours[i];
    }
    return info;
}

inline const BITMAPINFO* AsInfo(const Info256& info) {
    return reinterpret_cast<const BITMAPINFO*>(&info);
}

inline RGBQUAD Quad(int r, int g, int b) {
    return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
}

inline bool Same(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

// A section selected into a memory context of its own.
struct Section {
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    BYTE* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    bool topDown = false;

    Section(int w, int h, int bitCount, const std::vector<RGBQUAD>& colours = {}) {
        Info256 info = MakeInfo(w, h, bitCount, colours);
        void* p = nullptr;
        bitmap = CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<BYTE*>(p);
        width = w;
        height = h < 0 ? -h : h;
        topDown = h < 0;
        stride = ((w * bitCount + 31) / 32) * 4;
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
    }
    ~Section() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;
    BYTE* Row(int y) const { return bits + (topDown ? y : height - 1 - y) * stride; }
    BYTE& Index(int x, int y) const { return Row(y)[x]; }
    DWORD& Pixel(int x, int y) const { return reinterpret_cast<DWORD*>(Row(y))[x]; }
    std::vector<BYTE> Indices(int y, int count) const { return {Row(y), Row(y) + count}; }
    void Fill(DWORD value) const {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < stride / 4; ++x) {
                Pixel(x, y) = value;
            }
        }
    }
};

inline const std::vector<RGBQUAD> kFour = {Quad(0, 0, 0), Quad(255, 0, 0), Quad(0, 255, 0),
                                           Quad(0, 0, 255)};

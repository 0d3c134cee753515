#include "tools/render/CompositingDemo.h"

#include "gfx/Palette.h"
#include "host/headless/HeadlessHost.h"
#include "tools/render/OutputFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

// The panels, left to right and top to bottom:
//   1. CopyTransparent: a compass overlay with a transparent background copied into the frame;
//   2. StretchTo: the middle of the horizon magnified twice into an inset;
//   3. MapToPalette: the frame remapped to the 16 standard colours;
//   4. Dissolve and Composite: the frame dissolving in 6 x 6 tiles onto grey, with the compass
//      composited over it, the frame itself showing through the compass's transparent pixels.
// Each panel carries its caption, drawn with DrawText.

namespace {

constexpr BYTE kKey = 0; // the overlay's transparent index

// The clock of the dissolve: one millisecond per reading, so the picture is the same on every
// run and a budget of n milliseconds is n batches of tiles.
class CDemoClock : public CHeadlessHost {
public:
    DWORD TickCount() override { return ++m_dwNow; }

private:
    DWORD m_dwNow = 1000;
};

BYTE& At(CDIB& dib, int x, int row) {
    return dib.Bits()[(dib.Height() - 1 - row) * dib.Stride() + x];
}

// A pixel that may lie outside the surface, where it is not drawn.
void Put(CDIB& dib, int x, int row, BYTE index) {
    if (x >= 0 && row >= 0 && x < dib.Width() && row < dib.Height()) {
        At(dib, x, row) = index;
    }
}

// A surface with the frame's colour table and pixels.
bool CopyOf(CDIB& frame, CDIB& copy) {
    return copy.CreateFromDIB(frame.m_pBMI, frame.m_pBits, nullptr) != 0;
}

BYTE Nearest(CDIB& dib, int r, int g, int b) {
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(
        reinterpret_cast<const BYTE*>(dib.m_pBMI) + sizeof(BITMAPINFOHEADER));
    int best = 0;
    long bestDistance = 1L << 30;
    for (int i = 0; i < 256; ++i) {
        const long dr = table[i].rgbRed - r;
        const long dg = table[i].rgbGreen - g;
        const long db = table[i].rgbBlue - b;
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<BYTE>(best);
}

// A compass rose on the transparent index, in indices of the frame's colours: a white ring, a red
// needle to the north, a white one to the south.
bool Compass(CDIB& frame, CDIB& compass, int size) {
    if (!compass.Create(size, size, kKey, g_pPalette)) {
        return false;
    }
    const BYTE white = Nearest(frame, 255, 255, 255);
    const BYTE red = Nearest(frame, 255, 0, 0);
    const double c = (size - 1) / 2.0;
    const double outer = size / 2.0 - 1.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x - c;
            const double dy = y - c;
            const double d2 = dx * dx + dy * dy;
            if (d2 <= outer * outer && d2 >= (outer - 2.5) * (outer - 2.5)) {
                At(compass, x, y) = white;
            }
            // Needles: a narrow diamond along the vertical axis.
            const double half = (outer - 4.0) * (1.0 - (dx < 0 ? -dx : dx) / 4.0);
            if ((dx < 0 ? -dx : dx) <= 4.0 && (dy < 0 ? -dy : dy) <= half) {
                At(compass, x, y) = dy < 0 ? red : white;
            }
        }
    }
    return true;
}

void Caption(CDIB& panel, CFont& font, const char* text) {
    RECT r = {6, panel.Height() - 22, panel.Width() - 6, panel.Height() - 4};
    // A dark shadow one pixel down and right, then the caption in white.
    RECT shadow = {r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
    panel.DrawText(text, &shadow, DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX, &font,
                   RGB(0, 0, 0));
    panel.DrawText(text, &r, DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX, &font,
                   RGB(255, 255, 255));
}

// A framework context over a surface's memory context.
class CSurfaceDC {
public:
    explicit CSurfaceDC(CDIB& dib) { m_dc.Attach(dib.m_hDC); }
    ~CSurfaceDC() { m_dc.Detach(); }
    CDC* Get() { return &m_dc; }

private:
    CDC m_dc;
};

struct LogPalette16 {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[16];
};

// The picture (top row first, 0x00RRGGBB) as a 24-bit bottom-up BMP file, a row at a time.
bool WriteBmp24(CPendingFile& file, const DWORD* pixels, int width, int height) {
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t{3};
    const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(height);
    if (imageBytes + 54 > UINT32_MAX) {
        file.Fail("the picture is too large for a BMP file");
        return false;
    }
    std::vector<unsigned char> out;
    auto u16 = [&](unsigned v) {
        out.push_back(static_cast<unsigned char>(v & 0xFF));
        out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
    };
    auto u32 = [&](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    u32(static_cast<std::uint32_t>(54 + imageBytes));
    u32(0);
    u32(54);
    u32(40);
    u32(static_cast<std::uint32_t>(width));
    u32(static_cast<std::uint32_t>(height));
    u16(1);
    u16(24);
    u32(0);
    u32(static_cast<std::uint32_t>(imageBytes));
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    if (!file.Write(out.data(), out.size())) {
        return false;
    }
    std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes), 0);
    for (int y = height - 1; y >= 0; --y) {
        const DWORD* in = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        unsigned char* p = row.data();
        for (int x = 0; x < width; ++x) {
            *p++ = static_cast<unsigned char>(in[x] & 0xFF);
            *p++ = static_cast<unsigned char>((in[x] >> 8) & 0xFF);
            *p++ = static_cast<unsigned char>((in[x] >> 16) & 0xFF);
        }
        if (!file.Write(row.data(), row.size())) {
            return false;
        }
    }
    return true;
}

} // namespace

bool DvWriteCompositingDemo(CDIB& frame, CPendingFile& file) {
    if (!frame.m_pBits) {
        file.Fail("the frame has no pixels");
        return false;
    }
    const int w = frame.Width();
    const int h = frame.Height();
    CFont font;
    font.CreateFont(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    CDIB compass;
    const int size = (h < w ? h : w) / 3 > 16 ? (h < w ? h : w) / 3 : 16;
    if (!Compass(frame, compass, size)) {
        file.Fail("out of memory");
        return false;
    }

    // 1. The overlay copied in with its transparent index.
    CDIB overlaid;
    if (!CopyOf(frame, overlaid)) {
        file.Fail("out of memory");
        return false;
    }
    overlaid.CopyTransparent(&compass, w - size - 8, 8, nullptr, kKey);
    Caption(overlaid, font, "CopyTransparent");

    // 2. A piece of the frame around the middle of the horizon row, twice as large, in an inset
    //    at the top right.
    CDIB inset;
    if (!CopyOf(frame, inset)) {
        file.Fail("out of memory");
        return false;
    }
    const RECT middle = {w / 2 - w / 12, h / 2 - h / 12, w / 2 + w / 12, h / 2 + h / 12};
    const RECT target = {w - 8 - 2 * (w / 6), 8, w - 8, 8 + 2 * (h / 6)};
    frame.StretchTo(&inset, &target, &middle);
    const BYTE white = Nearest(inset, 255, 255, 255);
    // Its border, one pixel outside it, where the frame has room for it.
    for (int x = target.left - 1; x <= target.right; ++x) {
        Put(inset, x, target.top - 1, white);
        Put(inset, x, target.bottom, white);
    }
    for (int y = target.top - 1; y <= target.bottom; ++y) {
        Put(inset, target.left - 1, y, white);
        Put(inset, target.right, y, white);
    }
    Caption(inset, font, "StretchTo");

    // 3. The frame in the 16 standard colours.
    CDIB remapped;
    if (!CopyOf(frame, remapped)) {
        file.Fail("out of memory");
        return false;
    }
    static const BYTE standard[16][3] = {
        {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
        {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    LogPalette16 log{0x300, 16, {}};
    for (int i = 0; i < 16; ++i) {
        log.palPalEntry[i] = {standard[i][0], standard[i][1], standard[i][2], 0};
    }
    CPalette sixteen;
    sixteen.CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
    remapped.MapToPalette(&sixteen);
    Caption(remapped, font, "MapToPalette");

    // 4. The frame dissolving onto grey, then the compass composited over it with the frame as
    //    its background.
    CDIB dissolved;
    if (!CopyOf(frame, dissolved)) {
        file.Fail("out of memory");
        return false;
    }
    dissolved.Fill(Nearest(dissolved, 102, 102, 102));
    {
        CSurfaceDC dc(dissolved);
        std::unique_ptr<CHost> previous = DvInstallHost(std::make_unique<CDemoClock>());
        // About half of the frame's area in tiles: 36 pixels a tile, 100 tiles a millisecond.
        const int budget = w * h / 5000 > 2 ? w * h / 5000 : 2;
        frame.Dissolve(dc.Get(), 0, 0, nullptr, 6, 0, budget, nullptr);
        DvInstallHost(std::move(previous));
        compass.Composite(dc.Get(), (w - size) / 2, (h - size) / 2, nullptr, kKey, 0, &frame, 0, 0);
    }
    Caption(dissolved, font, "Dissolve + Composite");

    // The four panels on a true-colour picture, 4 pixels apart.
    const int gap = 4;
    const int outWidth = 2 * w + 3 * gap;
    const int outHeight = 2 * h + 3 * gap;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = outWidth;
    info.bmiHeader.biHeight = -outHeight; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!picture || !bits) {
        file.Fail("out of memory");
        return false;
    }
    HDC pictureDC = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(pictureDC, picture);
    CDC dc;
    dc.Attach(pictureDC);
    dc.FillSolidRect(0, 0, outWidth, outHeight, RGB(32, 32, 32));
    CDIB* panels[4] = {&overlaid, &inset, &remapped, &dissolved};
    for (int k = 0; k < 4; ++k) {
        const int x = gap + (k % 2) * (w + gap);
        const int y = gap + (k / 2) * (h + gap);
        const RECT dest = {x, y, x + w, y + h};
        panels[k]->Paint(&dc, &dest, nullptr);
    }
    dc.Detach();
    const bool ok = WriteBmp24(file, static_cast<const DWORD*>(bits), outWidth, outHeight);
    SelectObject(pictureDC, old);
    DeleteDC(pictureDC);
    DeleteObject(picture);
    return ok;
}

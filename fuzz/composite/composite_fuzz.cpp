// The surface's drawing operations on arbitrary surfaces, palettes, rectangles and keys: filling,
// remapping to a palette, transparent copies (checked pixel by pixel against the rules), the
// composite blit, stretching, the dissolve, text and painting.
#include "FuzzSupport.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gfx/DIB.h"
#include "gfx/Palette.h"

namespace {

using dorvane_fuzz::Check;
using dorvane_fuzz::MostlySmall;

constexpr int kSurfaces = 3;
constexpr int kPalettes = 3;
constexpr int kFonts = 4;

struct Fonts {
    CFont fonts[kFonts];
    Fonts() {
        // Kept to ordinary sizes: each glyph of a large font stays in the glyph cache.
        fonts[0].CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
        fonts[1].CreateFont(24, 0, 0, 0, FW_BOLD, 1, 1, 1, 0, 0, 0, 0, 0, "DejaVu Sans");
        fonts[2].CreateFont(0, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "no such face");
        fonts[3].CreateFont(-60, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Courier New");
    }
};

// The whole pixel memory of a surface.
std::vector<BYTE> Pixels(const CDIB& dib) {
    return std::vector<BYTE>(dib.Bits(),
                             dib.Bits() + static_cast<std::size_t>(dib.Stride()) * dib.Height());
}

std::size_t Offset(int height, int stride, std::int64_t row, std::int64_t column) {
    return static_cast<std::size_t>((height - 1 - row) * stride + column);
}

// A transparent copy as the rules give it: clip the left and top edges, then the right and
// bottom ones, against both surfaces; then copy every source pixel that is not the key.
struct CopyPlan {
    std::int64_t dx, dy, sx, sy, w, h;
};

CopyPlan PlanCopy(int dstWidth, int dstHeight, int srcWidth, int srcHeight, int x, int y,
                  const RECT& r) {
    CopyPlan p = {
        x, y, r.left, r.top, std::int64_t(r.right) - r.left, std::int64_t(r.bottom) - r.top};
    std::int64_t m = std::min(p.dx, p.sx);
    if (m < 0) {
        p.dx -= m;
        p.sx -= m;
        p.w += m;
    }
    m = std::min(p.dy, p.sy);
    if (m < 0) {
        p.dy -= m;
        p.sy -= m;
        p.h += m;
    }
    std::int64_t e = std::min(srcWidth - p.sx - p.w, dstWidth - p.dx - p.w);
    if (e < 0) {
        p.w += e;
    }
    e = std::min(srcHeight - p.sy - p.h, dstHeight - p.dy - p.h);
    if (e < 0) {
        p.h += e;
    }
    return p;
}

void CheckedCopy(FuzzedDataProvider& in, CDIB* surfaces) {
    CDIB& dst = surfaces[in.ConsumeIntegralInRange<int>(0, kSurfaces - 1)];
    CDIB* src = in.ConsumeIntegralInRange<int>(0, 7)
                    ? &surfaces[in.ConsumeIntegralInRange<int>(0, kSurfaces - 1)]
                    : nullptr;
    const int x = MostlySmall(in, -300, 300);
    const int y = MostlySmall(in, -300, 300);
    const bool whole = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    const RECT given = dorvane_fuzz::ConsumeRect(in, -300, 300);
    const int key = in.ConsumeBool() ? -1 : MostlySmall(in, -2, 300);
    if (!src || !dst.m_pBits || !src->m_pBits) {
        const std::vector<BYTE> before = dst.m_pBits ? Pixels(dst) : std::vector<BYTE>();
        dst.CopyTransparent(src, x, y, whole ? nullptr : &given, key);
        Check(!dst.m_pBits || Pixels(dst) == before, "a copy with nothing to copy changes nothing");
        return;
    }
    const RECT r = whole ? RECT{0, 0, src->Width(), src->Height()} : given;
    const CopyPlan p = PlanCopy(dst.Width(), dst.Height(), src->Width(), src->Height(), x, y, r);
    const std::vector<BYTE> source = Pixels(*src);
    std::vector<BYTE> expected = Pixels(dst);
    for (std::int64_t k = 0; k < p.h; ++k) {
        for (std::int64_t i = 0; i < p.w; ++i) {
            const BYTE v = source[Offset(src->Height(), src->Stride(), p.sy + k, p.sx + i)];
            if (key < 0 || v != (key & 0xFF)) {
                expected[Offset(dst.Height(), dst.Stride(), p.dy + k, p.dx + i)] = v;
            }
        }
    }
    dst.CopyTransparent(src, x, y, whole ? nullptr : &given, key);
    Check(Pixels(dst) == expected, "CopyTransparent copies what the clipped rectangle holds");
}

void MakePalette(FuzzedDataProvider& in, CPalette& palette) {
    palette.DeleteObject();
    const int count = in.ConsumeIntegralInRange<int>(0, 300);
    std::vector<BYTE> log(4 + 4 * static_cast<std::size_t>(std::max(count, 1)));
    const WORD version = 0x300;
    const WORD entries = static_cast<WORD>(count);
    std::memcpy(log.data(), &version, 2);
    std::memcpy(log.data() + 2, &entries, 2);
    const std::vector<BYTE> colours = in.ConsumeBytes<BYTE>(4 * static_cast<std::size_t>(count));
    if (!colours.empty()) {
        std::memcpy(log.data() + 4, colours.data(), colours.size());
    }
    palette.CreatePalette(reinterpret_cast<const LOGPALETTE*>(log.data()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    dorvane_fuzz::LoadFontConfiguration();
    // The dissolve runs until its time is up: the clock moves on whenever it is read.
    DvInstallHost(std::make_unique<dorvane_fuzz::TickingHost>());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fonts fonts;
    FuzzedDataProvider in(data, size);
    dorvane_fuzz::GdiObjectsSince objects;
    {
        CDIB surfaces[kSurfaces];
        CPalette palettes[kPalettes];
        // The context that composites, dissolves and paints draw on: a true-colour or an
        // 8-bit memory context, or none.
        CDC dc;
        HBITMAP target = nullptr;
        HGDIOBJ old = nullptr;
        const int kind = in.ConsumeIntegralInRange<int>(0, 2);
        if (kind < 2) {
            dc.Attach(CreateCompatibleDC(nullptr));
            const int cx = in.ConsumeIntegralInRange<int>(0, 400);
            const int cy = in.ConsumeIntegralInRange<int>(0, 400);
            if (kind == 0) {
                target = CreateCompatibleBitmap(dc.GetSafeHdc(), cx, cy);
            } else {
                alignas(BITMAPINFO) BYTE info[sizeof(BITMAPINFOHEADER) + 256 * 4] = {};
                BITMAPINFOHEADER h = {
                    sizeof h, std::max(cx, 1), std::max(cy, 1), 1, 8, BI_RGB, 0, 0, 0, 0, 0};
                std::memcpy(info, &h, sizeof h);
                void* bits = nullptr;
                target = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info),
                                          DIB_RGB_COLORS, &bits, nullptr, 0);
            }
            old = SelectObject(dc.GetSafeHdc(), target);
        }
        CDC* context = kind < 2 ? &dc : nullptr;
        CPalette* const savedPalette = g_pPalette;

        for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
            CDIB& dib = surfaces[in.ConsumeIntegralInRange<int>(0, kSurfaces - 1)];
            const int pick = in.ConsumeIntegralInRange<int>(0, kPalettes + 1);
            CPalette* palette = pick < kPalettes    ? &palettes[pick]
                                : pick == kPalettes ? &g_palette
                                                    : nullptr;
            switch (in.ConsumeIntegralInRange<int>(0, 13)) {
            case 0: {
                const int w = MostlySmall(in, -4, 300);
                const int h = MostlySmall(in, -4, 300);
                // Huge surfaces cost time, not coverage.
                if (static_cast<std::int64_t>(w) * h > (4 << 20)) {
                    break;
                }
                const int done = dib.Create(w, h, in.ConsumeIntegral<int>(), palette);
                Check(done == (w > 0 && h > 0), "Create succeeds for every positive size");
                // Mostly a pattern over the fill, so that copies show where each pixel came from.
                const int step = in.ConsumeIntegralInRange<int>(0, 3);
                if (done && step > 0) {
                    const std::size_t bytes = static_cast<std::size_t>(dib.Stride()) * dib.Height();
                    for (std::size_t i = 0; i < bytes; ++i) {
                        dib.m_pBits[i] = static_cast<BYTE>(i * (2 * step + 1) + i / 7);
                    }
                }
                break;
            }
            case 1:
                dib.Fill(in.ConsumeIntegral<int>());
                break;
            case 2:
                dib.FillRows(in.ConsumeIntegral<int>(), MostlySmall(in, -4, 300),
                             MostlySmall(in, -4, 300));
                break;
            case 3:
                dib.MapToPalette(palette);
                break;
            case 4:
                CheckedCopy(in, surfaces);
                break;
            case 5: {
                const int x = MostlySmall(in, -300, 300);
                const int y = MostlySmall(in, -300, 300);
                const bool whole = in.ConsumeIntegralInRange<int>(0, 3) == 0;
                const RECT r = dorvane_fuzz::ConsumeRect(in, -300, 300);
                const int key = MostlySmall(in, -2, 300);
                const int fill = in.ConsumeIntegral<int>();
                const int b = in.ConsumeIntegralInRange<int>(0, kSurfaces);
                CDIB* background = b < kSurfaces ? &surfaces[b] : nullptr;
                const int bx = MostlySmall(in, -300, 300);
                const int by = MostlySmall(in, -300, 300);
                dib.Composite(context, x, y, whole ? nullptr : &r, key, fill, background, bx, by);
                break;
            }
            case 6: {
                const int t = in.ConsumeIntegralInRange<int>(0, kSurfaces);
                const RECT tr = dorvane_fuzz::ConsumeRect(in, -300, 300);
                const RECT sr = dorvane_fuzz::ConsumeRect(in, -300, 300);
                dib.StretchTo(t < kSurfaces ? &surfaces[t] : nullptr,
                              in.ConsumeBool() ? &tr : nullptr, in.ConsumeBool() ? &sr : nullptr);
                break;
            }
            case 7: {
                const RECT r = dorvane_fuzz::ConsumeRect(in, -300, 300);
                int stop = in.ConsumeIntegralInRange<int>(0, 3) == 0;
                dib.Dissolve(context, MostlySmall(in, -300, 300), MostlySmall(in, -300, 300),
                             in.ConsumeBool() ? &r : nullptr, MostlySmall(in, -2, 64),
                             MostlySmall(in, -2, 64), in.ConsumeIntegralInRange<int>(-1, 8),
                             in.ConsumeBool() ? &stop : nullptr);
                break;
            }
            case 8: {
                RECT r = dorvane_fuzz::ConsumeRect(in, -300, 300);
                const UINT format = in.ConsumeIntegral<UINT>();
                const int f = in.ConsumeIntegralInRange<int>(0, kFonts);
                CGdiObject none;
                CGdiObject* font = f < kFonts ? static_cast<CGdiObject*>(&fonts.fonts[f]) : &none;
                const COLORREF colour = in.ConsumeIntegral<DWORD>();
                const std::string text = in.ConsumeRandomLengthString(80);
                dib.DrawText(in.ConsumeIntegralInRange<int>(0, 15) ? text.c_str() : nullptr,
                             in.ConsumeIntegralInRange<int>(0, 15) ? &r : nullptr, format, font,
                             colour);
                break;
            }
            case 9: {
                const RECT dr = dorvane_fuzz::ConsumeRect(in, -300, 300);
                const RECT sr = dorvane_fuzz::ConsumeRect(in, -300, 300);
                dib.Paint(context, in.ConsumeBool() ? &dr : nullptr,
                          in.ConsumeBool() ? &sr : nullptr);
                break;
            }
            case 10: {
                if (!dib.m_pBits) {
                    break;
                }
                const std::size_t bytes = static_cast<std::size_t>(dib.Stride()) * dib.Height();
                const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, bytes - 1);
                const std::vector<BYTE> v =
                    in.ConsumeBytes<BYTE>(std::min<std::size_t>(bytes - at, 64));
                if (!v.empty()) {
                    std::memcpy(dib.m_pBits + at, v.data(), v.size());
                }
                break;
            }
            case 11:
                if (pick < kPalettes) {
                    MakePalette(in, palettes[pick]);
                }
                break;
            case 12:
                g_pPalette = palette;
                break;
            default:
                dib.Destroy();
                break;
            }
        }
        g_pPalette = savedPalette;
        if (kind < 2) {
            SelectObject(dc.GetSafeHdc(), old);
            DeleteObject(target);
            DeleteDC(dc.Detach());
        }
    }
    Check(objects.Alive() == 0, "no GDI object outlives the surfaces");
    return 0;
}

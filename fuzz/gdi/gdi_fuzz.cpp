// The software GDI's bitmap calls driven by arbitrary sequences: DIB sections of any header,
// SetDIBits from every pixel format into them, colour tables, memory contexts, selections and
// blits between them with any rectangles. Every buffer handed in is exactly as large as the call
// may read, so that anything read or written past it is seen.
#include "FuzzSupport.h"

#include <cstring>
#include <vector>

namespace {

using dorvane_fuzz::Check;
using dorvane_fuzz::MostlySmall;

constexpr int kSlots = 4;
// Sections and pixel blocks larger than this cost time, not coverage: left out.
constexpr std::int64_t kMaxBytes = 24 << 20;
constexpr std::int64_t kLimitBytes = 0x7FFFFFFF;

struct State {
    HBITMAP sections[kSlots] = {};
    HDC dcs[kSlots] = {};
};

BITMAPINFOHEADER ConsumeHeader(FuzzedDataProvider& in, bool forSection) {
    BITMAPINFOHEADER h = {};
    static const DWORD sizes[] = {40, 52, 56, 108, 124};
    h.biSize = in.ConsumeBool() ? sizes[in.ConsumeIntegralInRange<int>(0, 4)]
                                : in.ConsumeIntegralInRange<DWORD>(0, 300);
    h.biWidth = MostlySmall(in, -8, 600);
    h.biHeight = MostlySmall(in, -600, 600);
    h.biPlanes = in.ConsumeIntegralInRange<int>(0, 15) != 0 ? 1 : in.ConsumeIntegral<WORD>();
    static const WORD sectionBits[] = {8, 32};
    static const WORD bits[] = {1, 4, 8, 16, 24, 32};
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0) {
        h.biBitCount = in.ConsumeIntegral<WORD>();
    } else {
        h.biBitCount = forSection ? sectionBits[in.ConsumeIntegralInRange<int>(0, 1)]
                                  : bits[in.ConsumeIntegralInRange<int>(0, 5)];
    }
    const int compression = in.ConsumeIntegralInRange<int>(0, 7);
    h.biCompression = compression < 5   ? BI_RGB
                      : compression < 7 ? BI_BITFIELDS
                                        : in.ConsumeIntegral<DWORD>();
    h.biClrUsed = in.ConsumeBool() ? 0 : in.ConsumeIntegralInRange<DWORD>(0, 300);
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0) {
        h.biClrUsed = in.ConsumeIntegral<DWORD>();
    }
    return h;
}

// A BITMAPINFO of exactly the bytes that a call may read: the header (and its tail up to
// biSize), the colour table behind it, or the three masks behind a 40-byte header.
std::vector<DWORD> Info(FuzzedDataProvider& in, const BITMAPINFOHEADER& h, int colours) {
    std::int64_t bytes = std::max<std::int64_t>(h.biSize, sizeof h) + 4 * colours;
    if (h.biCompression == BI_BITFIELDS) {
        bytes = std::max<std::int64_t>(bytes, sizeof h + 12);
    }
    std::vector<DWORD> info(static_cast<std::size_t>((bytes + 3) / 4));
    BYTE* p = reinterpret_cast<BYTE*>(info.data());
    const std::vector<BYTE> rest = in.ConsumeBytes<BYTE>(static_cast<std::size_t>(bytes));
    if (!rest.empty()) {
        std::memcpy(p, rest.data(), rest.size());
    }
    std::memcpy(p, &h, sizeof h);
    return info;
}

int TableEntries(const BITMAPINFOHEADER& h) {
    if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8) {
        return 0;
    }
    int count = 1 << h.biBitCount;
    if (h.biClrUsed != 0 && h.biClrUsed < static_cast<DWORD>(count)) {
        count = static_cast<int>(h.biClrUsed);
    }
    return count;
}

void CreateSection(FuzzedDataProvider& in, State& s, int slot) {
    const BITMAPINFOHEADER h = ConsumeHeader(in, true);
    const std::int64_t height =
        h.biHeight < 0 ? -static_cast<std::int64_t>(h.biHeight) : h.biHeight;
    const std::int64_t stride = h.biBitCount == 8 ? (static_cast<std::int64_t>(h.biWidth) + 3) & ~3
                                                  : static_cast<std::int64_t>(h.biWidth) * 4;
    // Past the limit the section is refused, whatever the exact product.
    const std::int64_t bytes = stride <= 0                     ? 0
                               : height > kLimitBytes / stride ? kLimitBytes + 1
                                                               : stride * height;
    if (bytes > kMaxBytes && bytes <= kLimitBytes) {
        return;
    }
    // A section takes up to 256 colours, as many as biClrUsed says.
    const int colours =
        h.biBitCount == 8 ? (h.biClrUsed == 0 || h.biClrUsed > 256 ? 256 : h.biClrUsed) : 0;
    std::vector<DWORD> info = Info(in, h, colours);
    void* bits = reinterpret_cast<void*>(1);
    const HBITMAP section = CreateDIBSection(
        nullptr, reinterpret_cast<BITMAPINFO*>(info.data()),
        in.ConsumeIntegralInRange<int>(0, 15) ? DIB_RGB_COLORS : 1, &bits, nullptr, 0);
    if (!section) {
        Check(bits == nullptr, "a failed section gives no pixels");
        return;
    }
    Check(bits != nullptr && h.biWidth > 0 && h.biHeight != 0, "a section has pixels");
    // Every byte the section says it has must be there.
    std::memset(bits, in.ConsumeIntegral<BYTE>(), static_cast<std::size_t>(bytes));
    DIBSECTION ds;
    Check(GetObject(section, sizeof ds, &ds) == sizeof ds, "a section describes itself");
    Check(ds.dsBm.bmWidth == h.biWidth && ds.dsBm.bmWidthBytes == stride &&
              ds.dsBm.bmHeight == height,
          "the section's description");
    if (s.sections[slot] && DeleteObject(s.sections[slot])) {
        s.sections[slot] = nullptr;
    }
    if (s.sections[slot]) {
        // The old one is still selected somewhere; let go of the new one instead.
        DeleteObject(section);
        return;
    }
    s.sections[slot] = section;
}

void SetBits(FuzzedDataProvider& in, State& s) {
    const HBITMAP target = s.sections[in.ConsumeIntegralInRange<int>(0, kSlots - 1)];
    const BITMAPINFOHEADER h = ConsumeHeader(in, false);
    const UINT start = static_cast<UINT>(MostlySmall(in, 0, 600));
    const UINT lines = static_cast<UINT>(MostlySmall(in, 0, 600));
    const std::int64_t rowBytes =
        ((static_cast<std::int64_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    std::int64_t rows =
        std::min<std::int64_t>(lines, static_cast<std::int64_t>(h.biHeight) - start);
    rows = std::max<std::int64_t>(rows, 0);
    if (rowBytes > 0 && rows > 0 && rowBytes > kMaxBytes / rows) {
        return;
    }
    const std::int64_t bytes = rowBytes > 0 ? rowBytes * rows : 0;
    std::vector<DWORD> info = Info(in, h, TableEntries(h));
    std::vector<BYTE> bits(static_cast<std::size_t>(std::max<std::int64_t>(bytes, 1)));
    const std::vector<BYTE> given = in.ConsumeBytes<BYTE>(bits.size());
    if (!given.empty()) {
        std::memcpy(bits.data(), given.data(), given.size());
    }
    bits.resize(static_cast<std::size_t>(bytes));
    const void* pixels = bytes ? static_cast<const void*>(bits.data()) : info.data();
    const int done = SetDIBits(nullptr, target, start, lines, pixels,
                               reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    Check(done >= 0 && done <= static_cast<std::int64_t>(lines),
          "SetDIBits sets at most the lines asked");
}

void ColourTable(FuzzedDataProvider& in, State& s, bool set) {
    const HDC dc = s.dcs[in.ConsumeIntegralInRange<int>(0, kSlots - 1)];
    const UINT start = static_cast<UINT>(MostlySmall(in, 0, 300));
    const UINT count = static_cast<UINT>(in.ConsumeIntegralInRange<int>(0, 300));
    std::vector<RGBQUAD> table(count);
    for (RGBQUAD& q : table) {
        q = RGBQUAD{in.ConsumeIntegral<BYTE>(), in.ConsumeIntegral<BYTE>(),
                    in.ConsumeIntegral<BYTE>(), 0};
    }
    const UINT done = set ? SetDIBColorTable(dc, start, count, table.data())
                          : GetDIBColorTable(dc, start, count, table.data());
    Check(done <= count && (done == 0 || start + done <= 256),
          "colour table entries stay within 256");
}

void Blit(FuzzedDataProvider& in, State& s, bool stretch) {
    const HDC to = s.dcs[in.ConsumeIntegralInRange<int>(0, kSlots - 1)];
    const HDC from = s.dcs[in.ConsumeIntegralInRange<int>(0, kSlots - 1)];
    const int x = MostlySmall(in, -700, 700);
    const int y = MostlySmall(in, -700, 700);
    const int cx = MostlySmall(in, -700, 700);
    const int cy = MostlySmall(in, -700, 700);
    const int x1 = MostlySmall(in, -700, 700);
    const int y1 = MostlySmall(in, -700, 700);
    static const DWORD rops[] = {SRCCOPY, SRCCOPY, SRCCOPY, 0};
    DWORD rop = rops[in.ConsumeIntegralInRange<int>(0, 3)];
    if (rop == 0) {
        rop = in.ConsumeIntegral<DWORD>();
    }
    if (stretch) {
        const int cx1 = MostlySmall(in, -700, 700);
        const int cy1 = MostlySmall(in, -700, 700);
        StretchBlt(to, x, y, cx, cy, from, x1, y1, cx1, cy1, rop);
    } else {
        BitBlt(to, x, y, cx, cy, from, x1, y1, rop);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    dorvane_fuzz::GdiObjectsSince objects;
    State s;
    for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
        const int slot = in.ConsumeIntegralInRange<int>(0, kSlots - 1);
        switch (in.ConsumeIntegralInRange<int>(0, 12)) {
        case 0:
            CreateSection(in, s, slot);
            break;
        case 1:
            if (!s.dcs[slot]) {
                s.dcs[slot] =
                    CreateCompatibleDC(in.ConsumeBool() ? s.dcs[(slot + 1) % kSlots] : nullptr);
            }
            break;
        case 2:
            SelectObject(s.dcs[slot], s.sections[in.ConsumeIntegralInRange<int>(0, kSlots - 1)]);
            break;
        case 3:
            SetBits(in, s);
            break;
        case 4:
            ColourTable(in, s, true);
            break;
        case 5:
            ColourTable(in, s, false);
            break;
        case 6:
            Blit(in, s, false);
            break;
        case 7:
            Blit(in, s, true);
            break;
        case 8:
            if (s.sections[slot] && DeleteObject(s.sections[slot])) {
                s.sections[slot] = nullptr;
            }
            break;
        case 9:
            if (s.dcs[slot]) {
                DeleteDC(s.dcs[slot]);
                s.dcs[slot] = nullptr;
            }
            break;
        case 10: {
            const int bytes = in.ConsumeIntegralInRange<int>(0, 128);
            std::vector<BYTE> out(static_cast<std::size_t>(bytes));
            const int got = GetObject(s.sections[slot], bytes, bytes ? out.data() : nullptr);
            Check(bytes == 0 || got <= bytes, "GetObject writes at most what it is given");
            break;
        }
        case 11: {
            const int cx = MostlySmall(in, -8, 600);
            const int cy = MostlySmall(in, -8, 600);
            if (cx > 0 && cy > 0 && static_cast<std::int64_t>(cx) * cy > kMaxBytes / 4) {
                break;
            }
            const HBITMAP bitmap = CreateCompatibleBitmap(s.dcs[slot], cx, cy);
            if (bitmap && !s.sections[slot]) {
                s.sections[slot] = bitmap;
            } else if (bitmap) {
                DeleteObject(bitmap);
            }
            break;
        }
        default: {
            RECT r = dorvane_fuzz::ConsumeRect(in, -700, 700);
            const HBRUSH brush = CreateSolidBrush(in.ConsumeIntegral<DWORD>() & 0x03FFFFFF);
            FillRect(s.dcs[slot], &r, brush);
            DeleteObject(brush);
            break;
        }
        }
    }
    for (HDC& dc : s.dcs) {
        if (dc) {
            DeleteDC(dc);
        }
    }
    for (HBITMAP& section : s.sections) {
        if (section) {
            Check(DeleteObject(section), "a section no context holds is deleted");
        }
    }
    Check(objects.Alive() == 0, "no GDI object outlives the sequence");
    return 0;
}

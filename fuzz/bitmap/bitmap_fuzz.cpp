// Packed bitmaps and bitmap resources. The first input byte says how the rest is taken:
//   - as a bitmap resource (RT_BITMAP, a packed DIB) that LoadBitmapResource loads,
//   - as a resource of another type, a whole bitmap file with its 14-byte file header,
//   - as a packed DIB handed straight to CreateFromDIB, grown with zeros to the size its header
//     says it has, since that call trusts its caller for the size;
// and which palette the surface falls back on. Loading starts from a 128 x 128 surface of
// colour 55, as a texture does; a failed load must leave that surface whole or empty.
#include "FuzzSupport.h"

#include <cstring>
#include <vector>

#include "gfx/DIB.h"
#include "win32/restable.h"

namespace {

constexpr unsigned short kResourceId = 4242;
// A resource type of the file kind: anything but RT_BITMAP.
const char* const kFileType = "BITMAPFILE";
// Larger DIBs handed to CreateFromDIB are left out: they cost time, not coverage.
constexpr std::int64_t kMaxDirectBytes = 16 << 20;

std::int64_t RowBytes(const BITMAPINFOHEADER& h) {
    return ((static_cast<std::int64_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
}

bool IsWhole(const CDIB& dib) {
    if (!dib.m_pBMI || dib.Width() != 128 || dib.Height() != 128) {
        return false;
    }
    for (int i = 0; i < dib.Stride() * dib.Height(); ++i) {
        if (dib.Bits()[i] != 55) {
            return false;
        }
    }
    return true;
}

bool IsEmpty(const CDIB& dib) {
    return !dib.m_pBMI && !dib.m_pBits && !dib.m_hBitmap && !dib.m_hDC && !dib.m_hOldBitmap;
}

// Touches every pixel byte and paints the surface, so that the sanitizers see any of it that
// is not there.
void Use(CDIB& dib) {
    unsigned sum = 0;
    for (int i = 0; i < dib.Stride() * dib.Height(); ++i) {
        sum += dib.Bits()[i];
    }
    (void)sum;
    CDIB target;
    if (target.Create(40, 30, 0, nullptr)) {
        dib.StretchTo(&target, nullptr, nullptr);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace dorvane_fuzz;
    if (size < 1) {
        return 0;
    }
    const int mode = data[0] % 3;
    const int paletteKind = (data[0] / 3) % 4;
    const BYTE* bytes = data + 1;
    const std::size_t length = size - 1;

    GdiObjectsSince objects;
    {
        // The fallback palette: none, an object without a palette, or one of 16 or 256 colours.
        CPalette palette;
        if (paletteKind >= 2) {
            struct {
                WORD version;
                WORD count;
                PALETTEENTRY entries[256];
            } log = {0x300, static_cast<WORD>(paletteKind == 2 ? 16 : 256), {}};
            for (int i = 0; i < 256; ++i) {
                log.entries[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
            }
            palette.CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
        }
        CPalette* fallback = paletteKind == 0 ? nullptr : &palette;

        CDIB dib;
        Check(dib.Create(128, 128, 55, nullptr) == 1, "the starting surface");
        int loaded = 0;
        if (mode < 2) {
            // The resource's bytes are a copy of exactly the input's, so any read past them is
            // seen.
            std::vector<BYTE> resource(bytes, bytes + length);
            const DvResource table[2] = {{mode == 0 ? RT_BITMAP : kFileType, kResourceId,
                                          resource.data(), static_cast<unsigned>(resource.size())},
                                         {nullptr, 0, nullptr, 0}};
            DvSetExtraResources(table);
            loaded = dib.LoadBitmapResource(kResourceId, fallback,
                                            mode == 0 ? RT_BITMAP : kFileType, nullptr);
            DvSetExtraResources(nullptr);
        } else {
            // A packed DIB as CreateFromDIB's callers hold it: the header, the colours behind it
            // (and behind a longer header, where GDI looks for them) and every row of pixels.
            BITMAPINFOHEADER h = {};
            std::memcpy(&h, bytes, std::min<std::size_t>(length, sizeof h));
            if (h.biSize > 4096) {
                return 0;
            }
            const std::int64_t colours = 4 * static_cast<std::int64_t>(CDIB::ColourCount(&h));
            const std::int64_t rows = h.biHeight > 0 ? h.biHeight : 0;
            if (rows > 0 && RowBytes(h) > kMaxDirectBytes / rows) {
                return 0;
            }
            const std::int64_t pixels = RowBytes(h) > 0 ? RowBytes(h) * rows : 0;
            const std::int64_t need =
                std::max<std::int64_t>({static_cast<std::int64_t>(h.biSize) + colours + 12,
                                        40 + colours + pixels, static_cast<std::int64_t>(length)});
            if (need > kMaxDirectBytes) {
                return 0;
            }
            std::vector<BYTE> packed(static_cast<std::size_t>(need), 0);
            std::memcpy(packed.data(), bytes, length);
            // Aligned as a caller's BITMAPINFO is.
            std::vector<DWORD> aligned((packed.size() + 3) / 4);
            std::memcpy(aligned.data(), packed.data(), packed.size());
            loaded = dib.CreateFromDIB(reinterpret_cast<const BITMAPINFO*>(aligned.data()), nullptr,
                                       fallback);
        }

        if (loaded) {
            Check(dib.m_pBMI && dib.m_pBits && dib.m_hBitmap && dib.m_hDC && dib.m_hOldBitmap,
                  "a loaded surface is complete");
            Check(dib.Width() > 0 && dib.Height() > 0, "a loaded surface has pixels");
            Use(dib);
        } else {
            Check(IsEmpty(dib) || IsWhole(dib), "a failed load leaves the surface whole or empty");
        }
    }
    Check(objects.Alive() == 0, "no GDI object outlives the surfaces");
    return 0;
}

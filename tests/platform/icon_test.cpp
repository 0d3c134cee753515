// Icons: the icon file format with its masks, choosing a picture by size, drawing with the mask
// transparent, the program's own icon resource, and damaged data.
#include <gtest/gtest.h>

#include <windows.h>

#include "win32/IconImage.h"
#include "win32/gdiobj.h"
#include "win32/iconobj.h"

#include <cstring>
#include <vector>

namespace {

void Put16(std::vector<BYTE>& v, std::size_t at, unsigned value) {
    v[at] = BYTE(value);
    v[at + 1] = BYTE(value >> 8);
}
void Put32(std::vector<BYTE>& v, std::size_t at, unsigned value) {
    for (int i = 0; i < 4; ++i) {
        v[at + i] = BYTE(value >> (8 * i));
    }
}

// A 4-bit picture of side n: colour index (x + y) % 16 from the 16 classic colours, and the
// mask transparent on the left half of the top row and on the whole bottom row.
std::vector<BYTE> Picture4(int n) {
    const std::size_t colourStride = ((n * 4 + 31) / 32) * 4;
    const std::size_t maskStride = ((n + 31) / 32) * 4;
    std::vector<BYTE> p(40 + 64 + (colourStride + maskStride) * n, 0);
    Put32(p, 0, 40);
    Put32(p, 4, n);
    Put32(p, 8, 2 * n);
    Put16(p, 12, 1);
    Put16(p, 14, 4);
    for (int i = 0; i < 16; ++i) {
        p[40 + 4 * i + 0] = BYTE(i * 16);      // blue
        p[40 + 4 * i + 1] = BYTE(255 - i * 8); // green
        p[40 + 4 * i + 2] = BYTE(i);           // red
    }
    for (int y = 0; y < n; ++y) {
        BYTE* row = &p[104 + colourStride * (n - 1 - y)];
        for (int x = 0; x < n; ++x) {
            const int index = (x + y) % 16;
            row[x / 2] |= BYTE(x % 2 ? index : index << 4);
        }
        BYTE* mask = &p[104 + colourStride * n + maskStride * (n - 1 - y)];
        for (int x = 0; x < n; ++x) {
            if ((y == 0 && x < n / 2) || y == n - 1) {
                mask[x / 8] |= BYTE(0x80 >> (x % 8));
            }
        }
    }
    return p;
}

std::vector<BYTE> IconFile(const std::vector<std::vector<BYTE>>& pictures) {
    std::vector<BYTE> file(6 + 16 * pictures.size(), 0);
    Put16(file, 2, 1);
    Put16(file, 4, static_cast<unsigned>(pictures.size()));
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::size_t at = 6 + 16 * i;
        const int side = static_cast<int>(pictures[i][4]);
        file[at] = file[at + 1] = BYTE(side);
        file[at + 2] = 16;
        Put16(file, at + 4, 1);
        Put16(file, at + 6, 4);
        Put32(file, at + 8, static_cast<unsigned>(pictures[i].size()));
        Put32(file, at + 12, static_cast<unsigned>(file.size()));
        file.insert(file.end(), pictures[i].begin(), pictures[i].end());
    }
    return file;
}

DWORD Expected(int x, int y, int n) {
    if ((y == 0 && x < n / 2) || y == n - 1) {
        return 0;
    }
    const int i = (x + y) % 16;
    return 0xFF000000u | (DWORD(i) << 16) | (DWORD(255 - i * 8) << 8) | DWORD(i * 16);
}

} // namespace

TEST(IconImage, DecodesColoursAndMaskOfEachPicture) {
    const std::vector<BYTE> file = IconFile({Picture4(32), Picture4(16)});
    const std::vector<CIconImage> images = CIconImage::ParseFile(file.data(), file.size());
    ASSERT_EQ(images.size(), 2u);
    for (const CIconImage& image : images) {
        const int n = image.Width();
        ASSERT_EQ(image.Height(), n);
        EXPECT_EQ(image.BitCount(), 4);
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                ASSERT_EQ(image.Pixel(x, y), Expected(x, y, n)) << n << ": " << x << "," << y;
            }
        }
    }

    // A 32-bit picture with alpha keeps its alpha and needs no mask.
    std::vector<BYTE> deep(40 + 4 * 4, 0);
    Put32(deep, 0, 40);
    Put32(deep, 4, 2);
    Put32(deep, 8, 4);
    Put16(deep, 12, 1);
    Put16(deep, 14, 32);
    const BYTE px[16] = {1, 2, 3, 0x80, 4, 5, 6, 0, 7, 8, 9, 0xFF, 10, 11, 12, 0x10};
    std::memcpy(&deep[40], px, sizeof px);
    CIconImage image;
    ASSERT_TRUE(CIconImage::ParseImage(deep.data(), deep.size(), &image));
    EXPECT_EQ(image.Pixel(0, 1), 0x80030201u); // bottom-up: the first row stored is the last
    EXPECT_EQ(image.Pixel(1, 1), 0x00060504u);
    EXPECT_EQ(image.Pixel(0, 0), 0xFF090807u);
}

TEST(IconImage, DamagedDataIsNeverReadPastItsEnd) {
    const std::vector<BYTE> good = IconFile({Picture4(32), Picture4(16)});
    // Every cut of the file: only whole pictures come out. Each cut is copied to a buffer of
    // its own size, so that a read past it would be caught by the address sanitizer.
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<BYTE> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        const auto images = CIconImage::ParseFile(cut.empty() ? nullptr : cut.data(), n);
        for (const CIconImage& image : images) {
            EXPECT_EQ(image.Width(), 32) << n; // the 16 x 16 picture lies at the end
        }
        EXPECT_LE(images.size(), 1u) << n;
    }
    auto damaged = [&](std::size_t at, unsigned value, bool wide) {
        std::vector<BYTE> bad = good;
        wide ? Put32(bad, at, value) : Put16(bad, at, value);
        return CIconImage::ParseFile(bad.data(), bad.size()).size();
    };
    const std::size_t first = 6 + 32;                     // the first picture's header
    EXPECT_EQ(damaged(2, 2, false), 0u);                  // a cursor file is not an icon
    EXPECT_EQ(damaged(4, 60000, false), 2u);              // more entries than the file holds
    EXPECT_EQ(damaged(6 + 12, 0xFFFFFFF0u, true), 1u);    // offset past the end
    EXPECT_EQ(damaged(6 + 8, 0xFFFFFFFFu, true), 1u);     // size past the end
    EXPECT_EQ(damaged(first, 0x7FFFFFFFu, true), 1u);     // header size past the end
    EXPECT_EQ(damaged(first + 4, 0, true), 1u);           // no width
    EXPECT_EQ(damaged(first + 4, 100000, true), 1u);      // absurd width
    EXPECT_EQ(damaged(first + 8, 0xFFFFFFC0u, true), 1u); // negative height
    EXPECT_EQ(damaged(first + 8, 33, true), 1u);          // odd doubled height
    EXPECT_EQ(damaged(first + 8, 200, true), 1u);         // taller than its bytes
    EXPECT_EQ(damaged(first + 14, 2, false), 1u);         // a bit count icons do not have
    EXPECT_EQ(damaged(first + 16, BI_RLE4, true), 1u);    // compressed
    EXPECT_EQ(damaged(first + 32, 3, true), 2u);          // a short colour table is fine
    EXPECT_TRUE(CIconImage::ParseFile(nullptr, 100).empty());
    EXPECT_EQ(DvCreateIconFromFile(good.data(), 5), nullptr);
}

TEST(Icon, PicturesBySizeDrawingAndDestroying) {
    const std::vector<BYTE> file = IconFile({Picture4(16), Picture4(32)});
    HICON icon = DvCreateIconFromFile(file.data(), file.size());
    ASSERT_NE(icon, nullptr);
    std::vector<DWORD> pixels;
    ASSERT_TRUE(DvIconPixels(icon, 16, 16, &pixels));
    EXPECT_EQ(pixels[17], Expected(1, 1, 16));
    ASSERT_TRUE(DvIconPixels(icon, 32, 32, &pixels));
    EXPECT_EQ(pixels[31 * 32 + 5], 0u);
    EXPECT_EQ(pixels[5 * 32 + 7], Expected(7, 5, 32));
    ASSERT_TRUE(DvIconPixels(icon, 64, 64, &pixels)); // the largest, doubled
    EXPECT_EQ(pixels[10 * 64 + 14], Expected(7, 5, 32));
    ASSERT_TRUE(DvIconPixels(icon, 8, 8, &pixels)); // the smallest larger one, halved
    EXPECT_EQ(pixels[2 * 8 + 3], Expected(6, 4, 16));
    EXPECT_FALSE(DvIconPixels(icon, 0, 16, &pixels));

    // DrawIcon on an 8-bit surface whose table holds the icon's colours at other places:
    // opaque pixels take the nearest entry, transparent ones leave the surface alone, and the
    // edges clip.
    std::vector<BYTE> record(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(record.data());
    info->bmiHeader = {sizeof(BITMAPINFOHEADER), 40, 40, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        info->bmiColors[100 + i] = {BYTE(i * 16), BYTE(255 - i * 8), BYTE(i), 0};
    }
    void* p = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &p, nullptr, 0);
    auto* bits = static_cast<BYTE*>(p);
    std::memset(bits, 7, 40 * 40);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    auto at = [&](int x, int y) { return bits[(39 - y) * 40 + x]; };
    ASSERT_TRUE(DrawIcon(dc, 20, 12, icon));
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const int ix = x - 20;
            const int iy = y - 12;
            const bool on = ix >= 0 && iy >= 0 && iy < 32 && Expected(ix, iy, 32) != 0;
            ASSERT_EQ(at(x, y), on ? 100 + (ix + iy) % 16 : 7) << x << "," << y;
        }
    }
    EXPECT_TRUE(DrawIcon(dc, -30, -30, icon));
    EXPECT_TRUE(DrawIcon(dc, 0x7FFFFFF0, -0x7FFFFFF0, icon));
    EXPECT_EQ(at(0, 0), 100 + (30 + 30) % 16);
    EXPECT_FALSE(DrawIcon(nullptr, 0, 0, icon));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);

    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
    EXPECT_FALSE(DvIconPixels(icon, 32, 32, &pixels));
    EXPECT_FALSE(DrawIcon(dc, 0, 0, icon));
}

TEST(Icon, LoadsTheProgramsIconResource) {
    HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(128));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(128)), icon); // one shared icon per resource
    std::vector<DWORD> big;
    std::vector<DWORD> small;
    ASSERT_TRUE(DvIconPixels(icon, 32, 32, &big));
    ASSERT_TRUE(DvIconPixels(icon, 16, 16, &small));
    // Both pictures have visible pixels.
    auto opaque = [](const std::vector<DWORD>& v) {
        return std::count_if(v.begin(), v.end(), [](DWORD p) { return (p >> 24) != 0; });
    };
    EXPECT_GT(opaque(big), 100);
    EXPECT_GT(opaque(small), 20);
    EXPECT_TRUE(DestroyIcon(icon)); // shared: still there afterwards
    EXPECT_TRUE(DvIconPixels(icon, 32, 32, &big));
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(4242)), nullptr);
    EXPECT_EQ(LoadIcon(nullptr, nullptr), nullptr);
}

#include "tools/artgen/ArtWriter.h"

#include "tools/artgen/IconPainter.h"
#include "tools/artgen/LegendPainter.h"
#include "tools/artgen/PadPainter.h"
#include "tools/artgen/TexturePainter.h"
#include "tools/artgen/TexturePalette.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr std::uint8_t kStandard[16][3] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

class Bytes {
public:
    void U8(unsigned v) { m_data.push_back(static_cast<std::uint8_t>(v)); }
    void U16(unsigned v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(std::uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Text(const char* s) {
        while (*s != '\0') {
            U8(static_cast<unsigned char>(*s++));
        }
    }
    std::vector<std::uint8_t>& Data() { return m_data; }

private:
    std::vector<std::uint8_t> m_data;
};

int RowBytes(int width, int bitCount) {
    return ((width * bitCount + 31) / 32) * 4;
}

// A 40-byte header, the colour table as RGBQUADs and the rows, bottom row first; used by the
// BMP files and, with a doubled height and an AND mask behind, by the icon images.
void PutDib(Bytes& out, int width, int height, int headerHeight, int bitCount,
            const std::vector<std::uint8_t>& indices, const std::vector<std::uint8_t>& rgbTable,
            std::uint32_t imageBytes) {
    const int colours = static_cast<int>(rgbTable.size() / 3);
    out.U32(40);
    out.U32(static_cast<std::uint32_t>(width));
    out.U32(static_cast<std::uint32_t>(headerHeight));
    out.U16(1);
    out.U16(static_cast<unsigned>(bitCount));
    out.U32(0); // BI_RGB
    out.U32(imageBytes);
    out.U32(0);
    out.U32(0);
    out.U32(static_cast<std::uint32_t>(colours));
    out.U32(0);
    for (int i = 0; i < colours; ++i) {
        out.U8(rgbTable[3 * i + 2]);
        out.U8(rgbTable[3 * i + 1]);
        out.U8(rgbTable[3 * i]);
        out.U8(0);
    }
    const int rowBytes = RowBytes(width, bitCount);
    for (int row = height - 1; row >= 0; --row) {
        std::vector<std::uint8_t> line(static_cast<std::size_t>(rowBytes), 0);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t v = indices[static_cast<std::size_t>(row) * width + x];
            if (bitCount == 8) {
                line[x] = v;
            } else {
                line[x / 2] |= static_cast<std::uint8_t>((x % 2 == 0) ? (v & 15) << 4 : (v & 15));
            }
        }
        for (std::uint8_t b : line) {
            out.U8(b);
        }
    }
}

std::vector<std::uint8_t> StandardTable() {
    std::vector<std::uint8_t> table;
    for (const auto& c : kStandard) {
        table.push_back(c[0]);
        table.push_back(c[1]);
        table.push_back(c[2]);
    }
    return table;
}

std::vector<std::uint8_t> EncodeIcon() {
    const int sizes[2] = {32, 16};
    std::vector<std::uint8_t> images[2];
    for (int k = 0; k < 2; ++k) {
        const int n = sizes[k];
        const std::uint32_t xorBytes = static_cast<std::uint32_t>(RowBytes(n, 4) * n);
        const std::uint32_t andBytes = static_cast<std::uint32_t>(RowBytes(n, 1) * n);
        Bytes image;
        PutDib(image, n, n, 2 * n, 4, CIconPainter::Paint(n), StandardTable(), xorBytes + andBytes);
        for (std::uint32_t i = 0; i < andBytes; ++i) {
            image.U8(0); // the whole square is opaque
        }
        images[k] = image.Data();
    }
    Bytes out;
    out.U16(0); // reserved
    out.U16(1); // icon
    out.U16(2); // images
    std::uint32_t offset = 6 + 2 * 16;
    for (int k = 0; k < 2; ++k) {
        out.U8(static_cast<unsigned>(sizes[k]));
        out.U8(static_cast<unsigned>(sizes[k]));
        out.U8(16); // colours
        out.U8(0);
        out.U16(1); // planes
        out.U16(4); // bits per pixel
        out.U32(static_cast<std::uint32_t>(images[k].size()));
        out.U32(offset);
        offset += static_cast<std::uint32_t>(images[k].size());
    }
    for (const auto& image : images) {
        out.Data().insert(out.Data().end(), image.begin(), image.end());
    }
    return out.Data();
}

// Big-endian fields and the checksums of the PNG format.
void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::vector<std::uint8_t>& data) {
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type,
              const std::vector<std::uint8_t>& data) {
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBe32(out, Crc32(out.data() + start, out.size() - start));
}

} // namespace

std::vector<std::uint8_t> CArtWriter::EncodePng(int width, int height,
                                                const std::vector<std::uint8_t>& indices,
                                                const std::vector<std::uint8_t>& rgbTable) {
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBe32(header, static_cast<std::uint32_t>(width));
    PutBe32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {4, 3, 0, 0, 0}); // 4-bit indices, no interlacing
    PutChunk(out, "IHDR", header);
    PutChunk(out, "PLTE", rgbTable);
    // Each row: filter type 0, then two pixels a byte, the left one in the high half.
    std::vector<std::uint8_t> raw;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 1) / 2;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const std::size_t start = raw.size();
        raw.resize(start + rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t v = indices[static_cast<std::size_t>(y) * width + x] & 15;
            raw[start + x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? v << 4 : v);
        }
    }
    // A zlib stream of stored blocks: the bytes never depend on a compressor's version.
    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        const bool last = at + n == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<std::uint8_t>(n & 0xFF));
        zlib.push_back(static_cast<std::uint8_t>(n >> 8));
        zlib.push_back(static_cast<std::uint8_t>(~n & 0xFF));
        zlib.push_back(static_cast<std::uint8_t>((~n >> 8) & 0xFF));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                    raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < raw.size());
    PutBe32(zlib, Adler32(raw));
    PutChunk(out, "IDAT", zlib);
    PutChunk(out, "IEND", {});
    return out;
}

namespace {

std::vector<std::uint8_t> EncodePalette(const CTexturePalette& palette) {
    Bytes out;
    out.Text("RIFF");
    out.U32(4 + 8 + 4 + 256 * 4); // form type, chunk header, version and count, entries
    out.Text("PAL ");
    out.Text("data");
    out.U32(4 + 256 * 4);
    out.U16(0x0300);
    out.U16(256);
    for (const ArtColour& c : palette.Table()) {
        out.U8(c.r);
        out.U8(c.g);
        out.U8(c.b);
        out.U8(0);
    }
    return out.Data();
}

} // namespace

const std::uint8_t (&CArtWriter::StandardColours())[16][3] {
    return kStandard;
}

std::vector<std::uint8_t> CArtWriter::EncodeBitmap(int width, int height, int bitCount,
                                                   const std::vector<std::uint8_t>& indices,
                                                   const std::vector<std::uint8_t>& rgbTable) {
    const std::uint32_t imageBytes = static_cast<std::uint32_t>(RowBytes(width, bitCount) * height);
    const std::uint32_t offBits = 14 + 40 + static_cast<std::uint32_t>(rgbTable.size() / 3) * 4;
    Bytes out;
    out.Text("BM");
    out.U32(offBits + imageBytes);
    out.U16(0);
    out.U16(0);
    out.U32(offBits);
    PutDib(out, width, height, height, bitCount, indices, rgbTable, imageBytes);
    return out.Data();
}

std::vector<ArtFile> CArtWriter::GenerateAll() {
    std::vector<ArtFile> files;
    for (int id = 129; id <= 131; ++id) {
        files.push_back(
            {std::to_string(id) + ".bmp", EncodeBitmap(CPadPainter::kSize, CPadPainter::kSize, 4,
                                                       CPadPainter::Paint(id), StandardTable())});
    }
    const CTexturePalette palette;
    std::vector<std::uint8_t> table;
    for (const ArtColour& c : palette.Table()) {
        table.push_back(c.r);
        table.push_back(c.g);
        table.push_back(c.b);
    }
    const CTexturePainter painter(palette);
    for (int id = 132; id <= 138; ++id) {
        files.push_back({std::to_string(id) + ".bmp",
                         EncodeBitmap(CTexturePainter::kSize, CTexturePainter::kSize, 8,
                                      painter.Paint(id), table)});
    }
    files.push_back({"dorvane.ico", EncodeIcon()});
    // The desktop's theme icons: the icon file's two pictures and larger ones of the same
    // scene, each drawn at its size.
    for (int size : kThemeIconSizes) {
        files.push_back({"dorvane-" + std::to_string(size) + ".png",
                         EncodePng(size, size, CIconPainter::Paint(size), StandardTable())});
    }
    files.push_back({"pelds.pal", EncodePalette(palette)});
    // The pads' legend for the README, from the pad pictures above.
    files.push_back({"pads-legend.png", EncodePng(CLegendPainter::kWidth, CLegendPainter::kHeight,
                                                  CLegendPainter::Paint(), StandardTable())});
    return files;
}

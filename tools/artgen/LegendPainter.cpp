#include "tools/artgen/LegendPainter.h"

#include <cctype>
#include <cstring>
#include <string>

#include "app/PadCommands.h"
#include "tools/artgen/PadPainter.h"
#include "tools/artgen/StandardColours.h"

namespace {

// A 5 x 7 face for the key names, one byte a row, the leftmost pixel in bit 4.
struct Glyph {
    char c;
    std::uint8_t rows[7];
};
const Glyph kFace[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {' ', {0, 0, 0, 0, 0, 0, 0}},
};
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kAdvance = kGlyphWidth + 1;

const Glyph* Find(char c) {
    for (const Glyph& g : kFace) {
        if (g.c == c) {
            return &g;
        }
    }
    return nullptr;
}

class Canvas {
public:
    Canvas()
        : m_pixels(static_cast<size_t>(CLegendPainter::kWidth) * CLegendPainter::kHeight,
                   standard::kWhite) {}

    void Set(int x, int y, std::uint8_t colour) {
        if (x >= 0 && y >= 0 && x < CLegendPainter::kWidth && y < CLegendPainter::kHeight) {
            m_pixels[static_cast<size_t>(y) * CLegendPainter::kWidth + x] = colour;
        }
    }
    void Fill(int left, int top, int width, int height, std::uint8_t colour) {
        for (int y = top; y < top + height; ++y) {
            for (int x = left; x < left + width; ++x) {
                Set(x, y, colour);
            }
        }
    }
    // Text centred on a column, its top at y.
    void Text(const std::string& text, int centreX, int y) {
        const int width = static_cast<int>(text.size()) * kAdvance - 1;
        int x = centreX - width / 2;
        for (char c : text) {
            if (const Glyph* g = Find(c)) {
                for (int row = 0; row < kGlyphHeight; ++row) {
                    for (int col = 0; col < kGlyphWidth; ++col) {
                        if (g->rows[row] & (0x10 >> col)) {
                            Set(x + col, y + row, standard::kBlack);
                        }
                    }
                }
            }
            x += kAdvance;
        }
    }
    std::vector<std::uint8_t> Take() { return std::move(m_pixels); }

private:
    std::vector<std::uint8_t> m_pixels;
};

} // namespace

std::vector<std::uint8_t> CLegendPainter::Paint() {
    Canvas canvas;
    constexpr int kIcon = 16; // a cell of a pad picture
    for (int pad = 0; pad < 3; ++pad) {
        const std::vector<std::uint8_t> picture = CPadPainter::Paint(129 + pad);
        const int padLeft = kPadGap + pad * (3 * kCellWidth + kPadGap);
        const int padTop = kPadGap;
        canvas.Fill(padLeft, padTop, 3 * kCellWidth, 3 * kCellHeight, standard::kLightGrey);
        for (int cell = 0; cell < 9; ++cell) {
            const int column = cell % 3;
            const int row = cell / 3;
            const int left = padLeft + column * kCellWidth;
            const int top = padTop + row * kCellHeight;
            // The icon inside the pad picture's grid lines, enlarged.
            const int iconLeft = left + (kCellWidth - (kIcon - 1) * kScale) / 2;
            const int iconTop = top + 4;
            for (int y = 0; y < kIcon - 1; ++y) {
                for (int x = 0; x < kIcon - 1; ++x) {
                    const int px = column * kIcon + x + (column > 0 ? 1 : 0);
                    const int py = row * kIcon + y + (row > 0 ? 1 : 0);
                    if (px >= CPadPainter::kSize || py >= CPadPainter::kSize) {
                        continue;
                    }
                    const std::uint8_t colour =
                        picture[static_cast<size_t>(py) * CPadPainter::kSize + px];
                    canvas.Fill(iconLeft + x * kScale, iconTop + y * kScale, kScale, kScale,
                                colour);
                }
            }
            if (const PadCommandInfo* command = FindPadCommand(pad * 100 + cell)) {
                std::string key = command->key;
                for (char& c : key) {
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                }
                canvas.Text(key, left + kCellWidth / 2, top + kCellHeight - kGlyphHeight - 5);
            }
        }
        // The grid: the pad's edge and the lines between its cells.
        for (int i = 0; i <= 3; ++i) {
            canvas.Fill(padLeft + i * kCellWidth - (i == 3 ? 1 : 0), padTop, 1, 3 * kCellHeight,
                        standard::kBlack);
            canvas.Fill(padLeft, padTop + i * kCellHeight - (i == 3 ? 1 : 0), 3 * kCellWidth, 1,
                        standard::kBlack);
        }
    }
    return canvas.Take();
}

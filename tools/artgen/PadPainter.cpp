#include "tools/artgen/PadPainter.h"

#include "tools/artgen/StandardColours.h"

#include <cstring>

namespace {

using namespace standard;

constexpr int kIcon = 13; // icons are 13 x 13, two pixels right of and below each grid line

using Icon = const char* const[kIcon];

// '#' black, 'W' white, 'R' red, 'G' green, 'B' blue, 'M' magenta, anything else background.
constexpr Icon kArrowDown = {"....#####....", "....#...#....", "....#...#....", "....#...#....",
                             "....#...#....", "....#...#....", ".####...####.", "..#.......#..",
                             "...#.....#...", "....#...#....", ".....#.#.....", "......#......",
                             "............."};
constexpr Icon kTriangleUp = {".............", ".............", ".............", "......#......",
                              ".....###.....", "....#####....", "...#######...", "..#########..",
                              ".###########.", ".............", ".............", ".............",
                              "............."};
constexpr Icon kTriangleLeft = {".............", ".......#.....", "......##.....", ".....###.....",
                                "....####.....", "...#####.....", "..######.....", "...#####.....",
                                "....####.....", ".....###.....", "......##.....", ".......#.....",
                                "............."};
constexpr Icon kCircularArrow = {".............", "....#####.#..", "...##...####.", "..##.....###.",
                                 "..#.....####.", ".##..........", ".##.......##.", ".##.......##.",
                                 "..#.......#..", "..##.....##..", "...##...##...", "....#####....",
                                 "............."};
constexpr Icon kZoomOut = {"..#####......", ".#WWWWW#.....", "#WWWWWWW#....", "#WWWWWWW#....",
                           "#W#####W#....", "#WWWWWWW#....", "#WWWWWWW#....", ".#WWWWW#.....",
                           "..#####.#....", ".......###...", "........###..", ".........###.",
                           "..........##."};
constexpr Icon kZoomIn = {"..#####......", ".#WWWWW#.....", "#WWW#WWW#....", "#WWW#WWW#....",
                          "#W#####W#....", "#WWW#WWW#....", "#WWW#WWW#....", ".#WWWWW#.....",
                          "..#####.#....", ".......###...", "........###..", ".........###.",
                          "..........##."};
constexpr Icon kLettersSh = {".............", ".............", "..###.#......", ".#...##......",
                             ".#....#......", "..##..####...", "....#.#...#..", ".....##...#..",
                             ".#...##...#..", "..###.#...#..", ".............", ".............",
                             "............."};
constexpr Icon kWideningUp = {"......#......", ".....#.#.....", "....#...#....", "...#.....#...",
                              "..#.......#..", ".####...####.", "....#...#....", "...#.....#...",
                              "...#.....#...", "..#.......#..", "..#.......#..", ".#.........#.",
                              ".###########."};
constexpr Icon kLetterF = {".............", "...#######...", "...#######...", "...##........",
                           "...##........", "...######....", "...######....", "...##........",
                           "...##........", "...##........", "...##........", ".............",
                           "............."};
constexpr Icon kBentLeft = {".............", "....#........", "...##........", "..#.#######..",
                            ".#.........#.", "..#.######..#", "...##.....#.#", "....#.....#.#",
                            "..........#.#", "..........#.#", "..........#.#", "..........###",
                            "............."};
constexpr Icon kLetterT = {".............", "..#########..", "..#########..", "......##.....",
                           "......##.....", "......##.....", "......##.....", "......##.....",
                           "......##.....", "......##.....", "......##.....", ".............",
                           "............."};
constexpr Icon kColours = {".............", ".##########..", ".#...........", ".#.RRRRGGGG..",
                           ".#.RRRRGGGG..", ".#.RRRRGGGG..", ".#.RRRRGGGG..", ".#.BBBBMMMM..",
                           ".#.BBBBMMMM..", ".#.BBBBMMMM..", ".#.BBBBMMMM..", ".#...........",
                           ".##########.."};
constexpr Icon kLattice = {"......#......", ".....#.#.....", "....#.#.#....", "...#.#.#.#...",
                           "..#.#...#.#..", ".#.#.#.#.#.#.", "#.#...#...#.#", ".#.#.#.#.#.#.",
                           "..#.#...#.#..", "...#.#.#.#...", "....#.#.#....", ".....#.#.....",
                           "......#......"};
constexpr Icon kDetail = {".............", ".............", ".............", ".#..#...#..#.",
                          ".#..#...#..#.", ".#..#...#..#.", "#############", "#############",
                          "##.........##", "##.........##", "##.........##", ".............",
                          "............."};

enum class Flip { None, Vertical, Horizontal };

class Pad {
public:
    Pad() : m_pixels(CPadPainter::kSize * CPadPainter::kSize, kLightGrey) {
        for (int i = 0; i < CPadPainter::kSize; ++i) {
            for (int line : {16, 32}) {
                Put(line, i, kBlack);
                Put(i, line, kBlack);
            }
        }
    }

    // Draws an icon into cell 0-8, as it is or mirrored.
    void Draw(int cell, const Icon& icon, Flip flip = Flip::None) {
        const int x0 = 16 * (cell % 3) + 2;
        const int y0 = 16 * (cell / 3) + 2;
        for (int y = 0; y < kIcon; ++y) {
            for (int x = 0; x < kIcon; ++x) {
                int sx = x;
                int sy = y;
                switch (flip) {
                case Flip::Vertical:
                    sy = kIcon - 1 - y;
                    break;
                case Flip::Horizontal:
                    sx = kIcon - 1 - x;
                    break;
                case Flip::None:
                    break;
                }
                const char ch = icon[sy][sx];
                std::uint8_t colour = kLightGrey;
                switch (ch) {
                case '#':
                    colour = kBlack;
                    break;
                case 'W':
                    colour = kWhite;
                    break;
                case 'R':
                    colour = kRed;
                    break;
                case 'G':
                    colour = kGreen;
                    break;
                case 'B':
                    colour = kBlue;
                    break;
                case 'M':
                    colour = kMagenta;
                    break;
                default:
                    continue;
                }
                Put(x0 + x, y0 + y, colour);
            }
        }
    }

    std::vector<std::uint8_t> Pixels() const { return m_pixels; }

private:
    void Put(int x, int y, std::uint8_t c) { m_pixels[y * CPadPainter::kSize + x] = c; }
    std::vector<std::uint8_t> m_pixels;
};

} // namespace

std::vector<std::uint8_t> CPadPainter::Paint(int id) {
    Pad pad;
    switch (id) {
    case 129: // moves, altitude, fly-through, zoom
        pad.Draw(0, kArrowDown);
        pad.Draw(1, kTriangleUp);
        pad.Draw(2, kArrowDown, Flip::Vertical);
        pad.Draw(3, kTriangleLeft);
        pad.Draw(4, kCircularArrow);
        pad.Draw(5, kTriangleLeft, Flip::Horizontal);
        pad.Draw(6, kZoomOut);
        pad.Draw(7, kTriangleUp, Flip::Vertical);
        pad.Draw(8, kZoomIn);
        break;
    case 130: // render settings, terrain, heading, horizon, colours
        pad.Draw(0, kLettersSh);
        pad.Draw(1, kWideningUp);
        pad.Draw(2, kLetterF);
        pad.Draw(3, kBentLeft);
        pad.Draw(4, kLattice);
        pad.Draw(5, kBentLeft, Flip::Horizontal);
        pad.Draw(6, kLetterT);
        pad.Draw(7, kWideningUp, Flip::Vertical);
        pad.Draw(8, kColours);
        break;
    case 131: // sub-cell detail; the other cells are empty
        pad.Draw(0, kDetail);
        break;
    default:
        return {};
    }
    return pad.Pixels();
}

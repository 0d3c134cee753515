// dorvane-glyphs OUT.cpp: asks the desktop's own font catalogue and faces (fontconfig and
// FreeType) for every font the program draws with, and writes what they answer (the face each
// family resolves to, its metrics, and the crisp glyphs of the Western letters) as the tables
// of platform/host/web/BakedFonts.h, for the browser build to draw the same pixels.
#include <windows.h>

#include "res/DataResources.h"
#include "host/web/BakedFonts.h"
#include "win32/FontCatalog.h"
#include "win32/FontFace.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <initializer_list>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Request {
    std::string family;
    LONG height; // as a LOGFONT's: negative a character height, positive a cell height
    int weight;
    bool italic;
};

// The fonts the program draws with: the stock fonts, and the dialog templates' font, which
// menus use too.
std::vector<Request> Requests() {
    std::vector<Request> requests;
    for (int stock : {DEFAULT_GUI_FONT, ANSI_VAR_FONT, SYSTEM_FONT}) {
        LOGFONT lf = {};
        if (GetObject(GetStockObject(stock), sizeof lf, &lf) == sizeof lf) {
            requests.push_back(
                {lf.lfFaceName, lf.lfHeight, static_cast<int>(lf.lfWeight), lf.lfItalic != 0});
        }
    }
    for (const DvDialogTemplate* dialog : {&g_aboutBoxTemplate, &g_terrainDialogTemplate}) {
        const LONG height = -MulDiv(dialog->pointSize, USER_DEFAULT_SCREEN_DPI, 72);
        requests.push_back({dialog->faceName, height, FW_NORMAL, false});
    }
    return requests;
}

// The letters baked: printable ASCII and Latin-1, which hold every text of the program.
std::vector<char32_t> Letters() {
    std::vector<char32_t> letters;
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        letters.push_back(c);
    }
    for (char32_t c = 0xA0; c <= 0xFF; ++c) {
        letters.push_back(c);
    }
    return letters;
}

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

// An initialiser of fields, "{a, b, c}". Built by appending: GCC 12 at -O3 (a Release build)
// warns, wrongly, with -Wrestrict about `"{" + std::string` there.
std::string Braced(std::initializer_list<std::string> fields) {
    std::string out = "{";
    for (const std::string& field : fields) {
        if (out.size() > 1) {
            out += ", ";
        }
        out += field;
    }
    out += '}';
    return out;
}

std::string FileFields(const FontFile& file) {
    return Quoted(file.m_path) + ", " + std::to_string(file.m_nIndex) + ", " +
           (file.m_bEmbolden ? "true" : "false");
}

class CWriter {
public:
    explicit CWriter(std::FILE* out) : m_out(out) {}

    // Appends a glyph's ink to the face's bits and returns its table entry.
    std::string Glyph(char32_t code, const CGlyph& glyph, std::vector<std::uint8_t>& bits,
                      std::size_t& bitCount) {
        const std::size_t offset = bitCount;
        for (BYTE ink : glyph.m_ink) {
            if (bitCount % 8 == 0) {
                bits.push_back(0);
            }
            if (ink != 0) {
                bits.back() |= static_cast<std::uint8_t>(0x80 >> (bitCount % 8));
            }
            ++bitCount;
        }
        char line[160];
        std::snprintf(line, sizeof line, "{0x%X, %d, %d, %d, %d, %d, %zu}",
                      static_cast<unsigned>(code), glyph.m_nLeft, glyph.m_nTop, glyph.m_nWidth,
                      glyph.m_nHeight, glyph.m_nAdvance, offset);
        return line;
    }

    void Face(int number, const FontFile& file, int em, CFontFace& face) {
        std::vector<std::uint8_t> bits;
        std::size_t bitCount = 0;
        std::vector<std::string> glyphs;
        const std::vector<char32_t> letters = Letters();
        for (char32_t code : letters) {
            glyphs.push_back(Glyph(code, face.Glyph(code), bits, bitCount));
        }
        // A private-use code point that no face maps: the face's own missing-letter glyph.
        const std::string missing = Glyph(0, face.Glyph(0xF8FF), bits, bitCount);
        std::fprintf(m_out, "const DvBakedGlyph kGlyphs%d[] = {\n", number);
        for (const std::string& glyph : glyphs) {
            std::fprintf(m_out, "    %s,\n", glyph.c_str());
        }
        std::fprintf(m_out, "};\nconst std::uint8_t kInk%d[] = {", number);
        for (std::size_t i = 0; i < bits.size(); ++i) {
            std::fprintf(m_out, "%s0x%02X,", i % 16 == 0 ? "\n    " : " ", bits[i]);
        }
        std::fprintf(m_out, "0};\n\n");
        char metrics[256];
        std::snprintf(metrics, sizeof metrics, "%d, %d, %d, %d, %d, %d, %d, %d, %d", em,
                      face.Ascent(), face.Descent(), face.ExternalLeading(), face.AveCharWidth(),
                      face.MaxCharWidth(), face.UnderlineOffset(), face.UnderlineThickness(),
                      face.StrikeOffset());
        m_faces.push_back(
            Braced({FileFields(file), metrics, "kGlyphs" + std::to_string(number),
                    std::to_string(letters.size()), missing, "kInk" + std::to_string(number)}));
    }

    std::vector<std::string> m_faces;

private:
    std::FILE* m_out;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dorvane-glyphs OUT.cpp\n");
        return 2;
    }
    CFontCatalog& catalog = CFontCatalog::Instance();
    std::vector<std::string> matches;
    std::set<std::pair<FontFile, int>> faces;
    std::set<std::tuple<FontFile, int, int>> cells;
    for (const Request& request : Requests()) {
        const int weight = request.weight <= 0 ? 400 : request.weight;
        const FontFile& file = catalog.Find(request.family.c_str(), weight, request.italic);
        if (file.m_path.empty()) {
            std::fprintf(stderr, "dorvane-glyphs: no face for %s\n", request.family.c_str());
            return 1;
        }
        matches.push_back(
            Braced({Quoted(Lower(CFontCatalog::SystemFamily(request.family.c_str()))),
                    std::to_string(weight), request.italic ? "true" : "false", FileFields(file)}));
        if (request.height > 0) {
            const int em = CFontFace::EmForCellHeight(file, request.height);
            cells.insert({file, static_cast<int>(request.height), em});
            faces.insert({file, em});
        } else {
            faces.insert({file, request.height < 0 ? static_cast<int>(-request.height) : 11});
        }
    }

    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::fprintf(stderr, "dorvane-glyphs: cannot write %s\n", argv[1]);
        return 1;
    }
    std::fprintf(out, "// Written by dorvane-glyphs from the desktop's fonts; not edited by hand.\n"
                      "#include \"host/web/BakedFonts.h\"\n\nnamespace {\n\n");
    CWriter writer(out);
    int number = 0;
    for (const auto& [file, em] : faces) {
        CFontFace* face = CFontFace::Get(file, em);
        if (face == nullptr) {
            std::fprintf(stderr, "dorvane-glyphs: cannot open %s\n", file.m_path.c_str());
            std::fclose(out);
            return 1;
        }
        writer.Face(number++, file, em, *face);
    }
    std::fprintf(out, "const DvBakedMatch kMatches[] = {\n");
    for (const std::string& match : matches) {
        std::fprintf(out, "    %s,\n", match.c_str());
    }
    std::fprintf(out, "};\nconst DvBakedFace kFaces[] = {\n");
    for (const std::string& face : writer.m_faces) {
        std::fprintf(out, "    %s,\n", face.c_str());
    }
    std::fprintf(out, "};\nconst DvBakedCellHeight kCells[] = {\n");
    for (const auto& [file, cell, em] : cells) {
        std::fprintf(out, "    {%s, %d, %d},\n", FileFields(file).c_str(), cell, em);
    }
    std::fprintf(out, "    {\"\", 0, false, 0, 0}};\n\n} // namespace\n\n"
                      "const DvBakedFonts g_dvBakedFonts = {\n"
                      "    kMatches, static_cast<int>(sizeof kMatches / sizeof kMatches[0]),\n"
                      "    kFaces, static_cast<int>(sizeof kFaces / sizeof kFaces[0]),\n"
                      "    kCells, static_cast<int>(sizeof kCells / sizeof kCells[0]) - 1};\n");
    const bool written = std::ferror(out) == 0;
    return std::fclose(out) == 0 && written ? 0 : 1;
}

// dorvane-rc RESDIR OUTDIR: writes OUTDIR/dorvane.rc, the resource script of the Windows build,
// and OUTDIR/dorvane.ico, the icon it names. Everything comes from res/ as the desktop build
// has it: the dialog templates and strings from their data, the bitmaps from RESDIR's art files,
// the icon from dorvane.ico (16 and 32 pixels) with the larger pictures of the desktop package
// (RESDIR/dorvane-N.png, N of 48 and more) added as PNG entries. Files are rewritten only when
// they change, so the build does not compile the script again for nothing.
#include <windows.h>

#include "res/DataResources.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// A string literal of the resource compiler: quotes doubled, backslashes and line breaks
// escaped.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') {
            out += "\"\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// File names in the script are written with forward slashes, which windres takes as they are.
std::string PathLiteral(const fs::path& path) {
    return Quoted(path.generic_string());
}

void WriteDialog(std::ostream& out, int id, const DvDialogTemplate& dialog) {
    out << id << " DIALOGEX " << dialog.x << ", " << dialog.y << ", " << dialog.cx << ", "
        << dialog.cy << "\n";
    out << "STYLE " << Hex(dialog.style) << "\n";
    out << "EXSTYLE " << Hex(dialog.exStyle) << "\n";
    if (dialog.caption != nullptr) {
        out << "CAPTION " << Quoted(dialog.caption) << "\n";
    }
    if (dialog.style & DS_SETFONT) {
        out << "FONT " << dialog.pointSize << ", " << Quoted(dialog.faceName) << "\n";
    }
    out << "BEGIN\n";
    for (int i = 0; i < dialog.itemCount; ++i) {
        const DvDialogItem& item = dialog.items[i];
        // A picture static's text is its image's resource number.
        const std::string text =
            item.nImageId != 0 ? std::to_string(item.nImageId) : Quoted(item.text ? item.text : "");
        // The compiler adds WS_CHILD and WS_VISIBLE to a control's style unless told not to.
        std::string style = Hex(item.style);
        if (!(item.style & WS_VISIBLE)) {
            style += " | NOT WS_VISIBLE";
        }
        out << "    CONTROL " << text << ", " << item.id << ", " << Quoted(item.className) << ", "
            << style << ", " << item.x << ", " << item.y << ", " << item.cx << ", " << item.cy
            << ", " << Hex(item.exStyle) << "\n";
    }
    out << "END\n\n";
}

// An accelerator table from its entries as the resource holds them (flags, key, command); the
// compiler marks the last entry itself.
void WriteAccelerators(std::ostream& out, int id, const unsigned short (*entries)[4],
                       std::size_t count) {
    out << id << " ACCELERATORS\nBEGIN\n";
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned flags = entries[i][0];
        out << "    " << entries[i][1] << ", " << entries[i][2];
        out << ((flags & FVIRTKEY) ? ", VIRTKEY" : ", ASCII");
        if (flags & FNOINVERT) {
            out << ", NOINVERT";
        }
        if (flags & FSHIFT) {
            out << ", SHIFT";
        }
        if (flags & FCONTROL) {
            out << ", CONTROL";
        }
        if (flags & FALT) {
            out << ", ALT";
        }
        out << "\n";
    }
    out << "END\n";
}

std::vector<unsigned char> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Word32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint32_t BigWord32(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
void Put16(std::vector<unsigned char>& out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

struct IconImage {
    int size; // pixels on a side
    int bitCount;
    std::vector<unsigned char> data;
};

// The icon file of the Windows build: dorvane.ico's own pictures, then the larger PNG ones.
bool BuildIcon(const fs::path& resDir, std::vector<unsigned char>& out, std::string& error) {
    std::vector<IconImage> images;
    const std::vector<unsigned char> ico = ReadFile(resDir / "dorvane.ico");
    if (ico.size() < 6 || ico[2] != 1 || ico[3] != 0) {
        error = "dorvane.ico is not an icon file";
        return false;
    }
    const unsigned count = ico[4] | (ico[5] << 8);
    if (ico.size() < 6 + 16 * static_cast<std::size_t>(count)) {
        error = "dorvane.ico is cut short";
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        const unsigned char* entry = ico.data() + 6 + 16 * i;
        const std::uint32_t bytes = Word32(entry + 8);
        const std::uint32_t offset = Word32(entry + 12);
        if (offset > ico.size() || bytes > ico.size() - offset) {
            error = "dorvane.ico is cut short";
            return false;
        }
        images.push_back({entry[0] == 0 ? 256 : entry[0],
                          entry[6] | (entry[7] << 8),
                          {ico.begin() + offset, ico.begin() + offset + bytes}});
    }
    for (const auto& file : fs::directory_iterator(resDir)) {
        int size = 0;
        if (std::sscanf(file.path().filename().string().c_str(), "dorvane-%d.png", &size) != 1 ||
            file.path().extension() != ".png" || size < 48 || size > 256) {
            continue;
        }
        std::vector<unsigned char> png = ReadFile(file.path());
        // The signature and the header chunk: width and height must be the name's size.
        if (png.size() < 24 || png[1] != 'P' ||
            BigWord32(png.data() + 16) != static_cast<std::uint32_t>(size) ||
            BigWord32(png.data() + 20) != static_cast<std::uint32_t>(size)) {
            error = file.path().filename().string() + " is not a " + std::to_string(size) +
                    "-pixel PNG picture";
            return false;
        }
        images.push_back({size, 32, std::move(png)});
    }
    std::sort(images.begin(), images.end(),
              [](const IconImage& a, const IconImage& b) { return a.size < b.size; });
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const IconImage& image : images) {
        out.push_back(image.size >= 256 ? 0 : image.size);
        out.push_back(image.size >= 256 ? 0 : image.size);
        out.push_back(0); // colours: 0 for pictures of more than 256
        out.push_back(0);
        Put16(out, 1); // planes
        Put16(out, static_cast<unsigned>(image.bitCount));
        Put32(out, static_cast<std::uint32_t>(image.data.size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(image.data.size());
    }
    for (const IconImage& image : images) {
        out.insert(out.end(), image.data.begin(), image.data.end());
    }
    return true;
}

bool WriteIfChanged(const fs::path& path, const std::string& content) {
    std::ifstream in(path, std::ios::binary);
    const std::string old((std::istreambuf_iterator<char>(in)), {});
    if (in.is_open() && old == content) {
        return true;
    }
    in.close();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dorvane-rc RESDIR OUTDIR\n");
        return 2;
    }
    const fs::path resDir = fs::absolute(argv[1]);
    const fs::path outDir = fs::absolute(argv[2]);

    std::vector<unsigned char> icon;
    std::string error;
    if (!BuildIcon(resDir, icon, error)) {
        std::fprintf(stderr, "dorvane-rc: %s\n", error.c_str());
        return 1;
    }

    std::ostringstream rc;
    rc << "// Written by dorvane-rc from res/. Do not edit.\n\n";
    rc << "#define WS_VISIBLE 0x10000000\n\n";
    rc << IDR_MAINFRAME << " ICON " << PathLiteral(outDir / "dorvane.ico") << "\n\n";
    for (int id = IDB_PAD1; id <= IDB_GRASS; ++id) {
        const fs::path bitmap = resDir / (std::to_string(id) + ".bmp");
        if (!fs::exists(bitmap)) {
            std::fprintf(stderr, "dorvane-rc: %s is missing\n", bitmap.string().c_str());
            return 1;
        }
        rc << id << " BITMAP " << PathLiteral(bitmap) << "\n";
    }
    rc << "\n";
    WriteDialog(rc, IDD_ABOUTBOX, g_aboutBoxTemplate);
    WriteDialog(rc, IDD_TERRAIN_DIALOG, g_terrainDialogTemplate);
    rc << "STRINGTABLE\nBEGIN\n";
    rc << "    " << IDS_ABOUTBOX << ", " << Quoted(std::string(g_szAboutBox, g_cchAboutBox))
       << "\n";
    rc << "    " << IDP_SOCKETS_INIT_FAILED << ", "
       << Quoted(std::string(g_szSocketsInitFailed, g_cchSocketsInitFailed)) << "\n";
    rc << "END\n\n";
    WriteAccelerators(rc, IDR_MAINFRAME, g_mainFrameAccelerators,
                      g_cbMainFrameAccelerators / sizeof g_mainFrameAccelerators[0]);

    fs::create_directories(outDir);
    if (!WriteIfChanged(outDir / "dorvane.ico", std::string(icon.begin(), icon.end())) ||
        !WriteIfChanged(outDir / "dorvane.rc", rc.str())) {
        std::fprintf(stderr, "dorvane-rc: cannot write into %s\n", outDir.string().c_str());
        return 1;
    }
    return 0;
}

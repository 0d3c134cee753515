// The palette file: the input becomes pelds.pal beside this executable and the dialog's own
// reader loads it from there, as the viewer does at start. A file of more than 1024 bytes gives
// the 256 four-byte entries from byte 24 on (bytes past the end of a short file read as 0); any
// other file gives no palette.
#include "FuzzSupport.h"

#include <cstring>
#include <string>

#include "app/TerrainDlg.h"
#include "gfx/DIB.h"
#include "gfx/Palette.h"

namespace {

std::string PalettePath() {
    char path[4096] = {};
    GetModuleFileName(nullptr, path, sizeof path);
    std::string file(path);
    const std::size_t slash = file.rfind('/');
    return file.substr(0, slash == std::string::npos ? 0 : slash + 1) + "pelds.pal";
}

void Forget() {
    g_palette.DeleteObject();
    g_pPalette = nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace dorvane_fuzz;
    static const std::string path = PalettePath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    Check(file != nullptr, "the palette file can be written");
    Check(std::fwrite(data, 1, size, file) == size, "the palette file is written whole");
    std::fclose(file);

    Forget();
    GdiObjectsSince objects;
    CTerrainDlg::LoadPalette();

    if (size <= 1024) {
        Check(g_pPalette == nullptr, "a file of 1024 bytes or fewer gives no palette");
    } else {
        Check(g_pPalette == &g_palette, "a file of more than 1024 bytes gives a palette");
        Check(g_palette.GetEntryCount() == 256, "the palette has 256 entries");
        BYTE stored[1024] = {};
        std::memcpy(stored, data + 24, std::min<size_t>(size - 24, sizeof stored));
        PALETTEENTRY entries[256];
        Check(g_palette.GetPaletteEntries(0, 256, entries) == 256, "all 256 entries read back");
        Check(std::memcmp(entries, stored, sizeof stored) == 0,
              "the entries are the file's, flags included");

        // A surface made with it takes its colours, without the flags.
        CDIB dib;
        Check(dib.Create(3, 2, 7, g_pPalette) == 1, "a surface is made with the palette");
        const RGBQUAD* table = dib.m_pBMI->bmiColors;
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD want = {stored[4 * i + 2], stored[4 * i + 1], stored[4 * i], 0};
            Check(std::memcmp(&table[i], &want, sizeof want) == 0, "the surface's colours");
        }
    }
    Forget();
    Check(objects.Alive() == 0, "no GDI object outlives the palette");
    return 0;
}

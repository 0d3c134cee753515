#include <gtest/gtest.h>

#include "app/TerrainDlg.h"
#include "gfx/Palette.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A RIFF palette of 256 entries whose entry i is (i, 255 - i, i * 7, flags), then filler.
std::vector<unsigned char> PaletteFile(std::size_t size, WORD count = 256,
                                       unsigned char filler = 0xAB) {
    std::vector<unsigned char> bytes(size, filler);
    const unsigned char header[24] = {'R',
                                      'I',
                                      'F',
                                      'F',
                                      0x14,
                                      0x04,
                                      0,
                                      0,
                                      'P',
                                      'A',
                                      'L',
                                      ' ',
                                      'd',
                                      'a',
                                      't',
                                      'a',
                                      0x04,
                                      0x04,
                                      0,
                                      0,
                                      0x00,
                                      0x03,
                                      static_cast<unsigned char>(count & 0xFF),
                                      static_cast<unsigned char>(count >> 8)};
    if (size > 0) {
        std::memcpy(bytes.data(), header, std::min(size, sizeof header));
    }
    for (std::size_t i = 0; i < 256; ++i) {
        const unsigned char entry[4] = {static_cast<unsigned char>(i),
                                        static_cast<unsigned char>(255 - i),
                                        static_cast<unsigned char>(i * 7),
                                        static_cast<unsigned char>(i % 3 == 0 ? PC_NOCOLLAPSE : 0)};
        for (std::size_t k = 0; k < 4; ++k) {
            if (24 + 4 * i + k < size) {
                bytes[24 + 4 * i + k] = entry[k];
            }
        }
    }
    return bytes;
}

class PaletteFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        m_dir = fs::temp_directory_path() /
                ("dorvane-palette-" + std::to_string(static_cast<long long>(::getpid())));
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        Reset();
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    static void Reset() {
        g_palette.DeleteObject();
        g_pPalette = nullptr;
    }
    std::string Write(const std::vector<unsigned char>& bytes) {
        const fs::path path = m_dir / "pelds.pal";
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    // The palette's 256 entries must equal the file's bytes 24 to 1047.
    static void ExpectEntries(const std::vector<unsigned char>& expected) {
        ASSERT_EQ(g_pPalette, &g_palette);
        ASSERT_EQ(g_palette.GetEntryCount(), 256);
        PALETTEENTRY entries[256];
        ASSERT_EQ(g_palette.GetPaletteEntries(0, 256, entries), 256u);
        EXPECT_EQ(std::memcmp(entries, expected.data() + 24, sizeof entries), 0);
    }

    fs::path m_dir;
};

} // namespace

TEST_F(PaletteFileTest, TakesTheEntriesAtByte24WithTheirFlags) {
    const std::vector<unsigned char> exact = PaletteFile(1048);
    CTerrainDlg::LoadPaletteFile(Write(exact).c_str());
    ExpectEntries(exact);
    PALETTEENTRY e;
    g_palette.GetPaletteEntries(3, 1, &e);
    EXPECT_EQ(e.peFlags, PC_NOCOLLAPSE);

    // Bytes past 1047, and past 3000 which are never read, change nothing; nor do an arbitrary
    // header and an entry count of 16.
    std::vector<unsigned char> longer = PaletteFile(5000, 16, 0x5A);
    for (std::size_t i = 0; i < 24; ++i) {
        longer[i] = static_cast<unsigned char>(i * 37);
    }
    CTerrainDlg::LoadPaletteFile(Write(longer).c_str());
    ExpectEntries(longer);
    ExpectEntries(exact);
}

TEST_F(PaletteFileTest, ShortFilesGiveNoPaletteOrBlackForTheMissingEntries) {
    for (std::size_t size : {0u, 24u, 1000u, 1024u}) {
        CTerrainDlg::LoadPaletteFile(Write(PaletteFile(size)).c_str());
        EXPECT_EQ(g_pPalette, nullptr) << size;
        EXPECT_EQ(g_palette.m_hObject, nullptr) << size;
    }
    // 1030 bytes: entries 0 to 250 whole, 251 with red and green only, the rest black.
    const std::vector<unsigned char> partial = PaletteFile(1030);
    CTerrainDlg::LoadPaletteFile(Write(partial).c_str());
    ASSERT_EQ(g_pPalette, &g_palette);
    PALETTEENTRY entries[256];
    ASSERT_EQ(g_palette.GetPaletteEntries(0, 256, entries), 256u);
    EXPECT_EQ(std::memcmp(entries, partial.data() + 24, 251 * 4), 0);
    EXPECT_EQ(entries[251].peRed, 251);
    EXPECT_EQ(entries[251].peGreen, 4);
    EXPECT_EQ(entries[251].peBlue, 0);
    EXPECT_EQ(entries[251].peFlags, 0);
    for (int i = 252; i < 256; ++i) {
        EXPECT_EQ(entries[i].peRed | entries[i].peGreen | entries[i].peBlue | entries[i].peFlags, 0)
            << i;
    }
}

TEST_F(PaletteFileTest, AMissingFileLeavesThePaletteUnloaded) {
    CTerrainDlg::LoadPaletteFile((m_dir / "absent.pal").string().c_str());
    CTerrainDlg::LoadPaletteFile(nullptr);
    EXPECT_EQ(g_pPalette, nullptr);
    EXPECT_EQ(g_palette.m_hObject, nullptr);
}

// The program's own reader looks beside the executable, where the build puts the palette file.
TEST_F(PaletteFileTest, LoadPaletteReadsTheFileBesideTheExecutable) {
    char exe[1024] = {};
    ASSERT_GT(GetModuleFileName(nullptr, exe, sizeof exe), 0u);
    const fs::path beside = fs::path(exe).parent_path() / "pelds.pal";
    CTerrainDlg::LoadPalette();
    if (!fs::exists(beside)) {
        EXPECT_EQ(g_pPalette, nullptr);
        return;
    }
    std::ifstream in(beside, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 1048u);
    ExpectEntries(bytes);
}

// The rest needs POSIX: pipes, links to devices, and the renderer run from a deep folder.
#ifndef _WIN32
// Only an ordinary file is read. A pipe must not hold up the reader (nobody may ever write to
// it), nor may a device that hands out endless bytes be taken for a palette.
TEST_F(PaletteFileTest, AnythingButAnOrdinaryFileIsNoPaletteFile) {
    const fs::path fifo = m_dir / "pelds.pal";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reading =
        std::async(std::launch::async, [&] { CTerrainDlg::LoadPaletteFile(fifo.c_str()); });
    if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Release the reader: open the other end and hand it a whole palette.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            const std::vector<unsigned char> bytes = PaletteFile(1048);
            EXPECT_EQ(::write(writer, bytes.data(), bytes.size()), 1048);
            ::close(writer);
        }
        reading.wait();
        ADD_FAILURE() << "opening a pipe without a writer blocked";
    }
    EXPECT_EQ(g_pPalette, nullptr);
    fs::remove(fifo);

    // A device behind the name, and a folder of that name.
    fs::create_symlink("/dev/zero", fifo);
    CTerrainDlg::LoadPaletteFile(fifo.c_str());
    EXPECT_EQ(g_pPalette, nullptr);
    fs::remove(fifo);
    fs::create_directory(fifo);
    CTerrainDlg::LoadPaletteFile(fifo.c_str());
    EXPECT_EQ(g_pPalette, nullptr);
    EXPECT_EQ(g_palette.m_hObject, nullptr);

    // A link to an ordinary file is that file.
    fs::remove(fifo);
    const std::vector<unsigned char> bytes = PaletteFile(1048);
    const fs::path real = m_dir / "real.pal";
    std::ofstream(real, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    fs::create_symlink(real, fifo);
    CTerrainDlg::LoadPaletteFile(fifo.c_str());
    ExpectEntries(bytes);
}

namespace {

// The colour table of an 8-bit BMP file as palette entries (flags 0); empty when unreadable.
std::vector<unsigned char> BmpColours(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (bytes.size() < 54 + 1024) {
        return {};
    }
    std::vector<unsigned char> entries(1024);
    for (std::size_t i = 0; i < 256; ++i) {
        entries[4 * i] = bytes[54 + 4 * i + 2];
        entries[4 * i + 1] = bytes[54 + 4 * i + 1];
        entries[4 * i + 2] = bytes[54 + 4 * i];
        entries[4 * i + 3] = 0;
    }
    return entries;
}

} // namespace

// However deep the executable lies, the palette comes from its own folder, never from one above
// it. The stills renderer reads the palette as the viewer does and writes it into its picture.
TEST_F(PaletteFileTest, ADeepExecutableReadsThePaletteInItsOwnFolder) {
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    const fs::path renderer = exe.parent_path() / "dorvane-render";
    ASSERT_TRUE(fs::exists(renderer));
    // Inside the build folder, so that the renderer can be linked there rather than copied.
    const fs::path root =
        exe.parent_path() / ("palette-depth-" + std::to_string(static_cast<long long>(::getpid())));
    struct RemovedAtEnd {
        fs::path path;
        ~RemovedAtEnd() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } cleanup{root};
    std::vector<unsigned char> elsewhere = PaletteFile(1048);
    for (std::size_t i = 24; i < elsewhere.size(); i += 4) {
        elsewhere[i] = 0x11; // red 0x11 everywhere: a palette of some other folder
    }
    const std::vector<unsigned char> own = PaletteFile(1048);
    auto write = [](const fs::path& file, const std::vector<unsigned char>& bytes) {
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    fs::path dir = root;
    fs::create_directories(dir);
    for (std::size_t wanted : {1028u, 3000u}) {
        // Folders of 200 characters until the executable's path is about `wanted` long, each
        // with the other palette in it.
        while ((dir / "dorvane-render").string().size() + 203 <= wanted) {
            write(dir / "pelds.pal", elsewhere);
            dir /= std::string(200, static_cast<char>('a' + dir.string().size() % 26));
            fs::create_directory(dir);
        }
        write(dir / "pelds.pal", elsewhere);
        const std::size_t pad = wanted - (dir / "dorvane-render").string().size() - 1;
        const fs::path deep = dir / std::string(pad, 'z');
        fs::create_directory(deep);
        const fs::path copy = deep / "dorvane-render";
        std::error_code linkError;
        fs::create_hard_link(renderer, copy, linkError);
        if (linkError) {
            fs::copy_file(renderer, copy);
        }
        ASSERT_EQ(copy.string().size(), wanted);
        write(deep / "pelds.pal", own);
        const fs::path picture = deep / "still.bmp";
        const std::string command =
            "'" + copy.string() + "' --size 8x8 --out '" + picture.string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << wanted;
        const std::vector<unsigned char> colours = BmpColours(picture);
        ASSERT_EQ(colours.size(), 1024u) << wanted;
        // The renderer's picture carries the palette's colours, flags cleared.
        std::vector<unsigned char> expected(own.begin() + 24, own.begin() + 1048);
        for (std::size_t i = 3; i < expected.size(); i += 4) {
            expected[i] = 0;
        }
        EXPECT_TRUE(colours == expected) << "path of " << wanted << " characters";
    }
}
#endif

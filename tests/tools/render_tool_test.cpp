// dorvane-render run in-process: every frame size draws its compositing picture without going
// outside a surface; PNG stills hold exactly the frame's indices and colours; outputs are
// written whole or not at all; the command line is read strictly, within limits; and what it
// prints is checked and safe to show.
#include <gtest/gtest.h>

#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/render/RenderTool.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the tool; out and err are caught, unless out is given (a stream that fails, say).
Result RunTool(std::vector<std::string> args, std::FILE* out = nullptr) {
    args.insert(args.begin(), "dorvane-render");
    std::vector<const char*> argv;
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    char* outText = nullptr;
    char* errText = nullptr;
    std::size_t outSize = 0;
    std::size_t errSize = 0;
    std::FILE* caughtOut = open_memstream(&outText, &outSize);
    std::FILE* caughtErr = open_memstream(&errText, &errSize);
    Result r;
    r.status = DvRunRenderTool(static_cast<int>(argv.size()), argv.data(),
                               out != nullptr ? out : caughtOut, caughtErr);
    std::fclose(caughtOut);
    std::fclose(caughtErr);
    r.out.assign(outText, outSize);
    r.err.assign(errText, errSize);
    std::free(outText);
    std::free(errText);
    return r;
}

std::vector<unsigned char> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Le32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

int Lines(const std::string& text) {
    int n = 0;
    for (const char c : text) {
        n += c == '\n';
    }
    return n;
}

class RenderToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/dorvane-render-test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        m_dir = name;
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string In(const std::string& name) const { return (m_dir / name).string(); }
    // The names in the folder, temporary files included.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    fs::path m_dir;
};

// The compositing picture's inset, border and compass are placed from the frame's size; the
// smallest frames put them partly or wholly outside, which once wrote past the surfaces.
TEST_F(RenderToolTest, DemoAtEverySmallFrameSize) {
    const int sides[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 20, 30, 100};
    for (const int w : sides) {
        for (const int h : sides) {
            const std::string size = std::to_string(w) + "x" + std::to_string(h);
            const Result r = RunTool({"--flat", "--size", size, "--demo", In("d.bmp")});
            ASSERT_EQ(r.status, 0) << size << ": " << r.err;
            const std::vector<unsigned char> bmp = ReadAll(In("d.bmp"));
            ASSERT_GE(bmp.size(), 54u) << size;
            EXPECT_EQ(Le32(bmp, 18), std::uint32_t(2 * w + 12)) << size;
            EXPECT_EQ(Le32(bmp, 22), std::uint32_t(2 * h + 12)) << size;
            EXPECT_EQ(Le32(bmp, 2), bmp.size()) << size;
        }
    }
}

// What an 8-bit BMP still shows: each pixel's colour, top row first.
std::vector<std::uint32_t> BmpColours(const std::vector<unsigned char>& b, int* w, int* h) {
    *w = static_cast<int>(Le32(b, 18));
    *h = static_cast<int>(Le32(b, 22));
    const std::uint32_t offset = Le32(b, 10);
    const int stride = (*w + 3) & ~3;
    std::vector<std::uint32_t> colours;
    for (int y = 0; y < *h; ++y) {
        for (int x = 0; x < *w; ++x) {
            const unsigned index = b[offset + static_cast<std::size_t>(*h - 1 - y) * stride + x];
            const std::size_t c = 54 + index * 4;
            colours.push_back(index << 24 | b[c + 2] << 16 | b[c + 1] << 8 | b[c]);
        }
    }
    return colours;
}

// What libpng reads from a PNG still, as the index and colour of each pixel; empty when it
// cannot be read.
bool DecodePng(std::FILE* f, png_structp png, png_infop info, int* w, int* h,
               std::vector<std::uint32_t>* colours) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    *w = static_cast<int>(png_get_image_width(png, info));
    *h = static_cast<int>(png_get_image_height(png, info));
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE ||
        png_get_bit_depth(png, info) != 8) {
        return false;
    }
    png_colorp palette = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &palette, &count);
    if (count != 256) {
        return false;
    }
    std::vector<unsigned char> row(static_cast<std::size_t>(*w));
    for (int y = 0; y < *h; ++y) {
        png_read_row(png, row.data(), nullptr);
        for (int x = 0; x < *w; ++x) {
            const png_color& c = palette[row[x]];
            colours->push_back(std::uint32_t(row[x]) << 24 | c.red << 16 | c.green << 8 | c.blue);
        }
    }
    png_read_end(png, nullptr);
    return true;
}

std::vector<std::uint32_t> PngColours(const std::string& path, int* w, int* h) {
    std::vector<std::uint32_t> colours;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return colours;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!DecodePng(f, png, info, w, h, &colours)) {
        colours.clear();
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return colours;
}

TEST_F(RenderToolTest, PngStillsHoldExactlyTheFramesPixels) {
    for (const char* size : {"64x48", "3x1", "401x7"}) {
        ASSERT_EQ(RunTool({"--size", size, "--camera", "20000,20000,3000,45,0,256", "--out",
                           In("still.bmp")})
                      .status,
                  0);
        const Result r = RunTool(
            {"--size", size, "--camera", "20000,20000,3000,45,0,256", "--out", In("still.PNG")});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<unsigned char> png = ReadAll(In("still.PNG"));
        ASSERT_GE(png.size(), 8u);
        EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0) << size;
        int bw = 0, bh = 0, pw = 0, ph = 0;
        const auto fromBmp = BmpColours(ReadAll(In("still.bmp")), &bw, &bh);
        const auto fromPng = PngColours(In("still.PNG"), &pw, &ph);
        EXPECT_EQ(pw, bw);
        EXPECT_EQ(ph, bh);
        EXPECT_EQ(fromPng.size(), std::size_t(bw) * std::size_t(bh)) << size;
        EXPECT_TRUE(fromPng == fromBmp) << size;
    }
}

// A failure part of the way leaves the old files as they were and nothing half-written.
TEST_F(RenderToolTest, OutputsAreWrittenWholeOrNotAtAll) {
    ASSERT_EQ(RunTool({"--size", "40x30", "--out", In("good.bmp")}).status, 0);
    const std::vector<unsigned char> good = ReadAll(In("good.bmp"));

    // A file-size limit below the new still's size.
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old = {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 3000;
    setrlimit(RLIMIT_FSIZE, &small);
    const Result big = RunTool({"--size", "400x300", "--out", In("good.bmp")});
    const Result png = RunTool({"--size", "400x300", "--out", In("good.png")});
    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_EQ(big.status, 1);
    EXPECT_EQ(Lines(big.err), 1) << big.err;
    EXPECT_NE(big.err.find("File too large"), std::string::npos) << big.err;
    EXPECT_EQ(png.status, 1) << png.err;
    EXPECT_EQ(ReadAll(In("good.bmp")), good);
    EXPECT_EQ(Names(), std::vector<std::string>{"good.bmp"});

    // One output that cannot be written keeps all the others from being written.
    const Result missing = RunTool({"--size", "40x30", "--out", In("a.bmp"), "--textures", In("t"),
                                    "--map", In("no/such/folder/m.bin")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(Lines(missing.err), 1) << missing.err;
    EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;
    EXPECT_EQ(Names(), std::vector<std::string>{"good.bmp"});

    // Written ones take their names together, with the permissions of any new file.
    fs::create_directory(In("t"));
    ASSERT_EQ(RunTool({"--size", "40x30", "--out", In("good.bmp"), "--map", In("m.bin"),
                       "--textures", In("t")})
                  .status,
              0);
    EXPECT_EQ(fs::file_size(In("m.bin")), 512u * 512u * 4u);
    EXPECT_EQ(fs::file_size(In("good.bmp")), good.size());
    EXPECT_EQ(std::distance(fs::directory_iterator(In("t")), fs::directory_iterator()), 6);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(In("m.bin")).permissions()), 0666 & ~mask);
}

TEST_F(RenderToolTest, ValuesAreReadStrictlyAndWithinLimits) {
    const std::vector<std::vector<std::string>> refused = {{"--mode", "99"},
                                                           {"--mode", "-1"},
                                                           {"--mode", "4"},
                                                           {"--mode", " 3"},
                                                           {"--mode", "+3"},
                                                           {"--mode", "3 "},
                                                           {"--mode", "\t3"},
                                                           {"--size", "+12x12"},
                                                           {"--size", " 12x12"},
                                                           {"--size", "12x 12"},
                                                           {"--size", "16385x1"},
                                                           {"--size", "1x16385"},
                                                           {"--size", "2147483644x1"},
                                                           {"--smooth", "1001"},
                                                           {"--smooth", "2147483647"},
                                                           {"--repeat", "1000001"},
                                                           {"--repeat", "0"},
                                                           {"--camera", "1,2,3,4,5,+6"},
                                                           {"--camera", "1,2,3,4,5"},
                                                           {"--size", "4097x10", "--demo", "d.bmp"},
                                                           {"--regenerate-after", "-1"},
                                                           {"--mode", "99999999999999999999"}};
    for (const auto& args : refused) {
        const Result r = RunTool(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args[1];
        EXPECT_EQ(Lines(r.err), 1) << r.err;
    }
    EXPECT_EQ(Names(), std::vector<std::string>{});
    // The limits themselves are accepted.
    EXPECT_EQ(RunTool({"--flat", "--size", "16384x1", "--mode", "0", "--camera", "-5,-6,7,-8,9,10"})
                  .status,
              0);
    const Result timed = RunTool({"--flat", "--size", "4x4", "--repeat", "3", "--smooth", "2"});
    EXPECT_EQ(timed.status, 0);
    EXPECT_NE(timed.out.find("over 3 frames"), std::string::npos) << timed.out;
}

// What cannot reach the standard output is an error, and names are shown quoted, with no byte
// that a terminal would act on.
TEST_F(RenderToolTest, OutputIsCheckedAndNamesAreSafeToShow) {
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    for (const auto& args :
         {std::vector<std::string>{"--help"},
          std::vector<std::string>{"--flat", "--size", "4x4", "--repeat", "3"}}) {
        const Result r = RunTool(args, full);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
        std::clearerr(full);
    }
    std::fclose(full);

    const Result bad = RunTool({"--out", In("no/\x1b]0;title\x07\n\x9b"
                                            "2J.bmp")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(Lines(bad.err), 1) << bad.err;
    for (const char c : bad.err.substr(0, bad.err.size() - 1)) {
        EXPECT_TRUE(c >= 0x20 && c < 0x7F) << int(static_cast<unsigned char>(c));
    }
    EXPECT_NE(bad.err.find("\\x1b]0;title\\x07\\x0a\\x9b2J.bmp'"), std::string::npos) << bad.err;
    const Result unknown = RunTool({"--\x1b[2J"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("'--\\x1b[2J'"), std::string::npos) << unknown.err;
}

} // namespace

#include "tools/render/OutputFile.h"

#include "gfx/DIB.h"
#include "terrain/HeightMap.h"

#include <fcntl.h>
#if defined(DORVANE_PNG)
#include <png.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "tools/render/Options.h"

CPendingFile::~CPendingFile() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
    if (!m_committed && !m_temporary.empty()) {
        unlink(m_temporary.c_str());
    }
}

bool CPendingFile::Failed(int error) {
    if (m_reason.empty()) {
        m_reason = std::strerror(error != 0 ? error : EIO);
    }
    return false;
}

void CPendingFile::Fail(const std::string& reason) {
    if (m_reason.empty()) {
        m_reason = reason;
    }
}

bool CPendingFile::Open() {
    // A hidden name beside the final one, so that the rename stays on one file system.
    const std::size_t slash = m_path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : m_path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    std::string name = folder + "." + base.substr(0, 200) + ".XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        return Failed(errno);
    }
    m_temporary = name;
    // The permissions a newly created file gets, as if it had been opened for writing.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    m_file = fdopen(fd, "wb");
    if (m_file == nullptr) {
        const int error = errno;
        close(fd);
        return Failed(error);
    }
    return true;
}

bool CPendingFile::Write(const void* data, std::size_t size) {
    if (m_file == nullptr || !m_reason.empty()) {
        return false;
    }
    if (size != 0 && std::fwrite(data, 1, size, m_file) != size) {
        return Failed(errno);
    }
    return true;
}

bool CPendingFile::Close() {
    if (m_file == nullptr) {
        return m_reason.empty() && !m_temporary.empty();
    }
    errno = 0;
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file);
    int error = errno;
    if (ok && fsync(fileno(m_file)) != 0 && errno != EINVAL) {
        ok = false;
        error = errno;
    }
    if (std::fclose(m_file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    m_file = nullptr;
    return (ok && m_reason.empty()) || Failed(error);
}

bool CPendingFile::Commit() {
    if (m_file != nullptr || m_temporary.empty() || !m_reason.empty()) {
        return false;
    }
    if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        return Failed(errno);
    }
    m_committed = true;
    return true;
}

CPendingFile* COutputSet::Add(const std::string& path, std::string* pError) {
    auto file = std::make_unique<CPendingFile>(path);
    if (!file->Open()) {
        *pError = DvCannotWrite(*file);
        return nullptr;
    }
    m_files.push_back(std::move(file));
    return m_files.back().get();
}

bool COutputSet::CommitAll(std::string* pError) {
    for (auto& file : m_files) {
        if (!file->Close()) {
            *pError = DvCannotWrite(*file);
            return false;
        }
    }
    for (auto& file : m_files) {
        if (!file->Commit()) {
            *pError = DvCannotWrite(*file);
            return false;
        }
    }
    return true;
}

std::string DvCannotWrite(const CPendingFile& file) {
    return "cannot write " + DvQuoted(file.Path()) + ": " +
           (file.Reason().empty() ? std::string("failed") : file.Reason());
}

namespace {

void Put16(unsigned char*& p, unsigned v) {
    *p++ = static_cast<unsigned char>(v & 0xFF);
    *p++ = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void Put32(unsigned char*& p, std::uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p, v >> 16);
}

const RGBQUAD* ColourTable(const CDIB& dib) {
    return dib.m_pBMI != nullptr ? dib.m_pBMI->bmiColors : nullptr;
}

#if defined(DORVANE_PNG)
// The stored row that shows as row `row` from the top.
const unsigned char* RowFromTop(const CDIB& dib, int row) {
    const bool bottomUp = dib.m_pBMI->bmiHeader.biHeight > 0;
    const int stored = bottomUp ? dib.Height() - 1 - row : row;
    return dib.Bits() + static_cast<std::size_t>(stored) * static_cast<std::size_t>(dib.Stride());
}

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() { png_destroy_write_struct(&png, &info); }
};

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* file = static_cast<CPendingFile*>(png_get_io_ptr(png));
    if (!file->Write(data, length)) {
        png_error(png, "write failed");
    }
}

void PngFlush(png_structp) {}

void PngError(png_structp png, png_const_charp message) {
    auto* file = static_cast<CPendingFile*>(png_get_error_ptr(png));
    file->Fail(message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// The part that libpng may leave by longjmp: nothing here has a destructor to skip.
bool PngRows(png_structp png, png_infop info, const CDIB& dib, const png_color* colours) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(dib.Width()),
                 static_cast<png_uint_32>(dib.Height()), 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, colours, 256);
    png_write_info(png, info);
    for (int row = 0; row < dib.Height(); ++row) {
        png_write_row(png, const_cast<png_bytep>(RowFromTop(dib, row)));
    }
    png_write_end(png, info);
    return true;
}

#endif

} // namespace

bool DvWriteBmp(CPendingFile& file, const CDIB& dib) {
    const RGBQUAD* table = ColourTable(dib);
    if (table == nullptr || dib.Bits() == nullptr) {
        file.Fail("the surface has no pixels");
        return false;
    }
    const std::uint64_t pixelBytes =
        static_cast<std::uint64_t>(dib.Stride()) * static_cast<std::uint64_t>(dib.Height());
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    if (pixelBytes + offset > UINT32_MAX) {
        file.Fail("too large for a BMP file");
        return false;
    }
    unsigned char header[offset];
    unsigned char* p = header;
    *p++ = 'B';
    *p++ = 'M';
    Put32(p, static_cast<std::uint32_t>(offset + pixelBytes));
    Put32(p, 0);
    Put32(p, offset);
    const BITMAPINFOHEADER& h = dib.m_pBMI->bmiHeader;
    Put32(p, 40);
    Put32(p, static_cast<std::uint32_t>(h.biWidth));
    Put32(p, static_cast<std::uint32_t>(h.biHeight));
    Put16(p, 1);
    Put16(p, 8);
    Put32(p, 0); // BI_RGB
    Put32(p, static_cast<std::uint32_t>(pixelBytes));
    Put32(p, 0);
    Put32(p, 0);
    Put32(p, 0);
    Put32(p, 0);
    for (int i = 0; i < 256; ++i) {
        *p++ = table[i].rgbBlue;
        *p++ = table[i].rgbGreen;
        *p++ = table[i].rgbRed;
        *p++ = 0;
    }
    // The rows go out from the surface's own memory, in the order they are stored.
    return file.Write(header, sizeof header) &&
           file.Write(dib.Bits(), static_cast<std::size_t>(pixelBytes));
}

bool DvWritePng(CPendingFile& file, const CDIB& dib) {
#if defined(DORVANE_PNG)
    const RGBQUAD* table = ColourTable(dib);
    if (table == nullptr || dib.Bits() == nullptr) {
        file.Fail("the surface has no pixels");
        return false;
    }
    png_color colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
    }
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &file, PngError, PngWarning);
    if (writer.png == nullptr) {
        file.Fail("out of memory");
        return false;
    }
    writer.info = png_create_info_struct(writer.png);
    if (writer.info == nullptr) {
        file.Fail("out of memory");
        return false;
    }
    png_set_write_fn(writer.png, &file, PngWrite, PngFlush);
    return PngRows(writer.png, writer.info, dib, colours);
#else
    (void)dib;
    file.Fail("this build writes BMP files only");
    return false;
#endif
}

bool DvWriteStill(CPendingFile& file, const CDIB& dib) {
    const std::string& path = file.Path();
    const bool png = path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".png") == 0;
    return png ? DvWritePng(file, dib) : DvWriteBmp(file, dib);
}

bool DvWriteMap(CPendingFile& file, const CHeightMap& map) {
    std::vector<unsigned char> row(static_cast<std::size_t>(map.m_columns) * 4);
    for (int y = 0; y < map.m_rows; ++y) {
        unsigned char* p = row.data();
        for (int x = 0; x < map.m_columns; ++x) {
            Put32(p, map.m_cells[static_cast<std::size_t>(y) * map.m_columns + x]);
        }
        if (!file.Write(row.data(), row.size())) {
            return false;
        }
    }
    return true;
}

// Files written whole or not at all. Each output is written to a temporary file in the folder
// of its final name and takes that name only when every output of the run has been written,
// so a failure (a full disk, a size limit, a missing folder) leaves the old files as they were
// and nothing half-written behind.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class CDIB;
class CHeightMap;

class CPendingFile {
public:
    explicit CPendingFile(std::string path) : m_path(std::move(path)) {}
    CPendingFile(const CPendingFile&) = delete;
    CPendingFile& operator=(const CPendingFile&) = delete;
    // Removes the temporary file unless it took its name.
    ~CPendingFile();

    // Creates the temporary file; false with the reason.
    bool Open();
    std::FILE* Stream() { return m_file; }
    // Writes bytes; false with the reason (the first failure is kept).
    bool Write(const void* data, std::size_t size);
    // Flushes the data to the file and closes it; false with the reason.
    bool Close();
    // Gives the closed file its final name.
    bool Commit();

    const std::string& Path() const { return m_path; }
    // Why the last step failed, as strerror says it.
    const std::string& Reason() const { return m_reason; }
    // Records a failure that is not the system's (a library's own message).
    void Fail(const std::string& reason);

private:
    bool Failed(int error);

    std::string m_path;
    std::string m_temporary;
    std::FILE* m_file = nullptr;
    std::string m_reason;
    bool m_committed = false;
};

// The outputs of one run, committed together.
class COutputSet {
public:
    // A new pending file for path, open for writing; null with *pError set when it cannot be
    // created.
    CPendingFile* Add(const std::string& path, std::string* pError);
    // Closes every file, then gives each its name; false with the first failure.
    bool CommitAll(std::string* pError);

private:
    std::vector<std::unique_ptr<CPendingFile>> m_files;
};

// The message for a file that cannot be written: the name, quoted, and the reason.
std::string DvCannotWrite(const CPendingFile& file);

// The surface as an 8-bit BMP file (its header, colour table and rows as stored).
bool DvWriteBmp(CPendingFile& file, const CDIB& dib);
// The surface as an 8-bit indexed PNG file with the surface's 256 colours, so that every pixel
// keeps its index and colour.
bool DvWritePng(CPendingFile& file, const CDIB& dib);
// PNG when the name ends in ".png" (in any case), else BMP.
bool DvWriteStill(CPendingFile& file, const CDIB& dib);
// The map's cells as little-endian 32-bit words, row by row.
bool DvWriteMap(CPendingFile& file, const CHeightMap& map);

// Kernel file calls: existing files opened for reading, their type, reading and closing.
#include <windows.h>

#include <cerrno>
#include <memory>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file handle is the address of its record; only addresses of open records are accepted.
struct FileRecord {
    int fd;
    DWORD type;
};

std::map<HANDLE, std::unique_ptr<FileRecord>>& OpenFiles() {
    static std::map<HANDLE, std::unique_ptr<FileRecord>> files;
    return files;
}

FileRecord* Record(HANDLE handle) {
    const auto found = OpenFiles().find(handle);
    return found != OpenFiles().end() ? found->second.get() : nullptr;
}

DWORD TypeOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return FILE_TYPE_DISK;
    }
    if (S_ISCHR(mode)) {
        return FILE_TYPE_CHAR;
    }
    if (S_ISFIFO(mode) || S_ISSOCK(mode)) {
        return FILE_TYPE_PIPE;
    }
    return FILE_TYPE_UNKNOWN;
}

} // namespace

HANDLE CreateFile(LPCSTR fileName, DWORD access, DWORD, LPVOID, DWORD disposition, DWORD, HANDLE) {
    if (!fileName || access != GENERIC_READ || disposition != OPEN_EXISTING) {
        return INVALID_HANDLE_VALUE;
    }
    // Without O_NONBLOCK, opening a pipe waits until someone opens its other end, which may be
    // never. An ordinary file drops the flag again once it is open, so its reads wait as usual;
    // anything else keeps it and never waits.
    const int fd = ::open(fileName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return INVALID_HANDLE_VALUE;
    }
    const DWORD type = TypeOf(st.st_mode);
    if (type == FILE_TYPE_DISK) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) {
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        }
    }
    auto record = std::make_unique<FileRecord>(FileRecord{fd, type});
    const HANDLE handle = record.get();
    OpenFiles().emplace(handle, std::move(record));
    return handle;
}

DWORD GetFileType(HANDLE file) {
    const FileRecord* record = Record(file);
    return record ? record->type : FILE_TYPE_UNKNOWN;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPVOID) {
    if (read) {
        *read = 0;
    }
    const FileRecord* record = Record(file);
    if (!record || (!buffer && toRead > 0)) {
        return FALSE;
    }
    DWORD total = 0;
    while (total < toRead) {
        const ssize_t n = ::read(record->fd, static_cast<char*>(buffer) + total, toRead - total);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            if (read) {
                *read = total;
            }
            return FALSE;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<DWORD>(n);
    }
    if (read) {
        *read = total;
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    const auto found = OpenFiles().find(object);
    if (found == OpenFiles().end()) {
        return FALSE;
    }
    ::close(found->second->fd);
    OpenFiles().erase(found);
    return TRUE;
}

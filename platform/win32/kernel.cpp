// Kernel calls: the program's module, its file name and its embedded resources.
#include <windows.h>

#include "win32/restable.h"

#include <cstring>
#include <vector>

#include <unistd.h>

namespace {

// The program is its only module. Its handle is never dereferenced; it only has to be non-null
// and recognisable.
const HMODULE kModule = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x00400000));

// No path the system hands out is longer than this.
constexpr std::size_t kLongestPath = 1 << 16;

bool IsOwnModule(HMODULE module) {
    return module == nullptr || module == kModule;
}

bool SameType(const char* a, const char* b) {
    if (IS_INTRESOURCE(a) || IS_INTRESOURCE(b)) {
        return a == b;
    }
    return std::strcmp(a, b) == 0;
}

const DvResource* g_extraResources = nullptr;

// Calls f on every entry of every table until it returns true; the entry, or null.
template <typename F> const DvResource* FindEntry(F f) {
    const DvResource* const tables[] = {g_artResources, g_dataResources, g_extraResources};
    for (const DvResource* table : tables) {
        for (const DvResource* e = table; e && e->type; ++e) {
            if (f(e)) {
                return e;
            }
        }
    }
    return nullptr;
}

// An HRSRC is the address of its table entry; only addresses found in the tables are accepted.
const DvResource* Entry(HRSRC resInfo) {
    return FindEntry([resInfo](const DvResource* e) {
        return reinterpret_cast<HRSRC>(const_cast<DvResource*>(e)) == resInfo;
    });
}

} // namespace

void DvSetExtraResources(const DvResource* table) {
    g_extraResources = table;
}

HMODULE GetModuleHandle(LPCSTR moduleName) {
    return moduleName ? nullptr : kModule;
}

DWORD GetModuleFileName(HMODULE module, LPSTR fileName, DWORD size) {
    if (!IsOwnModule(module) || !fileName || size == 0) {
        return 0;
    }
    // readlink cuts a long name silently; a name that fills the buffer may have been cut, so
    // the buffer grows until the name leaves room to spare.
    std::vector<char> path(4096);
    ssize_t n = 0;
    for (;;) {
        n = readlink("/proc/self/exe", path.data(), path.size());
        if (n <= 0 || static_cast<std::size_t>(n) < path.size() || path.size() >= kLongestPath) {
            break;
        }
        path.resize(path.size() * 2);
    }
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) {
        fileName[0] = '\0';
        return 0;
    }
    // A name that does not fit is cut and still terminated; the result is then the buffer size.
    const DWORD length = static_cast<DWORD>(n);
    if (length >= size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        return size;
    }
    std::memcpy(fileName, path.data(), length);
    fileName[length] = '\0';
    return length;
}

HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type) {
    // Resources are found by integer identifier only; named ones are never embedded.
    if (!IsOwnModule(module) || !type || !IS_INTRESOURCE(name)) {
        return nullptr;
    }
    const unsigned short id = LOWORD(name);
    const DvResource* found = FindEntry(
        [id, type](const DvResource* e) { return e->id == id && SameType(e->type, type); });
    return reinterpret_cast<HRSRC>(const_cast<DvResource*>(found));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resInfo) {
    const DvResource* e = IsOwnModule(module) ? Entry(resInfo) : nullptr;
    return e ? const_cast<unsigned char*>(e->data) : nullptr;
}

LPVOID LockResource(HGLOBAL resData) {
    return resData;
}

DWORD SizeofResource(HMODULE module, HRSRC resInfo) {
    const DvResource* e = IsOwnModule(module) ? Entry(resInfo) : nullptr;
    return e ? e->size : 0;
}

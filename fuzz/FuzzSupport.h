// What the fuzz targets share: reading the input as values, a count of the GDI objects that an
// input left alive, and a headless host whose clock moves on by itself.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "host/headless/HeadlessHost.h"
#include "win32/FontCatalog.h"

#include <sanitizer/lsan_interface.h>

namespace dorvane_fuzz {

// fontconfig loads its configuration on first use and keeps it, out of LeakSanitizer's sight,
// until the font catalogue lets it go at exit. libFuzzer looks for leaks after every input that
// allocated more than it freed, so that once-per-process load is made before fuzzing starts,
// and only it is exempt.
inline void LoadFontConfiguration() {
    __lsan_disable();
    CFontCatalog::Instance().Find("MS Sans Serif", 0, false);
    __lsan_enable();
}

// Stops the run with a message; libFuzzer keeps the input that got here.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool ok, const char* what) {
    if (!ok) {
        Fail(what);
    }
}

// GDI hands out handles in rising order, kHandleStep apart: every object created after this call
// has a greater handle than the one it returns.
constexpr std::uintptr_t kHandleStep = 4;

inline std::uintptr_t NextHandle() {
    const HBRUSH probe = CreateSolidBrush(0);
    DeleteObject(probe);
    return reinterpret_cast<std::uintptr_t>(probe);
}

// Counts the GDI objects created since construction that are still alive, leaving out one
// handle that is expected to live on (the application palette, say).
class GdiObjectsSince {
public:
    GdiObjectsSince() : m_first(MakeStockObjects()) {}

    int Alive(HGDIOBJ except = nullptr) const {
        const std::uintptr_t last = NextHandle();
        int alive = 0;
        for (std::uintptr_t h = m_first + kHandleStep; h < last; h += kHandleStep) {
            const HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(h);
            if (handle != except && GetObjectType(handle) != 0) {
                std::fprintf(stderr, "alive: GDI object %#lx of type %lu\n",
                             static_cast<unsigned long>(h),
                             static_cast<unsigned long>(GetObjectType(handle)));
                ++alive;
            }
        }
        return alive;
    }

private:
    // The stock objects are made on first use and live for the whole run; made here, they are
    // never counted.
    static std::uintptr_t MakeStockObjects() {
        for (int i = 0; i <= 20; ++i) {
            GetStockObject(i);
        }
        DeleteDC(CreateCompatibleDC(nullptr));
        return NextHandle();
    }

    std::uintptr_t m_first;
};

// A headless host whose clock advances one millisecond every time it is read, so that work
// bounded by time (the dissolve) ends without anyone moving the clock.
class TickingHost : public CHeadlessHost {
public:
    DWORD TickCount() override {
        const DWORD now = CHeadlessHost::TickCount();
        Advance(1);
        return now;
    }
};

// A 32-bit value that is small most of the time and anything at all otherwise.
inline int MostlySmall(FuzzedDataProvider& in, int low, int high) {
    if (in.ConsumeIntegralInRange<int>(0, 7) != 0) {
        return in.ConsumeIntegralInRange<int>(low, high);
    }
    return in.ConsumeIntegral<int>();
}

inline RECT ConsumeRect(FuzzedDataProvider& in, int low, int high) {
    RECT r;
    r.left = MostlySmall(in, low, high);
    r.top = MostlySmall(in, low, high);
    r.right = MostlySmall(in, low, high);
    r.bottom = MostlySmall(in, low, high);
    return r;
}

} // namespace dorvane_fuzz

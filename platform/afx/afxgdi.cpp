#include "afx/afxgdi.h"

#include <memory>
#include <new>
#include <unordered_map>

namespace {

// Wrappers that own nothing: FromHandle hands them out for handles no framework object holds.
template <typename T> struct TempMap {
    std::unordered_map<void*, std::unique_ptr<T>> objects;

    T* Get(void* handle) {
        auto& slot = objects[handle];
        if (!slot) {
            slot = std::make_unique<T>();
        }
        return slot.get();
    }
};

// The framework objects currently attached to each handle. Static objects such as the program's
// palette detach at exit, so the maps are built in place once and never destroyed.
template <typename T> T& Immortal() {
    alignas(T) static unsigned char storage[sizeof(T)];
    static T* object = new (storage) T();
    return *object;
}
std::unordered_map<void*, CGdiObject*>& GdiPermanent() {
    return Immortal<std::unordered_map<void*, CGdiObject*>>();
}
std::unordered_map<void*, CDC*>& DCPermanent() {
    return Immortal<std::unordered_map<void*, CDC*>>();
}

// Temporary wrappers detach in their destructors, so the handles they show stay alive.
struct TempGdi : CGdiObject {
    ~TempGdi() override { m_hObject = nullptr; }
};
struct TempPalette : CPalette {
    ~TempPalette() override { m_hObject = nullptr; }
};
struct TempDC : CDC {
    ~TempDC() override { m_hDC = nullptr; }
};

TempMap<TempGdi>& GdiTemps() {
    static TempMap<TempGdi> map;
    return map;
}
TempMap<TempPalette>& PaletteTemps() {
    static TempMap<TempPalette> map;
    return map;
}
TempMap<TempDC>& DCTemps() {
    static TempMap<TempDC> map;
    return map;
}

} // namespace

// ---- CGdiObject -----------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CGdiObject, CObject)

CGdiObject::~CGdiObject() {
    DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (!hObject || m_hObject) {
        return FALSE;
    }
    m_hObject = hObject;
    GdiPermanent()[hObject] = this;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ hObject = m_hObject;
    if (hObject) {
        auto& map = GdiPermanent();
        const auto it = map.find(hObject);
        if (it != map.end() && it->second == this) {
            map.erase(it);
        }
    }
    m_hObject = nullptr;
    return hObject;
}

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) {
        return FALSE;
    }
    return ::DeleteObject(Detach());
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const {
    return ::GetObject(m_hObject, nCount, lpObject);
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) {
    if (!hObject) {
        return nullptr;
    }
    const auto it = GdiPermanent().find(hObject);
    if (it != GdiPermanent().end()) {
        return it->second;
    }
    CGdiObject* temp = GdiTemps().Get(hObject);
    temp->m_hObject = hObject;
    return temp;
}

void CGdiObject::DeleteTempMap() {
    GdiTemps().objects.clear();
    PaletteTemps().objects.clear();
}

// ---- CPalette -------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CPalette, CGdiObject)

BOOL CPalette::CreatePalette(const LOGPALETTE* lpLogPalette) {
    // An object holds one palette; a second is refused rather than leaked.
    if (m_hObject) {
        return FALSE;
    }
    return Attach(::CreatePalette(lpLogPalette));
}

int CPalette::GetEntryCount() const {
    WORD count = 0;
    if (!m_hObject || ::GetObject(m_hObject, sizeof count, &count) == 0) {
        return 0;
    }
    return count;
}

UINT CPalette::GetPaletteEntries(UINT nStartIndex, UINT nNumEntries,
                                 LPPALETTEENTRY lpPaletteColors) const {
    return ::GetPaletteEntries(static_cast<HPALETTE>(m_hObject), nStartIndex, nNumEntries,
                               lpPaletteColors);
}

UINT CPalette::SetPaletteEntries(UINT nStartIndex, UINT nNumEntries,
                                 const PALETTEENTRY* lpPaletteColors) {
    return ::SetPaletteEntries(static_cast<HPALETTE>(m_hObject), nStartIndex, nNumEntries,
                               lpPaletteColors);
}

UINT CPalette::GetNearestPaletteIndex(COLORREF crColor) const {
    return ::GetNearestPaletteIndex(static_cast<HPALETTE>(m_hObject), crColor);
}

CPalette* CPalette::FromHandle(HPALETTE hPalette) {
    if (!hPalette) {
        return nullptr;
    }
    const auto it = GdiPermanent().find(hPalette);
    if (it != GdiPermanent().end()) {
        // Only palettes are attached under a palette handle.
        return static_cast<CPalette*>(it->second);
    }
    CPalette* temp = PaletteTemps().Get(hPalette);
    temp->m_hObject = hPalette;
    return temp;
}

// ---- CDC ------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CDC, CObject)

CDC::~CDC() {
    if (m_hDC) {
        ::DeleteDC(Detach());
    }
}

BOOL CDC::Attach(HDC hDC) {
    if (!hDC || m_hDC) {
        return FALSE;
    }
    m_hDC = hDC;
    DCPermanent()[hDC] = this;
    return TRUE;
}

HDC CDC::Detach() {
    HDC hDC = m_hDC;
    if (hDC) {
        auto& map = DCPermanent();
        const auto it = map.find(hDC);
        if (it != map.end() && it->second == this) {
            map.erase(it);
        }
    }
    m_hDC = nullptr;
    return hDC;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    if (m_hDC) {
        return FALSE;
    }
    return Attach(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr));
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) {
        return FALSE;
    }
    return ::DeleteDC(Detach());
}

CPalette* CDC::SelectPalette(CPalette* pPalette, BOOL bForceBackground) {
    const HPALETTE hPalette = pPalette ? static_cast<HPALETTE>(pPalette->m_hObject) : nullptr;
    return CPalette::FromHandle(::SelectPalette(m_hDC, hPalette, bForceBackground));
}

UINT CDC::RealizePalette() {
    return ::RealizePalette(m_hDC);
}

CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
    if (!pObject) {
        return nullptr;
    }
    return CGdiObject::FromHandle(::SelectObject(m_hDC, pObject->m_hObject));
}

HGDIOBJ CDC::SelectObject(HGDIOBJ hObject) {
    return ::SelectObject(m_hDC, hObject);
}

// Leaves the background colour set to clr, as the framework does.
void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
    ::SetBkColor(m_hDC, clr);
    if (HBRUSH brush = ::CreateSolidBrush(clr)) {
        ::FillRect(m_hDC, lpRect, brush);
        ::DeleteObject(brush);
    }
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    // The far edges in 64 bits, kept within LONG; a rectangle that large is clipped anyway.
    const auto edge = [](int a, int b) {
        const long long v = static_cast<long long>(a) + b;
        return static_cast<LONG>(v > 0x7FFFFFFF ? 0x7FFFFFFF : (v < -0x7FFFFFFF ? -0x7FFFFFFF : v));
    };
    const RECT rect = {x, y, edge(x, cx), edge(y, cy)};
    FillSolidRect(&rect, clr);
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                 DWORD dwRop) {
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc,
                    dwRop);
}

BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                     int nSrcWidth, int nSrcHeight, DWORD dwRop) {
    return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc,
                        nSrcWidth, nSrcHeight, dwRop);
}

COLORREF CDC::SetTextColor(COLORREF crColor) {
    return ::SetTextColor(m_hDC, crColor);
}
COLORREF CDC::GetTextColor() const {
    return ::GetTextColor(m_hDC);
}
int CDC::SetBkMode(int nBkMode) {
    return ::SetBkMode(m_hDC, nBkMode);
}
int CDC::GetBkMode() const {
    return ::GetBkMode(m_hDC);
}
COLORREF CDC::SetBkColor(COLORREF crColor) {
    return ::SetBkColor(m_hDC, crColor);
}
COLORREF CDC::GetBkColor() const {
    return ::GetBkColor(m_hDC);
}
int CDC::GetDeviceCaps(int nIndex) const {
    return ::GetDeviceCaps(m_hDC, nIndex);
}

int CDC::GetClipBox(LPRECT lpRect) const {
    return ::GetClipBox(m_hDC, lpRect);
}

CDC* CDC::FromHandle(HDC hDC) {
    if (!hDC) {
        return nullptr;
    }
    const auto it = DCPermanent().find(hDC);
    if (it != DCPermanent().end()) {
        return it->second;
    }
    CDC* temp = DCTemps().Get(hDC);
    temp->m_hDC = hDC;
    return temp;
}

void CDC::DeleteTempMap() {
    DCTemps().objects.clear();
}

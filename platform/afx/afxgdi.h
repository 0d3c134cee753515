// The framework's GDI wrappers: objects that own a GDI handle, palettes and device contexts.
#pragma once

#include <windows.h>

#include "afx/afxobject.h"

// Owns at most one GDI object and deletes it when destroyed.
class CGdiObject : public CObject {
    DECLARE_DYNCREATE(CGdiObject)
public:
    CGdiObject() = default;
    ~CGdiObject() override;

    HGDIOBJ m_hObject = nullptr;

    operator HGDIOBJ() const { return m_hObject; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    int GetObject(int nCount, LPVOID lpObject) const;

    // The object attached to a handle, or a temporary wrapper owned by the framework that lives
    // until DeleteTempMap. Null for a null handle.
    static CGdiObject* FromHandle(HGDIOBJ hObject);
    static void DeleteTempMap();
};

class CPalette : public CGdiObject {
    DECLARE_DYNCREATE(CPalette)
public:
    CPalette() = default;
    ~CPalette() override = default;

    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }

    BOOL CreatePalette(const LOGPALETTE* lpLogPalette);
    int GetEntryCount() const;
    UINT GetPaletteEntries(UINT nStartIndex, UINT nNumEntries,
                           LPPALETTEENTRY lpPaletteColors) const;
    UINT SetPaletteEntries(UINT nStartIndex, UINT nNumEntries, const PALETTEENTRY* lpPaletteColors);
    UINT GetNearestPaletteIndex(COLORREF crColor) const;

    static CPalette* FromHandle(HPALETTE hPalette);
};

// A device context. The destructor deletes a context that is still attached; wrappers of
// contexts owned elsewhere (paint and client contexts) detach first.
class CDC : public CObject {
    DECLARE_DYNCREATE(CDC)
public:
    CDC() = default;
    ~CDC() override;

    HDC m_hDC = nullptr;

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

    BOOL Attach(HDC hDC);
    HDC Detach();
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();

    CPalette* SelectPalette(CPalette* pPalette, BOOL bForceBackground);
    UINT RealizePalette();
    CGdiObject* SelectObject(CGdiObject* pObject);
    HGDIOBJ SelectObject(HGDIOBJ hObject);

    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                DWORD dwRop);
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                    int nSrcWidth, int nSrcHeight, DWORD dwRop);

    COLORREF SetTextColor(COLORREF crColor);
    COLORREF GetTextColor() const;
    int SetBkMode(int nBkMode);
    int GetBkMode() const;
    COLORREF SetBkColor(COLORREF crColor);
    COLORREF GetBkColor() const;
    int GetDeviceCaps(int nIndex) const;
    int GetClipBox(LPRECT lpRect) const;

    // The wrapper attached to a context, or a temporary one that lives until DeleteTempMap.
    static CDC* FromHandle(HDC hDC);
    static void DeleteTempMap();
};

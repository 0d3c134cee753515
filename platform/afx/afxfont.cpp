#include "afx/afxfont.h"

#include <cstdint>
#include <cstring>

IMPLEMENT_DYNCREATE(CFont, CGdiObject)

BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont) {
    if (m_hObject || !lpLogFont) {
        return FALSE;
    }
    return Attach(::CreateFontIndirect(lpLogFont));
}

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                       BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                       BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality, BYTE nPitchAndFamily,
                       LPCSTR lpszFacename) {
    if (m_hObject) {
        return FALSE;
    }
    return Attach(::CreateFont(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic,
                               bUnderline, cStrikeOut, nCharSet, nOutPrecision, nClipPrecision,
                               nQuality, nPitchAndFamily, lpszFacename));
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC) {
    const int dpi = pDC && pDC->m_hDC ? pDC->GetDeviceCaps(LOGPIXELSY) : 96;
    // Tenths of a point to pixels, rounded half away from zero; 64-bit, then kept in a LONG.
    const std::int64_t scaled = static_cast<std::int64_t>(nPointSize) * (dpi > 0 ? dpi : 96);
    const std::int64_t pixels = (scaled >= 0 ? scaled + 360 : scaled - 360) / 720;
    LOGFONT lf = {};
    const std::int64_t magnitude = pixels < 0 ? -pixels : pixels;
    lf.lfHeight = -static_cast<LONG>(magnitude < 0x7FFFFFFF ? magnitude : 0x7FFFFFFF);
    lf.lfCharSet = DEFAULT_CHARSET;
    if (lpszFaceName) {
        std::strncpy(lf.lfFaceName, lpszFaceName, LF_FACESIZE - 1);
    }
    return CreateFontIndirect(&lf);
}

int CFont::GetLogFont(LOGFONT* pLogFont) const {
    return GetObject(sizeof(LOGFONT), pLogFont);
}

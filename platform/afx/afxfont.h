// The framework's font object: a CGdiObject that holds one GDI font.
#pragma once

#include <windows.h>

#include "afx/afxgdi.h"

class CFont : public CGdiObject {
    DECLARE_DYNCREATE(CFont)
public:
    CFont() = default;
    ~CFont() override = default;

    operator HFONT() const { return static_cast<HFONT>(m_hObject); }

    // Each fails, and changes nothing, when the object already holds a font.
    BOOL CreateFontIndirect(const LOGFONT* lpLogFont);
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                    BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                    BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality, BYTE nPitchAndFamily,
                    LPCSTR lpszFacename);
    // nPointSize in tenths of a point, converted at the context's (or the screen's) pixels per
    // inch.
    BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC = nullptr);

    int GetLogFont(LOGFONT* pLogFont) const;
};

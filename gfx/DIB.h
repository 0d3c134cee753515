// CDIB: an 8-bit, 256-colour surface held as a DIB section, with its own copy of the header and
// colour table and a memory device context that keeps the section selected for its whole life.
// Rows are stored bottom-up; image row r (from the top) starts at
// Bits() + (Height() - 1 - r) * Stride().
#pragma once

#include <afxwin.h>

class CDIB : public CObject {
    DECLARE_DYNAMIC(CDIB)
public:
    CDIB();
    ~CDIB() override;

    // The surface's own record: a 40-byte header and 256 colours, 1064 bytes.
    BITMAPINFO* m_pBMI;
    // The section's pixel memory; it belongs to the section.
    BYTE* m_pBits;
    HBITMAP m_hBitmap;
    // A memory context compatible with the screen that holds the section selected.
    HDC m_hDC;
    // What m_hDC held before the section, put back before the context is deleted.
    HGDIOBJ m_hOldBitmap;

    int Create(int width, int height, int fillIndex, CPalette* palette);
    int CreateFromDIB(const BITMAPINFO* info, const void* bits, CPalette* palette);
    int LoadBitmapResource(UINT id, CPalette* palette = nullptr, LPCTSTR type = RT_BITMAP,
                           HINSTANCE module = nullptr);

    int Fill(int index);
    // Image rows firstRow to lastRow inclusive, counted from the top.
    int FillRows(int index, int firstRow, int lastRow);

    int Width() const;
    int Height() const;
    int Stride() const;
    BYTE* Bits() const { return m_pBits; }

    // Re-expresses the surface in palette's colours: pixels to their nearest entries, the
    // colour table to the palette's. 0 when there is nothing to map to.
    virtual int MapToPalette(CPalette* palette);
    // Copies sourceRect of source (null: all of it) to (x, y), clipped to both surfaces; source
    // pixels equal to the low byte of key stay out, unless key < 0.
    virtual void CopyTransparent(CDIB* source, int x, int y, const RECT* sourceRect, int key);
    // Draws sourceRect (null: the whole surface) at (x, y) on dc in one blit, with key pixels
    // showing background (drawn at backgroundX, backgroundY) or, without one, fillIndex.
    virtual void Composite(CDC* dc, int x, int y, const RECT* sourceRect, int key, int fillIndex,
                           CDIB* background, int backgroundX, int backgroundY);
    virtual void Paint(CDC* dc, const RECT* destRect = nullptr, const RECT* srcRect = nullptr);
    // Stretches sourceRect of this surface onto targetRect of target (null: the whole of each).
    virtual void StretchTo(CDIB* target, const RECT* targetRect, const RECT* sourceRect);
    // Copies random tiles of sourceRect to (x, y) on dc, 100 at a time, until timeBudget
    // milliseconds have passed or *stopFlag becomes non-zero.
    virtual void Dissolve(CDC* dc, int x, int y, const RECT* sourceRect, int tileWidth,
                          int tileHeight, int timeBudget, int* stopFlag);
    // Draws text into the surface's pixels in the nearest table colour to colour.
    virtual void DrawText(const char* text, RECT* rect, UINT format, CGdiObject* font,
                          COLORREF colour);

    void Destroy();

    // Number of colour-table entries of a packed DIB (core or info header), the three masks of
    // BI_BITFIELDS included.
    static int ColourCount(const BITMAPINFOHEADER* header);
    // The palette's colours, or the display's when there is no palette, into 256 entries.
    static void FillColourTable(RGBQUAD* table, CPalette* palette);
    // A palette of the DIB's own colours, or of fallback's, or of the display's.
    static void CreatePaletteFromDIB(const BITMAPINFO* info, CPalette* fallback, CPalette* result);

private:
    // CreateFromDIB for a packed DIB of infoSize bytes at info whose pixels are bitsSize bytes at
    // bits (null: behind the colour table, inside the info bytes). Nothing past either end is
    // read, and a DIB that does not fit fails before the surface is touched.
    int CreateFromPackedDIB(const BYTE* info, DWORD infoSize, const BYTE* bits, DWORD bitsSize,
                            CPalette* palette);
};

// One bit of ink per pixel over a rectangle of device coordinates: what a piece of text covers,
// before it is coloured into a surface. Pixels outside the rectangle are never stored, so the
// rectangle is also the clip.
#pragma once

#include <windows.h>

#include <vector>

class CCoverageMask {
public:
    explicit CCoverageMask(const RECT& bounds);

    const RECT& Bounds() const { return m_bounds; }
    bool IsEmpty() const {
        return m_bounds.right <= m_bounds.left || m_bounds.bottom <= m_bounds.top;
    }

    bool Covered(int x, int y) const;
    void Cover(int x, int y);
    // Covers the part of r that lies inside the bounds.
    void CoverRect(const RECT& r);
    // A run of w mask values (0 or 1) for row y starting at column x, clipped to the bounds.
    void CoverRun(int x, int y, const BYTE* ink, int w);

    // The stored row y (bounds' top to bottom - 1), one byte per pixel, or null outside.
    const BYTE* Row(int y) const;
    int Count() const; // covered pixels, for tests and checks

private:
    RECT m_bounds;
    int m_nWidth = 0;
    std::vector<BYTE> m_bits;
};

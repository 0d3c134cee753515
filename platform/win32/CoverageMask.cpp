#include "win32/CoverageMask.h"

#include <algorithm>

CCoverageMask::CCoverageMask(const RECT& bounds) : m_bounds(bounds) {
    if (IsEmpty()) {
        m_bounds = RECT{0, 0, 0, 0};
        return;
    }
    // 64-bit: the sides of a rectangle of LONGs can each reach 2^32.
    const long long width = static_cast<long long>(m_bounds.right) - m_bounds.left;
    const long long height = static_cast<long long>(m_bounds.bottom) - m_bounds.top;
    m_nWidth = static_cast<int>(width);
    m_bits.assign(static_cast<std::size_t>(width * height), 0);
}

bool CCoverageMask::Covered(int x, int y) const {
    const BYTE* row = Row(y);
    return row != nullptr && x >= m_bounds.left && x < m_bounds.right && row[x - m_bounds.left];
}

void CCoverageMask::Cover(int x, int y) {
    if (x >= m_bounds.left && x < m_bounds.right && y >= m_bounds.top && y < m_bounds.bottom) {
        m_bits[static_cast<std::size_t>(y - m_bounds.top) * m_nWidth + (x - m_bounds.left)] = 1;
    }
}

void CCoverageMask::CoverRect(const RECT& r) {
    const LONG left = std::max(r.left, m_bounds.left);
    const LONG right = std::min(r.right, m_bounds.right);
    const LONG top = std::max(r.top, m_bounds.top);
    const LONG bottom = std::min(r.bottom, m_bounds.bottom);
    for (LONG y = top; y < bottom; ++y) {
        BYTE* row = &m_bits[static_cast<std::size_t>(y - m_bounds.top) * m_nWidth];
        std::fill(row + (left - m_bounds.left), row + (std::max(left, right) - m_bounds.left), 1);
    }
}

void CCoverageMask::CoverRun(int x, int y, const BYTE* ink, int w) {
    if (y < m_bounds.top || y >= m_bounds.bottom || w <= 0) {
        return;
    }
    // 64-bit ends: a run placed near the edge of the coordinate range must not wrap.
    const long long first = std::max<long long>(x, m_bounds.left);
    const long long last = std::min<long long>(static_cast<long long>(x) + w, m_bounds.right);
    BYTE* row = &m_bits[static_cast<std::size_t>(y - m_bounds.top) * m_nWidth];
    for (long long px = first; px < last; ++px) {
        row[px - m_bounds.left] |= ink[px - x];
    }
}

const BYTE* CCoverageMask::Row(int y) const {
    if (y < m_bounds.top || y >= m_bounds.bottom) {
        return nullptr;
    }
    return &m_bits[static_cast<std::size_t>(y - m_bounds.top) * m_nWidth];
}

int CCoverageMask::Count() const {
    return static_cast<int>(std::count(m_bits.begin(), m_bits.end(), BYTE{1}));
}

#include "terrain/HeightMap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A cell's height: the low 24 bits, read by sign extension from bit 23.
inline int HeightOf(HeightCell cell) {
    return static_cast<int>(cell << 8) >> 8;
}

// The cell with its height replaced by the low 24 bits of value; the class byte stays.
inline HeightCell WithHeight(HeightCell cell, int value) {
    return (cell & 0xFF000000u) | (static_cast<HeightCell>(value) & 0x00FFFFFFu);
}

// The midpoint displacement: minus the amplitude when the draw has bit 0x2000 set.
inline std::uint32_t Displacement(std::uint32_t amplitude) {
    return (rand() & 0x2000) ? 0u - amplitude : amplitude;
}

// Four cells side by side, for the classification pass.
typedef int Lanes __attribute__((vector_size(16)));

} // namespace

BEGIN_MESSAGE_MAP(CHeightMap, CWnd)
END_MESSAGE_MAP()

CHeightMap::CHeightMap() : m_detail(0), m_cells(nullptr), m_columns(0), m_rows(0) {}

CHeightMap::~CHeightMap() {
    Free();
}

int CHeightMap::Allocate(int columns, int rows) {
    Free();
    // A grid needs at least one cell each way; anything else would hand out a grid that the
    // map's own sizes do not describe.
    if (columns <= 0 || rows <= 0) {
        return 0;
    }
    const std::size_t count = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    if (count > SIZE_MAX / sizeof(HeightCell)) {
        return 0;
    }
    m_cells = static_cast<HeightCell*>(std::calloc(count, sizeof(HeightCell)));
    if (!m_cells) {
        return 0;
    }
    m_columns = columns;
    m_rows = rows;
    return 1;
}

void CHeightMap::Free() {
    if (m_cells) {
        std::free(m_cells);
        m_cells = nullptr;
    }
}

int CHeightMap::CellHeight(int x, int y) const {
    return IsOnMap(x, y) ? HeightOf(m_cells[IndexOf(x, y)]) : 0;
}

void CHeightMap::SetCellHeight(int x, int y, int value) {
    if (IsOnMap(x, y)) {
        HeightCell& cell = m_cells[IndexOf(x, y)];
        cell = WithHeight(cell, value);
    }
}

void CHeightMap::SetCellClass(int x, int y, int k) {
    if (IsOnMap(x, y)) {
        HeightCell& cell = m_cells[IndexOf(x, y)];
        cell = (cell & 0x00FFFFFFu) | (static_cast<HeightCell>(k) << 24);
    }
}

void CHeightMap::Generate(int roughness) {
    if (!m_cells) {
        return;
    }
    Subdivide(roughness, 1, 0, 0, m_columns, m_rows, false);

    Classify();
}

void CHeightMap::Classify() {
    // Each cell's class depends on its own height only, so one pass in memory order gives the
    // same map as a walk column by column. Four cells at a time.
    const std::size_t count =
        static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows);
    HeightCell* const cells = m_cells;
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        Lanes h;
        std::memcpy(&h, cells + i, sizeof h);
        h = (h << 8) >> 8; // sign extension from bit 23
        h &= ~(h >> 31);   // negative heights become 0
        // Each comparison gives -1 where true, so the sum is minus the class.
        const Lanes minusClass = (h >= 128) + (h >= 384) + (h >= 768) + (h >= 1920) + (h >= 3840);
        const Lanes cell = ((0 - minusClass) << 24) | h;
        std::memcpy(cells + i, &cell, sizeof cell);
    }
    for (; i < count; ++i) {
        int h = HeightOf(cells[i]);
        h = h < 0 ? 0 : h;
        cells[i] = (static_cast<HeightCell>(TerrainClassOf(h)) << 24) | static_cast<HeightCell>(h);
    }
}

namespace {

// One step's amplitude: roughness thousandths of the width in world units. The product wraps at
// 32 bits (only its low 32 bits are kept), which is exact for every width the program uses.
inline std::uint32_t Amplitude(int roughness, int x0, int x1) {
    const std::uint32_t width = static_cast<std::uint32_t>(x1) - static_cast<std::uint32_t>(x0);
    const int product = static_cast<int>(static_cast<std::uint32_t>(roughness) * width * 128u);
    return static_cast<std::uint32_t>(product / 1000);
}

// A new height for a cell. Generation classifies every cell right after subdividing, so there
// the old class need not be read back (which saves a load from a line not yet in the cache).
template <bool keepClass> inline void Store(HeightCell& cell, std::uint32_t value) {
    cell = keepClass ? WithHeight(cell, static_cast<int>(value)) : (value & 0x00FFFFFFu);
}

// One displacement step on a rectangle whose four corners all lie on the map, so that every
// point it reads or sets does too and no position needs checking.
template <bool keepClass>
inline void StepInside(HeightCell* cells, std::size_t stride, int roughness, int x0, int y0, int x1,
                       int y1) {
    HeightCell* const top = cells + static_cast<std::size_t>(y0) * stride;
    HeightCell* const bottom = cells + static_cast<std::size_t>(y1) * stride;
    const int a = HeightOf(top[x0]);
    const int b = HeightOf(top[x1]);
    const int c = HeightOf(bottom[x1]);
    const int d = HeightOf(bottom[x0]);
    const int xm = (x0 + x1) >> 1;
    const int ym = (y0 + y1) >> 1;
    HeightCell* const middle = cells + static_cast<std::size_t>(ym) * stride;
    const std::uint32_t amplitude = Amplitude(roughness, x0, x1);

    // Only the low 24 bits of each new height are stored, so wrapping arithmetic is exact here.
    const std::uint32_t centre = static_cast<std::uint32_t>((a + b + c + d) >> 2);
    Store<keepClass>(middle[xm], centre + Displacement(amplitude));
    const std::uint32_t lower = static_cast<std::uint32_t>((d + c) >> 1);
    Store<keepClass>(bottom[xm], lower + Displacement(amplitude));
    const std::uint32_t right = static_cast<std::uint32_t>((b + c) >> 1);
    Store<keepClass>(middle[x1], right + Displacement(amplitude));
}

inline bool IsLastStep(int depth, int x0, int y0, int x1, int y1) {
    return x1 - x0 < 3 || y1 - y0 < 3 || depth > 16;
}

// The recursion on rectangles inside the map. Quadrants whose own step is their last one are
// stepped right here instead of through another call: most steps are such leaves.
template <bool keepClass>
void SubdivideInside(HeightCell* cells, std::size_t stride, int roughness, int depth, int x0,
                     int y0, int x1, int y1) {
    StepInside<keepClass>(cells, stride, roughness, x0, y0, x1, y1);
    if (IsLastStep(depth, x0, y0, x1, y1)) {
        return;
    }
    const int xm = (x0 + x1) >> 1;
    const int ym = (y0 + y1) >> 1;
    const int quadrants[4][4] = {
        {x0, y0, xm, ym}, {xm, y0, x1, ym}, {x0, ym, xm, y1}, {xm, ym, x1, y1}};
    for (const auto& q : quadrants) {
        if (IsLastStep(depth + 1, q[0], q[1], q[2], q[3])) {
            StepInside<keepClass>(cells, stride, roughness, q[0], q[1], q[2], q[3]);
        } else {
            SubdivideInside<keepClass>(cells, stride, roughness, depth + 1, q[0], q[1], q[2], q[3]);
        }
    }
}

} // namespace

void CHeightMap::Subdivide(int roughness, int depth, int x0, int y0, int x1, int y1) {
    Subdivide(roughness, depth, x0, y0, x1, y1, true);
}

void CHeightMap::Subdivide(int roughness, int depth, int x0, int y0, int x1, int y1,
                           bool keepClass) {
    if (IsOnMap(x0, y0) && IsOnMap(x1, y1)) {
        const std::size_t stride = static_cast<std::size_t>(m_columns);
        if (keepClass) {
            SubdivideInside<true>(m_cells, stride, roughness, depth, x0, y0, x1, y1);
        } else {
            SubdivideInside<false>(m_cells, stride, roughness, depth, x0, y0, x1, y1);
        }
        return;
    }
    const int a = CellHeight(x0, y0);
    const int b = CellHeight(x1, y0);
    const int c = CellHeight(x1, y1);
    const int d = CellHeight(x0, y1);

    // Formed in 64 bits so that no sum of two coordinates overflows; the mean fits an int.
    const int xm = static_cast<int>((static_cast<std::int64_t>(x0) + x1) >> 1);
    const int ym = static_cast<int>((static_cast<std::int64_t>(y0) + y1) >> 1);
    const std::uint32_t amplitude = Amplitude(roughness, x0, x1);

    const std::uint32_t centre = static_cast<std::uint32_t>((a + b + c + d) >> 2);
    SetCellHeight(xm, ym, static_cast<int>(centre + Displacement(amplitude)));
    const std::uint32_t bottom = static_cast<std::uint32_t>((d + c) >> 1);
    SetCellHeight(xm, y1, static_cast<int>(bottom + Displacement(amplitude)));
    const std::uint32_t right = static_cast<std::uint32_t>((b + c) >> 1);
    SetCellHeight(x1, ym, static_cast<int>(right + Displacement(amplitude)));

    if (static_cast<std::int64_t>(x1) - x0 < 3 || static_cast<std::int64_t>(y1) - y0 < 3 ||
        depth > 16) {
        return;
    }
    Subdivide(roughness, depth + 1, x0, y0, xm, ym, keepClass);
    Subdivide(roughness, depth + 1, xm, y0, x1, ym, keepClass);
    Subdivide(roughness, depth + 1, x0, ym, xm, y1, keepClass);
    Subdivide(roughness, depth + 1, xm, ym, x1, y1, keepClass);
}

void CHeightMap::Smooth() {
    if (!m_cells || m_columns < 3 || m_rows < 3) {
        return;
    }
    const std::size_t stride = static_cast<std::size_t>(m_columns);
    // Columns outer, rows inner, in place. Walking down column x, the column to the left already
    // holds its new heights, the cell above holds its new one and the rest still hold old ones;
    // the window of nine heights slides down with the walk so that each step loads one new row.
    for (int x = 1; x <= m_columns - 2; ++x) {
        HeightCell* cell = m_cells + x; // (x, 0)
        int l0 = HeightOf(cell[-1]);
        int m0 = HeightOf(cell[0]);
        int r0 = HeightOf(cell[1]);
        cell += stride;
        int l1 = HeightOf(cell[-1]);
        int m1 = HeightOf(cell[0]);
        int r1 = HeightOf(cell[1]);
        for (int y = 1; y <= m_rows - 2; ++y) {
            const HeightCell* below = cell + stride;
            const int l2 = HeightOf(below[-1]);
            const int m2 = HeightOf(below[0]);
            const int r2 = HeightOf(below[1]);
            // Nine 24-bit heights: the sum fits an int. A negative mean becomes 0.
            const int sum = l0 + l1 + l2 + m0 + m1 + m2 + r0 + r1 + r2;
            const int mean = sum > 0 ? static_cast<int>(static_cast<unsigned>(sum) / 9u) : 0;
            *cell = WithHeight(*cell, mean);
            l0 = l1;
            l1 = l2;
            m0 = mean;
            m1 = m2;
            r0 = r1;
            r1 = r2;
            cell += stride;
        }
    }
}

int CHeightMap::AddDetailByDescent(int height, int cellX, int cellY) {
    // Unsigned so that heights at the ends of the int range wrap rather than overflow.
    std::uint32_t v = static_cast<std::uint32_t>(height);
    const bool negative = (height & 1) != 0;
    int ox = 0;
    int oy = 0;
    for (int half = 64, step = 32; half >= 8; half >>= 1, step >>= 1) {
        const bool right = ox + half < cellX;
        const bool lower = oy + half < cellY;
        if (right || lower) {
            v = negative ? v - static_cast<std::uint32_t>(step)
                         : v + static_cast<std::uint32_t>(step);
        }
        if (right) {
            ox += half;
        }
        if (lower) {
            oy += half;
        }
    }
    return static_cast<int>(v);
}

// The landscape: a grid of height cells, its fractal generation, smoothing and classification,
// and the height queries the renderer makes at world coordinates.
#pragma once

#include <afxwin.h>

#include <cstddef>

// One cell: bits 0 to 23 hold a signed height in world units, bits 24 to 31 the terrain class.
typedef DWORD HeightCell;

// What lies at one world position.
struct TerrainSample {
    int row;          // cell row, y >> 7
    int column;       // cell column, x >> 7
    int height;       // ground height, with sub-cell detail when it applies
    int terrainClass; // 0 water, 1 sand, 2 earth, 3 grass, 4 forest, 5 snow
    int cellX;        // x within the cell, 0 to 127
    int cellY;        // y within the cell, 0 to 127
};

class CHeightMap : public CWnd {
public:
    CHeightMap();
    ~CHeightMap() override;

    int Allocate(int columns, int rows);
    void Free();
    void Generate(int roughness);
    void Subdivide(int roughness, int depth, int x0, int y0, int x1, int y1);
    void Smooth();

    int CellHeight(int x, int y) const;
    void SetCellHeight(int x, int y, int value);
    void SetCellClass(int x, int y, int k);

    // Inline: the renderer asks this for every ray step of every column.
    int Sample(int x, int y, int distance, TerrainSample* out) const;
    static int AddDetail(int height, int cellX, int cellY);

    int m_detail;
    HeightCell* m_cells;
    int m_columns;
    int m_rows;

    DECLARE_MESSAGE_MAP()

private:
    bool IsOnMap(int x, int y) const {
        return m_cells && x >= 0 && y >= 0 && x < m_columns && y < m_rows;
    }
    std::size_t IndexOf(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_columns) +
               static_cast<std::size_t>(x);
    }
    void Subdivide(int roughness, int depth, int x0, int y0, int x1, int y1, bool keepClass);
    void Classify();
    static int AddDetailByDescent(int height, int cellX, int cellY);
};

// The class of a (non-negative) height: the bands of water, sand, earth, grass, forest and snow.
inline int TerrainClassOf(int h) {
    if (h < 128) {
        return 0;
    }
    if (h < 384) {
        return 1;
    }
    if (h < 768) {
        return 2;
    }
    if (h < 1920) {
        return 3;
    }
    if (h < 3840) {
        return 4;
    }
    return 5;
}

inline int CHeightMap::AddDetail(int height, int cellX, int cellY) {
    if (((cellX | cellY) & ~127) != 0) {
        return AddDetailByDescent(height, cellX, cellY);
    }
    // Inside a cell the four-level quadrant descent adds, per level, the step of every quadrant
    // but the top-left one; summed up that is bits 3 to 6 of (x - 1) | (y - 1), halved.
    const int mx = cellX > 0 ? cellX - 1 : 0;
    const int my = cellY > 0 ? cellY - 1 : 0;
    const unsigned amount = static_cast<unsigned>(((mx | my) & 120) >> 1);
    // Unsigned, so that a height at the very end of the int range wraps instead of overflowing.
    const unsigned v = (height & 1) ? static_cast<unsigned>(height) - amount
                                    : static_cast<unsigned>(height) + amount;
    return static_cast<int>(v);
}

inline int CHeightMap::Sample(int x, int y, int distance, TerrainSample* out) const {
    if (!m_cells || x < 0 || y < 0) {
        return 0;
    }
    const int column = x >> 7;
    if (column >= m_columns) {
        return 0;
    }
    const int row = y >> 7;
    if (row >= m_rows) {
        return 0;
    }
    const int cellX = x & 127;
    const int cellY = y & 127;
    const HeightCell cell = m_cells[IndexOf(column, row)];
    // Heights are never negative outside generation, so the raw 24 bits are the height.
    int h = static_cast<int>(cell & 0xFFFFFF);
    if (m_detail && distance < 10000 && h > 0) {
        h = AddDetail(h, cellX, cellY);
    }
    out->cellX = cellX;
    out->cellY = cellY;
    out->terrainClass = static_cast<int>(cell >> 24);
    out->height = h;
    out->row = row;
    out->column = column;
    return 1;
}

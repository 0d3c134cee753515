#include "render/TerrainView.h"

#include "gfx/Palette.h"
#include "render/Camera.h"
#include "render/RenderSettings.h"
#include "res/resource.h"
#include "terrain/HeightMap.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr int kSkyColour = 178;
constexpr int kGroundColour = 0;
constexpr int kPlaceholderColour = 55;
constexpr int kTextureSize = 128;
constexpr int kMaxSteps = 1000;
// Positions are ints for the height queries: the map never reaches beyond them.
constexpr std::uint64_t kWorldLimit = 0x80000000u;

// One row of the placeholder colour, read with a row stride of 0 in place of a texture that is
// missing or smaller than 128 x 128, so that the texel fetch needs no test of its own.
struct PlaceholderRow {
    BYTE texels[kTextureSize];
    constexpr PlaceholderRow() : texels() {
        for (BYTE& t : texels) {
            t = kPlaceholderColour;
        }
    }
};
constexpr PlaceholderRow kPlaceholder;

// Everything a column needs that is the same for every column of a frame, worked out once.
//
// The frame's arithmetic is exact: positions, depths and projection products are formed in 64
// bits, so that no camera (altitude and scale up to the int limits, any horizon offset) makes
// them overflow. Wherever the 32-bit products of the rules fit, this gives the very same rows;
// beyond that, the rows are where the exact projection puts them, and positions past the int
// range count as off the map. The step components are clamped to the int range.
struct Frame {
    BYTE* rowZero;        // the top screen row of the back buffer
    std::ptrdiff_t pitch; // bytes from one screen row to the one above it
    int width;
    int height;

    const HeightCell* cells;
    std::ptrdiff_t mapColumns;
    std::uint64_t mapWidth; // world units on the map, 0 when it has no cells
    std::uint64_t mapHeight;
    int detailSteps; // how many leading steps of each ray get sub-cell detail

    std::int64_t eye;
    std::int64_t scale;
    std::int64_t forward; // f, the depth gained per step
    std::int64_t horizon; // m_horizonOffset + H / 2
    double sine;
    double cosine;
    std::int64_t x;
    std::int64_t y;

    const BYTE* textureTop[6]; // the top texel row of each slot's texture
    std::ptrdiff_t texturePitch[6];

    // When every quantity is small enough (any camera the program normally sees), the columns
    // run a faster march that needs these: the depth of every step, and its reciprocal.
    bool narrow;
    std::int64_t depth[kMaxSteps];
    double inverseDepth[kMaxSteps];
};

int TruncateToInt(double v) {
    if (v <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    if (v >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    return static_cast<int>(v);
}

// num / d truncated toward zero, for d >= 1 and |num| < 2^52, from the reciprocal of d. The
// product's error is far below 1 / d, so the estimate is the quotient or, when the quotient is
// a whole number, one less; the remainder tells which.
inline std::int64_t Quotient(std::int64_t num, std::int64_t d, double inverse) {
    const std::int64_t n = num < 0 ? -num : num;
    std::int64_t q = static_cast<std::int64_t>(static_cast<double>(n) * inverse);
    const std::int64_t r = n - q * d;
    if (r >= d) {
        ++q;
    } else if (r < 0) {
        --q;
    }
    return num < 0 ? -q : q;
}

// The colour of a sample in colour mode kMode (3 stands for every texture mode).
template <int kMode>
inline BYTE Colour(const Frame& frame, HeightCell cell, int h, std::int64_t px, std::int64_t py) {
    if constexpr (kMode == 0) {
        return static_cast<BYTE>(h / 50);
    } else if constexpr (kMode == 1) {
        return static_cast<BYTE>(px >> 7);
    } else if constexpr (kMode == 2) {
        return static_cast<BYTE>(py >> 7);
    } else {
        const unsigned terrainClass = cell >> 24;
        const unsigned t = terrainClass > 5 ? 5 : terrainClass;
        return frame.textureTop[t][-static_cast<std::ptrdiff_t>(py & 127) * frame.texturePitch[t] +
                                   static_cast<std::ptrdiff_t>(px & 127)];
    }
}

inline BYTE ColourOf(int mode, const Frame& frame, HeightCell cell, int h, std::int64_t px,
                     std::int64_t py) {
    switch (mode) {
    case 0:
        return Colour<0>(frame, cell, h, px, py);
    case 1:
        return Colour<1>(frame, cell, h, px, py);
    case 2:
        return Colour<2>(frame, cell, h, px, py);
    default:
        return Colour<3>(frame, cell, h, px, py);
    }
}

inline bool OffMap(const Frame& frame, std::int64_t px, std::int64_t py) {
    return static_cast<std::uint64_t>(px) >= frame.mapWidth ||
           static_cast<std::uint64_t>(py) >= frame.mapHeight;
}

inline HeightCell CellAt(const Frame& frame, std::int64_t px, std::int64_t py) {
    return frame.cells[(py >> 7) * frame.mapColumns + (px >> 7)];
}

// Whether trunc(num / d) >= t, for d >= 1: num >= t * d when num >= 0, and num > (t - 1) * d,
// that is num >= t * d - (d - 1), when num < 0. The sign picks the bound arithmetically, since
// terrain above the eye comes and goes along a ray and a branch on it would often be wrong.
inline bool Hidden(std::int64_t num, std::int64_t t, std::int64_t d) {
    return num >= t * d - ((num >> 63) & (d - 1));
}

// The march of one ray for the narrow case. Instead of dividing at every step, the sample's
// visibility is decided by comparing products: with t = e - (horizon row) and d > 0, the
// truncated quotient num / d is below t exactly when num < t * d (num >= 0) or
// num <= (t - 1) * d (num < 0). The quotient itself is only needed for samples that are drawn.
// Once a sample has reached row 0 nothing further can be drawn, so the march stops there.
template <int kMode, bool kSolid, bool kDetail>
int MarchNarrow(const Frame& frame, BYTE* pixels, std::ptrdiff_t pitch, std::int64_t px,
                std::int64_t py, int dx, int dy) {
    int e = frame.height - 1;
    if (e <= 0) {
        return e;
    }
    const std::int64_t horizon = frame.horizon;
    const std::int64_t eye = frame.eye;
    const std::int64_t scale = frame.scale;
    for (int i = 0; i < kMaxSteps; ++i, px += dx, py += dy) {
        if (OffMap(frame, px, py)) {
            break;
        }
        const HeightCell cell = CellAt(frame, px, py);
        int h = static_cast<int>(cell & 0xFFFFFF);
        if (kDetail && i < frame.detailSteps && h > 0) {
            h = CHeightMap::AddDetail(h, static_cast<int>(px & 127), static_cast<int>(py & 127));
        }
        const std::int64_t d = frame.depth[i];
        const std::int64_t num = (eye - h) * scale;
        const std::int64_t t = e - horizon;
        if (Hidden(num, t, d)) {
            continue;
        }
        std::int64_t p = horizon + Quotient(num, d, frame.inverseDepth[i]);
        if (p < 0) {
            p = 0;
        }
        const BYTE k = Colour<kMode>(frame, cell, h, px, py);
        const int row = static_cast<int>(p);
        if (kSolid) {
            for (int j = row; j < e; ++j) {
                pixels[j * pitch] = k;
            }
        } else {
            pixels[row * pitch] = k;
        }
        e = row;
        if (e == 0) {
            break;
        }
    }
    return e;
}

// The march of one ray for any camera: the rules step by step, in 64-bit arithmetic.
int MarchWide(const Frame& frame, int mode, bool solid, bool detail, BYTE* pixels,
              std::ptrdiff_t pitch, std::int64_t px, std::int64_t py, int dx, int dy) {
    int e = frame.height - 1;
    if (e <= 0) {
        return e;
    }
    std::int64_t d = frame.forward;
    for (int i = 0; i < kMaxSteps; ++i, px += dx, py += dy, d += frame.forward) {
        if (OffMap(frame, px, py)) {
            break;
        }
        const HeightCell cell = CellAt(frame, px, py);
        int h = static_cast<int>(cell & 0xFFFFFF);
        if (detail && d < 10000 && h > 0) {
            h = CHeightMap::AddDetail(h, static_cast<int>(px & 127), static_cast<int>(py & 127));
        }
        if (d < 1) {
            d = 1;
        }
        // |eye - h| < 2^32 and |scale| <= 2^31: the product fits in 64 bits.
        std::int64_t p = (frame.eye - h) * frame.scale / d + frame.horizon;
        if (p < 0) {
            p = 0;
        }
        if (p >= e) {
            continue;
        }
        const BYTE k = ColourOf(mode, frame, cell, h, px, py);
        const int row = static_cast<int>(p);
        if (solid) {
            for (int j = row; j < e; ++j) {
                pixels[j * pitch] = k;
            }
        } else {
            pixels[row * pitch] = k;
        }
        e = row;
        if (e == 0) {
            break;
        }
    }
    return e;
}

typedef int (*NarrowMarch)(const Frame&, BYTE*, std::ptrdiff_t, std::int64_t, std::int64_t, int,
                           int);

// Indexed by colour mode (0 to 3), then solid, then detail.
constexpr NarrowMarch kNarrowMarches[4][2][2] = {
    {{MarchNarrow<0, false, false>, MarchNarrow<0, false, true>},
     {MarchNarrow<0, true, false>, MarchNarrow<0, true, true>}},
    {{MarchNarrow<1, false, false>, MarchNarrow<1, false, true>},
     {MarchNarrow<1, true, false>, MarchNarrow<1, true, true>}},
    {{MarchNarrow<2, false, false>, MarchNarrow<2, false, true>},
     {MarchNarrow<2, true, false>, MarchNarrow<2, true, true>}},
    {{MarchNarrow<3, false, false>, MarchNarrow<3, false, true>},
     {MarchNarrow<3, true, false>, MarchNarrow<3, true, true>}},
};

bool WithinMagnitude(std::int64_t v, std::int64_t limit) {
    return v >= -limit && v <= limit;
}

// Fills in the frame for a back buffer that holds pixels. height is at most the buffer's.
void PrepareFrame(Frame& frame, CDIB& backBuffer, CDIB* const* textures, const CCamera& camera,
                  const CHeightMap& map, int eyeHeight, int width, int height) {
    const std::ptrdiff_t stride = backBuffer.Stride();
    frame.pitch = stride;
    frame.rowZero =
        backBuffer.Bits() + static_cast<std::ptrdiff_t>(backBuffer.Height() - 1) * stride;
    frame.width = width;
    frame.height = height;

    if (map.m_cells && map.m_columns > 0 && map.m_rows > 0) {
        frame.cells = map.m_cells;
        frame.mapColumns = map.m_columns;
        const std::uint64_t w = static_cast<std::uint64_t>(map.m_columns) * 128u;
        const std::uint64_t h = static_cast<std::uint64_t>(map.m_rows) * 128u;
        frame.mapWidth = w < kWorldLimit ? w : kWorldLimit;
        frame.mapHeight = h < kWorldLimit ? h : kWorldLimit;
    } else {
        frame.cells = nullptr;
        frame.mapColumns = 0;
        frame.mapWidth = 0;
        frame.mapHeight = 0;
    }

    frame.eye = eyeHeight;
    frame.scale = camera.m_scale;
    frame.forward = frame.scale * 7 / 10;
    frame.horizon = static_cast<std::int64_t>(camera.m_horizonOffset) + height / 2;
    frame.sine = camera.m_sine;
    frame.cosine = camera.m_cosine;
    frame.x = camera.m_x;
    frame.y = camera.m_y;

    for (int t = 0; t < 6; ++t) {
        const CDIB* texture = textures[t];
        if (texture && texture->Bits() && texture->Width() >= kTextureSize &&
            texture->Height() >= kTextureSize) {
            frame.texturePitch[t] = texture->Stride();
            frame.textureTop[t] =
                texture->Bits() +
                static_cast<std::ptrdiff_t>(texture->Height() - 1) * frame.texturePitch[t];
        } else {
            frame.texturePitch[t] = 0;
            frame.textureTop[t] = kPlaceholder.texels;
        }
    }

    // A query gets detail while its depth is below 10000. With f >= 1 that is the first
    // 9999 / f steps; with f <= 0 the depth never leaves 1 + f, so every step.
    if (!map.m_detail) {
        frame.detailSteps = 0;
    } else if (frame.forward >= 1) {
        const std::int64_t steps = 9999 / frame.forward;
        frame.detailSteps = steps < kMaxSteps ? static_cast<int>(steps) : kMaxSteps;
    } else {
        frame.detailSteps = kMaxSteps;
    }

    // The narrow march keeps |num| below 2^52 and every product t * d below 2^62.
    frame.narrow = WithinMagnitude(frame.scale, 1 << 21) && WithinMagnitude(frame.eye, 1 << 30) &&
                   WithinMagnitude(frame.horizon, 1 << 29) && height <= (1 << 29);
    if (frame.narrow) {
        // The depth of step i: (i + 1) f, or, when f < 1, the clamped 1 at every step.
        for (int i = 0; i < kMaxSteps; ++i) {
            const std::int64_t d = frame.forward >= 1 ? (i + 1) * frame.forward : 1;
            frame.depth[i] = d;
            frame.inverseDepth[i] = 1.0 / static_cast<double>(d);
        }
    }
}

// The step of a column's ray and its first sample, one step in front of the camera.
void RayOf(const Frame& frame, int column, std::int64_t& px, std::int64_t& py, int& dx, int& dy) {
    // Both step components carry the factor 7/10 of the forward step f.
    const std::int64_t l = (static_cast<std::int64_t>(column) - frame.width / 2) * 7 / 10;
    const double lateral = static_cast<double>(l);
    const double forward = static_cast<double>(frame.forward);
    dx = TruncateToInt(lateral * frame.cosine - forward * frame.sine);
    dy = TruncateToInt(forward * frame.cosine + lateral * frame.sine);
    px = frame.x + dx;
    py = frame.y + dy;
}

// Marches the ray of one column, writing screen row j of that column at pixels[j * pitch].
// Returns the highest row drawn, or H - 1 when nothing was.
int MarchColumn(const Frame& frame, int column, BYTE* pixels, std::ptrdiff_t pitch) {
    std::int64_t px;
    std::int64_t py;
    int dx;
    int dy;
    RayOf(frame, column, px, py, dx, dy);

    const int mode = g_colourMode >= 0 && g_colourMode <= 2 ? g_colourMode : 3;
    const bool solid = g_solidColumns != 0;
    const bool detail = frame.detailSteps > 0;
    if (frame.narrow) {
        return kNarrowMarches[mode][solid][detail](frame, pixels, pitch, px, py, dx, dy);
    }
    return MarchWide(frame, mode, solid, detail, pixels, pitch, px, py, dx, dy);
}

// Columns are marched a group at a time into a small row-major block, whose rows then go to the
// back buffer whole: a column written straight into the frame touches one cache line per row,
// and the group shares each line among its columns.
constexpr int kGroup = 16;
constexpr int kBlockRows = 2400;

void MarchAllColumns(const Frame& frame, std::int64_t horizonRow) {
    const int width = frame.width;
    const int height = frame.height;
    if (height > kBlockRows || !frame.narrow) {
        for (int column = 0; column < width; ++column) {
            MarchColumn(frame, column, frame.rowZero + column, -frame.pitch);
        }
        return;
    }
    BYTE block[kBlockRows * kGroup];
    const std::size_t skyBytes = static_cast<std::size_t>(horizonRow) * kGroup;
    for (int first = 0; first < width; first += kGroup) {
        const int count = width - first < kGroup ? width - first : kGroup;
        // The block starts as the fills left the frame.
        std::memset(block, kSkyColour, skyBytes);
        std::memset(block + skyBytes, kGroundColour,
                    static_cast<std::size_t>(height) * kGroup - skyBytes);
        int top = height - 1;
        for (int i = 0; i < count; ++i) {
            const int e = MarchColumn(frame, first + i, block + i, kGroup);
            top = e < top ? e : top;
        }
        for (int row = top; row < height - 1; ++row) {
            std::memcpy(frame.rowZero - row * frame.pitch + first, block + row * kGroup,
                        static_cast<std::size_t>(count));
        }
    }
}

} // namespace

const UINT CTerrainView::s_textureIds[6] = {IDB_WATER, IDB_SAND,   IDB_EARTH,
                                            IDB_GRASS, IDB_FOREST, IDB_SNOW};

BEGIN_MESSAGE_MAP(CTerrainView, CWnd)
ON_WM_ERASEBKGND()
ON_WM_SIZE()
ON_WM_PAINT()
ON_WM_DESTROY()
ON_WM_CREATE()
END_MESSAGE_MAP()

CTerrainView::CTerrainView() : m_eyeHeight(0), m_pBackBuffer(nullptr), m_pTextures() {}

// A view whose window was destroyed has released everything already; one that never had a
// window (a stills renderer, a test) releases here what it still holds.
CTerrainView::~CTerrainView() {
    FreeBackBuffer();
    FreeTextures();
}

int CTerrainView::Render(CCamera* camera, CHeightMap* map, int invalidate) {
    CDIB* const backBuffer = m_pBackBuffer;
    if (backBuffer && camera) {
        const int width = backBuffer->Width();
        const int height = backBuffer->Height();
        if (backBuffer->Bits() && width > 0 && height > 0) {
            std::int64_t horizon = static_cast<std::int64_t>(camera->m_horizonOffset) + height / 2;
            if (horizon < 0) {
                horizon = 0;
            }
            if (horizon >= height) {
                horizon = height - 1;
            }
            backBuffer->FillRows(kSkyColour, 0, static_cast<int>(horizon));
            backBuffer->FillRows(kGroundColour, static_cast<int>(horizon), height - 1);

            TerrainSample ground;
            if (g_followTerrain && map && map->Sample(camera->m_x, camera->m_y, 0, &ground)) {
                m_eyeHeight = ground.height + 256;
            } else {
                m_eyeHeight = camera->m_altitude;
            }

            if (map) {
                // Every column's march, as RenderColumn runs it, with the per-frame values
                // worked out once for all of them.
                Frame frame;
                PrepareFrame(frame, *backBuffer, m_pTextures, *camera, *map, m_eyeHeight, width,
                             height);
                MarchAllColumns(frame, horizon);
            }
        }
    }
    // Only a view with a window has anything to invalidate.
    if (invalidate && m_hWnd) {
        InvalidateRect(nullptr, FALSE);
    }
    return 0;
}

int CTerrainView::RenderColumn(CCamera* camera, CHeightMap* map, int column, int width,
                               int height) {
    CDIB* const backBuffer = m_pBackBuffer;
    // Nothing is drawn outside the back buffer, whatever the sizes given.
    if (!camera || !map || !backBuffer || !backBuffer->Bits() || column < 0 ||
        column >= backBuffer->Width() || height < 1 || height > backBuffer->Height()) {
        return 0;
    }
    Frame frame;
    PrepareFrame(frame, *backBuffer, m_pTextures, *camera, *map, m_eyeHeight, width, height);
    MarchColumn(frame, column, frame.rowZero + column, -frame.pitch);
    return 0;
}

void CTerrainView::FreeBackBuffer() {
    if (m_pBackBuffer) {
        m_pBackBuffer->Destroy();
        delete m_pBackBuffer;
        m_pBackBuffer = nullptr;
    }
}

void CTerrainView::LoadTextures() {
    for (int slot = 0; slot < 6; ++slot) {
        delete m_pTextures[slot];
        // A slot whose surface cannot be had stays empty and draws the placeholder colour.
        m_pTextures[slot] = new (std::nothrow) CDIB;
        if (!m_pTextures[slot]) {
            continue;
        }
        // Without its bitmap a texture stays this flat 128 x 128 of the placeholder colour.
        m_pTextures[slot]->Create(kTextureSize, kTextureSize, kPlaceholderColour, g_pPalette);
        m_pTextures[slot]->LoadBitmapResource(s_textureIds[slot], nullptr, RT_BITMAP, nullptr);
    }
}

void CTerrainView::FreeTextures() {
    for (CDIB*& texture : m_pTextures) {
        delete texture;
        texture = nullptr;
    }
}

int CTerrainView::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CWnd::OnCreate(lpCreateStruct) == -1) {
        return -1;
    }
    LoadTextures();
    return 0;
}

void CTerrainView::OnSize(UINT nType, int cx, int cy) {
    CWnd::OnSize(nType, cx, cy);
    if (cx <= 0 || cy <= 0) {
        return;
    }
    FreeBackBuffer();
    m_pBackBuffer = new (std::nothrow) CDIB;
    if (m_pBackBuffer) {
        // A failed creation leaves a surface without pixels, which frames then skip.
        m_pBackBuffer->Create(cx, cy, kGroundColour, g_pPalette);
    }
}

void CTerrainView::OnPaint() {
    CPaintDC dc(this);
    if (m_pBackBuffer) {
        m_pBackBuffer->Paint(&dc, nullptr, nullptr);
    }
}

BOOL CTerrainView::OnEraseBkgnd(CDC* pDC) {
    RECT client;
    GetClientRect(&client);
    if (!m_pBackBuffer && pDC) {
        pDC->FillSolidRect(&client, RGB(128, 0, 0));
    }
    return CWnd::OnEraseBkgnd(pDC);
}

void CTerrainView::OnDestroy() {
    FreeBackBuffer();
    FreeTextures();
    CWnd::OnDestroy();
}

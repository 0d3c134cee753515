#include "render/TerrainView.h"

#include "gfx/Palette.h"
#include "render/Camera.h"
#include "render/RenderSettings.h"
#include "res/resource.h"
#include "terrain/HeightMap.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

// The vector march: 1 with AVX2 (chosen at run time), 2 with WebAssembly SIMD (the browser
// build, which every current browser runs), 0 where there is none.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DORVANE_VECTOR_MARCH 1
#include <immintrin.h>
#elif defined(__wasm_simd128__)
#define DORVANE_VECTOR_MARCH 2
#include <wasm_simd128.h>
#else
#define DORVANE_VECTOR_MARCH 0
#endif

int g_casterVectors = 1;

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
    // run a faster march that needs the reciprocal of the depth (i + 1) f of every step i.
    bool narrow;
    double inverseDepth[kMaxSteps];

    // For the vector march in a texture mode: the six textures' top-left 128 x 128 texels, top
    // row first, one texture after the other, so that a texel is found from its slot and its
    // position in the cell alone.
    const BYTE* texels = nullptr;
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

// Draws a sample of colour k at screen row `row` of a column whose clip row is e, where
// screen row j is the byte at pixels[j * pitch]: that row alone, or in solid mode every row from
// it down to the one above the clip row.
inline void DrawSample(BYTE* pixels, std::ptrdiff_t pitch, int row, int e, BYTE k, bool solid) {
    if (solid) {
        for (int j = row; j < e; ++j) {
            pixels[j * pitch] = k;
        }
    } else {
        pixels[row * pitch] = k;
    }
}

// The visibility test of the narrow march, for the clip row e and the sample of step i at depth
// d = (i + 1) f. With t = e - (horizon row), the truncated quotient num / d lies above the clip
// (is drawn) exactly when num < t d (t > 0) or num <= (t - 1) d, that is num < (t - 1) d + 1
// (t <= 0). With num = (eye - h) scale that is h scale > eye scale - (a d + b) = g, for
// (a, b) = (t, 0) or (t - 1, 1). g falls by a f from one step to the next, so a step costs one
// product and one comparison, and the quotient is only formed for samples that are drawn.
struct Clip {
    std::int64_t g;    // the bound on h scale at the current step
    std::int64_t fall; // a f
};

inline Clip ClipAt(int e, std::int64_t horizon, std::int64_t eyeScale, std::int64_t d,
                   std::int64_t f) {
    const std::int64_t t = e - horizon;
    const std::int64_t a = t > 0 ? t : t - 1;
    const std::int64_t b = t > 0 ? 0 : 1;
    return Clip{eyeScale - a * d - b, a * f};
}

// How many samples from p0 on, stepping by delta, stay within 0 .. limit - 1 before the first
// that does not.
inline std::int64_t StepsWithin(std::int64_t p0, std::int64_t delta, std::uint64_t limit) {
    if (static_cast<std::uint64_t>(p0) >= limit) {
        return 0;
    }
    if (delta > 0) {
        return (static_cast<std::int64_t>(limit) - 1 - p0) / delta + 1;
    }
    if (delta < 0) {
        return p0 / -delta + 1;
    }
    return kMaxSteps;
}

// How many samples of a ray, from its first at (px, py), lie on the map before the first that
// does not, up to the limit of steps.
inline int StepCount(const Frame& frame, std::int64_t px, std::int64_t py, int dx, int dy) {
    return static_cast<int>(
        std::min({StepsWithin(px, dx, frame.mapWidth), StepsWithin(py, dy, frame.mapHeight),
                  static_cast<std::int64_t>(kMaxSteps)}));
}

// The march of one ray for the narrow case: `steps` samples, all on the map. Once a sample has
// reached row 0 nothing further can be drawn, so the march stops there.
template <int kMode, bool kSolid, bool kDetail>
void MarchNarrow(const Frame& frame, BYTE* pixels, std::ptrdiff_t pitch, std::int64_t px,
                 std::int64_t py, int dx, int dy, int steps) {
    int e = frame.height - 1;
    if (e <= 0) {
        return;
    }
    const std::int64_t horizon = frame.horizon;
    const std::int64_t eye = frame.eye;
    const std::int64_t scale = frame.scale;
    const std::int64_t f = frame.forward;
    const std::int64_t eyeScale = eye * scale;
    const HeightCell* const cells = frame.cells;
    const std::ptrdiff_t columns = frame.mapColumns;
    const int detailSteps = kDetail ? frame.detailSteps : 0;
    Clip clip = ClipAt(e, horizon, eyeScale, f, f);
    for (int i = 0; i < steps; ++i, px += dx, py += dy, clip.g -= clip.fall) {
        const HeightCell cell = cells[(py >> 7) * columns + (px >> 7)];
        int h = static_cast<int>(cell & 0xFFFFFF);
        if (kDetail && i < detailSteps && h > 0) {
            h = CHeightMap::AddDetail(h, static_cast<int>(px & 127), static_cast<int>(py & 127));
        }
        if (h * scale <= clip.g) {
            continue;
        }
        const std::int64_t d = (i + 1) * f;
        std::int64_t p = horizon + Quotient((eye - h) * scale, d, frame.inverseDepth[i]);
        if (p < 0) {
            p = 0;
        }
        const int row = static_cast<int>(p);
        DrawSample(pixels, pitch, row, e, Colour<kMode>(frame, cell, h, px, py), kSolid);
        e = row;
        if (e == 0) {
            break;
        }
        clip = ClipAt(e, horizon, eyeScale, d, f);
    }
}

// The march of one ray for any camera: the rules step by step, in 64-bit arithmetic.
void MarchWide(const Frame& frame, int mode, bool solid, bool detail, BYTE* pixels,
               std::ptrdiff_t pitch, std::int64_t px, std::int64_t py, int dx, int dy) {
    int e = frame.height - 1;
    if (e <= 0) {
        return;
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
        const int row = static_cast<int>(p);
        DrawSample(pixels, pitch, row, e, ColourOf(mode, frame, cell, h, px, py), solid);
        e = row;
        if (e == 0) {
            break;
        }
    }
}

typedef void (*NarrowMarch)(const Frame&, BYTE*, std::ptrdiff_t, std::int64_t, std::int64_t, int,
                            int, int);

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

    // The narrow march keeps |num| below 2^52 and every product a * d below 2^62, and needs a
    // depth that grows by f >= 1 at every step.
    frame.narrow = frame.forward >= 1 && WithinMagnitude(frame.scale, 1 << 21) &&
                   WithinMagnitude(frame.eye, 1 << 30) && WithinMagnitude(frame.horizon, 1 << 29) &&
                   height <= (1 << 29);
    if (frame.narrow) {
        for (int i = 0; i < kMaxSteps; ++i) {
            frame.inverseDepth[i] = 1.0 / static_cast<double>((i + 1) * frame.forward);
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

// Marches the ray of one column, one sample at a time.
void MarchColumn(const Frame& frame, int column) {
    // Screen row j of the column is the byte at pixels[j * pitch].
    BYTE* const pixels = frame.rowZero + column;
    const std::ptrdiff_t pitch = -frame.pitch;
    std::int64_t px;
    std::int64_t py;
    int dx;
    int dy;
    RayOf(frame, column, px, py, dx, dy);

    const int mode = g_colourMode >= 0 && g_colourMode <= 2 ? g_colourMode : 3;
    const bool solid = g_solidColumns != 0;
    const bool detail = frame.detailSteps > 0;
    if (frame.narrow) {
        kNarrowMarches[mode][solid][detail](frame, pixels, pitch, px, py, dx, dy,
                                            StepCount(frame, px, py, dx, dy));
        return;
    }
    MarchWide(frame, mode, solid, detail, pixels, pitch, px, py, dx, dy);
}

#if DORVANE_VECTOR_MARCH
// The rays of eight neighbouring columns, for the marches that take them side by side: where
// each starts and steps, how many on-map samples it has, and where its pixels go (a scratch
// byte for lanes past the frame's right edge).
struct EightRays {
    alignas(32) int startX[8];
    alignas(32) int startY[8];
    alignas(32) int stepX[8];
    alignas(32) int stepY[8];
    alignas(32) int stepCount[8];
    BYTE* columnTop[8];
    int longest = 0;
};

void SetUpEightRays(const Frame& frame, int first, BYTE* scratch, EightRays& rays) {
    for (int lane = 0; lane < 8; ++lane) {
        const int column = first + lane;
        std::int64_t px = 0;
        std::int64_t py = 0;
        int dx = 0;
        int dy = 0;
        int steps = 0;
        if (column < frame.width) {
            RayOf(frame, column, px, py, dx, dy);
            steps = StepCount(frame, px, py, dx, dy);
        }
        // Only the positions of on-map samples are used, and those are ints.
        rays.startX[lane] = steps > 0 ? static_cast<int>(px) : 0;
        rays.startY[lane] = steps > 0 ? static_cast<int>(py) : 0;
        rays.stepX[lane] = dx;
        rays.stepY[lane] = dy;
        rays.stepCount[lane] = steps;
        rays.columnTop[lane] = column < frame.width ? frame.rowZero + column : scratch;
        rays.longest = steps > rays.longest ? steps : rays.longest;
    }
}

// Draws the samples of one step of the eight columns: the lanes set in mask draw theirs, at
// their row and, for solid columns, down to their clip row; in single-pixel mode the others
// write into the scratch byte instead, so that no lane branches.
template <bool kSolid>
inline void DrawEight(const EightRays& rays, std::ptrdiff_t pitch, unsigned mask, const int* row,
                      const int* clip, const int* colour, BYTE& scratch) {
    for (int lane = 0; lane < 8; ++lane) {
        const bool draws = (mask >> lane) & 1u;
        const BYTE k = static_cast<BYTE>(colour[lane]);
        if (kSolid) {
            if (draws) {
                DrawSample(rays.columnTop[lane], -pitch, row[lane], clip[lane], k, true);
            }
        } else {
            *(draws ? rays.columnTop[lane] - row[lane] * pitch : &scratch) = k;
        }
    }
}
#endif

#if DORVANE_VECTOR_MARCH == 1

// The vector march: eight neighbouring columns marched side by side, one step of all eight at a
// time, with AVX2. Each step's depth is the same for all of them, so its row is worked out for
// all eight in one division of doubles: (eye - h) scale is exact in a double (|num| < 2^52, see
// the narrow limits), the quotient is rounded correctly, and since a quotient that is not whole
// lies at least 1 / d from the next whole number while the rounding moves it by less than that,
// truncating the double gives exactly the integer quotient. Quotients are clamped to +-2^30
// first, which, with the horizon and the height below 2^29, keeps every row that can be drawn
// and the row 0 of every sample above the top edge. The columns finish independently: a column
// takes part in a step while the step is one of its on-map samples and it has not reached row 0.
// Lanes that are not drawn write their pixel into a scratch byte, so that drawing needs no
// branch per column.
template <int kMode, bool kSolid, bool kDetail>
__attribute__((target("avx2"))) void MarchEight(const Frame& frame, int first) {
    BYTE scratch = 0;
    EightRays rays;
    SetUpEightRays(frame, first, &scratch, rays);

    const __m256i zero = _mm256_setzero_si256();
    const __m256i heightMask = _mm256_set1_epi32(0xFFFFFF);
    const __m256i within = _mm256_set1_epi32(127);
    const __m256i eye = _mm256_set1_epi32(static_cast<int>(frame.eye));
    const __m256i horizon = _mm256_set1_epi32(static_cast<int>(frame.horizon));
    const __m256i mapColumns = _mm256_set1_epi32(static_cast<int>(frame.mapColumns));
    const __m256d scale = _mm256_set1_pd(static_cast<double>(frame.scale));
    const __m256d lowest = _mm256_set1_pd(-1073741824.0);
    const __m256d highest = _mm256_set1_pd(1073741824.0);
    const double forward = static_cast<double>(frame.forward);
    const HeightCell* const cells = frame.cells;
    const std::ptrdiff_t pitch = frame.pitch;

    __m256i px = _mm256_load_si256(reinterpret_cast<const __m256i*>(rays.startX));
    __m256i py = _mm256_load_si256(reinterpret_cast<const __m256i*>(rays.startY));
    const __m256i dx = _mm256_load_si256(reinterpret_cast<const __m256i*>(rays.stepX));
    const __m256i dy = _mm256_load_si256(reinterpret_cast<const __m256i*>(rays.stepY));
    const __m256i steps = _mm256_load_si256(reinterpret_cast<const __m256i*>(rays.stepCount));
    __m256i e = _mm256_set1_epi32(frame.height - 1);

    for (int i = 0, longest = rays.longest; i < longest;
         ++i, px = _mm256_add_epi32(px, dx), py = _mm256_add_epi32(py, dy)) {
        const __m256i active = _mm256_and_si256(_mm256_cmpgt_epi32(steps, _mm256_set1_epi32(i)),
                                                _mm256_cmpgt_epi32(e, zero));
        if (_mm256_testz_si256(active, active)) {
            break;
        }
        // Lanes that take no part read cell 0, which exists whenever any lane is on the map.
        const __m256i index = _mm256_and_si256(
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(py, 7), mapColumns),
                             _mm256_srai_epi32(px, 7)),
            active);
        alignas(32) int at[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), index);
        const __m256i cell =
            _mm256_setr_epi32(static_cast<int>(cells[at[0]]), static_cast<int>(cells[at[1]]),
                              static_cast<int>(cells[at[2]]), static_cast<int>(cells[at[3]]),
                              static_cast<int>(cells[at[4]]), static_cast<int>(cells[at[5]]),
                              static_cast<int>(cells[at[6]]), static_cast<int>(cells[at[7]]));
        __m256i h = _mm256_and_si256(cell, heightMask);
        if (kDetail && i < frame.detailSteps) {
            // CHeightMap::AddDetail for every lane whose height is above 0.
            const __m256i one = _mm256_set1_epi32(1);
            const __m256i mx =
                _mm256_max_epi32(_mm256_sub_epi32(_mm256_and_si256(px, within), one), zero);
            const __m256i my =
                _mm256_max_epi32(_mm256_sub_epi32(_mm256_and_si256(py, within), one), zero);
            const __m256i amount = _mm256_srli_epi32(
                _mm256_and_si256(_mm256_or_si256(mx, my), _mm256_set1_epi32(120)), 1);
            const __m256i odd = _mm256_cmpeq_epi32(_mm256_and_si256(h, one), one);
            const __m256i detailed =
                _mm256_blendv_epi8(_mm256_add_epi32(h, amount), _mm256_sub_epi32(h, amount), odd);
            h = _mm256_blendv_epi8(h, detailed, _mm256_cmpgt_epi32(h, zero));
        }
        const __m256i lift = _mm256_sub_epi32(eye, h);
        const __m256d depth = _mm256_set1_pd(static_cast<double>(i + 1) * forward);
        __m256d q0 = _mm256_div_pd(
            _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(lift)), scale), depth);
        __m256d q1 = _mm256_div_pd(
            _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(lift, 1)), scale), depth);
        q0 = _mm256_min_pd(_mm256_max_pd(q0, lowest), highest);
        q1 = _mm256_min_pd(_mm256_max_pd(q1, lowest), highest);
        const __m256i quotient = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm256_cvttpd_epi32(q0)), _mm256_cvttpd_epi32(q1), 1);
        const __m256i p = _mm256_max_epi32(_mm256_add_epi32(horizon, quotient), zero);
        const __m256i drawn = _mm256_and_si256(active, _mm256_cmpgt_epi32(e, p));
        if (_mm256_testz_si256(drawn, drawn)) {
            continue;
        }

        alignas(32) int colour[8];
        if constexpr (kMode == 0) {
            // The low 8 bits of h / 50, truncated: exact through doubles as the quotient is.
            const __m256d fifty = _mm256_set1_pd(50.0);
            const __m256i b0 = _mm256_castsi128_si256(_mm256_cvttpd_epi32(
                _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(h)), fifty)));
            const __m128i b1 = _mm256_cvttpd_epi32(
                _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(h, 1)), fifty));
            _mm256_store_si256(reinterpret_cast<__m256i*>(colour),
                               _mm256_inserti128_si256(b0, b1, 1));
        } else if constexpr (kMode == 1) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(colour), _mm256_srai_epi32(px, 7));
        } else if constexpr (kMode == 2) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(colour), _mm256_srai_epi32(py, 7));
        } else {
            const __m256i slot =
                _mm256_min_epu32(_mm256_srli_epi32(cell, 24), _mm256_set1_epi32(5));
            const __m256i texel = _mm256_add_epi32(
                _mm256_add_epi32(_mm256_slli_epi32(slot, 14),
                                 _mm256_slli_epi32(_mm256_and_si256(py, within), 7)),
                _mm256_and_si256(px, within));
            alignas(32) int texelAt[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(texelAt), texel);
            for (int lane = 0; lane < 8; ++lane) {
                colour[lane] = frame.texels[texelAt[lane]];
            }
        }
        alignas(32) int row[8];
        alignas(32) int clip[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(row), p);
        if (kSolid) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(clip), e);
        }
        const unsigned mask = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(drawn)));
        DrawEight<kSolid>(rays, pitch, mask, row, clip, colour, scratch);
        e = _mm256_blendv_epi8(e, p, drawn);
    }
}

bool ProcessorHasVectors() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

#elif DORVANE_VECTOR_MARCH == 2

// The same march with WebAssembly SIMD, whose vectors hold four ints or two doubles: the eight
// columns are two halves of four, and each step's rows are worked out in four divisions of two
// doubles. Every operation matches its AVX2 counterpart lane for lane (the quotients are clamped
// before truncation as there), so both draw the pixels of the plain march.
struct Eight {
    v128_t half[2];
};

inline Eight Load(const int* values) {
    return Eight{{wasm_v128_load(values), wasm_v128_load(values + 4)}};
}

inline void Store(int* values, const Eight& v) {
    wasm_v128_store(values, v.half[0]);
    wasm_v128_store(values + 4, v.half[1]);
}

template <typename F> inline Eight Each(const Eight& a, const Eight& b, F f) {
    return Eight{{f(a.half[0], b.half[0]), f(a.half[1], b.half[1])}};
}

inline Eight Splat(int value) {
    return Eight{{wasm_i32x4_splat(value), wasm_i32x4_splat(value)}};
}

inline bool Any(const Eight& v) {
    return wasm_v128_any_true(wasm_v128_or(v.half[0], v.half[1]));
}

// Truncated (a scale) / depth of four ints, through doubles clamped to +-2^30.
inline v128_t RowQuotients(v128_t a, v128_t scale, v128_t depth) {
    const v128_t lowest = wasm_f64x2_splat(-1073741824.0);
    const v128_t highest = wasm_f64x2_splat(1073741824.0);
    v128_t q0 = wasm_f64x2_div(wasm_f64x2_mul(wasm_f64x2_convert_low_i32x4(a), scale), depth);
    v128_t q1 = wasm_f64x2_div(
        wasm_f64x2_mul(wasm_f64x2_convert_low_i32x4(wasm_i32x4_shuffle(a, a, 2, 3, 2, 3)), scale),
        depth);
    q0 = wasm_f64x2_min(wasm_f64x2_max(q0, lowest), highest);
    q1 = wasm_f64x2_min(wasm_f64x2_max(q1, lowest), highest);
    return wasm_i32x4_shuffle(wasm_i32x4_trunc_sat_f64x2_zero(q0),
                              wasm_i32x4_trunc_sat_f64x2_zero(q1), 0, 1, 4, 5);
}

// The low 8 bits of h / 50 need only the quotient's truncation, exact through doubles.
inline v128_t Bands(v128_t h) {
    const v128_t fifty = wasm_f64x2_splat(50.0);
    const v128_t b0 =
        wasm_i32x4_trunc_sat_f64x2_zero(wasm_f64x2_div(wasm_f64x2_convert_low_i32x4(h), fifty));
    const v128_t b1 = wasm_i32x4_trunc_sat_f64x2_zero(
        wasm_f64x2_div(wasm_f64x2_convert_low_i32x4(wasm_i32x4_shuffle(h, h, 2, 3, 2, 3)), fifty));
    return wasm_i32x4_shuffle(b0, b1, 0, 1, 4, 5);
}

template <int kMode, bool kSolid, bool kDetail> void MarchEight(const Frame& frame, int first) {
    BYTE scratch = 0;
    EightRays rays;
    SetUpEightRays(frame, first, &scratch, rays);

    const auto add = [](v128_t a, v128_t b) { return wasm_i32x4_add(a, b); };
    const auto sub = [](v128_t a, v128_t b) { return wasm_i32x4_sub(a, b); };
    const auto both = [](v128_t a, v128_t b) { return wasm_v128_and(a, b); };
    const auto greater = [](v128_t a, v128_t b) { return wasm_i32x4_gt(a, b); };
    const auto larger = [](v128_t a, v128_t b) { return wasm_i32x4_max(a, b); };
    const Eight zero = Splat(0);
    const Eight heightMask = Splat(0xFFFFFF);
    const Eight within = Splat(127);
    const Eight eye = Splat(static_cast<int>(frame.eye));
    const Eight horizon = Splat(static_cast<int>(frame.horizon));
    const v128_t mapColumns = wasm_i32x4_splat(static_cast<int>(frame.mapColumns));
    const v128_t scale = wasm_f64x2_splat(static_cast<double>(frame.scale));
    const double forward = static_cast<double>(frame.forward);
    const HeightCell* const cells = frame.cells;
    const std::ptrdiff_t pitch = frame.pitch;

    Eight px = Load(rays.startX);
    Eight py = Load(rays.startY);
    const Eight dx = Load(rays.stepX);
    const Eight dy = Load(rays.stepY);
    const Eight steps = Load(rays.stepCount);
    Eight e = Splat(frame.height - 1);

    for (int i = 0, longest = rays.longest; i < longest;
         ++i, px = Each(px, dx, add), py = Each(py, dy, add)) {
        const Eight active = Each(Each(steps, Splat(i), greater), Each(e, zero, greater), both);
        if (!Any(active)) {
            break;
        }
        // Lanes that take no part read cell 0, which exists whenever any lane is on the map.
        const Eight index =
            Each(Each(px, py,
                      [&](v128_t x, v128_t y) {
                          return wasm_i32x4_add(wasm_i32x4_mul(wasm_i32x4_shr(y, 7), mapColumns),
                                                wasm_i32x4_shr(x, 7));
                      }),
                 active, both);
        alignas(16) int at[8];
        Store(at, index);
        alignas(16) int cellAt[8];
        for (int lane = 0; lane < 8; ++lane) {
            cellAt[lane] = static_cast<int>(cells[at[lane]]);
        }
        const Eight cell = Load(cellAt);
        Eight h = Each(cell, heightMask, both);
        if (kDetail && i < frame.detailSteps) {
            // CHeightMap::AddDetail for every lane whose height is above 0.
            const Eight one = Splat(1);
            const Eight mx = Each(Each(Each(px, within, both), one, sub), zero, larger);
            const Eight my = Each(Each(Each(py, within, both), one, sub), zero, larger);
            const Eight amount = Each(mx, my, [](v128_t x, v128_t y) {
                return wasm_u32x4_shr(wasm_v128_and(wasm_v128_or(x, y), wasm_i32x4_splat(120)), 1);
            });
            const Eight odd = Each(
                h, one, [](v128_t v, v128_t o) { return wasm_i32x4_eq(wasm_v128_and(v, o), o); });
            for (int k = 0; k < 2; ++k) {
                const v128_t detailed =
                    wasm_v128_bitselect(wasm_i32x4_sub(h.half[k], amount.half[k]),
                                        wasm_i32x4_add(h.half[k], amount.half[k]), odd.half[k]);
                h.half[k] = wasm_v128_bitselect(detailed, h.half[k],
                                                wasm_i32x4_gt(h.half[k], zero.half[k]));
            }
        }
        const Eight lift = Each(eye, h, sub);
        const v128_t depth = wasm_f64x2_splat(static_cast<double>(i + 1) * forward);
        const Eight quotient = {
            {RowQuotients(lift.half[0], scale, depth), RowQuotients(lift.half[1], scale, depth)}};
        const Eight p = Each(Each(horizon, quotient, add), zero, larger);
        const Eight drawn = Each(active, Each(e, p, greater), both);
        if (!Any(drawn)) {
            continue;
        }

        alignas(16) int colour[8];
        if constexpr (kMode == 0) {
            Store(colour, Eight{{Bands(h.half[0]), Bands(h.half[1])}});
        } else if constexpr (kMode == 1) {
            Store(colour, Eight{{wasm_i32x4_shr(px.half[0], 7), wasm_i32x4_shr(px.half[1], 7)}});
        } else if constexpr (kMode == 2) {
            Store(colour, Eight{{wasm_i32x4_shr(py.half[0], 7), wasm_i32x4_shr(py.half[1], 7)}});
        } else {
            alignas(16) int texelAt[8];
            for (int k = 0; k < 2; ++k) {
                const v128_t slot =
                    wasm_u32x4_min(wasm_u32x4_shr(cell.half[k], 24), wasm_i32x4_splat(5));
                const v128_t texel = wasm_i32x4_add(
                    wasm_i32x4_add(wasm_i32x4_shl(slot, 14),
                                   wasm_i32x4_shl(wasm_v128_and(py.half[k], within.half[k]), 7)),
                    wasm_v128_and(px.half[k], within.half[k]));
                wasm_v128_store(texelAt + 4 * k, texel);
            }
            for (int lane = 0; lane < 8; ++lane) {
                colour[lane] = frame.texels[texelAt[lane]];
            }
        }
        alignas(16) int row[8];
        alignas(16) int clip[8];
        Store(row, p);
        if (kSolid) {
            Store(clip, e);
        }
        const unsigned mask = static_cast<unsigned>(wasm_i32x4_bitmask(drawn.half[0])) |
                              static_cast<unsigned>(wasm_i32x4_bitmask(drawn.half[1])) << 4;
        DrawEight<kSolid>(rays, pitch, mask, row, clip, colour, scratch);
        for (int k = 0; k < 2; ++k) {
            e.half[k] = wasm_v128_bitselect(p.half[k], e.half[k], drawn.half[k]);
        }
    }
}

// Every browser that runs the program has the instructions: they are part of the build.
bool ProcessorHasVectors() {
    return true;
}

#endif

#if DORVANE_VECTOR_MARCH

typedef void (*VectorMarch)(const Frame&, int);

// Indexed by colour mode (0 to 3), then solid, then detail.
constexpr VectorMarch kVectorMarches[4][2][2] = {
    {{MarchEight<0, false, false>, MarchEight<0, false, true>},
     {MarchEight<0, true, false>, MarchEight<0, true, true>}},
    {{MarchEight<1, false, false>, MarchEight<1, false, true>},
     {MarchEight<1, true, false>, MarchEight<1, true, true>}},
    {{MarchEight<2, false, false>, MarchEight<2, false, true>},
     {MarchEight<2, true, false>, MarchEight<2, true, true>}},
    {{MarchEight<3, false, false>, MarchEight<3, false, true>},
     {MarchEight<3, true, false>, MarchEight<3, true, true>}},
};

bool UseVectorMarch(const Frame& frame) {
    return frame.narrow && g_casterVectors && ProcessorHasVectors();
}

struct TexelTable {
    BYTE texels[6 * kTextureSize * kTextureSize];
};

// Copies the top-left 128 x 128 texels of every slot's texture into the table that the vector
// march reads. Frames are drawn on one thread, one at a time, so they can share it.
const BYTE* FillTexelTable(const Frame& frame) {
    static TexelTable table;
    for (int t = 0; t < 6; ++t) {
        for (int v = 0; v < kTextureSize; ++v) {
            std::memcpy(table.texels + (t * kTextureSize + v) * kTextureSize,
                        frame.textureTop[t] - v * frame.texturePitch[t], kTextureSize);
        }
    }
    return table.texels;
}

#endif

void MarchAllColumns(Frame& frame) {
#if DORVANE_VECTOR_MARCH
    if (UseVectorMarch(frame)) {
        const int mode = g_colourMode >= 0 && g_colourMode <= 2 ? g_colourMode : 3;
        const bool solid = g_solidColumns != 0;
        const bool detail = frame.detailSteps > 0;
        if (mode == 3) {
            frame.texels = FillTexelTable(frame);
        }
        const VectorMarch march = kVectorMarches[mode][solid][detail];
        for (int first = 0; first < frame.width; first += 8) {
            march(frame, first);
        }
        return;
    }
#endif
    for (int column = 0; column < frame.width; ++column) {
        MarchColumn(frame, column);
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
                MarchAllColumns(frame);
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
    MarchColumn(frame, column);
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

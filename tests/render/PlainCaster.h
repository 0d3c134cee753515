// The column ray caster written out directly from its rules, step by step, with a height query
// and a division for every sample: the reference that the view's own caster must match to the
// bit. Int is the width of the integer arithmetic: 64 bits gives the exact values that the view
// promises for every camera, 32 bits is the literal rendition (only for cameras whose products
// fit, as the benchmark's do).
#pragma once

#include "gfx/DIB.h"
#include "render/Camera.h"
#include "render/RenderSettings.h"
#include "render/TerrainView.h"
#include "terrain/HeightMap.h"

#include <climits>
#include <cstdint>

namespace plain {

// Whether v is an int; always so with 32-bit arithmetic.
template <typename Int> bool FitsInt(Int v) {
    if constexpr (sizeof(Int) > sizeof(int)) {
        return v >= INT_MIN && v <= INT_MAX;
    } else {
        (void)v;
        return true;
    }
}

template <typename Int> Int TruncateStep(double v) {
    if (v <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    if (v >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    return static_cast<Int>(static_cast<int>(v));
}

inline int Texel(CTerrainView& view, const TerrainSample& s) {
    int t = s.terrainClass;
    if (t > 5) {
        t = 5;
    }
    if (t < 0) {
        t = 0;
    }
    CDIB* texture = view.m_pTextures[t];
    if (!texture || !texture->Bits() || texture->Width() < 128 || texture->Height() < 128) {
        return 55;
    }
    return texture->Bits()[(texture->Height() - 1 - s.cellY) * texture->Stride() + s.cellX];
}

// The step vector of a column's ray.
template <typename Int> void Step(const CCamera& camera, int column, int width, Int& dx, Int& dy) {
    const Int W = width;
    const Int f = static_cast<Int>(camera.m_scale) * 7 / 10;
    const Int l = (static_cast<Int>(column) - W / 2) * 7 / 10;
    dx = TruncateStep<Int>(static_cast<double>(l) * camera.m_cosine -
                           static_cast<double>(f) * camera.m_sine);
    dy = TruncateStep<Int>(static_cast<double>(f) * camera.m_cosine +
                           static_cast<double>(l) * camera.m_sine);
}

template <typename Int>
void Column(CTerrainView& view, CCamera& camera, CHeightMap& map, int column, int width,
            int height) {
    CDIB* buffer = view.m_pBackBuffer;
    const Int H = height;
    const Int f = static_cast<Int>(camera.m_scale) * 7 / 10;
    Int dx;
    Int dy;
    Step<Int>(camera, column, width, dx, dy);
    Int px = camera.m_x + dx;
    Int py = camera.m_y + dy;
    Int d = f;
    Int e = H - 1;
    for (int i = 0; i < 1000; ++i) {
        TerrainSample s;
        if (!FitsInt(px) || !FitsInt(py)) {
            break; // beyond any map
        }
        const int distance = FitsInt(d) ? static_cast<int>(d) : INT_MAX;
        if (!map.Sample(static_cast<int>(px), static_cast<int>(py), distance, &s)) {
            break;
        }
        if (d < 1) {
            d = 1;
        }
        Int p =
            (static_cast<Int>(view.m_eyeHeight) - s.height) * static_cast<Int>(camera.m_scale) / d +
            camera.m_horizonOffset + H / 2;
        if (p < 0) {
            p = 0;
        }
        if (p < e) {
            int k;
            if (g_colourMode == 0) {
                k = (s.height / 50) & 0xFF;
            } else if (g_colourMode == 1) {
                k = s.column & 0xFF;
            } else if (g_colourMode == 2) {
                k = s.row & 0xFF;
            } else {
                k = Texel(view, s);
            }
            const Int last = g_solidColumns ? e - 1 : p;
            for (Int j = p; j <= last; ++j) {
                buffer->Bits()[(buffer->Height() - 1 - j) * buffer->Stride() + column] =
                    static_cast<BYTE>(k);
            }
            e = p;
        }
        px += dx;
        py += dy;
        d += f;
    }
}

template <typename Int> void Render(CTerrainView& view, CCamera& camera, CHeightMap& map) {
    CDIB* buffer = view.m_pBackBuffer;
    if (!buffer) {
        return;
    }
    const int W = buffer->Width();
    const int H = buffer->Height();
    if (W <= 0 || H <= 0) {
        return;
    }
    Int r = static_cast<Int>(camera.m_horizonOffset) + H / 2;
    if (r < 0) {
        r = 0;
    }
    if (r >= H) {
        r = H - 1;
    }
    buffer->FillRows(178, 0, static_cast<int>(r));
    buffer->FillRows(0, static_cast<int>(r), H - 1);
    TerrainSample s;
    if (g_followTerrain && map.Sample(camera.m_x, camera.m_y, 0, &s)) {
        view.m_eyeHeight = s.height + 256;
    } else {
        view.m_eyeHeight = camera.m_altitude;
    }
    for (int c = 0; c < W; ++c) {
        Column<Int>(view, camera, map, c, W, H);
    }
}

} // namespace plain

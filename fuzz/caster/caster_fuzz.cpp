// The column ray caster over its whole camera space: every camera field any 32-bit value (the
// heading through SetHeading, as the program sets it), frames up to 2000 x 2000, every colour
// mode and switch any value, maps that are not allocated, tiny, odd-sized or the generated one
// with arbitrary cells, and textures that are missing, empty, small or real. Each frame is drawn
// with the vector march and with the scalar one, and both must equal, to the bit, the frame of a
// plain rendition of the caster's rules in exact arithmetic.
#include "FuzzSupport.h"

#include <cstring>
#include <vector>

#include "gfx/DIB.h"
#include "render/Camera.h"
#include "render/PlainCaster.h"
#include "render/RenderSettings.h"
#include "render/TerrainView.h"
#include "terrain/HeightMap.h"

namespace {

using dorvane_fuzz::Check;

// Textures to choose from for each slot, made once.
struct Textures {
    CTerrainView real;
    CDIB empty;
    CDIB tiny;
    CDIB odd;
    HeightCell generated[512 * 512];
    Textures() {
        real.LoadTextures();
        tiny.Create(5, 3, 9, nullptr);
        odd.Create(131, 129, 0, nullptr);
        for (int i = 0; i < odd.Stride() * odd.Height(); ++i) {
            odd.Bits()[i] = static_cast<BYTE>(i * 7);
        }
        // The first landscape of a run.
        std::srand(1);
        CHeightMap map;
        map.Allocate(512, 512);
        map.Generate(100);
        std::memcpy(generated, map.m_cells, sizeof generated);
    }
    CDIB* Pick(int choice, int slot) {
        switch (choice) {
        case 0:
            return nullptr;
        case 1:
            return &empty;
        case 2:
            return &tiny;
        case 3:
            return &odd;
        default:
            return real.m_pTextures[slot];
        }
    }
};

std::vector<BYTE> Pixels(const CDIB& b) {
    return std::vector<BYTE>(b.Bits(),
                             b.Bits() + static_cast<std::size_t>(b.Stride()) * b.Height());
}

int Size(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
        return in.ConsumeIntegralInRange<int>(1, 2000);
    case 1:
        return in.ConsumeIntegralInRange<int>(1, 4);
    default:
        return in.ConsumeIntegralInRange<int>(1, 420);
    }
}

void FillMap(FuzzedDataProvider& in, CHeightMap& map, Textures& textures) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return; // no cells at all
    case 1:
        map.Allocate(in.ConsumeIntegralInRange<int>(1, 8), in.ConsumeIntegralInRange<int>(1, 8));
        break;
    case 2:
        map.Allocate(in.ConsumeIntegralInRange<int>(1, 700),
                     in.ConsumeIntegralInRange<int>(1, 700));
        break;
    default:
        map.Allocate(512, 512);
        std::memcpy(map.m_cells, textures.generated, sizeof textures.generated);
        break;
    }
    if (!map.m_cells) {
        return;
    }
    const std::size_t cells = static_cast<std::size_t>(map.m_columns) * map.m_rows;
    // Cells from the input: a pattern repeated over the whole map, or a few cells set.
    const int pattern = in.ConsumeIntegralInRange<int>(0, 16);
    std::vector<HeightCell> values;
    for (int i = 0; i < pattern; ++i) {
        values.push_back(in.ConsumeIntegral<HeightCell>());
    }
    if (!values.empty() && in.ConsumeBool()) {
        for (std::size_t i = 0; i < cells; ++i) {
            map.m_cells[i] = values[i % values.size()];
        }
    } else {
        for (HeightCell v : values) {
            map.m_cells[in.ConsumeIntegralInRange<std::size_t>(0, cells - 1)] = v;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Textures textures;
    FuzzedDataProvider in(data, size);

    CCamera camera;
    camera.m_x = in.ConsumeIntegral<int>();
    camera.m_y = in.ConsumeIntegral<int>();
    camera.m_altitude = in.ConsumeIntegral<int>();
    camera.SetHeading(in.ConsumeIntegral<int>());
    camera.m_horizonOffset = in.ConsumeIntegral<int>();
    camera.m_scale = in.ConsumeIntegral<int>();
    g_solidColumns = in.ConsumeIntegral<int>();
    g_colourMode = in.ConsumeIntegral<int>();
    g_followTerrain = in.ConsumeIntegral<int>();

    CHeightMap map;
    map.m_detail = in.ConsumeIntegral<int>();
    const int width = Size(in);
    const int height = Size(in);
    const int backBuffer = in.ConsumeIntegralInRange<int>(0, 7);
    FillMap(in, map, textures);

    CTerrainView view;
    for (int slot = 0; slot < 6; ++slot) {
        view.m_pTextures[slot] = textures.Pick(in.ConsumeIntegralInRange<int>(0, 6), slot);
    }
    if (backBuffer > 0) {
        view.m_pBackBuffer = new CDIB;
        // An empty back buffer (one whose creation failed) as well.
        if (backBuffer > 1) {
            view.m_pBackBuffer->Create(width, height, 0, nullptr);
        }
    }

    if (view.m_pBackBuffer && view.m_pBackBuffer->Bits()) {
        CDIB& b = *view.m_pBackBuffer;
        std::memset(b.Bits(), 0x5A, static_cast<std::size_t>(b.Stride()) * b.Height());
        plain::Render<std::int64_t>(view, camera, map);
        const std::vector<BYTE> expected = Pixels(b);
        const int eye = view.m_eyeHeight;
        for (int vectors = 0; vectors < 2; ++vectors) {
            g_casterVectors = vectors;
            std::memset(b.Bits(), 0x5A, static_cast<std::size_t>(b.Stride()) * b.Height());
            view.m_eyeHeight = 12345;
            Check(view.Render(&camera, &map, 1) == 0, "Render returns 0");
            Check(view.m_eyeHeight == eye, "the eye height is the rules'");
            Check(Pixels(b) == expected, vectors ? "the vector march draws the rules' frame"
                                                 : "the scalar march draws the rules' frame");
        }
        g_casterVectors = 1;
        // Single columns with any sizes the caller may pass.
        for (int k = 0; k < 3 && in.remaining_bytes() > 0; ++k) {
            view.RenderColumn(&camera, in.ConsumeBool() ? &map : nullptr, in.ConsumeIntegral<int>(),
                              in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>());
        }
    } else {
        Check(view.Render(&camera, &map, 1) == 0, "Render without pixels returns 0");
        Check(view.RenderColumn(&camera, &map, 0, width, height) == 0, "RenderColumn returns 0");
    }

    view.FreeBackBuffer();
    for (CDIB*& texture : view.m_pTextures) {
        texture = nullptr; // they belong to the textures above
    }
    return 0;
}

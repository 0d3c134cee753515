#include "tools/artgen/TexturePainter.h"

#include "tools/artgen/PeriodicNoise.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int N = CTexturePainter::kSize;
constexpr double kTwoPi = 6.28318530717958647692;

struct Rgb {
    double r;
    double g;
    double b;
};

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double SmoothStep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

double Fract(double x) {
    return x - std::floor(x);
}

// A picture in ideal colours. A texel is either a colour dithered in the colour cube, a grey
// dithered along the table's greys, or a point on a ramp of table colours, dithered between the
// two stops it lies between, so that a ramp always shows a clean mix of two colours.
class Canvas {
public:
    Canvas() : m_texels(N * N) {}

    void Set(int x, int y, const Rgb& c) { m_texels[Index(x, y)] = {Mode::Cube, c, c, 0.0}; }
    void SetGrey(int x, int y, double v) {
        m_texels[Index(x, y)] = {Mode::Grey, Rgb{v, v, v}, Rgb{v, v, v}, 0.0};
    }
    template <int K> void SetRamp(int x, int y, const Rgb (&stops)[K], double t) {
        const double f = std::clamp(t, 0.0, 1.0) * (K - 1);
        const int i = std::min(K - 2, static_cast<int>(f));
        m_texels[Index(x, y)] = {Mode::Pair, stops[i], stops[i + 1], f - i};
    }
    // Lays colour c over the texel with opacity alpha.
    void Blend(int x, int y, const Rgb& c, double alpha) {
        Texel& t = m_texels[Index(x, y)];
        const Rgb under = t.mode == Mode::Pair ? Mix(t.a, t.b, t.f) : t.a;
        const Rgb over = Mix(under, c, alpha);
        t = {Mode::Cube, over, over, 0.0};
    }

    std::vector<std::uint8_t> Dither(const CTexturePalette& palette) const {
        std::vector<std::uint8_t> out(N * N);
        for (int y = 0; y < N; ++y) {
            for (int x = 0; x < N; ++x) {
                const Texel& t = m_texels[y * N + x];
                std::uint8_t index = 0;
                switch (t.mode) {
                case Mode::Cube:
                    index = palette.Dither(t.a.r, t.a.g, t.a.b, x, y);
                    break;
                case Mode::Grey:
                    index = palette.DitherGrey(t.a.r, x, y);
                    break;
                case Mode::Pair: {
                    const Rgb& c = t.f > CTexturePalette::Threshold(x, y) ? t.b : t.a;
                    index = palette.Dither(c.r, c.g, c.b, x, y);
                    break;
                }
                }
                out[y * N + x] = index;
            }
        }
        return out;
    }

private:
    enum class Mode { Cube, Grey, Pair };
    struct Texel {
        Mode mode = Mode::Cube;
        Rgb a{0, 0, 0};
        Rgb b{0, 0, 0};
        double f = 0.0;
    };
    static int Index(int x, int y) {
        return CPeriodicNoise::Wrap(y, N) * N + CPeriodicNoise::Wrap(x, N);
    }
    std::vector<Texel> m_texels;
};

// A wave across the torus: k and l whole periods along x and y keep it periodic.
double Wave(double x, double y, int k, int l, double warp) {
    return CPeriodicNoise::Sine(kTwoPi * (k * x + l * y) / N + warp);
}

} // namespace

std::vector<std::uint8_t> CTexturePainter::Paint(int id) const {
    switch (id) {
    case 132:
        return Sand();
    case 133:
        return Earth();
    case 134:
        return Lava();
    case 135:
        return Water();
    case 136:
        return Snow();
    case 137:
        return Forest();
    case 138:
        return Grass();
    default:
        return {};
    }
}

// Orange dunes: long crests across the tile with a lit windward slope and a narrow shaded lee,
// fine wind ripples on the slopes, and grain.
std::vector<std::uint8_t> CTexturePainter::Sand() const {
    const CPeriodicNoise noise(132);
    Canvas canvas;
    const Rgb ramp[] = {
        {153, 51, 0}, {204, 102, 51}, {255, 153, 51}, {255, 204, 102}, {255, 204, 153}};
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const double warp = noise.Fractal(x, y, 2, 2, 0.4, 1);
            // Two dunes per tile along the (2, 1) direction; phase 0..1 per dune.
            const double phase = Fract((2.0 * x + 1.0 * y) / N + warp * 0.3);
            double light;
            if (phase < 0.85) {
                light = 0.45 + 0.40 * SmoothStep(0.0, 0.85, phase); // windward slope rising
            } else {
                light = 0.12 + 0.12 * SmoothStep(1.0, 0.85, phase); // the lee in shadow
            }
            const double ripple = Wave(x, y, 10, 16, 3.0 * warp + noise.Gradient(x, y, 6, 2));
            const double grain = noise.Gradient(x, y, 64, 3);
            const double t = light + (phase < 0.85 ? 0.10 * ripple : 0.0) + 0.05 * grain;
            canvas.SetRamp(x, y, ramp, t);
        }
    }
    return canvas.Dither(m_palette);
}

// Grey-brown soil: mottled patches, soft clods lit from the upper left, a few dark cracks
// between them and a scatter of pale pebbles.
std::vector<std::uint8_t> CTexturePainter::Earth() const {
    const CPeriodicNoise noise(133);
    Canvas canvas;
    const Rgb ramp[] = {
        {51, 51, 51}, {102, 51, 51}, {102, 102, 102}, {153, 102, 51}, {153, 153, 102}};
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const double patches = noise.Fractal(x, y, 3, 4, 0.55, 1);
            const double wx = x + 3.0 * noise.Gradient(x, y, 8, 6);
            const double wy = y + 3.0 * noise.Gradient(x, y, 8, 7);
            const CPeriodicNoise::Cell clod = noise.Cellular(wx, wy, 10, 2);
            const double radius = clod.f2 * 0.5 + 0.01;
            // Light from the upper left on a dome over each clod.
            const double slope = std::clamp((-clod.dx - clod.dy) / (radius * 2.5), -1.0, 1.0);
            double t = 0.55 + 0.30 * patches + 0.12 * slope + 0.08 * noise.Gradient(x, y, 64, 3);
            const double edge = clod.f2 - clod.f1;
            const double crackMask = noise.Gradient(x, y, 5, 4);
            if (crackMask > 0.2 && edge < 1.3) {
                t = std::min(t, 0.05 + 0.1 * edge);
            }
            canvas.SetRamp(x, y, ramp, t);
            const CPeriodicNoise::Cell pebble = noise.Cellular(x, y, 20, 5);
            if (pebble.id % 6 == 0 && pebble.f1 < 1.5) {
                const double shade = (-pebble.dx - pebble.dy) * 0.3;
                canvas.SetGrey(x, y, 170.0 + 50.0 * shade);
            }
        }
    }
    return canvas.Dither(m_palette);
}

// Red lava: dark cooled plates of crust split by glowing cracks, yellow at their hearts and red
// at their rims, with a finer net of dim cracks on the plates.
std::vector<std::uint8_t> CTexturePainter::Lava() const {
    const CPeriodicNoise noise(134);
    Canvas canvas;
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const double wx = x + 4.0 * noise.Gradient(x, y, 6, 1);
            const double wy = y + 4.0 * noise.Gradient(x, y, 6, 2);
            const CPeriodicNoise::Cell plate = noise.Cellular(wx, wy, 6, 3);
            const double mottle = noise.Fractal(x, y, 8, 3, 0.5, 4);
            const double warmth = 0.5 + 0.5 * noise.Gradient(x, y, 3, 5);
            Rgb c = Mix(Rgb{40, 10, 10}, Rgb{110, 20, 10}, 0.45 + 0.6 * mottle + 0.25 * warmth);
            const CPeriodicNoise::Cell fine = noise.Cellular(x, y, 16, 6);
            if (fine.f2 - fine.f1 < 0.9) {
                c = Mix(c, Rgb{170, 20, 0}, 0.8);
            }
            const double edge = plate.f2 - plate.f1;
            const double width = 2.2 + 1.6 * noise.Gradient(x, y, 12, 7) + 1.5 * warmth;
            if (edge < width) {
                const double heat = 1.0 - edge / width; // 1 at the heart of the crack
                if (heat > 0.55) {
                    c = Mix(Rgb{255, 140, 0}, Rgb{255, 255, 120}, (heat - 0.55) / 0.45);
                } else {
                    c = Mix(Rgb{200, 20, 0}, Rgb{255, 140, 0}, heat / 0.55);
                }
            }
            canvas.Set(x, y, c);
        }
    }
    return canvas.Dither(m_palette);
}

// Blue water: a train of long ripples bent by a slow swell, crossed by a weaker one, with
// light crests over deep troughs and a few sparkles on the highest crests.
std::vector<std::uint8_t> CTexturePainter::Water() const {
    const CPeriodicNoise noise(135);
    Canvas canvas;
    const Rgb ramp[] = {{0, 51, 102}, {0, 51, 153}, {0, 102, 204}, {51, 153, 204}, {102, 204, 255}};
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const double warp = 3.0 * noise.Fractal(x, y, 2, 3, 0.5, 1);
            const double a = Wave(x, y, 3, 9, warp);
            const double b = Wave(x, y, -5, 4, 0.7 * warp + 1.3);
            const double swell = noise.Fractal(x, y, 2, 3, 0.5, 2);
            // Sharp, broken crests over broad troughs; the cross train only ruffles the light.
            const double broken = std::clamp(0.6 + noise.Fractal(x, y, 8, 2, 0.5, 4), 0.0, 1.0);
            const double crest = SmoothStep(0.6, 1.0, a) * broken;
            const double t = 0.36 + 0.22 * swell + 0.07 * b + 0.5 * crest;
            canvas.SetRamp(x, y, ramp, t);
            if (crest > 0.85 && noise.Random(x, y, 3) < 0.4) {
                canvas.Set(x, y, Rgb{204, 255, 255});
            }
        }
    }
    return canvas.Dither(m_palette);
}

// Snow with grey rock: broad white fields with blue-grey shade on the slopes turned from the
// light, and outcrops of faceted grey rock with a dark rim, lit from the upper left.
std::vector<std::uint8_t> CTexturePainter::Snow() const {
    const CPeriodicNoise noise(136);
    Canvas canvas;
    const Rgb ramp[] = {{153, 153, 204}, {204, 204, 255}, {255, 255, 255}};
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const double ground = noise.Fractal(x, y, 3, 5, 0.55, 1);
            // The slope of the ground toward the light shades the snow.
            const double toLight = noise.Fractal(x - 2.0, y - 2.0, 3, 5, 0.55, 1) - ground;
            const double rock = ground + 0.15 * noise.Gradient(x, y, 16, 2);
            if (rock > 0.08) {
                const CPeriodicNoise::Cell facet = noise.Cellular(x, y, 12, 3);
                const double tone = static_cast<double>(facet.id % 100) / 100.0;
                const double lightSide = (-facet.dx - facet.dy) / (facet.f2 + 1.0);
                double v =
                    85.0 + 60.0 * tone + 45.0 * lightSide + 10.0 * noise.Gradient(x, y, 64, 4);
                if (facet.f2 - facet.f1 < 0.9) {
                    v -= 30.0;
                }
                if (rock < 0.11) {
                    v = 55.0; // the rim where snow meets rock
                }
                canvas.SetGrey(x, y, v);
            } else {
                const double t = 0.85 + 8.0 * toLight + 0.5 * (0.08 - rock);
                canvas.SetRamp(x, y, ramp, t);
            }
        }
    }
    return canvas.Dither(m_palette);
}

// Dark green forest: clumps of round tree crowns, each lit on its upper left and shaded on its
// lower right, over a dark floor that shows in the clearings between the clumps.
std::vector<std::uint8_t> CTexturePainter::Forest() const {
    const CPeriodicNoise noise(137);
    Canvas canvas;
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const double clump = noise.Fractal(x, y, 3, 3, 0.5, 1);
            const double floorTone = 0.5 + 0.5 * noise.Gradient(x, y, 16, 2);
            Rgb c = Mix(Rgb{15, 40, 5}, Rgb{50, 75, 20}, floorTone);
            const CPeriodicNoise::Cell tree = noise.Cellular(x, y, 16, 3);
            const double radius = 3.2 + 1.8 * static_cast<double>(tree.id % 64) / 64.0;
            const bool standing =
                clump > -0.28 + 0.2 * static_cast<double>((tree.id >> 8) % 64) / 64.0;
            if (standing && tree.f1 < radius) {
                const double nx = tree.dx / radius;
                const double ny = tree.dy / radius;
                const double light =
                    std::clamp(0.55 - 0.55 * (nx + ny) - 0.25 * (nx * nx + ny * ny), 0.0, 1.0);
                const bool conifer = (tree.id >> 16) % 3 == 0;
                const Rgb shadeColour = conifer ? Rgb{0, 45, 25} : Rgb{0, 55, 0};
                const Rgb litColour = conifer ? Rgb{40, 120, 70} : Rgb{50, 150, 30};
                c = Mix(shadeColour, litColour, light + 0.12 * noise.Gradient(x, y, 64, 4));
            } else if (standing && tree.f1 < radius + 1.5) {
                c = Rgb{0, 20, 0}; // the shadow ring around a crown
            }
            canvas.Set(x, y, c);
        }
    }
    return canvas.Dither(m_palette);
}

// Bright green grass: a lawn of lighter and darker patches, strewn with short blades that lean
// with the wind, light ones and dark ones.
std::vector<std::uint8_t> CTexturePainter::Grass() const {
    const CPeriodicNoise noise(138);
    Canvas canvas;
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const double patch = noise.Fractal(x, y, 4, 4, 0.5, 1);
            const double t = 0.5 + 0.8 * patch;
            Rgb c = t < 0.5 ? Mix(Rgb{20, 150, 20}, Rgb{70, 200, 40}, t / 0.5)
                            : Mix(Rgb{70, 200, 40}, Rgb{150, 235, 80}, (t - 0.5) / 0.5);
            canvas.Set(x, y, c);
        }
    }
    // Blades: 1400 strokes of 3 to 6 texels, drawn from their roots upwards.
    for (int i = 0; i < 1400; ++i) {
        const int x0 = static_cast<int>(noise.Random(i, 0, 10) * N);
        const int y0 = static_cast<int>(noise.Random(i, 1, 10) * N);
        const int length = 3 + static_cast<int>(noise.Random(i, 2, 10) * 4.0);
        const double lean =
            0.6 * noise.Gradient(x0, y0, 4, 11) + 0.3 * (noise.Random(i, 3, 10) - 0.5);
        const bool bright = noise.Random(i, 4, 10) < 0.55;
        const Rgb tip = bright ? Rgb{170, 255, 100} : Rgb{0, 110, 0};
        for (int k = 0; k < length; ++k) {
            const int px = x0 + static_cast<int>(std::floor(lean * k + 0.5));
            const int py = y0 - k;
            canvas.Blend(px, py, tip, 0.45 + 0.5 * k / length);
        }
    }
    return canvas.Dither(m_palette);
}

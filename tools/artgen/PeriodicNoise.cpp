#include "tools/artgen/PeriodicNoise.h"

#include <cmath>

namespace {

std::uint64_t Mix(std::uint64_t z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

constexpr double kPi = 3.14159265358979323846;

} // namespace

std::uint64_t CPeriodicNoise::Hash(int ix, int iy, int salt) const {
    std::uint64_t h = Mix(m_seed);
    h = Mix(h ^ static_cast<std::uint32_t>(ix));
    h = Mix(h ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(iy)) << 32));
    return Mix(h ^ static_cast<std::uint32_t>(salt) * 0x2545F4914F6CDD1Dull);
}

double CPeriodicNoise::Random(int ix, int iy, int salt) const {
    return static_cast<double>(Hash(ix, iy, salt) >> 11) * (1.0 / 9007199254740992.0);
}

double CPeriodicNoise::Gradient(double x, double y, int cells, int salt) const {
    const double scale = static_cast<double>(cells) / kPeriod;
    const double u = x * scale;
    const double v = y * scale;
    const double fu = std::floor(u);
    const double fv = std::floor(v);
    const int iu = static_cast<int>(fu);
    const int iv = static_cast<int>(fv);
    const double tu = u - fu;
    const double tv = v - fv;
    double corner[2][2];
    for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) {
            const std::uint64_t h = Hash(Wrap(iu + i, cells), Wrap(iv + j, cells), salt);
            // A random direction from two uniform components, normalised.
            double gx = static_cast<double>(h & 0xFFFF) / 32767.5 - 1.0;
            double gy = static_cast<double>((h >> 16) & 0xFFFF) / 32767.5 - 1.0;
            const double len = std::sqrt(gx * gx + gy * gy);
            if (len < 1e-6) {
                gx = 1.0;
                gy = 0.0;
            } else {
                gx /= len;
                gy /= len;
            }
            corner[j][i] = gx * (tu - i) + gy * (tv - j);
        }
    }
    const double su = Smooth(tu);
    const double sv = Smooth(tv);
    const double top = corner[0][0] + (corner[0][1] - corner[0][0]) * su;
    const double bottom = corner[1][0] + (corner[1][1] - corner[1][0]) * su;
    return (top + (bottom - top) * sv) * 1.41421356237;
}

double CPeriodicNoise::Fractal(double x, double y, int cells, int octaves, double gain,
                               int salt) const {
    double sum = 0.0;
    double amplitude = 1.0;
    double total = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * Gradient(x, y, cells, salt + 17 * o);
        total += amplitude;
        amplitude *= gain;
        cells *= 2;
    }
    return sum / total;
}

CPeriodicNoise::Cell CPeriodicNoise::Cellular(double x, double y, int cells, int salt) const {
    const double size = static_cast<double>(kPeriod) / cells;
    const int cx = static_cast<int>(std::floor(x / size));
    const int cy = static_cast<int>(std::floor(y / size));
    Cell best{1e30, 1e30, 0, 0.0, 0.0};
    for (int j = -2; j <= 2; ++j) {
        for (int i = -2; i <= 2; ++i) {
            const int gx = cx + i;
            const int gy = cy + j;
            const int wx = Wrap(gx, cells);
            const int wy = Wrap(gy, cells);
            // The point sits in its cell at a jitter of the wrapped cell, so it repeats with
            // the period.
            const double px = (gx + 0.1 + 0.8 * Random(wx, wy, salt)) * size;
            const double py = (gy + 0.1 + 0.8 * Random(wx, wy, salt + 1)) * size;
            const double dx = x - px;
            const double dy = y - py;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d < best.f1) {
                best.f2 = best.f1;
                best.f1 = d;
                best.id = Hash(wx, wy, salt + 2);
                best.dx = dx;
                best.dy = dy;
            } else if (d < best.f2) {
                best.f2 = d;
            }
        }
    }
    return best;
}

double CPeriodicNoise::Sine(double radians) {
    // Reduce to [-pi, pi], then to [-pi/2, pi/2] by symmetry, and sum the Taylor series far
    // enough for 1e-12.
    const double twoPi = 2.0 * kPi;
    double r = radians - twoPi * std::floor(radians / twoPi + 0.5);
    if (r > kPi / 2) {
        r = kPi - r;
    } else if (r < -kPi / 2) {
        r = -kPi - r;
    }
    const double r2 = r * r;
    double term = r;
    double sum = r;
    for (int n = 1; n < 12; ++n) {
        term *= -r2 / ((2.0 * n) * (2.0 * n + 1.0));
        sum += term;
    }
    return sum;
}

#include "tools/artgen/IconPainter.h"

#include "tools/artgen/PeriodicNoise.h"
#include "tools/artgen/StandardColours.h"

#include <cmath>

namespace {

using namespace standard;

// The picture at (u, v), both 0 to 1 from the top left.
std::uint8_t Scene(double u, double v, double pixel) {
    // Lake in the lower left, in front of everything.
    const double lakeTop = 0.80 - 0.10 * u;
    if (u < 0.62 && v > lakeTop + 0.25 * (u - 0.62) * (u - 0.62) * 4.0) {
        const double ripple = std::fmod((v - lakeTop) * 10.0 + u * 2.0, 1.0);
        return ripple < 0.18 && u > 0.12 ? kCyan : kBlue;
    }
    // Front hills.
    const double hill = 0.66 - 0.07 * CPeriodicNoise::Sine(u * 6.0 + 0.7);
    if (v > hill) {
        return v < hill + pixel * 1.2 ? kDarkGreen : kGreen;
    }
    // The mountain: a peak at u = 0.40, a lower one at u = 0.78.
    const double left = 0.16 + 1.25 * std::fabs(u - 0.40);
    const double right = 0.34 + 1.1 * std::fabs(u - 0.78);
    const double ridge = std::fmin(left, right);
    if (v > ridge) {
        const bool mainPeak = left <= right;
        const double peakU = mainPeak ? 0.40 : 0.78;
        const double peakV = mainPeak ? 0.16 : 0.34;
        if (v < peakV + 0.14) {
            return kWhite;
        }
        return u > peakU ? kGrey : kLightGrey;
    }
    // Sun in the upper right.
    const double du = u - 0.80;
    const double dv = v - 0.17;
    if (du * du + dv * dv < 0.011) {
        return kYellow;
    }
    return v < 0.10 ? kBlue : kCyan;
}

} // namespace

std::vector<std::uint8_t> CIconPainter::Paint(int size) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size, kBlack);
    const double pixel = 1.0 / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            std::uint8_t c = Scene((x + 0.5) * pixel, (y + 0.5) * pixel, pixel);
            if (x == 0 || y == 0 || x == size - 1 || y == size - 1) {
                c = kNavy; // a dark frame keeps the picture apart from any background
            }
            pixels[static_cast<std::size_t>(y) * size + x] = c;
        }
    }
    return pixels;
}

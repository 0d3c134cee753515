// Seeded noise on the 128-texel torus: every function here repeats exactly every 128 texels on
// both axes, so that pictures built from it tile without seams. The generator is its own (a
// 64-bit hash of the seed and the lattice point), so the art never depends on the program's rand.
#pragma once

#include <cstdint>

class CPeriodicNoise {
public:
    static constexpr int kPeriod = 128;

    explicit CPeriodicNoise(std::uint64_t seed) : m_seed(seed) {}

    // A hash of the seed, a lattice point and a salt, as a 64-bit value and in [0, 1).
    std::uint64_t Hash(int ix, int iy, int salt) const;
    double Random(int ix, int iy, int salt) const;

    // Gradient noise in about [-1, 1] at texel (x, y), on a lattice of cells x cells over the
    // period (cells >= 1). Coordinates may be fractional and of any sign.
    double Gradient(double x, double y, int cells, int salt = 0) const;

    // Sum of `octaves` gradient-noise layers, the first on `cells` lattice cells, each next one on
    // twice as many with `gain` times the amplitude; scaled back to about [-1, 1].
    double Fractal(double x, double y, int cells, int octaves, double gain, int salt = 0) const;

    // Cellular noise: one jittered feature point per lattice cell (cells x cells over the period).
    // Gives the distances, in texels, to the nearest and second nearest point and the hash of
    // the nearest point's cell.
    struct Cell {
        double f1;
        double f2;
        std::uint64_t id;
        double dx; // offset from the nearest point to (x, y), in texels
        double dy;
    };
    Cell Cellular(double x, double y, int cells, int salt = 0) const;

    // The seed-free building blocks, deterministic on every IEEE machine: no library
    // transcendental functions are used.
    static double Sine(double radians);
    static double Smooth(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }
    static int Wrap(int i, int n) { return ((i % n) + n) % n; }

private:
    std::uint64_t m_seed;
};

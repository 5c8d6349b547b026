// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Randomness of the cloth renderer: a small generator of its own (the
// standard distributions differ between libraries, the pictures must not)
// and hashed lattice noises for fibre, yarn and print irregularities.

#include <cmath>
#include <cstdint>

namespace vestiscop::bench::atelier {

inline std::uint64_t mix64(std::uint64_t z)
{
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// A value in [0, 1) fixed by a key and up to three integers.
inline double hash01(std::uint64_t key, std::int64_t a, std::int64_t b = 0, std::int64_t c = 0)
{
    const std::uint64_t h = mix64(mix64(key + static_cast<std::uint64_t>(a) * 0xc2b2ae3d27d4eb4fULL +
                                        static_cast<std::uint64_t>(b) * 0x165667b19e3779f9ULL) ^
                                  static_cast<std::uint64_t>(c) * 0x27d4eb2f165667c5ULL);
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(mix64(seed)) {}
    std::uint64_t next() { return mix64(m_state += 0x9e3779b97f4a7c15ULL); }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int integer(int lo, int hi) { return lo + static_cast<int>(uniform() * (hi - lo + 1)); } // lo..hi
    bool chance(double p) { return uniform() < p; }
    double normal()
    {
        double u1 = uniform();
        double u2 = uniform();
        if (u1 < 1e-300) u1 = 1e-300;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
    // Roughly normal (a sum of four uniforms), cheap enough for every pixel's noise.
    double quickNormal()
    {
        const std::uint64_t a = next(), b = next();
        const double s = static_cast<double>(a & 0xffffffffULL) + static_cast<double>(a >> 32) +
                         static_cast<double>(b & 0xffffffffULL) + static_cast<double>(b >> 32);
        return (s * (1.0 / 4294967296.0) - 2.0) * 1.7320508075688772;
    }
    std::uint64_t key() { return next(); }

private:
    std::uint64_t m_state;
};

inline double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise in [-1, 1] on a unit lattice.
inline double valueNoise(std::uint64_t key, double x, double y)
{
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
    const double tx = smooth(x - fx), ty = smooth(y - fy);
    const double a = hash01(key, ix, iy), b = hash01(key, ix + 1, iy);
    const double c = hash01(key, ix, iy + 1), d = hash01(key, ix + 1, iy + 1);
    const double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return 2.0 * (top + (bottom - top) * ty) - 1.0;
}

// Fractal sum of value noise, roughly in [-1, 1]; scale is the size of the
// largest feature.
inline double fbm(std::uint64_t key, double x, double y, double scale, int octaves, double gain = 0.5)
{
    double sum = 0.0, amp = 1.0, norm = 0.0, f = 1.0 / scale;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(key + static_cast<std::uint64_t>(o) * 7919u, x * f + o * 17.3, y * f - o * 11.1);
        norm += amp;
        amp *= gain;
        f *= 2.03;
    }
    return sum / norm;
}

// Cellular noise: distances to the nearest and second nearest of one jittered
// point per unit cell, and the nearest point's cell as an identity.
struct Cell {
    double f1 = 1e9, f2 = 1e9;
    std::int64_t id = 0;
    double cx = 0.0, cy = 0.0;  // the nearest point
};

inline Cell worley(std::uint64_t key, double x, double y, double jitter = 1.0)
{
    Cell c;
    const auto ix = static_cast<std::int64_t>(std::floor(x));
    const auto iy = static_cast<std::int64_t>(std::floor(y));
    for (std::int64_t j = iy - 1; j <= iy + 1; ++j) {
        for (std::int64_t i = ix - 1; i <= ix + 1; ++i) {
            const double px = static_cast<double>(i) + 0.5 + jitter * (hash01(key, i, j, 1) - 0.5);
            const double py = static_cast<double>(j) + 0.5 + jitter * (hash01(key, i, j, 2) - 0.5);
            const double d = (x - px) * (x - px) + (y - py) * (y - py);  // squared until the end
            if (d < c.f1) {
                c.f2 = c.f1;
                c.f1 = d;
                c.id = i * 1000003 + j;
                c.cx = px;
                c.cy = py;
            } else if (d < c.f2) {
                c.f2 = d;
            }
        }
    }
    c.f1 = std::sqrt(c.f1);
    c.f2 = std::sqrt(c.f2);
    return c;
}

} // namespace vestiscop::bench::atelier

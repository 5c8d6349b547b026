// SPDX-License-Identifier: GPL-3.0-or-later
#include "FabricImages.h"

#include <algorithm>

namespace vestiscop::color::test {

namespace {

// A small linear congruential generator: the same pictures on every machine.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : m_state(seed * 2654435761u + 12345u) {}

    int next(int amplitude)
    {
        m_state = m_state * 1664525u + 1013904223u;
        if (amplitude == 0)
            return 0;
        return static_cast<int>((m_state >> 8) % static_cast<std::uint32_t>(2 * amplitude + 1)) - amplitude;
    }

private:
    std::uint32_t m_state;
};

std::uint8_t clampByte(int v)
{
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

} // namespace

bool isFigure(const Fabric& fabric, int x, int y)
{
    const int p = fabric.period;
    switch (fabric.layout) {
    case Layout::Plain:
        return false;
    case Layout::Stripes:
        return (y / (p / 2)) % 2 == 1;
    case Layout::Check:
        return (x / p + y / p) % 2 == 1;
    case Layout::Dots: {
        const int dx = x % p - p / 2;
        const int dy = y % p - p / 2;
        return dx * dx + dy * dy <= fabric.dotRadius * fabric.dotRadius;
    }
    }
    return false;
}

std::unique_ptr<imaging::RgbImage> weave(const Fabric& fabric, int width, int height)
{
    auto image = imaging::RgbImage::create(width, height);
    Noise noise(fabric.seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb& c = isFigure(fabric, x, y) ? fabric.figure : fabric.ground;
            std::uint8_t* p = image->pixel(x, y);
            p[0] = clampByte(c.blue + noise.next(fabric.noise));
            p[1] = clampByte(c.green + noise.next(fabric.noise));
            p[2] = clampByte(c.red + noise.next(fabric.noise));
        }
    return image;
}

std::unique_ptr<imaging::RgbImage> solid(Rgb colour, int width, int height)
{
    Fabric plain;
    plain.ground = colour;
    plain.noise = 0;
    return weave(plain, width, height);
}

} // namespace vestiscop::color::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "color/LabConverter.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::color {

LabConverter::LabConverter(double gamma, unsigned cacheBits)
    : m_gamma(gamma), m_shift(32 - std::clamp(cacheBits, 1u, 24u)), m_mask((1u << (32 - m_shift)) - 1),
      m_cache(std::make_unique<std::uint64_t[]>(std::size_t{1} << (32 - m_shift)))
{
    // The same expression as rgbToXyz's linearisation, so the table holds its exact values.
    for (int v = 0; v < 256; ++v)
        m_linear[v] = std::pow(v * 0.00392156862745098, gamma);
}

LabConverter::~LabConverter() = default;

LabPixel LabConverter::convertUncached(RgbPixel pixel) const
{
    return xyzToLab(linearRgbToXyz(m_linear[pixel.red], m_linear[pixel.green], m_linear[pixel.blue]));
}

LabPixel LabConverter::convertAndRemember(RgbPixel pixel, std::uint32_t key, std::uint32_t slot)
{
    const LabPixel lab = convertUncached(pixel);
    const std::uint32_t bits = std::uint32_t{lab.l} | (std::uint32_t{static_cast<std::uint8_t>(lab.a)} << 8) |
                               (std::uint32_t{static_cast<std::uint8_t>(lab.b)} << 16);
    m_cache[slot] = (std::uint64_t{key | ValidBit} << 32) | bits;
    return lab;
}

} // namespace vestiscop::color

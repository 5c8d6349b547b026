// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fast per-pixel RGB -> byte Lab for the analysis: exactly the bytes of
// rgbToLab(pixel, gamma), only quicker. The 256 linearised channel values are
// computed once with the same power function, and converted colours are
// remembered, because a scan of a fabric repeats the same few thousand
// colours over and over.
//
// The memory is an open-addressed table of 2^cacheBits entries of 8 bytes
// (2 MB by default; a small analysis region asks for fewer). A colour is
// looked for in up to MaxProbes neighbouring slots and stays once stored:
// colours never push each other out, so each is converted once as long as
// the table has room, and a colour that finds no free slot is converted
// every time. Not thread-safe (each thread needs its own converter).

#include <array>
#include <cstdint>
#include <memory>

#include "color/ColorConversion.h"

namespace vestiscop::color {

class LabConverter {
public:
    static constexpr unsigned DefaultCacheBits = 18;
    static constexpr int MaxProbes = 8;

    explicit LabConverter(double gamma = AnalysisGamma, unsigned cacheBits = DefaultCacheBits);
    ~LabConverter();
    LabConverter(const LabConverter&) = delete;
    LabConverter& operator=(const LabConverter&) = delete;

    double gamma() const { return m_gamma; }

    // Bit for bit rgbToLab(pixel, gamma()).
    LabPixel convert(RgbPixel pixel)
    {
        const std::uint32_t key = (std::uint32_t{pixel.red} << 16) | (std::uint32_t{pixel.green} << 8) | pixel.blue;
        std::uint32_t slot = (key * 2654435761u) >> m_shift;
        for (int probe = 0; probe < MaxProbes; ++probe) {
            const std::uint64_t entry = m_cache[slot];
            const auto tag = static_cast<std::uint32_t>(entry >> 32);
            if (tag == (key | ValidBit)) {
                const auto bits = static_cast<std::uint32_t>(entry);
                return LabPixel{static_cast<std::uint8_t>(bits), static_cast<std::int8_t>(bits >> 8),
                                static_cast<std::int8_t>(bits >> 16)};
            }
            if (tag == 0)
                return convertAndRemember(pixel, key, slot);
            slot = (slot + 1) & m_mask;
        }
        return convertUncached(pixel);
    }

    // The same conversion without the cache: the linearisation table and xyzToLab.
    LabPixel convertUncached(RgbPixel pixel) const;

private:
    static constexpr std::uint32_t ValidBit = 1u << 24;

    LabPixel convertAndRemember(RgbPixel pixel, std::uint32_t key, std::uint32_t slot);

    double m_gamma;
    unsigned m_shift;      // 32 - cacheBits
    std::uint32_t m_mask;  // 2^cacheBits - 1
    std::array<double, 256> m_linear{};
    // High word: key | ValidBit; low word: L | a << 8 | b << 16.
    std::unique_ptr<std::uint64_t[]> m_cache;
};

} // namespace vestiscop::color

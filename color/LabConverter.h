#pragma once
// Fast per-pixel RGB -> byte Lab for the analysis: exactly the bytes of
// rgbToLab(pixel, gamma), only quicker. The 256 linearised channel values are
// computed once with the same power function, and recently converted colours
// are remembered in a small direct-mapped cache, because the smoothed scan of
// a fabric repeats the same few thousand colours over and over.
//
// The cache has 2^cacheBits entries of 8 bytes (2 MB by default; a small
// analysis region asks for fewer). Not thread-safe (each thread needs its
// own converter).

#include <array>
#include <cstdint>
#include <memory>

#include "color/ColorConversion.h"

namespace vestiscop::color {

class LabConverter {
public:
    static constexpr unsigned DefaultCacheBits = 18;

    explicit LabConverter(double gamma = AnalysisGamma, unsigned cacheBits = DefaultCacheBits);
    ~LabConverter();
    LabConverter(const LabConverter&) = delete;
    LabConverter& operator=(const LabConverter&) = delete;

    double gamma() const { return m_gamma; }

    // Bit for bit rgbToLab(pixel, gamma()).
    LabPixel convert(RgbPixel pixel)
    {
        const std::uint32_t key = (std::uint32_t{pixel.red} << 16) | (std::uint32_t{pixel.green} << 8) | pixel.blue;
        const std::uint32_t slot = (key * 2654435761u) >> m_shift;
        const std::uint64_t entry = m_cache[slot];
        if (static_cast<std::uint32_t>(entry >> 32) == (key | ValidBit)) {
            const auto bits = static_cast<std::uint32_t>(entry);
            return LabPixel{static_cast<std::uint8_t>(bits), static_cast<std::int8_t>(bits >> 8),
                            static_cast<std::int8_t>(bits >> 16)};
        }
        return convertAndRemember(pixel, key, slot);
    }

    // The same conversion without the cache: the linearisation table and xyzToLab.
    LabPixel convertUncached(RgbPixel pixel) const;

private:
    static constexpr std::uint32_t ValidBit = 1u << 24;

    LabPixel convertAndRemember(RgbPixel pixel, std::uint32_t key, std::uint32_t slot);

    double m_gamma;
    unsigned m_shift;  // 32 - cacheBits
    std::array<double, 256> m_linear{};
    // High word: key | ValidBit; low word: L | a << 8 | b << 16.
    std::unique_ptr<std::uint64_t[]> m_cache;
};

} // namespace vestiscop::color

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small builders for clusterer tests: images from pixel lists and channel
// extrema from peak intervals.

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "color/ColorClusterer.h"
#include "color/HistogramScaleSpace.h"
#include "imaging/Image.h"

namespace vestiscop::color::testing_support {

// Pixel bytes in memory order: byte 0, byte 1, byte 2.
using Bytes = std::array<std::uint8_t, 3>;

inline std::unique_ptr<imaging::RgbImage> imageOf(const std::vector<Bytes>& pixels, int width)
{
    const int height = static_cast<int>(pixels.size()) / width;
    auto image = imaging::RgbImage::create(width, height);
    for (int i = 0; i < width * height; ++i) {
        std::uint8_t* p = image->pixel(i % width, i / width);
        p[0] = pixels[i][0];
        p[1] = pixels[i][1];
        p[2] = pixels[i][2];
    }
    return image;
}

// Peak intervals (inclusive) on a channel that is valley everywhere else.
inline Extrema peaksAt(const std::vector<std::pair<int, int>>& intervals)
{
    Extrema e;
    e.fill(-1);
    for (const auto& [left, right] : intervals) {
        for (int x = left; x <= right; ++x)
            e[x] = static_cast<std::int16_t>(left == 0 ? 256 : left);
    }
    return e;
}

inline Extrema wholeChannel()
{
    return peaksAt({{0, 255}});
}

} // namespace vestiscop::color::testing_support

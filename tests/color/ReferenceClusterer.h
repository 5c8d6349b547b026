// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A slow, literal clusterer kept only to check the real one: a list of boxes
// walked for every pixel, fuzzy memberships computed as whole sums of
// quotients. The per-channel histogram analysis is shared with the real one.

#include <array>
#include <cstdint>
#include <vector>

#include "color/ColorClusterer.h"
#include "color/HistogramScaleSpace.h"
#include "imaging/Image.h"

namespace vestiscop::color::reference {

struct Result {
    bool ok = false;
    std::vector<ClusterCentre> centres;  // meaningful only when ok
    std::vector<std::int32_t> counts;    // meaningful only when ok
    std::size_t clusterCount = 0;
    std::vector<std::uint8_t> labels;    // row order; empty unless ok
};

Result clusterWithExtrema(const imaging::RgbImage& image, const std::array<Extrema, 3>& extrema, int maxBins,
                          double clusterThreshold);
Result cluster(const imaging::RgbImage& image, int maxBins, double clusterThreshold, double smoothThreshold);

} // namespace vestiscop::color::reference

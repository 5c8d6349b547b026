// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One named colour of an analysed scan: the raw clusters whose nearest
// colour table entries carry the same name, taken together.

#include <cstdint>

#include "color/ColorNameTable.h"

namespace vestiscop::color {

struct ColorCluster {
    // Sums over the colour's raw clusters of the cluster's Lab component
    // times its pixel count (L unsigned, a and b signed). 64 bits: a large
    // region times L 100 does not fit 32.
    std::int64_t sumL = 0;
    std::int64_t sumA = 0;
    std::int64_t sumB = 0;
    std::int32_t count = 0;      // pixels of the colour
    double share = 0;            // count / region pixels
    int clusterIndex = 0;        // raw cluster number of its first raw cluster
    const ColorName* color = nullptr;  // the table entry that names it; never null in a result
    // A colour of the pattern's own pieces (sparse dots, a print's spots),
    // told even when its share is under the report threshold. Only the
    // improved analysis sets it.
    bool formsPattern = false;
    // The colour of a mottled yarn mix (heather), told with a word that says
    // so. Only the improved analysis's pattern forest sets it.
    bool mottled = false;

    // The mean Lab, each component truncated toward zero, as the report prints it.
    int meanL() const { return static_cast<int>(sumL / count); }
    int meanA() const { return static_cast<int>(sumA / count); }
    int meanB() const { return static_cast<int>(sumB / count); }
};

// Whether the colour is told: its share reaches the threshold (equal
// counts), or it forms the pattern's pieces.
inline bool isReported(const ColorCluster& colour, double reportThr)
{
    return !(colour.share < reportThr) || colour.formsPattern;
}

} // namespace vestiscop::color

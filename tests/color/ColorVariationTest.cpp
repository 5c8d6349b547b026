// SPDX-License-Identifier: GPL-3.0-or-later
// The direction a fabric's colour varies in, as stored in signatures.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "color/ColorVariation.h"

using vestiscop::color::ColourCovariance;

namespace {

struct VariationCase {
    const char* what;
    std::vector<std::array<double, 3>> deviations;
    std::array<double, 6> expected;
};

const VariationCase Cases[] = {
    {"no pixels", {}, {0, 0, 0, 0, 0, 0}},
    {"no variation", {{0, 0, 0}, {0, 0, 0}}, {0, 0, 0, 0, 0, 0}},
    {"lightness only", {{2, 0, 0}, {-2, 0, 0}}, {1, 0, 0, 0, 0, 0}},
    // Two colours on a line where a* rises with L*: half of the trace each,
    // and the L-a product as large as either.
    {"lightness with red", {{1, 1, 0}, {-1, -1, 0}}, {0.5, 0.5, 0, 0.5, 0, 0}},
    // b* falls as a* rises: the a-b product is negative.
    {"red against blue", {{0, 3, -3}, {0, -3, 3}}, {0, 0.5, 0.5, 0, 0, -0.5}},
};

} // namespace

TEST(ColourCovariance, IsTheProductSumsOverTheirTrace)
{
    for (const VariationCase& c : Cases) {
        ColourCovariance covariance;
        for (const auto& d : c.deviations)
            covariance.add(d[0], d[1], d[2]);
        EXPECT_EQ(covariance.variation(), c.expected) << c.what;
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The index image of the spoken colours, drawn from the improved analysis's
// sample labels at the region's size.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/ImprovedAnalyser.h"

namespace vestiscop::analysis {
namespace {

struct SpokenCase {
    const char* name;
    int labelWidth;
    int labelHeight;
    std::vector<std::uint8_t> labels;  // row by row
    int factor;
    std::vector<std::uint8_t> spokenOf;
    int width;
    int height;
    std::vector<std::uint8_t> expected;  // row by row
};

class SpokenColours : public ::testing::TestWithParam<SpokenCase> {};

TEST_P(SpokenColours, EveryRegionPixelTakesTheColourOfItsSample)
{
    const SpokenCase& c = GetParam();
    const auto labels = imaging::ByteImage::create(c.labelWidth, c.labelHeight);
    for (int y = 0; y < c.labelHeight; ++y)
        for (int x = 0; x < c.labelWidth; ++x)
            *labels->pixel(x, y) = c.labels[static_cast<std::size_t>(y * c.labelWidth + x)];
    const auto spoken = imaging::ByteImage::create(c.width, c.height);
    drawSpokenColours(*labels, c.factor, c.spokenOf, *spoken);
    std::vector<std::uint8_t> got;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            got.push_back(*spoken->pixel(x, y));
    EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpokenColours,
    ::testing::Values(
        // Every pixel a sample: only the colours are mapped (two measured
        // colours of one name become one).
        SpokenCase{"everyPixel", 3, 2, {0, 1, 2, 2, 1, 0}, 1, {0, 1, 1}, 3, 2, {0, 1, 1, 1, 1, 0}},
        // A sample spans factor x factor pixels.
        SpokenCase{"twoByTwo", 2, 1, {1, 0}, 2, {1, 0}, 4, 2, {0, 0, 1, 1, 0, 0, 1, 1}},
        // Pixels past the samples' span (the reduction rounds down) take
        // the last sample of their row and column.
        SpokenCase{"pastTheSpan", 2, 1, {0, 1}, 2, {0, 1}, 5, 3,
                   {0, 0, 1, 1, 1, 0, 0, 1, 1, 1, 0, 0, 1, 1, 1}},
        // A label without a spoken colour (too small to count) goes with
        // the largest colour.
        SpokenCase{"unspokenLabel", 3, 1, {0, 1, 7}, 1, {1, 0}, 3, 1, {1, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vestiscop::analysis

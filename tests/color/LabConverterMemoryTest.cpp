// SPDX-License-Identifier: GPL-3.0-or-later
// The colour memory of LabConverter may be small, or full: every answer
// must still be the formula's, whether it came from memory or not.

#include <gtest/gtest.h>

#include <random>

#include "color/LabConverter.h"

namespace vestiscop::color {
namespace {

class LabConverterMemoryTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(LabConverterMemoryTest, EveryAnswerIsTheFormulas)
{
    LabConverter converter(AnalysisGamma, GetParam());
    std::mt19937 random(GetParam());
    // Far more colours than slots, each asked for several times in a row
    // and again later, so that found, stored and refused colours all occur.
    std::vector<RgbPixel> colours;
    for (int i = 0; i < 3000; ++i)
        colours.push_back(RgbPixel{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                   static_cast<std::uint8_t>(random())});
    for (int round = 0; round < 3; ++round)
        for (const RgbPixel& c : colours)
            for (int again = 0; again < 2; ++again)
                ASSERT_EQ(converter.convert(c), rgbToLab(c, AnalysisGamma))
                    << int{c.red} << " " << int{c.green} << " " << int{c.blue};
}

INSTANTIATE_TEST_SUITE_P(TableSizes, LabConverterMemoryTest, ::testing::Values(1u, 3u, 10u, 12u));

} // namespace
} // namespace vestiscop::color

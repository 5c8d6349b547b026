// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency table the texture and weave measures bin with holds, for
// every frequency of the transform, exactly the period and direction those
// measures would compute for it on their own, at square and non-square
// pixels; and one table serves every scan of a size and resolution.

#include <gtest/gtest.h>

#include <cmath>

#include "signature/FrequencyTable.h"
#include "signature/GarmentSignature.h"

namespace vestiscop::signature {
namespace {

struct TableCase {
    const char* name;
    int n;
    double mmX;
    double mmY;
};

class FrequencyTableValues : public ::testing::TestWithParam<TableCase> {};

TEST_P(FrequencyTableValues, EqualTheDirectComputationForEveryFrequency)
{
    const TableCase& c = GetParam();
    const FrequencyTable table(c.n, c.mmX, c.mmY);
    table.makeDirections();
    int differing = 0;
    for (int fv = -c.n / 2; fv <= c.n / 2; ++fv) {
        for (int fu = -c.n / 2; fu <= c.n / 2; ++fu) {
            if (fu == 0 && fv == 0)
                continue;
            const double cyclesX = fu / (c.n * c.mmX);
            const double cyclesY = fv / (c.n * c.mmY);
            const double octaves = std::log2(1 / std::hypot(cyclesX, cyclesY) / ShortestPeriodMm);
            const double direction = std::atan2(cyclesY, cyclesX);
            // To the bit: the signatures stored before the table must stay
            // what a new scan of the same garment measures.
            if (table.octaves(fu, fv) != octaves || table.direction(fu, fv) != direction) {
                if (++differing <= 5)
                    ADD_FAILURE() << "frequency (" << fu << ", " << fv << "): octaves " << table.octaves(fu, fv)
                                  << " against " << octaves << ", direction " << table.direction(fu, fv)
                                  << " against " << direction;
            }
        }
    }
    EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrequencyTableValues,
    ::testing::Values(TableCase{"Square512At200Dpi", 512, 25.4 / 200, 25.4 / 200},
                      TableCase{"Square256At300By150Dpi", 256, 25.4 / 300, 25.4 / 150},
                      TableCase{"Square64At600By75Dpi", 64, 25.4 / 600, 25.4 / 75},
                      TableCase{"Square16AtATenthOfAMillimetre", 16, 0.1, 0.1}),
    [](const ::testing::TestParamInfo<TableCase>& info) { return info.param.name; });

TEST(FrequencyTableCache, OneTableServesASizeAndResolutionAndAnotherGetsItsOwn)
{
    const auto first = FrequencyTable::of(128, 0.127, 0.127);
    const auto again = FrequencyTable::of(128, 0.127, 0.127);
    EXPECT_EQ(first.get(), again.get());
    const auto other = FrequencyTable::of(128, 0.127, 0.254);
    EXPECT_TRUE(other->fits(128, 0.127, 0.254));
    EXPECT_FALSE(other->fits(128, 0.127, 0.127));
    // The earlier table lives on with those still using it.
    EXPECT_TRUE(first->fits(128, 0.127, 0.127));
}

} // namespace
} // namespace vestiscop::signature

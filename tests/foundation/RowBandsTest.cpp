// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "foundation/RowBands.h"

namespace vestiscop::foundation {
namespace {

class RowBandsTest : public ::testing::Test {
protected:
    ~RowBandsTest() override { setRowBands(0); }
};

TEST_F(RowBandsTest, BandCountFollowsTheSettingAndThePictureSize)
{
    setRowBands(3);
    EXPECT_EQ(rowBandCount(512, 512), 3);
    EXPECT_EQ(rowBandCount(256, 256), 1);  // one band's worth of pixels
    EXPECT_EQ(rowBandCount(256, 512), 2);
    EXPECT_EQ(rowBandCount(1 << 20, 2), 2);  // never more bands than rows
    EXPECT_EQ(rowBandCount(0, 512), 1);
    EXPECT_EQ(rowBandCount(512, -1), 1);
    setRowBands(100);
    EXPECT_EQ(rowBandCount(4096, 4096), MaxRowBands);
    setRowBands(1);
    EXPECT_EQ(rowBandCount(4096, 4096), 1);
    setRowBands(0);
    const int processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    EXPECT_EQ(rowBandCount(4096, 4096), std::min(processors, MaxRowBands));
}

TEST_F(RowBandsTest, EveryRowIsWorkedOnceInBandsOfNearlyEqualHeight)
{
    for (const int height : {0, 1, 2, 7, 100, 509}) {
        for (const int bands : {1, 2, 3, 8}) {
            std::vector<std::atomic<int>> visits(static_cast<std::size_t>(height));
            std::vector<RowBand> seen(static_cast<std::size_t>(bands));
            std::atomic<int> calls{0};
            forEachRowBand(height, bands, [&](const RowBand& band) {
                seen[static_cast<std::size_t>(band.index)] = band;
                ++calls;
                for (int y = band.first; y < band.end; ++y)
                    ++visits[static_cast<std::size_t>(y)];
            });
            const int expected = std::clamp(bands, 1, std::max(1, height));
            ASSERT_EQ(calls, expected) << height << " rows in " << bands;
            for (int y = 0; y < height; ++y)
                ASSERT_EQ(visits[static_cast<std::size_t>(y)], 1) << "row " << y;
            for (int b = 0; b < expected; ++b) {
                const RowBand& band = seen[static_cast<std::size_t>(b)];
                EXPECT_EQ(band.index, b);
                EXPECT_EQ(band.first, b == 0 ? 0 : seen[static_cast<std::size_t>(b - 1)].end);
                EXPECT_LE(band.end - band.first, height / expected + 1);
                EXPECT_GE(band.end - band.first, height / expected);
            }
        }
    }
}

TEST_F(RowBandsTest, TheLowestFailingBandsExceptionReachesTheCallerAfterAllFinish)
{
    std::atomic<int> finished{0};
    try {
        forEachRowBand(100, 4, [&](const RowBand& band) {
            ++finished;
            if (band.index >= 1)
                throw std::runtime_error("band " + std::to_string(band.index));
        });
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "band 1");
    }
    EXPECT_EQ(finished, 4);
}

} // namespace
} // namespace vestiscop::foundation

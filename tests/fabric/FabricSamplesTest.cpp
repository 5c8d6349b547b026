// SPDX-License-Identifier: GPL-3.0-or-later
// A large region's samples are the bytes of OpenCV's area reduction, and
// the channels view gives every region pixel its sample's Lab as the
// analysis channels store it, whatever the factor and wherever the
// samples' span ends.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include <opencv2/imgproc.hpp>

#include "FabricImages.h"
#include "fabric/FabricAnalysis.h"
#include "fabric/FabricSteps.h"

namespace vestiscop::fabric {
namespace {

// Bytes that land on every remainder of a block sum, halves included.
std::unique_ptr<imaging::RgbImage> scattered(int width, int height, std::uint32_t seed)
{
    auto image = imaging::RgbImage::create(width, height);
    std::uint32_t state = seed;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = image->row(y);
        for (int i = 0; i < width * 3; ++i) {
            state = state * 1664525u + 1013904223u;
            p[i] = static_cast<std::uint8_t>(state >> 24);
        }
    }
    return image;
}

struct SamplesCase {
    const char* name;
    int scanWidth;   // the scan the region is a window onto
    int width;       // the region
    int height;
    int factor;
};

class RegionSamples : public ::testing::TestWithParam<SamplesCase> {};

TEST_P(RegionSamples, AreTheBytesOfTheLibrarysAreaReduction)
{
    const SamplesCase& c = GetParam();
    const auto scan = scattered(c.scanWidth, c.height, 7);
    const auto region = scan->window(c.width, c.height);
    int factor = 0;
    const cv::Mat samples = regionSamples(*region, factor);
    ASSERT_EQ(factor, c.factor);
    const cv::Mat pixels(c.height, c.width, CV_8UC3, region->row(0), static_cast<std::size_t>(region->stride()) * 3);
    cv::Mat expected;
    cv::resize(pixels, expected, cv::Size(c.width / factor, c.height / factor), 0, 0, cv::INTER_AREA);
    ASSERT_EQ(samples.size(), expected.size());
    ASSERT_EQ(samples.type(), expected.type());
    EXPECT_EQ(cv::norm(samples, expected, cv::NORM_INF), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegionSamples,
    ::testing::Values(SamplesCase{"shipped2048", 2048, 2048, 2048, 4}, SamplesCase{"windowOnto", 2100, 2048, 2048, 4},
                      SamplesCase{"factorThree", 1536, 1536, 1536, 3}, SamplesCase{"windowFactorThree", 2100, 1800, 900, 3},
                      SamplesCase{"factorTwo", 1024, 1024, 1024, 2}, SamplesCase{"notDividing", 1031, 1031, 521, 2},
                      SamplesCase{"notDividingFour", 2050, 2050, 2047, 4}, SamplesCase{"everyPixel", 600, 512, 512, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct ChannelsCase {
    const char* name;
    int width;
    int height;
    double lumaScale;
};

class DrawnChannels : public ::testing::TestWithParam<ChannelsCase> {};

TEST_P(DrawnChannels, GiveEveryPixelItsSamplesLab)
{
    const ChannelsCase& c = GetParam();
    color::test::Fabric fabric;
    fabric.layout = color::test::Layout::Check;
    fabric.ground = {200, 40, 30};
    fabric.figure = {20, 30, 120};
    fabric.period = 40;
    const auto region = color::test::weave(fabric, c.width, c.height);
    const color::ColorNameTable names({{{50, 0, 0}, "šedá"}});
    FabricAnalysis analysis(names, 200, 200);
    analysis.measure(*region);
    const auto channels = imaging::RgbImage::create(c.width, c.height);
    analysis.drawChannels(c.lumaScale, *channels);

    const cv::Mat& lab = analysis.lab();
    const int factor = analysis.samplingFactor();
    const auto byte = [](double v) { return static_cast<int>(std::clamp(std::lround(v), 0L, 255L)); };
    int wrong = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const cv::Vec3f s = lab.at<cv::Vec3f>(std::min(y / factor, lab.rows - 1), std::min(x / factor, lab.cols - 1));
            const long l = std::clamp(std::lround(s[0]), 0L, 100L);
            const int expected[3] = {static_cast<int>(static_cast<std::int64_t>(std::floor(l * c.lumaScale + 0.5)) & 0xFF),
                                     byte(s[2] + 128.0), byte(s[1] + 128.0)};
            const std::uint8_t* got = channels->pixel(x, y);
            for (int k = 0; k < 3; ++k)
                wrong += got[k] != expected[k] ? 1 : 0;
        }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, DrawnChannels,
                         ::testing::Values(ChannelsCase{"everyPixel", 300, 200, 1.0},
                                           ChannelsCase{"factorFour", 2048, 2048, 1.0},
                                           ChannelsCase{"factorThree", 2048, 1024, 1.0},
                                           ChannelsCase{"pastTheSpan", 1031, 521, 1.0},
                                           ChannelsCase{"scaledLightness", 1031, 521, 2.55}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
// A large region's samples are the bytes of OpenCV's area reduction, and
// the channels view gives every region pixel its sample's Lab as the
// analysis channels store it, whatever the factor and wherever the
// samples' span ends.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

// The halved Lab copy is the library's area reduction to the bit, on
// values where the order of the additions shows: mixed signs, negative
// zeros, magnitudes far apart; sides even and odd.
struct HalvingCase {
    const char* name;
    int width;
    int height;
};

class HalvedLab : public ::testing::TestWithParam<HalvingCase> {};

TEST_P(HalvedLab, IsTheLibrarysAreaReduction)
{
    const HalvingCase& c = GetParam();
    cv::Mat lab(c.height, c.width, CV_32FC3);
    std::uint32_t state = 11;
    const float scales[] = {100.f, 1e-3f, 3e4f, 1.f};
    for (int y = 0; y < c.height; ++y) {
        float* p = lab.ptr<float>(y);
        for (int i = 0; i < c.width * 3; ++i) {
            state = state * 1664525u + 1013904223u;
            const float unit = static_cast<float>(state >> 8) / 16777216.f - 0.5f;
            p[i] = (state & 0xF) == 0 ? -0.f : unit * scales[(state >> 4) & 3];
        }
    }
    const cv::Mat half = halvedLab(lab);
    cv::Mat expected;
    cv::resize(lab, expected, cv::Size(c.width / 2, c.height / 2), 0, 0, cv::INTER_AREA);
    ASSERT_EQ(half.size(), expected.size());
    ASSERT_EQ(half.type(), expected.type());
    int wrong = 0;
    for (int y = 0; y < half.rows; ++y)
        wrong += std::memcmp(half.ptr(y), expected.ptr(y), static_cast<std::size_t>(half.cols) * 3 * sizeof(float)) != 0;
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, HalvedLab,
                         ::testing::Values(HalvingCase{"region512", 512, 512}, HalvingCase{"wide", 98, 18},
                                           HalvingCase{"oddWidth", 33, 20}, HalvingCase{"oddHeight", 20, 33},
                                           HalvingCase{"bothOdd", 17, 17}),
                         [](const auto& info) { return std::string(info.param.name); });

// The channels' bytes of any Lab values: halves round away from zero, and
// what lies beyond a byte's range (or the lightness's 0..100) is held to it,
// one float step either side of every border included.
TEST(ChannelBytes, RoundHalvesAwayFromZeroAndHoldToTheRange)
{
    const float borders[] = {-0.5f, 0.5f, 99.5f, 100.5f, -128.5f, 127.5f, -127.5f, 126.5f, 0.f};
    std::vector<float> values = {-0.f, 1e-30f, -1e-30f, 250.f, -300.f, 42.3f, -17.7f};
    for (const float border : borders)
        for (const float v : {std::nextafter(border, -1e9f), border, std::nextafter(border, 1e9f)})
            values.push_back(v);
    std::vector<float> lab;
    for (const float l : values)
        for (const float a : values)
            for (const float b : {values.front(), values.back(), l, a}) {
                lab.push_back(l);
                lab.push_back(a);
                lab.push_back(b);
            }
    const std::size_t count = lab.size() / 3;
    std::vector<std::uint8_t> bytes(count * 3);
    channelBytes(lab.data(), count, bytes.data());
    const auto byte = [](double v) { return static_cast<int>(std::clamp(std::lround(v), 0L, 255L)); };
    int wrong = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const float* s = &lab[3 * i];
        const int expected[3] = {static_cast<int>(std::clamp(std::lround(s[0]), 0L, 100L)), byte(s[2] + 128.0),
                                 byte(s[1] + 128.0)};
        for (int k = 0; k < 3; ++k)
            wrong += bytes[3 * i + static_cast<std::size_t>(k)] != expected[k] ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0);
}

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

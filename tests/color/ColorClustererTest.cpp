// SPDX-License-Identifier: GPL-3.0-or-later
// The clusterer on images small enough to work out by hand: box order,
// threshold, margins, centres, fuzzy labels and the failure contract.

#include <algorithm>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "ClusterTestImages.h"
#include "color/ColorClusterer.h"

namespace vestiscop::color {
namespace {

using testing_support::Bytes;
using testing_support::imageOf;
using testing_support::peaksAt;
using testing_support::wholeChannel;

// Pixels that differ only in byte 2 (histogram 0), the others at 128.
std::vector<Bytes> onChannel0(std::initializer_list<std::pair<int, int>> valueTimes)
{
    std::vector<Bytes> pixels;
    for (const auto& [value, times] : valueTimes) {
        for (int i = 0; i < times; ++i)
            pixels.push_back(Bytes{128, 128, static_cast<std::uint8_t>(value)});
    }
    return pixels;
}

std::vector<int> labelsOf(const ColorClusterer& clusterer)
{
    std::vector<int> labels;
    const imaging::ByteImage& image = clusterer.labels();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            labels.push_back(*image.pixel(x, y));
    }
    return labels;
}

// Two colours with a spread of a few units in every channel, as a scan gives.
std::vector<Bytes> twoNoisyColours(int perColour, Bytes first, Bytes second)
{
    std::mt19937 random(99);
    std::normal_distribution<double> noise(0.0, 2.0);
    std::vector<Bytes> pixels;
    for (const Bytes& colour : {first, second}) {
        for (int i = 0; i < perColour; ++i) {
            Bytes p;
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<std::uint8_t>(std::clamp(colour[c] + std::lround(noise(random)), 0L, 255L));
            pixels.push_back(p);
        }
    }
    return pixels;
}

TEST(ColorClusterer, UniformImageIsOneClusterCentredOnItsColour)
{
    // Also colours at the ends of the channels, where the histogram analysis
    // does find a peak interval: the one box still holds every pixel.
    for (const Bytes colour : {Bytes{54, 128, 128}, Bytes{0, 128, 128}, Bytes{200, 30, 250}, Bytes{0, 0, 0},
                               Bytes{255, 255, 255}, Bytes{1, 254, 0}}) {
        ColorClusterer clusterer(12, 0.03, 1.0);
        ASSERT_TRUE(clusterer.cluster(*imageOf(std::vector<Bytes>(64, colour), 8)));
        ASSERT_EQ(clusterer.centres().size(), 1u);
        EXPECT_EQ(clusterer.centres()[0], (ClusterCentre{colour[0], colour[1], colour[2]}));
        EXPECT_EQ(clusterer.counts(), std::vector<std::int32_t>{64});
        EXPECT_EQ(labelsOf(clusterer), std::vector<int>(64, 0));
    }
}

TEST(ColorClusterer, SeparatesTwoColoursAndCentresEachOnItsMean)
{
    const std::vector<Bytes> pixels = twoNoisyColours(2000, Bytes{60, 100, 150}, Bytes{180, 160, 90});
    ColorClusterer clusterer(12, 0.03, 1.0);
    ASSERT_TRUE(clusterer.cluster(*imageOf(pixels, 100)));
    ASSERT_EQ(clusterer.centres().size(), 2u);
    EXPECT_EQ(clusterer.counts(), (std::vector<std::int32_t>{2000, 2000}));
    const std::vector<int> labels = labelsOf(clusterer);
    // Channel 0 of a box is byte 2, so the colour with the smaller byte 2 comes first.
    for (int i = 0; i < 4000; ++i)
        ASSERT_EQ(labels[i], i < 2000 ? 1 : 0) << i;
    for (int cluster = 0; cluster < 2; ++cluster) {
        const int from = cluster == 1 ? 0 : 2000;
        for (int c = 0; c < 3; ++c) {
            long sum = 0;
            for (int i = from; i < from + 2000; ++i)
                sum += pixels[i][c];
            const int centre = c == 0 ? clusterer.centres()[cluster].byte0
                                      : (c == 1 ? clusterer.centres()[cluster].byte1 : clusterer.centres()[cluster].byte2);
            EXPECT_EQ(centre, sum / 2000) << cluster << ' ' << c;
        }
    }
}

TEST(ColorClusterer, ZeroSmoothThresholdMeansOne)
{
    const auto image = imageOf(twoNoisyColours(1000, Bytes{60, 100, 150}, Bytes{180, 160, 90}), 50);
    ColorClusterer zero(12, 0.03, 0.0);
    ColorClusterer one(12, 0.03, 1.0);
    ColorClusterer flat(12, 0.03, 1e12);  // every curvature counts as flat: a single box
    EXPECT_EQ(zero.smoothThreshold(), 1.0);
    ASSERT_TRUE(zero.cluster(*image));
    ASSERT_TRUE(one.cluster(*image));
    ASSERT_TRUE(flat.cluster(*image));
    EXPECT_EQ(zero.centres(), one.centres());
    EXPECT_EQ(zero.counts(), one.counts());
    EXPECT_EQ(labelsOf(zero), labelsOf(one));
    EXPECT_NE(flat.centres().size(), one.centres().size());
}

TEST(ColorClusterer, BoxExactlyAtTheThresholdSurvivesAndUncountedPixelsDoNotRaiseIt)
{
    // 5 of the 20 counted pixels is exactly 0.25; the 10 pixels outside both
    // boxes are not counted, otherwise 5 < 30 x 0.25.
    const std::array<Extrema, 3> extrema{peaksAt({{10, 30}, {90, 110}}), wholeChannel(), wholeChannel()};
    ColorClusterer clusterer(12, 0.25, 1.0);
    ASSERT_TRUE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{20, 5}, {100, 15}, {60, 10}}), 5), extrema));
    EXPECT_EQ(clusterer.centres().size(), 2u);

    // One pixel fewer and the first box is removed; its pixels go to the only cluster.
    ColorClusterer fewer(12, 0.25, 1.0);
    ASSERT_TRUE(fewer.clusterWithExtrema(*imageOf(onChannel0({{20, 4}, {100, 16}, {60, 10}}), 5), extrema));
    ASSERT_EQ(fewer.centres().size(), 1u);
    EXPECT_EQ(fewer.centres()[0].byte2, 100);
    EXPECT_EQ(fewer.counts(), std::vector<std::int32_t>{30});
}

TEST(ColorClusterer, EmptyBoxIsRemovedEvenWithoutThreshold)
{
    const std::array<Extrema, 3> extrema{peaksAt({{10, 30}, {90, 110}, {200, 220}}), wholeChannel(), wholeChannel()};
    ColorClusterer clusterer(12, 0.0, 1.0);
    ASSERT_TRUE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{210, 3}, {20, 3}}), 3), extrema));
    ASSERT_EQ(clusterer.centres().size(), 2u);
    EXPECT_EQ(clusterer.centres()[0].byte2, 20);
    EXPECT_EQ(clusterer.centres()[1].byte2, 210);
    EXPECT_EQ(labelsOf(clusterer), (std::vector<int>{1, 1, 1, 0, 0, 0}));
}

TEST(ColorClusterer, NumbersBoxesInCreationOrderNotInPixelOrder)
{
    // Boxes run over channel 0 (byte 2) outermost, channel 2 (byte 0) innermost:
    // (low, low), (low, high), (high, low), (high, high).
    const std::array<Extrema, 3> extrema{peaksAt({{10, 20}, {100, 110}}), wholeChannel(),
                                         peaksAt({{10, 20}, {100, 110}})};
    const std::vector<Bytes> pixels = {Bytes{15, 50, 105}, Bytes{15, 50, 105}, Bytes{105, 60, 15}, Bytes{105, 60, 15}};
    ColorClusterer clusterer(12, 0.0, 1.0);
    ASSERT_TRUE(clusterer.clusterWithExtrema(*imageOf(pixels, 2), extrema));
    ASSERT_EQ(clusterer.centres().size(), 2u);
    EXPECT_EQ(clusterer.centres()[0], (ClusterCentre{105, 60, 15}));
    EXPECT_EQ(clusterer.centres()[1], (ClusterCentre{15, 50, 105}));
    EXPECT_EQ(labelsOf(clusterer), (std::vector<int>{1, 1, 0, 0}));
}

TEST(ColorClusterer, PixelInTwoOverlappingMarginsBelongsToTheEarlierBox)
{
    // 22 lies within 3 of both [10, 20] and [24, 30]; it counts for the first
    // box too: (10 x 15 + 22) / 11 = 15.6, truncated to 15.
    const std::array<Extrema, 3> extrema{peaksAt({{10, 20}, {24, 30}}), wholeChannel(), wholeChannel()};
    ColorClusterer clusterer(12, 0.0, 1.0);
    ASSERT_TRUE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{27, 10}, {22, 1}, {15, 10}}), 1), extrema));
    EXPECT_EQ(clusterer.counts(), (std::vector<std::int32_t>{11, 10}));
    EXPECT_EQ(clusterer.centres()[0].byte2, 15);
    EXPECT_EQ(labelsOf(clusterer)[10], 0);
}

TEST(ColorClusterer, PixelWhoseFirstBoxWasRemovedTakesTheNextBoxHoldingIt)
{
    // 22 is in the margins of [10, 20] and [24, 80]. The first box (three
    // pixels, below 20 % of 23) is removed, so 22 belongs to the second box,
    // although the centre at 2 is nearer than the one at 80. The pixels at 15
    // are in no kept box and go to the nearer centre, 2.
    const std::array<Extrema, 3> extrema{peaksAt({{0, 5}, {10, 20}, {24, 80}}), wholeChannel(), wholeChannel()};
    ColorClusterer clusterer(12, 0.2, 1.0);
    ASSERT_TRUE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{2, 10}, {15, 2}, {22, 1}, {80, 10}}), 23), extrema));
    ASSERT_EQ(clusterer.centres().size(), 2u);
    EXPECT_EQ(clusterer.centres()[0].byte2, 2);
    EXPECT_EQ(clusterer.centres()[1].byte2, 80);
    const std::vector<int> labels = labelsOf(clusterer);
    EXPECT_EQ(labels[10], 0);
    EXPECT_EQ(labels[11], 0);
    EXPECT_EQ(labels[12], 1);
    EXPECT_EQ(clusterer.counts(), (std::vector<std::int32_t>{12, 11}));
}

TEST(ColorClusterer, CentresAreTruncatedNotRounded)
{
    const std::array<Extrema, 3> extrema{peaksAt({{90, 110}}), wholeChannel(), wholeChannel()};
    ColorClusterer clusterer(12, 0.0, 1.0);
    ASSERT_TRUE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{100, 9}, {99, 1}}), 10), extrema));
    EXPECT_EQ(clusterer.centres()[0], (ClusterCentre{128, 128, 99}));  // 99.9
}

TEST(ColorClusterer, PixelsOutsideEveryBoxGoToTheNearestCentreEarlierOnATie)
{
    // Centres at 11 and 41 (byte 2). 20 is 81 from the first and 441 from
    // the second; 31 is 400 and 100; 26 is 225 from both.
    const std::array<Extrema, 3> extrema{peaksAt({{10, 12}, {40, 42}}), wholeChannel(), wholeChannel()};
    ColorClusterer clusterer(12, 0.0, 1.0);
    ASSERT_TRUE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{11, 4}, {41, 4}, {20, 1}, {31, 1}, {26, 1}, {0, 1}}), 12),
                                             extrema));
    const std::vector<int> labels = labelsOf(clusterer);
    EXPECT_EQ(labels[8], 0);
    EXPECT_EQ(labels[9], 1);
    EXPECT_EQ(labels[10], 0);
    EXPECT_EQ(labels[11], 0);
    EXPECT_EQ(clusterer.counts(), (std::vector<std::int32_t>{7, 5}));
}

TEST(ColorClusterer, WithoutPeaksInSomeChannelOneBoxSpansEverything)
{
    Extrema valley;
    valley.fill(-1);
    const std::array<Extrema, 3> extrema{peaksAt({{10, 12}, {40, 42}}), valley, wholeChannel()};
    ColorClusterer clusterer(12, 0.0, 1.0);
    ASSERT_TRUE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{11, 2}, {41, 2}, {250, 1}}), 5), extrema));
    ASSERT_EQ(clusterer.centres().size(), 1u);
    EXPECT_EQ(clusterer.centres()[0].byte2, (11 * 2 + 41 * 2 + 250) / 5);
    EXPECT_EQ(clusterer.counts(), std::vector<std::int32_t>{5});
}

TEST(ColorClusterer, MoreClustersThanMaxBinsFailsAndKeepsTheOldLabels)
{
    const std::array<Extrema, 3> extrema{peaksAt({{10, 20}, {100, 110}}), wholeChannel(), wholeChannel()};
    ColorClusterer clusterer(1, 0.0, 1.0);
    ASSERT_TRUE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{15, 4}}), 2), extrema));
    EXPECT_EQ(labelsOf(clusterer), std::vector<int>(4, 0));

    EXPECT_FALSE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{105, 2}, {15, 2}}), 2), extrema));
    EXPECT_EQ(clusterer.centres().size(), 2u);
    EXPECT_EQ(clusterer.counts().size(), 2u);
    EXPECT_EQ(labelsOf(clusterer), std::vector<int>(4, 0));  // 105 would have been cluster 1

    // A different pixel count reallocates the labels even when the call fails.
    EXPECT_FALSE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{105, 3}, {15, 3}}), 3), extrema));
    EXPECT_EQ(clusterer.labels().width(), 3);
    EXPECT_EQ(clusterer.labels().height(), 2);
}

TEST(ColorClusterer, NoBoxAboveTheThresholdFails)
{
    const std::array<Extrema, 3> extrema{peaksAt({{10, 20}, {100, 110}}), wholeChannel(), wholeChannel()};
    ColorClusterer clusterer(12, 0.6, 1.0);  // two halves, neither reaches 60 %
    EXPECT_FALSE(clusterer.clusterWithExtrema(*imageOf(onChannel0({{105, 2}, {15, 2}}), 2), extrema));
    EXPECT_TRUE(clusterer.centres().empty());
    EXPECT_TRUE(clusterer.counts().empty());
}

TEST(ColorClusterer, MaxBinsIsBoundedByTheOneByteLabels)
{
    EXPECT_EQ(ColorClusterer(1000, 0.03, 1.0).maxBins(), 256);
    EXPECT_EQ(ColorClusterer(256, 0.03, 1.0).maxBins(), 256);
    EXPECT_EQ(ColorClusterer(-4, 0.03, 1.0).maxBins(), 0);

    ColorClusterer none(0, 0.0, 1.0);
    EXPECT_FALSE(none.cluster(*imageOf(std::vector<Bytes>(4, Bytes{1, 2, 3}), 2)));
}

TEST(ColorClusterer, AcceptsExactly256Clusters)
{
    // 16 x 16 boxes over bytes 2 and 0, one pixel each: cluster numbers 0..255.
    std::vector<std::pair<int, int>> intervals;
    for (int i = 0; i < 16; ++i)
        intervals.emplace_back(i * 16, i * 16 + 1);
    const std::array<Extrema, 3> extrema{peaksAt(intervals), wholeChannel(), peaksAt(intervals)};
    std::vector<Bytes> pixels;
    for (int i = 0; i < 16; ++i) {
        for (int k = 0; k < 16; ++k)
            pixels.push_back(Bytes{static_cast<std::uint8_t>(k * 16), 0, static_cast<std::uint8_t>(i * 16)});
    }
    ColorClusterer clusterer(1000, 0.0, 1.0);
    ASSERT_TRUE(clusterer.clusterWithExtrema(*imageOf(pixels, 16), extrema));
    const std::vector<int> labels = labelsOf(clusterer);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(labels[i], i);
}

} // namespace
} // namespace vestiscop::color

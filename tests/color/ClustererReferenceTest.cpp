// SPDX-License-Identifier: GPL-3.0-or-later
// The fast clusterer against the literal reference on many random images:
// same success, same centres, counts and labels, bit for bit.

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "ClusterTestImages.h"
#include "ReferenceClusterer.h"
#include "color/ColorClusterer.h"

namespace vestiscop::color {
namespace {

using testing_support::Bytes;

// A few base colours with scanner-like noise, plus some stray pixels.
std::unique_ptr<imaging::RgbImage> randomScene(std::mt19937& random)
{
    std::uniform_int_distribution<int> size(1, 48);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> colourCount(1, 6);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int width = size(random);
    const int height = size(random);
    std::vector<Bytes> colours(static_cast<std::size_t>(colourCount(random)));
    for (Bytes& c : colours)
        c = Bytes{static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)),
                  static_cast<std::uint8_t>(byte(random))};
    std::normal_distribution<double> noise(0.0, 1.0 + 6.0 * unit(random));
    std::uniform_int_distribution<std::size_t> pick(0, colours.size() - 1);
    std::vector<Bytes> pixels;
    for (int i = 0; i < width * height; ++i) {
        Bytes p;
        if (unit(random) < 0.05) {
            p = Bytes{static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)),
                      static_cast<std::uint8_t>(byte(random))};
        } else {
            const Bytes& c = colours[pick(random)];
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<std::uint8_t>(std::clamp<long>(c[k] + std::lround(noise(random)), 0, 255));
        }
        pixels.push_back(p);
    }
    return testing_support::imageOf(pixels, width);
}

// Runs of peak, valley and unassigned bins of random lengths; valleys are
// often narrow, so that box margins overlap.
Extrema randomExtrema(std::mt19937& random)
{
    std::uniform_int_distribution<int> length(1, 40);
    std::uniform_int_distribution<int> narrow(1, 4);
    std::uniform_int_distribution<int> kind(0, 4);
    Extrema e{};
    int x = 0;
    while (x < 256) {
        const int k = kind(random);
        const int run = k >= 2 && k <= 3 && kind(random) < 3 ? narrow(random) : length(random);
        const std::int16_t value = k <= 1 ? 7 : (k <= 3 ? -7 : 0);
        for (int i = 0; i < run && x < 256; ++i, ++x)
            e[x] = value;
    }
    return e;
}

std::vector<std::uint8_t> labelsOf(const ColorClusterer& clusterer)
{
    std::vector<std::uint8_t> labels;
    const imaging::ByteImage& image = clusterer.labels();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            labels.push_back(*image.pixel(x, y));
    }
    return labels;
}

void expectSame(ColorClusterer& fast, bool fastOk, const reference::Result& slow, int round)
{
    ASSERT_EQ(fastOk, slow.ok) << "round " << round;
    ASSERT_EQ(fast.centres().size(), slow.clusterCount) << "round " << round;
    ASSERT_EQ(fast.counts().size(), slow.clusterCount) << "round " << round;
    if (!slow.ok)
        return;
    ASSERT_EQ(fast.centres(), slow.centres) << "round " << round;
    ASSERT_EQ(fast.counts(), slow.counts) << "round " << round;
    ASSERT_EQ(labelsOf(fast), slow.labels) << "round " << round;
}

TEST(ClustererAgainstReference, GivenRandomExtremaAndImages)
{
    std::mt19937 random(20261207);
    const double thresholds[] = {0.0, 0.01, 0.05, 0.2, 0.5, 1.0, 1.5};
    std::uniform_int_distribution<int> thresholdIndex(0, 6);
    std::uniform_int_distribution<int> bins(0, 40);
    int succeeded = 0;
    for (int round = 0; round < 400; ++round) {
        const auto image = randomScene(random);
        const std::array<Extrema, 3> extrema{randomExtrema(random), randomExtrema(random), randomExtrema(random)};
        const int maxBins = bins(random);
        const double threshold = thresholds[thresholdIndex(random)];
        ColorClusterer fast(maxBins, threshold, 1.0);
        const bool ok = fast.clusterWithExtrema(*image, extrema);
        expectSame(fast, ok, reference::clusterWithExtrema(*image, extrema, maxBins, threshold), round);
        succeeded += ok ? 1 : 0;
    }
    // Both outcomes must have been exercised for the comparison to mean anything.
    EXPECT_GT(succeeded, 100);
    EXPECT_LT(succeeded, 400);
}

TEST(ClustererAgainstReference, WholeClusteringOfRandomScenes)
{
    std::mt19937 random(7);
    int multiple = 0;
    for (int round = 0; round < 60; ++round) {
        const auto image = randomScene(random);
        ColorClusterer fast(12, 0.03, round % 3 == 0 ? 0.0 : 0.5);
        const bool ok = fast.cluster(*image);
        expectSame(fast, ok, reference::cluster(*image, 12, 0.03, round % 3 == 0 ? 0.0 : 0.5), round);
        multiple += ok && fast.centres().size() > 1 ? 1 : 0;
    }
    EXPECT_GT(multiple, 5);
}

TEST(ClustererAgainstReference, RepeatedCallsOnOneClustererMatchFreshOnes)
{
    // Kept buffers (labels, centres, counts) must not leak into the next result.
    std::mt19937 random(11);
    ColorClusterer reused(12, 0.05, 1.0);
    for (int round = 0; round < 40; ++round) {
        const auto image = randomScene(random);
        const std::array<Extrema, 3> extrema{randomExtrema(random), randomExtrema(random), randomExtrema(random)};
        const bool ok = reused.clusterWithExtrema(*image, extrema);
        const reference::Result slow = reference::clusterWithExtrema(*image, extrema, 12, 0.05);
        expectSame(reused, ok, slow, round);
    }
}

} // namespace
} // namespace vestiscop::color

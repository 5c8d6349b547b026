// SPDX-License-Identifier: GPL-3.0-or-later
// The texture analyser gathers all added clusters in one pass and votes
// from tables; here a plain version that makes one pass per cluster and
// evaluates every sine and cosine afresh must give identical counts.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "LabelImages.h"
#include "foundation/RowBands.h"
#include "pattern/TextureAnalyzer.h"

namespace vestiscop::pattern {
namespace {

struct PlainTexture {
    int width = 0;
    int height = 0;
    std::vector<int> labels;
    std::array<std::int32_t, TextureAnalyzer::ClassCount> histogram{};
    std::vector<std::vector<int>> votes = std::vector<std::vector<int>>(32, std::vector<int>(101, 0));
    std::int64_t matched = 0;
    std::int64_t unmatched = 0;
    double scale = 0;

    explicit PlainTexture(const imaging::ByteImage& image)
        : width(image.width()), height(image.height())
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                labels.push_back(*image.pixel(x, y));
        scale = 50 / std::sqrt(static_cast<double>((width / 2) * (width / 2) + (height / 2) * (height / 2)));
    }

    int at(int x, int y) const { return labels[static_cast<std::size_t>(y * width + x)]; }

    void vote(int y, int x)
    {
        for (int i = 0; i < 32; ++i) {
            const double theta = i * 3.141592653589793 / 32;
            const int rho = static_cast<int>(std::floor(
                (std::sin(theta) * (x - width / 2) - std::cos(theta) * (height / 2 - y)) * scale + 50 + 0.5));
            ++votes[static_cast<std::size_t>(i)][static_cast<std::size_t>(rho)];
        }
    }

    void accumulate(int j)
    {
        for (int y = 1; y <= height - 2; ++y)
            for (int x = 1; x <= width - 2; ++x) {
                if (at(x, y) != j) {
                    ++unmatched;
                    continue;
                }
                const int neighbours[8][2] = {{1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}, {1, 0}};
                int code = 0;
                for (int bit = 0; bit < 8; ++bit)
                    if (at(x + neighbours[bit][0], y + neighbours[bit][1]) == j)
                        code |= 1 << bit;
                const int cls = neighbourhoodClass(code);
                if (cls < 16)
                    vote(y, x);
                ++histogram[static_cast<std::size_t>(cls)];
                ++matched;
            }
    }
};

// Feeds the clusters to the analyser and to the plain version; with
// countBetween, the analyser is asked for its counts after the first one.
void expectSameAsPlain(const imaging::ByteImage& labels, const std::vector<int>& added, bool countBetween)
{
    TextureAnalyzer fast;
    fast.begin(labels);
    PlainTexture plain(labels);
    for (const int j : added) {
        fast.accumulate(j);
        plain.accumulate(j);
        if (countBetween && j == added.front())
            (void)fast.matched();
    }

    EXPECT_EQ(fast.classHistogram(), plain.histogram);
    EXPECT_EQ(fast.matched(), plain.matched);
    EXPECT_EQ(fast.unmatched(), plain.unmatched);
    for (int i = 0; i < 32; ++i)
        for (int rho = 0; rho < 101; ++rho)
            ASSERT_EQ(fast.hough().votes(i, rho), plain.votes[static_cast<std::size_t>(i)][static_cast<std::size_t>(rho)])
                << "angle " << i << " rho " << rho;
}

class TextureReferenceTest : public ::testing::TestWithParam<int> {};

TEST_P(TextureReferenceTest, OnePassEqualsOnePassPerCluster)
{
    const auto seed = static_cast<std::uint32_t>(GetParam());
    const int width = 3 + static_cast<int>(seed * 37 % 90);
    const int height = 3 + static_cast<int>(seed * 53 % 70);
    const int labelCount = 2 + static_cast<int>(seed % 5);
    auto labels = test::randomBlobs(width, height, labelCount, seed);

    // Every cluster but one "dominant", plus a repeat and a missing label
    // on some seeds.
    const int dominant = static_cast<int>(seed % static_cast<std::uint32_t>(labelCount));
    std::vector<int> added;
    for (int j = 0; j < labelCount; ++j)
        if (j != dominant)
            added.push_back(j);
    if (seed % 3 == 0)
        added.push_back(added.front());
    if (seed % 4 == 0)
        added.push_back(300);

    expectSameAsPlain(*labels, added, false);
}

INSTANTIATE_TEST_SUITE_P(RandomLabelImages, TextureReferenceTest, ::testing::Range(1, 61));

// A large picture is counted in bands of rows on threads of their own, the
// first band voting straight into the votes gathered so far. The counts must
// not depend on the split.
class BandedTextureTest : public ::testing::TestWithParam<int> {
protected:
    ~BandedTextureTest() override { foundation::setRowBands(0); }
};

TEST_P(BandedTextureTest, CountsDoNotDependOnTheBands)
{
    const int bands = GetParam();
    foundation::setRowBands(bands);
    const int width = 431;
    const int height = 2 + 619;  // interior rows that do not split evenly
    ASSERT_EQ(foundation::rowBandCount(width, height - 2), bands);
    auto labels = test::randomBlobs(width, height, 4, static_cast<std::uint32_t>(bands));
    expectSameAsPlain(*labels, {1, 3, 1, 2}, true);
}

INSTANTIATE_TEST_SUITE_P(Bands, BandedTextureTest, ::testing::Values(1, 2, 3, 4));

} // namespace
} // namespace vestiscop::pattern

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "LabelImages.h"
#include "pattern/TextureAnalyzer.h"

namespace vestiscop::pattern {
namespace {

using test::drawLabels;
using Histogram = std::array<std::int32_t, TextureAnalyzer::ClassCount>;

TEST(NeighbourhoodClassTest, BoundaryClassesHaveNineOrTwelveCodes)
{
    std::array<int, TextureAnalyzer::ClassCount> codes{};
    for (int code = 0; code < 256; ++code)
        ++codes[static_cast<std::size_t>(neighbourhoodClass(code))];
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(codes[static_cast<std::size_t>(k)], k % 2 == 0 ? 9 : 12) << "class " << k;
    EXPECT_EQ(neighbourhoodClass(0), TextureAnalyzer::IsolatedClass);
    EXPECT_EQ(neighbourhoodClass(255), TextureAnalyzer::InteriorClass);
}

TEST(NeighbourhoodClassTest, OppositeEdgesOfABand)
{
    // Everything but the row above: the top edge of a region; everything
    // but the row below: its bottom edge. The two are classes k and k + 8.
    EXPECT_EQ(neighbourhoodClass(248), 4);
    EXPECT_EQ(neighbourhoodClass(143), 12);
    // Left and right edges of a vertical band.
    EXPECT_EQ(neighbourhoodClass(2 | 4 | 8 | 16 | 32), 0);
    EXPECT_EQ(neighbourhoodClass(1 | 2 | 32 | 64 | 128), 8);
}

// Horizontal bands 6 rows high, label (y / 6) % 2, 60 x 60 pixels.
std::unique_ptr<imaging::ByteImage> horizontalBands()
{
    return drawLabels(60, 60, [](int, int y) { return (y / 6) % 2; });
}

TEST(TextureAnalyzerTest, HorizontalBandsAreStripes)
{
    auto labels = horizontalBands();
    TextureAnalyzer texture;
    texture.begin(*labels);
    texture.accumulate(1);
    // Label 1 holds rows 6-11, 18-23, 30-35, 42-47 and 54-59; the interior
    // rows are 1..58 and columns 1..58. Top rows 6, 18, 30, 42, 54; bottom
    // rows 11, 23, 35, 47 (59 is on the picture's edge); 20 inner rows.
    const Histogram& h = texture.classHistogram();
    EXPECT_EQ(h[4], 5 * 58);
    EXPECT_EQ(h[12], 4 * 58);
    EXPECT_EQ(h[17], 20 * 58);
    EXPECT_EQ(texture.matched(), 29 * 58);
    EXPECT_EQ(texture.unmatched(), 58 * 58 - 29 * 58);
    EXPECT_EQ(texture.interiorCount(), 58 * 58);
    EXPECT_EQ(texture.classify(), patternKind::Stripes);
}

TEST(TextureAnalyzerTest, VerticalAndDiagonalBandsAreStripes)
{
    auto vertical = drawLabels(64, 48, [](int x, int) { return (x / 5) % 2; });
    TextureAnalyzer texture;
    texture.begin(*vertical);
    texture.accumulate(1);
    EXPECT_EQ(texture.classify(), patternKind::Stripes);

    auto diagonal = drawLabels(64, 64, [](int x, int y) { return ((x + y) / 8) % 2; });
    texture.begin(*diagonal);
    texture.accumulate(0);
    EXPECT_EQ(texture.classify(), patternKind::Stripes);
}

TEST(TextureAnalyzerTest, OneClusterIsNoPattern)
{
    auto labels = drawLabels(30, 20, [](int, int) { return 0; });
    TextureAnalyzer texture;
    texture.begin(*labels);
    // The dominant cluster is never accumulated: nothing to look at.
    EXPECT_EQ(texture.classify(), patternKind::None);
    EXPECT_EQ(texture.matched(), 0);
}

TEST(TextureAnalyzerTest, IsolatedPixelsAreNoPattern)
{
    auto labels = drawLabels(40, 40, [](int x, int y) { return x % 4 == 2 && y % 4 == 2 ? 1 : 0; });
    TextureAnalyzer texture;
    texture.begin(*labels);
    texture.accumulate(1);
    EXPECT_EQ(texture.classHistogram()[TextureAnalyzer::IsolatedClass], 10 * 10);
    EXPECT_EQ(texture.classHistogram()[TextureAnalyzer::InteriorClass], 0);
    EXPECT_EQ(texture.classify(), patternKind::None);
}

TEST(TextureAnalyzerTest, PixelsOnThePictureEdgeAreNeverExamined)
{
    // Label 1 only on the outermost rows and columns.
    auto labels = drawLabels(12, 9, [](int x, int y) { return x == 0 || y == 0 || x == 11 || y == 8 ? 1 : 0; });
    TextureAnalyzer texture;
    texture.begin(*labels);
    texture.accumulate(1);
    EXPECT_EQ(texture.matched(), 0);
    EXPECT_EQ(texture.unmatched(), 10 * 7);
    // Label 0 next to the frame of 1s: the inner ring has mixed codes.
    texture.accumulate(0);
    EXPECT_EQ(texture.matched(), 10 * 7);
    EXPECT_EQ(texture.unmatched(), 10 * 7);
}

TEST(TextureAnalyzerTest, CountsAddUpOverSeveralClusters)
{
    auto labels = drawLabels(20, 20, [](int x, int y) { return (x / 4 + y / 4) % 3; });
    TextureAnalyzer texture;
    texture.begin(*labels);
    texture.accumulate(1);
    texture.accumulate(2);
    texture.accumulate(7);  // no such label: all unmatched
    std::int64_t histogramTotal = 0;
    for (const std::int32_t count : texture.classHistogram())
        histogramTotal += count;
    EXPECT_EQ(histogramTotal, texture.matched());
    EXPECT_EQ(texture.matched() + texture.unmatched(), 3 * 18 * 18);
}

TEST(TextureAnalyzerTest, BeginStartsAfresh)
{
    auto bands = horizontalBands();
    auto plain = drawLabels(60, 60, [](int, int) { return 0; });
    TextureAnalyzer texture;
    texture.begin(*bands);
    texture.accumulate(1);
    ASSERT_EQ(texture.classify(), patternKind::Stripes);
    texture.begin(*plain);
    texture.accumulate(1);
    EXPECT_EQ(texture.matched(), 0);
    EXPECT_EQ(texture.classify(), patternKind::None);
}

TEST(TextureAnalyzerTest, LabelsAreCopiedAtBegin)
{
    auto labels = horizontalBands();
    TextureAnalyzer texture;
    texture.begin(*labels);
    for (int y = 0; y < labels->height(); ++y)
        for (int x = 0; x < labels->width(); ++x)
            *labels->pixel(x, y) = 0;
    texture.accumulate(1);
    EXPECT_EQ(texture.classify(), patternKind::Stripes);
}

TEST(TextureAnalyzerTest, WindowOfALargerLabelImage)
{
    // A window has a stride wider than itself; only its own pixels count.
    auto big = drawLabels(100, 70, [](int x, int y) { return x >= 60 || y >= 60 ? 1 : (y / 6) % 2; });
    auto window = big->window(60, 60);
    TextureAnalyzer texture;
    texture.begin(*window);
    texture.accumulate(1);
    EXPECT_EQ(texture.matched(), 29 * 58);
    EXPECT_EQ(texture.classify(), patternKind::Stripes);
}

TEST(TextureAnalyzerTest, TinyPicturesHaveNoPattern)
{
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{2, 5}, std::pair{5, 2}, std::pair{3, 3}}) {
        auto labels = drawLabels(w, h, [](int x, int) { return x % 2; });
        TextureAnalyzer texture;
        texture.begin(*labels);
        texture.accumulate(0);
        texture.accumulate(1);
        EXPECT_EQ(texture.classify(), patternKind::None) << w << " x " << h;
    }
}

TEST(TextureAnalyzerTest, LargeSquaresAreCheck)
{
    // Squares a quarter of the picture wide: the boundary pixels line up
    // along two directions, horizontal and vertical.
    auto labels = drawLabels(96, 96, [](int x, int y) { return (x / 24 + y / 24) % 2; });
    TextureAnalyzer texture;
    texture.begin(*labels);
    texture.accumulate(1);
    EXPECT_EQ(texture.hough().orientationPeaks(), 2);
    EXPECT_EQ(texture.classify(), patternKind::Check);
}

TEST(TextureAnalyzerTest, WindowPaneIsCheck)
{
    // Lines 4 pixels wide every 32 pixels in both directions.
    auto labels = drawLabels(128, 128, [](int x, int y) { return x % 32 < 4 || y % 32 < 4 ? 1 : 0; });
    TextureAnalyzer texture;
    texture.begin(*labels);
    texture.accumulate(1);
    EXPECT_EQ(texture.classify(), patternKind::Check);
}

TEST(TextureAnalyzerTest, SmallDiscsAreDots)
{
    // Discs of radius 3 on a 12-pixel grid: boundaries of every direction,
    // little region interior, lines through the disc rows in many directions.
    auto labels = drawLabels(96, 96, [](int x, int y) {
        const int dx = x % 12 - 6;
        const int dy = y % 12 - 6;
        return dx * dx + dy * dy <= 9 ? 1 : 0;
    });
    TextureAnalyzer texture;
    texture.begin(*labels);
    texture.accumulate(1);
    EXPECT_EQ(texture.hough().orientationPeaks(), 0);
    EXPECT_EQ(texture.classify(), patternKind::Dots);
}

// --- The decision rules on chosen counts -----------------------------------
// N = 1000 interior pixels. A class with count c has the per-code frequency
// (c + 1) * 12 / 1000 / 9 (even class) or / 12 (odd class).

Histogram withInterior(int interior)
{
    Histogram h{};
    h[TextureAnalyzer::InteriorClass] = interior;
    return h;
}

TEST(ClassifyCountsTest, NoInteriorIsNoPatternWhateverElse)
{
    Histogram h{};
    h[4] = 500;
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 2), patternKind::None);
}

TEST(ClassifyCountsTest, StripesNeedBothSidesOfTheBandAlike)
{
    // Classes 4 and 12: top and bottom edges. r[4] = (h4 + 1) / (h12 + 1).
    Histogram h = withInterior(600);
    h[4] = 148;
    h[12] = 99;  // r = 1.49
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 1), patternKind::Stripes);
    h[4] = 149;  // r = 1.5
    EXPECT_NE(TextureAnalyzer::classifyCounts(h, 1000, 1), patternKind::Stripes);
}

TEST(ClassifyCountsTest, StripesNeedOneDirectionFourTimesTheOther)
{
    // m[4] = 100 * 12 / 1000 / 9 against m[0] = (h0 + 1) * 12 / 1000 / 9.
    Histogram h = withInterior(600);
    h[4] = h[12] = 99;
    h[0] = h[8] = 24;  // ratio exactly 4
    EXPECT_NE(TextureAnalyzer::classifyCounts(h, 1000, 1), patternKind::Stripes);
    h[0] = h[8] = 23;  // ratio 4.17
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 1), patternKind::Stripes);
}

TEST(ClassifyCountsTest, CheckNeedsTwoOrientationPeaks)
{
    // Horizontal and vertical edges alike, diagonals rare.
    Histogram h = withInterior(600);
    h[0] = h[8] = h[4] = h[12] = 99;
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 2), patternKind::Check);
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 1), patternKind::Unknown);
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 0), patternKind::Unknown);
}

TEST(ClassifyCountsTest, CheckNeedsBalancedAxes)
{
    // Vertical edges 3 times the horizontal ones: X = 3 is not below 2.5.
    Histogram h = withInterior(600);
    h[0] = h[8] = 299;
    h[4] = h[12] = 99;
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 2), patternKind::Unknown);
    h[0] = h[8] = 239;  // X = 2.4
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 2), patternKind::Check);
}

TEST(ClassifyCountsTest, DotsNeedEveryDirectionAndLittleInterior)
{
    Histogram h = withInterior(100);
    for (int k = 0; k < 16; ++k)
        h[static_cast<std::size_t>(k)] = 99;  // hi / lo = 12 / 9
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 0), patternKind::Dots);
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 2), patternKind::Unknown);
    h[TextureAnalyzer::InteriorClass] = 329;
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 0), patternKind::Dots);
    h[TextureAnalyzer::InteriorClass] = 330;  // 0.33 is not below 0.33
    EXPECT_EQ(TextureAnalyzer::classifyCounts(h, 1000, 0), patternKind::Unknown);
}

} // namespace
} // namespace vestiscop::pattern

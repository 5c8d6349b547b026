// SPDX-License-Identifier: GPL-3.0-or-later
// The per-channel histogram analysis: smoothing, derivatives, marks, their
// coarse-to-fine tracking and the peak and valley bins that come out.

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "color/HistogramScaleSpace.h"

namespace vestiscop::color {
namespace {

Profile profileOf(std::initializer_list<double> head)
{
    Profile p{};
    int i = 0;
    for (const double v : head)
        p[i++] = v;
    return p;
}

std::vector<ScaleLevel> emptyLevels()
{
    std::vector<ScaleLevel> levels(ScaleLevelCount);
    for (int l = 0; l < ScaleLevelCount; ++l)
        levels[l].tau = l == ScaleLevelCount - 1 ? 0.0 : 5.2 - 0.5 * l;
    return levels;
}

TEST(Derivative, OfARampIsOneEverywhereEndsIncluded)
{
    Profile ramp{};
    for (int i = 0; i < 256; ++i)
        ramp[i] = i;
    const Profile d = derivative(ramp);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(d[i], 1.0) << i;
}

TEST(Derivative, OfASquareIsExactAtTheEndsToo)
{
    // The one-sided end formulas are second order, so they differentiate i^2 exactly.
    Profile square{};
    for (int i = 0; i < 256; ++i)
        square[i] = static_cast<double>(i) * i;
    const Profile d = derivative(square);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(d[i], 2.0 * i) << i;
}

TEST(MarkRuns, MarksEverySampleOfARunButItsFirst)
{
    const Marks marks = markRuns(profileOf({-5, -5, 0, 3, 3, -2}), 1.0);
    const int expected[] = {0, -1, 0, 0, 1, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(marks[i], expected[i]) << i;
    for (int i = 6; i < 256; ++i)
        EXPECT_EQ(marks[i], 0) << i;
}

TEST(MarkRuns, ZeroBandIsClosedBelowAndOpenAbove)
{
    // Exactly -s is flat; exactly +s still counts as positive.
    const Marks minus = markRuns(profileOf({-1, -1, -1}), 1.0);
    EXPECT_EQ(minus[1], 0);
    EXPECT_EQ(minus[2], 0);
    const Marks plus = markRuns(profileOf({1, 1, 1}), 1.0);
    EXPECT_EQ(plus[0], 0);
    EXPECT_EQ(plus[1], 1);
    EXPECT_EQ(plus[2], 1);
    // Flat samples inside a run do not break it.
    const Marks gap = markRuns(profileOf({-3, 0.5, -0.5, -3}), 1.0);
    EXPECT_EQ(gap[3], -1);
}

TEST(SmoothHistogram, IsTheNormalisedGaussianAroundASingleBin)
{
    Histogram h{};
    h[100] = 1000;
    const double tau = 2.0;
    const Profile out = smoothHistogram(h, tau);
    const double norm = tau * std::sqrt(2 * std::numbers::pi);
    EXPECT_DOUBLE_EQ(out[100], 1000 / norm);
    EXPECT_DOUBLE_EQ(out[97], 1000 * std::exp(-9 / 8.0) / norm);
    double mass = 0;
    for (const double v : out)
        mass += v;
    EXPECT_NEAR(mass, 1000.0, 1e-9);
}

TEST(SmoothHistogram, CutsTheKernelAfterTheFirstWeightBelowOneInATrillion)
{
    // For tau 1 the weights are exp(-d^2 / 2): d = 7 gives 2.3e-11, d = 8
    // gives 1.3e-14 (the first below 1e-12, still used), d = 9 is cut.
    Histogram h{};
    h[100] = 1000;
    const Profile out = smoothHistogram(h, 1.0);
    EXPECT_GT(out[108], 0.0);
    EXPECT_GT(out[92], 0.0);
    EXPECT_EQ(out[109], 0.0);
    EXPECT_EQ(out[91], 0.0);
}

TEST(SmoothHistogram, EqualsTheFullSumOverAllBinsBitForBit)
{
    // The literal sum: every bin, zero weights and empty bins included.
    std::mt19937 random(5);
    std::uniform_int_distribution<int> count(0, 100000);
    std::uniform_int_distribution<int> coin(0, 3);
    for (int round = 0; round < 20; ++round) {
        Histogram h{};
        for (int u = 0; u < 256; ++u)
            h[u] = coin(random) == 0 ? count(random) : 0;
        for (double tau = 5.2; tau >= 0.2; tau -= 0.5) {
            std::array<double, 256> g{};
            for (int d = 0; d < 256; ++d) {
                g[d] = std::exp(-static_cast<double>(d * d) / (2 * tau * tau));
                if (g[d] < 1e-12)
                    break;
            }
            const Profile out = smoothHistogram(h, tau);
            for (int x = 0; x < 256; ++x) {
                double sum = 0;
                for (int u = 0; u < 256; ++u)
                    sum += h[u] * g[std::abs(x - u)];
                ASSERT_EQ(out[x], sum / (tau * 2.5066282746310002)) << round << ' ' << tau << ' ' << x;
            }
        }
    }
}

TEST(ScaleLevels, LadderRunsFrom5Point2DownByRepeatedSubtractionThenTheRawHistogram)
{
    Histogram h{};
    h[7] = 3;
    const std::vector<ScaleLevel> levels = buildScaleLevels(h, 1.0);
    ASSERT_EQ(levels.size(), 12u);
    EXPECT_EQ(levels[0].tau, 5.2);
    EXPECT_EQ(levels[1].tau, 5.2 - 0.5);
    EXPECT_EQ(levels[10].tau, 0.20000000000000018);
    EXPECT_EQ(levels[11].tau, 0.0);
    EXPECT_EQ(levels[11].smoothed[7], 3.0);
    EXPECT_EQ(levels[11].smoothed[8], 0.0);
}

TEST(ConsolidateMarks, MovesACoarseMarkOntoTheNearestFinerMarkOnTheLeft)
{
    std::vector<ScaleLevel> levels = emptyLevels();
    levels[11].marks[50] = 1;
    levels[10].marks[52] = -1;
    consolidateMarks(levels);
    EXPECT_EQ(levels[10].marks[52], 0);
    EXPECT_EQ(levels[10].marks[50], -1);
}

TEST(ConsolidateMarks, AFinerMarkAtTheSameBinIsTheOnlyCandidate)
{
    // The finer level has a mark at 60 and an odd number of marks before it,
    // so the coarse mark at 60 is dropped; it is not tried on the left at 55.
    std::vector<ScaleLevel> levels = emptyLevels();
    levels[11].marks[55] = 1;
    levels[11].marks[60] = 1;
    levels[10].marks[60] = 1;
    consolidateMarks(levels);
    for (int j = 0; j < 256; ++j)
        EXPECT_EQ(levels[10].marks[j], 0) << j;
}

TEST(ConsolidateMarks, MovesRightWhenTheLeftWouldCrossAnOddCountAndIsMetAgain)
{
    // Finer marks at 3, 10 and 30. From 20 the left candidate 10 has one
    // finer mark (3) before it, odd, so the mark moves right to 30; met again
    // there, it finds a finer mark at its own bin and stays.
    std::vector<ScaleLevel> levels = emptyLevels();
    levels[11].marks[3] = 1;
    levels[11].marks[10] = -1;
    levels[11].marks[30] = 1;
    levels[10].marks[20] = -1;
    consolidateMarks(levels);
    EXPECT_EQ(levels[10].marks[20], 0);
    EXPECT_EQ(levels[10].marks[30], -1);
    EXPECT_EQ(levels[10].marks[10], 0);
}

TEST(ConsolidateMarks, TracksAMarkDownTheWholeLadder)
{
    // Each level follows the already consolidated level below it: the marks
    // at 101 all settle on the raw level's 100, and level 0's mark at 90,
    // with no finer mark on its left, moves right onto it as well.
    std::vector<ScaleLevel> levels = emptyLevels();
    levels[11].marks[100] = 1;
    for (int l = 1; l <= 10; ++l)
        levels[l].marks[101] = 1;
    levels[0].marks[90] = -1;
    consolidateMarks(levels);
    for (int l = 1; l <= 10; ++l) {
        EXPECT_EQ(levels[l].marks[100], 1) << l;
        EXPECT_EQ(levels[l].marks[101], 0) << l;
    }
    EXPECT_EQ(levels[0].marks[90], 0);
    EXPECT_EQ(levels[0].marks[100], -1);
}

TEST(ConsolidateMarks, WithoutAnyFinerMarkAMarkEndsOnTheLastBin)
{
    // Left and the previous mark are both bin 0, so the right candidate, 255, is taken.
    std::vector<ScaleLevel> levels = emptyLevels();
    levels[10].marks[40] = 1;
    levels[10].marks[70] = -1;
    consolidateMarks(levels);
    EXPECT_EQ(levels[10].marks[40], 0);
    EXPECT_EQ(levels[10].marks[70], 0);
    EXPECT_EQ(levels[10].marks[255], -1);  // the later mark overwrote the earlier one
}

TEST(ForceEndMarks, NegatesTheNearestMarkIntoBothEnds)
{
    std::vector<ScaleLevel> levels = emptyLevels();
    levels[0].marks[40] = 1;
    levels[0].marks[200] = -1;
    levels[1].marks[0] = 1;  // a mark at an end is itself negated
    levels[1].marks[255] = 1;
    forceEndMarks(levels);
    EXPECT_EQ(levels[0].marks[0], -1);
    EXPECT_EQ(levels[0].marks[255], 1);
    EXPECT_EQ(levels[1].marks[0], -1);
    EXPECT_EQ(levels[1].marks[255], -1);
    EXPECT_EQ(levels[2].marks[0], 0);  // no mark at all: the ends stay empty
    EXPECT_EQ(levels[2].marks[255], 0);
}

TEST(ChannelExtrema, OneOccupiedBinGivesNoPeak)
{
    // Away from the ends the raw level's second derivative is +, -, + with
    // no run of two, so no mark survives. (At bins 0, 1, 254 and 255 the
    // one-sided end derivatives make runs, and a peak appears.)
    for (const int bin : {3, 37, 128, 200, 252}) {
        Histogram h{};
        h[bin] = 4096;
        const Extrema e = channelExtrema(h, 1.0);
        for (int x = 0; x < 256; ++x)
            EXPECT_LE(e[x], 0) << "bin " << bin << " x " << x;
    }
}

TEST(ChannelExtrema, TwoSeparateColoursGiveTwoPeaksAroundTheirBins)
{
    Histogram h{};
    for (int d = -6; d <= 6; ++d) {
        const int weight = static_cast<int>(std::lround(5000 * std::exp(-d * d / 8.0)));
        h[60 + d] += weight;
        h[180 + d] += weight;
    }
    const Extrema e = channelExtrema(h, 1.0);
    EXPECT_EQ(e[60], 60);
    EXPECT_EQ(e[180], 180);
    EXPECT_LT(e[120], 0);  // the empty stretch between them is a valley
    EXPECT_LT(e[0], 0);
}

} // namespace
} // namespace vestiscop::color

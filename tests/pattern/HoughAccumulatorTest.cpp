// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "pattern/HoughAccumulator.h"

namespace vestiscop::pattern {
namespace {

using Variances = std::array<double, HoughAccumulator::AngleCount>;

int rowSum(const HoughAccumulator& hough, int angle)
{
    int sum = 0;
    for (int rho = 0; rho < HoughAccumulator::RhoBins; ++rho)
        sum += hough.votes(angle, rho);
    return sum;
}

TEST(HoughAccumulatorTest, ScaleMapsTheHalfDiagonalToFiftyBins)
{
    HoughAccumulator hough;
    hough.reset(10, 10);
    EXPECT_DOUBLE_EQ(hough.scale(), 50 / std::sqrt(50.0));
    // Integer halves: 11 x 7 has halves 5 and 3.
    hough.reset(11, 7);
    EXPECT_DOUBLE_EQ(hough.scale(), 50 / std::sqrt(34.0));
}

TEST(HoughAccumulatorTest, CentrePixelVotesTheMiddleBinInEveryDirection)
{
    HoughAccumulator hough;
    hough.reset(10, 10);
    hough.vote(5, 5);
    for (int i = 0; i < HoughAccumulator::AngleCount; ++i) {
        EXPECT_EQ(hough.votes(i, 50), 1) << "angle " << i;
        EXPECT_EQ(rowSum(hough, i), 1);
    }
}

TEST(HoughAccumulatorTest, PixelOffTheCentreVotesByDirection)
{
    // 10 x 10: scale = 50 / sqrt(50) = 7.0711. One column right of the
    // centre: rho = floor(sin(theta) * 7.0711 + 50.5).
    HoughAccumulator hough;
    hough.reset(10, 10);
    hough.vote(5, 6);
    EXPECT_EQ(hough.votes(0, 50), 1);   // theta 0: along the column
    EXPECT_EQ(hough.votes(8, 55), 1);   // 45 degrees: 5.0 + 50.5
    EXPECT_EQ(hough.votes(16, 57), 1);  // 90 degrees: 7.07 + 50.5
    EXPECT_EQ(hough.votes(24, 55), 1);

    // One row above the centre: rho = floor(-cos(theta) * 7.0711 + 50.5).
    HoughAccumulator above;
    above.reset(10, 10);
    above.vote(4, 5);
    EXPECT_EQ(above.votes(0, 43), 1);
    EXPECT_EQ(above.votes(16, 50), 1);
    EXPECT_EQ(above.votes(31, 57), 1);  // cos(31 pi / 32) = -0.995
}

TEST(HoughAccumulatorTest, EveryPixelOfThePictureLandsInTheBins)
{
    for (const auto& [w, h] : {std::pair{10, 10}, std::pair{11, 7}, std::pair{2, 9}, std::pair{64, 3}}) {
        HoughAccumulator hough;
        hough.reset(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                hough.vote(y, x);
        for (int i = 0; i < HoughAccumulator::AngleCount; ++i)
            ASSERT_EQ(rowSum(hough, i), w * h) << w << " x " << h << ", angle " << i;
    }
    // The corner (0, 0) of 10 x 10 lies exactly on the far end at 45 degrees.
    HoughAccumulator corner;
    corner.reset(10, 10);
    corner.vote(0, 0);
    EXPECT_EQ(corner.votes(8, 0), 1);
}

TEST(HoughAccumulatorTest, VotesOutsideTheBinsAreDropped)
{
    HoughAccumulator hough;
    hough.reset(10, 10);
    hough.vote(5, 40);
    EXPECT_EQ(rowSum(hough, 0), 1);   // along the row the distance is still 0
    EXPECT_EQ(rowSum(hough, 16), 0);  // across it 35 columns are far off the bins
}

TEST(HoughAccumulatorTest, VarianceOfOneRow)
{
    // Votes 2 in one bin of every row: sum 2, squares 4 over 101 bins.
    HoughAccumulator hough;
    hough.reset(10, 10);
    hough.vote(5, 5);
    hough.vote(5, 5);
    const Variances var = hough.variances();
    for (const double v : var)
        EXPECT_DOUBLE_EQ(v, 4.0 / 101 - (2.0 / 101) * (2.0 / 101));
}

Variances flat(double value)
{
    Variances var;
    var.fill(value);
    return var;
}

TEST(HoughAccumulatorTest, NoVotesMeansNoComparablePeaks)
{
    EXPECT_EQ(HoughAccumulator::peaksOf(flat(0)), 1);
    HoughAccumulator empty;
    empty.reset(20, 20);
    EXPECT_EQ(empty.orientationPeaks(), 1);
}

TEST(HoughAccumulatorTest, OneDominantDirection)
{
    Variances var = flat(1);
    var[5] = 10;
    EXPECT_EQ(HoughAccumulator::peaksOf(var), 1);
}

TEST(HoughAccumulatorTest, RatioThreeIsStillComparable)
{
    Variances var = flat(1);
    var[4] = 3;
    var[20] = 9;
    EXPECT_EQ(HoughAccumulator::peaksOf(var), 2);
    var[20] = 9.03;
    EXPECT_EQ(HoughAccumulator::peaksOf(var), 1);
}

TEST(HoughAccumulatorTest, SecondPeakFoundBeforeTheFirst)
{
    Variances var = flat(1);
    var[4] = 9;
    var[20] = 3;
    EXPECT_EQ(HoughAccumulator::peaksOf(var), 2);
}

TEST(HoughAccumulatorTest, MoreThanThreeComparablePeaks)
{
    Variances var = flat(1);
    var[2] = 5;
    var[10] = 6;
    var[18] = 7;
    var[26] = 8;
    EXPECT_EQ(HoughAccumulator::peaksOf(var), 0);
    var[26] = 30;  // the top two no longer comparable
    EXPECT_EQ(HoughAccumulator::peaksOf(var), 1);
}

TEST(HoughAccumulatorTest, FirstAndLastDirectionsAreNeighbours)
{
    // Angle 0 is not a peak because angle 31 beside it is higher; without the
    // wrap there would be two comparable peaks.
    Variances var = flat(1);
    var[0] = 10;
    var[31] = 11;
    EXPECT_EQ(HoughAccumulator::peaksOf(var), 1);

    Variances both = flat(1);
    both[0] = 10;
    both[16] = 10.5;
    EXPECT_EQ(HoughAccumulator::peaksOf(both), 2);
}

TEST(HoughAccumulatorTest, LocalMaximumBelowTheMeanIsNoPeak)
{
    // Mean 10: the local maximum 9 at angle 21 would make the pair 27 / 9
    // comparable if it counted.
    Variances var = flat(10);
    var[5] = 27;
    var[20] = 2;
    var[21] = 9;
    var[22] = 2;
    ASSERT_DOUBLE_EQ(std::accumulate(var.begin(), var.end(), 0.0) / 32, 10.0);
    EXPECT_EQ(HoughAccumulator::peaksOf(var), 1);
}

} // namespace
} // namespace vestiscop::pattern

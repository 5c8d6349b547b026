// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of a mask, counted and measured from the runs of its rows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include "fabric/FabricPieces.h"

namespace vestiscop::fabric {
namespace {

// The pieces' areas are those of OpenCV's 8-connected labelling, on masks
// where a run-based count could go wrong: pieces touching only at a corner,
// a U whose arms meet rows below, runs at the row ends, one pixel, noise.
struct AreasCase {
    const char* name;
    int rows;
    int cols;
    const char* pattern;  // rows of '#' and '.', repeated over the mask; empty: random
    double density;       // for random masks
};

class PieceAreas : public ::testing::TestWithParam<AreasCase> {};

cv::Mat maskOf(const AreasCase& c)
{
    cv::Mat mask = cv::Mat::zeros(c.rows, c.cols, CV_8U);
    if (std::strlen(c.pattern) > 0) {
        std::vector<std::string> lines;
        for (const char* p = c.pattern; *p != 0;) {
            const char* end = std::strchr(p, '|');
            lines.emplace_back(p, end != nullptr ? end : p + std::strlen(p));
            p = end != nullptr ? end + 1 : p + std::strlen(p);
        }
        for (int y = 0; y < c.rows; ++y)
            for (int x = 0; x < c.cols; ++x) {
                const std::string& line = lines[static_cast<std::size_t>(y) % lines.size()];
                mask.at<std::uint8_t>(y, x) = line[static_cast<std::size_t>(x) % line.size()] == '#' ? 255 : 0;
            }
    } else {
        std::mt19937 random(7);
        std::bernoulli_distribution set(c.density);
        for (int y = 0; y < c.rows; ++y)
            for (int x = 0; x < c.cols; ++x)
                mask.at<std::uint8_t>(y, x) = set(random) ? 1 : 0;
    }
    return mask;
}

TEST_P(PieceAreas, AreThoseOfAnEightConnectedLabelling)
{
    const AreasCase& c = GetParam();
    const cv::Mat mask = maskOf(c);
    cv::Mat labels;
    cv::Mat stats;
    cv::Mat centroids;
    const int count = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8, CV_32S);
    std::vector<std::int64_t> expected;
    for (int i = 1; i < count; ++i)
        expected.push_back(stats.at<std::int32_t>(i, cv::CC_STAT_AREA));
    std::vector<std::int64_t> areas = pieceAreas(mask);
    std::sort(expected.begin(), expected.end());
    std::sort(areas.begin(), areas.end());
    EXPECT_EQ(areas, expected);
}

// The pieces with their statistics are the library's, in its numbering, as
// the analysis runs it (on one thread), to the bit; the moments are the
// sums over every piece's pixels of its labels in the order of the pixels.
TEST_P(PieceAreas, AndTheirStatisticsAreTheLibrarysInItsOrder)
{
    const AreasCase& c = GetParam();
    const cv::Mat mask = maskOf(c);
    const int threads = cv::getNumThreads();
    cv::setNumThreads(1);
    cv::Mat labels;
    cv::Mat stats;
    cv::Mat centroids;
    const int count = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8, CV_32S);
    cv::setNumThreads(threads);
    std::vector<double> sxx(static_cast<std::size_t>(count), 0);
    std::vector<double> syy(static_cast<std::size_t>(count), 0);
    std::vector<double> sxy(static_cast<std::size_t>(count), 0);
    for (int y = 0; y < mask.rows; ++y)
        for (int x = 0; x < mask.cols; ++x) {
            const int k = labels.at<std::int32_t>(y, x);
            if (k == 0)
                continue;
            const double dx = x - centroids.at<double>(k, 0);
            const double dy = y - centroids.at<double>(k, 1);
            sxx[static_cast<std::size_t>(k)] += dx * dx;
            syy[static_cast<std::size_t>(k)] += dy * dy;
            sxy[static_cast<std::size_t>(k)] += dx * dy;
        }
    const std::vector<MaskPiece> pieces = maskPieces(mask);
    ASSERT_EQ(static_cast<int>(pieces.size()), count - 1);
    int wrong = 0;
    for (int k = 1; k < count; ++k) {
        const MaskPiece& p = pieces[static_cast<std::size_t>(k - 1)];
        const auto i = static_cast<std::size_t>(k);
        const bool same = p.area == stats.at<std::int32_t>(k, cv::CC_STAT_AREA) &&
                          p.left == stats.at<std::int32_t>(k, cv::CC_STAT_LEFT) &&
                          p.top == stats.at<std::int32_t>(k, cv::CC_STAT_TOP) &&
                          p.width == stats.at<std::int32_t>(k, cv::CC_STAT_WIDTH) &&
                          p.height == stats.at<std::int32_t>(k, cv::CC_STAT_HEIGHT) &&
                          p.centreX == centroids.at<double>(k, 0) && p.centreY == centroids.at<double>(k, 1) &&
                          p.sxx == sxx[i] && p.syy == syy[i] && p.sxy == sxy[i];
        wrong += same ? 0 : 1;
    }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, PieceAreas,
    ::testing::Values(AreasCase{"empty", 16, 16, ".", 0}, AreasCase{"full", 16, 16, "#", 0},
                      AreasCase{"onePixelWide", 1, 9, "#.#..###.", 0},
                      AreasCase{"diagonalsTouch", 8, 8, "#...|.#..|..#.|...#", 0},
                      AreasCase{"antiDiagonalsTouch", 8, 8, "...#|..#.|.#..|#...", 0},
                      AreasCase{"uMeetsBelow", 5, 7, "#.#.#.#|#.#.#.#|#.#.#.#|#######|.......", 0},
                      AreasCase{"rowEnds", 6, 5, "#...#|....#|#....", 0},
                      AreasCase{"checkerboard", 12, 12, "#.|.#", 0}, AreasCase{"sparseNoise", 64, 80, "", 0.2},
                      AreasCase{"denseNoise", 64, 80, "", 0.55}, AreasCase{"halfNoise", 97, 61, "", 0.45},
                      // A piece whose first pixel comes later than another's
                      // in the rows but whose first 2 x 2 block comes first.
                      AreasCase{"blockBeforePixel", 2, 6, "....#.|#.....", 0},
                      AreasCase{"blocksOfOddSides", 7, 9, "..#.#.#..|#........|.....#..#", 0},
                      AreasCase{"largeSparse", 131, 257, "", 0.3}, AreasCase{"largeDense", 131, 257, "", 0.6}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of a mask, counted from the runs of its rows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

TEST_P(PieceAreas, AreThoseOfAnEightConnectedLabelling)
{
    const AreasCase& c = GetParam();
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

INSTANTIATE_TEST_SUITE_P(
    Masks, PieceAreas,
    ::testing::Values(AreasCase{"empty", 16, 16, ".", 0}, AreasCase{"full", 16, 16, "#", 0},
                      AreasCase{"onePixelWide", 1, 9, "#.#..###.", 0},
                      AreasCase{"diagonalsTouch", 8, 8, "#...|.#..|..#.|...#", 0},
                      AreasCase{"antiDiagonalsTouch", 8, 8, "...#|..#.|.#..|#...", 0},
                      AreasCase{"uMeetsBelow", 5, 7, "#.#.#.#|#.#.#.#|#.#.#.#|#######|.......", 0},
                      AreasCase{"rowEnds", 6, 5, "#...#|....#|#....", 0},
                      AreasCase{"checkerboard", 12, 12, "#.|.#", 0}, AreasCase{"sparseNoise", 64, 80, "", 0.2},
                      AreasCase{"denseNoise", 64, 80, "", 0.55}, AreasCase{"halfNoise", 97, 61, "", 0.45}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vestiscop::fabric

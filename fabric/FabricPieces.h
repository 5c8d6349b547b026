// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pieces a mask's pixels form: how the analysis tells a colour of dots
// or spots from a shade along edges, and a ground in pieces from one whole.

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

#include "imaging/Image.h"

namespace vestiscop::fabric {

// The pixel counts of the 8-connected pieces of a mask's non-zero pixels
// (CV_8U), in no particular order.
std::vector<std::int64_t> pieceAreas(const cv::Mat& mask);

// An 8-connected piece of a mask's non-zero pixels: its pixel count, its
// bounding box, the mean of its pixels' coordinates and the sums of their
// squared and crossed deviations from it (x x, y y, x y), for its ellipse.
struct MaskPiece {
    std::int64_t area = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    double centreX = 0;
    double centreY = 0;
    double sxx = 0;
    double syy = 0;
    double sxy = 0;
};

// The pieces of a mask (CV_8U) as OpenCV's 8-connected labelling with
// statistics gives them on one thread, to the bit and in its order (by the
// first 2 x 2 block, in rows of blocks, that holds a pixel of the piece),
// the moments summed over each piece's pixels row by row.
std::vector<MaskPiece> maskPieces(const cv::Mat& mask);

// How many pieces of at least minAreaPx pixels a mask (non-zero pixels)
// forms after an opening by a 3 x 3 square, which drops single threads and
// the scanner's specks.
int countPieces(const cv::Mat& mask, double minAreaPx);

// A mask's non-zero pixels and how many runs they form along its rows
// (runsX) and along its columns (runsY): pixels / runs is a piece's mean
// extent, the size of a dot or the width of a stripe.
struct MaskRuns {
    std::int64_t pixels = 0;
    std::int64_t runsX = 0;
    std::int64_t runsY = 0;
};
MaskRuns maskRuns(const imaging::ByteImage& mask);

} // namespace vestiscop::fabric

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

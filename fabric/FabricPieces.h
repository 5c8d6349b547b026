// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pieces a mask's pixels form: how the analysis tells a colour of dots
// or spots from a shade along edges, and a ground in pieces from one whole.

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

namespace vestiscop::fabric {

// The pixel counts of the 8-connected pieces of a mask's non-zero pixels
// (CV_8U), in no particular order.
std::vector<std::int64_t> pieceAreas(const cv::Mat& mask);

// How many pieces of at least minAreaPx pixels a mask (non-zero pixels)
// forms after an opening by a 3 x 3 square, which drops single threads and
// the scanner's specks.
int countPieces(const cv::Mat& mask, double minAreaPx);

} // namespace vestiscop::fabric

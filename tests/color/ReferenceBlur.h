// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Gaussian pre-filter written the plain way: each channel blurred along
// the rows with the 9 weights, truncated, then down the columns, truncated,
// with the picture's edge pixels standing in for everything beyond the edge.

#include <memory>

#include "imaging/Image.h"

namespace vestiscop::color::test {

std::unique_ptr<imaging::RgbImage> referenceBlur(const imaging::RgbImage& in, double sigma);

} // namespace vestiscop::color::test

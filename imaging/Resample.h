// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Area averaging: a picture brought to another size as if each new pixel
// were a window over the old picture, its colour the average of what lies
// under it, each old pixel weighted by the part of it the window covers.
// Both pictures span the same area. Works both ways (fewer or more pixels)
// and is exact: the averages are computed in integers and rounded half up,
// so the result does not depend on the order of the sums.

#include "imaging/Image.h"

#include <memory>

namespace vestiscop::imaging {

// The largest side resampleArea makes or reads.
inline constexpr int MaxResampledSide = 1 << 16;

// A new width x height picture; SystemError 5 for a size outside
// 1..MaxResampledSide (either picture), SystemError 0 when memory runs out.
std::unique_ptr<RgbImage> resampleArea(const RgbImage& source, int width, int height);

} // namespace vestiscop::imaging

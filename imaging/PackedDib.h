// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image a scanner driver hands over: a packed DIB, that is a 40-byte
// information header directly followed by 24-bit rows, bottom row first,
// each padded to a multiple of 4 bytes, pixels in blue, green, red order.

#include "imaging/Image.h"

#include <cstddef>
#include <limits>
#include <memory>

namespace vestiscop::imaging {

inline constexpr std::size_t UnknownDibLength = std::numeric_limits<std::size_t>::max();

// A new owning copy of the picture, top row first. SystemError 5 (nothing
// allocated) for a top-down DIB, one that is not 24-bit uncompressed, a size
// of 0 or less or beyond MaxImagePixels, or a block shorter than its header
// and rows say (checked when length is known).
std::unique_ptr<RgbImage> fromPackedDib(const void* dib, std::size_t length = UnknownDibLength);

} // namespace vestiscop::imaging

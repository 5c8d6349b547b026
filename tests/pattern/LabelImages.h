// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Label images drawn for the pattern tests.

#include <cstdint>
#include <functional>
#include <memory>

#include "imaging/Image.h"

namespace vestiscop::pattern::test {

// A width x height label image with label(x, y) at every pixel.
std::unique_ptr<imaging::ByteImage> drawLabels(int width, int height,
                                               const std::function<int(int x, int y)>& label);

// Random blobs of labels 0..labelCount-1, reproducible from the seed.
std::unique_ptr<imaging::ByteImage> randomBlobs(int width, int height, int labelCount, std::uint32_t seed);

} // namespace vestiscop::pattern::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Generated scans of fabric for the analysis tests and benchmarks: two
// colours in a plain, striped, checked or dotted layout, with deterministic
// noise so that each colour spreads like a real scan rather than being one
// exact RGB value.

#include <cstdint>
#include <memory>

#include "imaging/Image.h"

namespace vestiscop::color::test {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};

enum class Layout { Plain, Stripes, Check, Dots };

struct Fabric {
    Layout layout = Layout::Plain;
    Rgb ground;         // background colour (and the plain colour)
    Rgb figure;         // stripes, every other square, dots
    int period = 16;    // stripe pair height, square size, dot spacing
    int dotRadius = 3;
    int noise = 6;      // each channel moves by -noise..+noise
    std::uint32_t seed = 1;
};

// A new width x height image of the fabric.
std::unique_ptr<imaging::RgbImage> weave(const Fabric& fabric, int width, int height);

// Whether (x, y) shows the figure colour.
bool isFigure(const Fabric& fabric, int x, int y);

// One colour, no noise.
std::unique_ptr<imaging::RgbImage> solid(Rgb colour, int width, int height);

} // namespace vestiscop::color::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Records shared by the catalogue tests.

#include <cstdint>

#include "color/ColorAnalysis.h"

namespace vestiscop::catalog::test {

inline color::LabPixel lab(int l, int a, int b)
{
    return color::LabPixel{static_cast<std::uint8_t>(l), static_cast<std::int8_t>(a), static_cast<std::int8_t>(b)};
}

// A record as an analysis fills it: valid, no name.
inline color::ColorAnalysis record(color::LabPixel a, double shareA, color::LabPixel b, double shareB)
{
    color::ColorAnalysis r;
    r.valid = 1;
    r.colorA = a;
    r.shareA = shareA;
    r.colorB = b;
    r.shareB = shareB;
    return r;
}

} // namespace vestiscop::catalog::test

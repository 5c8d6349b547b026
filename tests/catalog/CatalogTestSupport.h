// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Records and settings shared by the catalogue tests.

#include <cstdint>
#include <string>

#include "color/ColorAnalysis.h"
#include "foundation/Settings.h"

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

// The values the matching rules' worked example uses: equal colour weights,
// no share weight, MaxDistance 400, MinSimilarity 0.5, MergeDecay 3.
inline foundation::MatchingSettings workedExampleSettings(const std::string& materials)
{
    foundation::MatchingSettings settings;
    settings.materials = materials;
    settings.color1Weight = {1, 1, 1, 0};
    settings.color2Weight = {1, 1, 1, 0};
    settings.maxDistance = 400;
    settings.minSimilarity = 0.5;
    settings.mergeDecay = 3;
    return settings;
}

} // namespace vestiscop::catalog::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings records tests build instead of reading a configuration file.
// Each stands for one file, and support_tests checks that reading that file
// gives the same record.

#include <string>

#include "foundation/Settings.h"

namespace vestiscop::testsupport {

// [Color] of testConfiguration(): no pre-filter, so that a picture's colours
// reach the clustering as drawn, and a light histogram smoothing.
inline foundation::ColorSettings testColorSettings()
{
    foundation::ColorSettings s;
    s.definitions = "colors.txt";
    s.filter = 0;
    s.lumaScale = 1.0;
    s.clusterThr = 0.03;
    s.histSmooth = 1.0;
    s.maxBins = 12;
    s.reportThr = 0.05;
    return s;
}

// [Color] of the shipped vestiscop.cfg.
inline foundation::ColorSettings shippedColorSettings()
{
    foundation::ColorSettings s;
    s.definitions = "barvy.txt";
    s.filter = 2.0;
    s.lumaScale = 1.0;
    s.clusterThr = 0.02;
    s.histSmooth = 4.0;
    s.maxBins = 12;
    s.reportThr = 0.05;
    return s;
}

// The values the matching rules' worked example uses: equal colour weights,
// no share weight, MaxDistance 400, MinSimilarity 0.5, MergeDecay 3.
inline foundation::MatchingSettings workedExampleMatching(const std::string& materials)
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

// [Matching] of the shipped vestiscop.cfg with the Materials file given and
// no Signatures key.
inline foundation::MatchingSettings shippedMatching(const std::string& materials)
{
    foundation::MatchingSettings settings;
    settings.materials = materials;
    settings.color1Weight = {1, 1, 1, 1600};
    settings.color2Weight = {1, 1, 1, 1600};
    settings.maxDistance = 400;
    settings.minSimilarity = 0.65;
    settings.mergeDecay = 1;
    return settings;
}

} // namespace vestiscop::testsupport

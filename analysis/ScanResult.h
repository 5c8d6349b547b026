// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything one analysis of a scan found, as the voice, the views, the
// catalogue and the signature read it. An Analyser (analysis/Analyser.h)
// owns it and the pictures it points to; they stay valid until its next
// analyze() call.

#include <vector>

#include "color/AnalysisViews.h"
#include "color/ColorAnalysis.h"
#include "color/ColorCluster.h"
#include "fabric/FabricFindings.h"
#include "imaging/Image.h"
#include "pattern/PatternKind.h"

namespace vestiscop::analysis {

// Which analysis made the colours, the pattern and the views.
enum class Method {
    Standard,
    Improved,
    // The improved analysis was configured but failed on this scan; the
    // standard analysis's answers are told instead.
    StandardInsteadOfImproved,
};

struct ScanResult {
    // The scan the last analysis took over, also when that analysis then
    // failed; null before the first. What a saved scan stores.
    const imaging::RgbImage* image = nullptr;

    // The rest describes the last successful analysis (an analysis that
    // fails keeps them, except the views, which are emptied).
    // The analysed region: the top-left regionWidth x regionHeight pixels.
    int regionWidth = 0;
    int regionHeight = 0;
    // The named colours, largest share first.
    std::vector<color::ColorCluster> colors;
    pattern::PatternKind pattern = pattern::patternKind::None;
    // What the improved analysis measured of the pattern; null from the
    // standard analysis.
    const fabric::FabricFindings* findings = nullptr;
    // The colours one by one, as measured, where colors tells them
    // otherwise: a mottled cloth's mix (the pattern forest's heather), a
    // two-yarn cloth's dyed yarn; empty where colors are the measured ones.
    // A garment's signature compares these, so that how a scan was told
    // does not move it away from its other scans.
    std::vector<color::ColorCluster> separateColors;
    // The catalogue's 96-byte record: with two or more colours the second
    // largest with its share in A and the largest in B with share 0; with
    // one colour that colour in both.
    color::ColorAnalysis record;
    // The pictures the window shows; Separation and Texture are drawn from
    // the clusters that made the colours above.
    color::AnalysisViews views;
    Method method = Method::Standard;

    // What the signature measures of a standard analysis besides the
    // colours and the pattern: the region in the analysis channels (byte 0
    // = L times LumaScale, byte 1 = b + 128, byte 2 = a + 128) and the mask
    // of the pixels outside the standard clustering's dominant colour;
    // either may be null. Null from the improved analysis, whose findings
    // the signature reads instead.
    const imaging::RgbImage* analysisChannels = nullptr;
    const imaging::ByteImage* minorityMask = nullptr;
};

} // namespace vestiscop::analysis

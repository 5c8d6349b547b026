// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A second analysis of the analysed region that ColorAnalyzer consults after
// its own steps, so that one analyser object serves both the standard
// analysis and an improved one chosen at start-up. It gets the region as
// scanned (not smoothed) and fills the named colours, largest share first,
// and the pattern kind; leaving the colours empty keeps the analyser's own.
// Each ColorCluster must name a colour of a table that outlives the
// analyser; its sums are the measured mean times the pixel count.
// refine() runs on a thread of its own beside the analyser's standard steps:
// it may read the region and its own state only. The pattern it is handed
// holds no finding of the standard steps.

#include <vector>

#include "color/ColorCluster.h"
#include "imaging/Image.h"
#include "pattern/PatternKind.h"

namespace vestiscop::color {

class AnalysisRefinement {
public:
    virtual ~AnalysisRefinement() = default;

    // Failures propagate (allocation as std::bad_alloc); colours and pattern
    // then stay unused.
    virtual void refine(const imaging::RgbImage& region, std::vector<ColorCluster>& colors,
                        pattern::PatternKind& pattern) = 0;
};

} // namespace vestiscop::color

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The improved analysis of a garment's region, used in place of the
// standard one's answers when the configuration asks for it
// ([Texture] Analysis = improved). It measures the colours on the flat
// parts of the cloth, so that yarn-dyed stripes keep both their colours and
// small dots keep theirs, names each with the colour table, and decides
// the pattern from periodicity, edge directions and the shapes of the
// minority colours (PatternRules.h). Deterministic; no Qt.
//
// Not thread-safe; one object serves one ColorAnalyzer.

#include <vector>

#include "color/AnalysisRefinement.h"
#include "color/ColorNameTable.h"
#include "fabric/FabricFindings.h"

namespace vestiscop::fabric {

class FabricAnalysis : public color::AnalysisRefinement {
public:
    // The table must outlive the object; the resolution is the scan's, in
    // dots per inch (both positive). Colours under reportThr (the report
    // threshold) are told only when they form the pattern's pieces, so only
    // those are looked at for it.
    FabricAnalysis(const color::ColorNameTable& names, double xDpi, double yDpi, double reportThr = 1.0);

    void refine(const imaging::RgbImage& region, std::vector<color::ColorCluster>& colors,
                pattern::PatternKind& pattern) override;

    // Measures a region without naming: the findings, pattern included.
    void measure(const imaging::RgbImage& region);

    // What the last analysis found.
    const FabricFindings& findings() const { return m_findings; }

private:
    const color::ColorNameTable& m_names;
    double m_mmPerPx;
    double m_reportThr;
    FabricFindings m_findings;
};

} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analysis of scans, as one interface whatever the configuration chose
// at start: the standard analysis (StandardAnalyser.h) or the improved one
// (ImprovedAnalyser.h). Each makes the whole ScanResult from its own
// clusters. Runs on the caller's thread; not thread-safe.

#include <functional>
#include <memory>
#include <string>

#include "analysis/ScanResult.h"
#include "color/ColorNameTable.h"
#include "foundation/Settings.h"
#include "imaging/Image.h"

namespace vestiscop::analysis {

class Analyser {
public:
    virtual ~Analyser() = default;

    // Analyses the image and takes it over.
    // - VisionError 0: the image is narrower or lower than the region.
    //   Nothing changes, and the image stays with the caller.
    // - VisionError 1: no usable colours. The image has been taken over;
    //   the result keeps the previous analysis but for its views (empty).
    // Allocation failures propagate as SystemError 0.
    virtual void analyze(std::unique_ptr<imaging::RgbImage>&& image) = 0;

    virtual const ScanResult& result() const = 0;

    // Whether the result's views are drawn (by default they are). A program
    // that shows no pictures, the command line, turns them off: the
    // improved analysis then leaves the views empty instead of drawing two
    // region-sized images; nothing else of the result changes.
    void setViewsWanted(bool wanted) { m_viewsWanted = wanted; }
    bool viewsWanted() const { return m_viewsWanted; }

private:
    bool m_viewsWanted = true;
};

// Where an analyser notes what the user is not told but the log keeps (an
// improved analysis that failed); may be empty.
using AnalysisNote = std::function<void(const std::string&)>;

// The analyser the configuration asks for: the improved one when improved
// is set, with the scan's resolution and the report threshold. The
// settings and the table must outlive it and have passed their checks.
std::unique_ptr<Analyser> makeAnalyser(bool improved, const foundation::ColorSettings& colorSettings,
                                       const foundation::TextureSettings& textureSettings,
                                       const foundation::ScanSettings& scanSettings,
                                       const color::ColorNameTable& names, AnalysisNote note = {});

} // namespace vestiscop::analysis

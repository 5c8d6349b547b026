// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The standard analysis (color/ColorAnalyzer.h) as an Analyser: its colours,
// pattern, record and views, and its channels and mask for the signature.

#include "analysis/Analyser.h"
#include "color/ColorAnalyzer.h"

namespace vestiscop::analysis {

class StandardAnalyser : public Analyser {
public:
    StandardAnalyser(const foundation::ColorSettings& colorSettings,
                     const foundation::TextureSettings& textureSettings, const color::ColorNameTable& names);

    void analyze(std::unique_ptr<imaging::RgbImage>&& image) override;
    const ScanResult& result() const override { return m_result; }

    // The analysis's own steps, for tests and measurements.
    const color::ColorAnalyzer& steps() const { return m_steps; }

private:
    color::ColorAnalyzer m_steps;
    ScanResult m_result;
};

// The result of a successful analysis by the standard steps: its colours,
// pattern, record, views, channels and mask.
void takeStandardResult(const color::ColorAnalyzer& steps, ScanResult& result);

} // namespace vestiscop::analysis

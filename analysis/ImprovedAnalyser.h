// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The improved analysis (fabric/FabricAnalysis.h) as an Analyser: its named
// colours, pattern and findings, the record of those colours, and views
// drawn from its own clusters and its own Lab, so that a sighted helper
// sees the colours the user hears. The signature reads its findings.
//
// The standard steps run only when the improved analysis fails on a scan
// (the image library refuses it, or it finds no colour): their colours,
// pattern, views, channels and mask are told instead, the result says so
// (Method::StandardInsteadOfImproved) and the note gets a log line.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/Analyser.h"
#include "color/ColorAnalyzer.h"
#include "fabric/FabricAnalysis.h"

namespace vestiscop::analysis {

class ImprovedAnalyser : public Analyser {
public:
    ImprovedAnalyser(const foundation::ColorSettings& colorSettings,
                     const foundation::TextureSettings& textureSettings,
                     const foundation::ScanSettings& scanSettings, const color::ColorNameTable& names,
                     AnalysisNote note = {});

    void analyze(std::unique_ptr<imaging::RgbImage>&& image) override;
    const ScanResult& result() const override { return m_result; }

    // The analyses' own steps, for tests and measurements.
    const color::ColorAnalyzer& steps() const { return m_steps; }
    const fabric::FabricAnalysis& fabric() const { return m_fabric; }

protected:
    // The improved measurement of the region: false, with the image
    // library's words in why, when it refuses the region.
    virtual bool measureImproved(const imaging::RgbImage& region, std::string& why)
    {
        return m_fabric.tryMeasure(region, why);
    }

private:
    void drawViews();

    color::ColorAnalyzer m_steps;  // the standard steps, for a failure of the improved analysis
    fabric::FabricAnalysis m_fabric;
    AnalysisNote m_note;
    double m_lumaScale;
    std::unique_ptr<imaging::RgbImage> m_image;   // the analysed image, unless the standard steps took it
    std::unique_ptr<imaging::RgbImage> m_region;  // window onto the analysed image
    std::unique_ptr<imaging::RgbImage> m_channels; // the region in the analysis channels, from the improved Lab
    std::unique_ptr<imaging::ByteImage> m_spoken; // each region pixel's colour (index into the result's)
    std::vector<std::uint8_t> m_spokenOf;         // measured colour -> index of its named colour
    ScanResult m_result;
};

// The index image of the region's spoken colours from the improved
// analysis's sample labels: each region pixel takes spokenOf of its
// sample's label, the pixels past the samples' span those of the last
// sample of their row or column. Labels without an entry in spokenOf go
// with colour 0.
void drawSpokenColours(const imaging::ByteImage& labels, int factor, const std::vector<std::uint8_t>& spokenOf,
                       imaging::ByteImage& spoken);

} // namespace vestiscop::analysis

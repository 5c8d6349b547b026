// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/StandardAnalyser.h"

#include "foundation/Exception.h"

namespace vestiscop::analysis {

StandardAnalyser::StandardAnalyser(const foundation::ColorSettings& colorSettings,
                                   const foundation::TextureSettings& textureSettings,
                                   const color::ColorNameTable& names)
    : m_steps(colorSettings, textureSettings, names)
{
    m_result.regionWidth = m_steps.regionWidth();
    m_result.regionHeight = m_steps.regionHeight();
    m_result.record = m_steps.analysis();
}

void StandardAnalyser::analyze(std::unique_ptr<imaging::RgbImage>&& image)
{
    try {
        m_steps.analyze(std::move(image));
    } catch (...) {
        // A failure after the steps took the image over leaves no pictures.
        m_result.image = m_steps.image();
        m_result.views = m_steps.renderViews();
        throw;
    }
    takeStandardResult(m_steps, m_result);
}

void takeStandardResult(const color::ColorAnalyzer& steps, ScanResult& result)
{
    result.image = steps.image();
    result.regionWidth = steps.regionWidth();
    result.regionHeight = steps.regionHeight();
    result.colors = steps.colors();
    result.pattern = steps.pattern();
    result.findings = nullptr;
    result.record = steps.analysis();
    result.views = steps.renderViews();
    result.method = Method::Standard;
    result.analysisChannels = steps.labImage();
    result.minorityMask = steps.mask();
}

} // namespace vestiscop::analysis

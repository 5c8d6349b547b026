// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/ImprovedAnalyser.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <string>

#include "analysis/StandardAnalyser.h"
#include "color/ColorConversion.h"
#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::analysis {

namespace {

// The log line of a scan told by the standard analysis instead, with why.
inline constexpr int ImprovedAnalysisFailed = 3400;
inline constexpr int NoColourFound = 3401;

} // namespace

ImprovedAnalyser::ImprovedAnalyser(const foundation::ColorSettings& colorSettings,
                                   const foundation::TextureSettings& textureSettings,
                                   const foundation::ScanSettings& scanSettings, const color::ColorNameTable& names,
                                   AnalysisNote note)
    : m_steps(colorSettings, textureSettings, names),
      m_fabric(names, scanSettings.xRes, scanSettings.yRes, colorSettings.reportThr), m_note(std::move(note)),
      m_lumaScale(colorSettings.lumaScale)
{
    m_fabric.setForest(textureSettings.patternModel == foundation::PatternModel::Forest);
    m_fabric.setDyedYarn(textureSettings.dyedYarn);
    // The standard pattern is wanted only when the improved analysis fails.
    m_steps.setPatternWanted(false);
    m_result.regionWidth = m_steps.regionWidth();
    m_result.regionHeight = m_steps.regionHeight();
    m_result.record = m_steps.analysis();
    m_result.method = Method::Improved;
    m_fabric.prepare(m_result.regionWidth, m_result.regionHeight);
}

void ImprovedAnalyser::analyze(std::unique_ptr<imaging::RgbImage>&& image)
{
    const int w = m_steps.regionWidth();
    const int h = m_steps.regionHeight();
    assert(image);
    if (image->width() < w || image->height() < h)
        throw foundation::VisionError(0);

    // From here on the previous pictures are gone whatever happens.
    m_result.views = color::AnalysisViews{};
    m_image = std::move(image);
    m_result.image = m_image.get();
    m_region = m_image->window(w, h);
    std::string why;
    std::vector<color::ColorCluster> colors;
    const bool improved = measureImproved(*m_region, why);
    m_result.separateColors.clear();
    if (improved) {
        m_fabric.name(static_cast<std::int64_t>(w) * h, colors, m_spokenOf);
        if (m_fabric.toldDifferently()) {
            std::vector<std::uint8_t> unused;
            m_fabric.nameSeparately(static_cast<std::int64_t>(w) * h, m_result.separateColors, unused);
        }
    }
    if (!colors.empty()) {
        m_result.colors = std::move(colors);
        m_result.pattern = m_fabric.findings().pattern;
        m_result.findings = &m_fabric.findings();
        color::fillRecord(m_result.colors, m_result.record);
        m_result.method = Method::Improved;
        m_result.analysisChannels = nullptr;
        m_result.minorityMask = nullptr;
        if (viewsWanted())
            drawViews();
        return;
    }

    // The standard steps, only now: their colours and pattern are told.
    try {
        m_steps.analyze(std::move(m_image));
    } catch (...) {
        // The steps may have taken the image over before they failed (no
        // usable colours for either analysis: VisionError 1).
        m_result.image = m_image ? m_image.get() : m_steps.image();
        throw;
    }
    m_steps.classifyPattern();
    takeStandardResult(m_steps, m_result);
    m_result.method = Method::StandardInsteadOfImproved;
    if (m_note) {
        if (improved)
            why = foundation::loadString(NoColourFound);
        m_note(foundation::format(foundation::loadString(ImprovedAnalysisFailed).c_str(), why.c_str()));
    }
}

void ImprovedAnalyser::drawViews()
{
    const int w = m_steps.regionWidth();
    const int h = m_steps.regionHeight();
    if (m_spoken)
        m_spoken->resize(w, h);
    else
        m_spoken = imaging::ByteImage::create(w, h);
    drawSpokenColours(*m_fabric.labels(), m_fabric.samplingFactor(), m_spokenOf, *m_spoken);

    color::AnalysisViews& views = m_result.views;
    views.slots[color::AnalysisViews::Picture].rgb = m_region.get();
    if (m_channels)
        m_channels->resize(w, h);
    else
        m_channels = imaging::RgbImage::create(w, h);
    m_fabric.drawChannels(m_lumaScale, *m_channels);
    views.slots[color::AnalysisViews::Chroma].rgb = m_channels.get();

    // Every pixel in the colour it is told as: the mean of that colour.
    color::ViewImage& separation = views.slots[color::AnalysisViews::Separation];
    separation.indexed = m_spoken.get();
    for (const color::ColorCluster& c : m_result.colors) {
        const color::LabPixel lab{static_cast<std::uint8_t>(c.meanL()), static_cast<std::int8_t>(c.meanA()),
                                  static_cast<std::int8_t>(c.meanB())};
        const color::RgbPixel rgb = color::xyzToRgb(color::labToXyz(lab), color::AnalysisGamma);
        separation.palette.push_back(color::PaletteEntry{rgb.blue, rgb.green, rgb.red, 0});
    }

    // The largest colour black, every other white.
    color::ViewImage& texture = views.slots[color::AnalysisViews::Texture];
    texture.indexed = m_spoken.get();
    texture.palette.assign(m_result.colors.size(), color::PaletteEntry{255, 255, 255, 0});
    texture.palette.front() = color::PaletteEntry{0, 0, 0, 0};
}

void drawSpokenColours(const imaging::ByteImage& labels, int factor, const std::vector<std::uint8_t>& spokenOf,
                       imaging::ByteImage& spoken)
{
    assert(factor >= 1 && labels.width() > 0 && labels.height() > 0);
    std::array<std::uint8_t, 256> colourOf{};
    std::copy_n(spokenOf.begin(), std::min<std::size_t>(spokenOf.size(), colourOf.size()), colourOf.begin());
    const int w = spoken.width();
    const int lastX = labels.width() - 1;
    const int lastY = labels.height() - 1;
    // The region rows of one sample row are copies of its first.
    const std::uint8_t* drawn = nullptr;
    int drawnRow = -1;
    for (int y = 0; y < spoken.height(); ++y) {
        const int sy = std::min(y / factor, lastY);
        std::uint8_t* out = spoken.row(y);
        if (sy == drawnRow) {
            std::memcpy(out, drawn, static_cast<std::size_t>(w));
            continue;
        }
        drawn = out;
        drawnRow = sy;
        const std::uint8_t* in = labels.row(sy);
        int x = 0;
        if (factor == 1)
            for (const int span = std::min(w, lastX + 1); x < span; ++x)
                out[x] = colourOf[in[x]];
        for (int sx = x; sx <= lastX && x < w; ++sx) {
            const std::uint8_t c = colourOf[in[sx]];
            for (int i = 0; i < factor && x < w; ++i)
                out[x++] = c;
        }
        std::fill(out + x, out + w, colourOf[in[lastX]]);
    }
}

std::unique_ptr<Analyser> makeAnalyser(bool improved, const foundation::ColorSettings& colorSettings,
                                       const foundation::TextureSettings& textureSettings,
                                       const foundation::ScanSettings& scanSettings,
                                       const color::ColorNameTable& names, AnalysisNote note)
{
    if (improved)
        return std::make_unique<ImprovedAnalyser>(colorSettings, textureSettings, scanSettings, names,
                                                  std::move(note));
    return std::make_unique<StandardAnalyser>(colorSettings, textureSettings, names);
}

} // namespace vestiscop::analysis

// SPDX-License-Identifier: GPL-3.0-or-later
#include "color/ColorAnalyzer.h"

#include <cassert>
#include <cmath>
#include <utility>

#include "color/ColorConversion.h"
#include "color/GaussianFilter.h"
#include "foundation/Exception.h"
#include "foundation/RowBands.h"
#include "pattern/TextureAnalyzer.h"

namespace vestiscop::color {

namespace {

// The low byte of an integral double, as a conversion to a wide integer
// and a truncation to a byte would give, without overflowing for any value.
std::uint8_t lowByte(double integral)
{
    // A LumaScale near the largest double (or near zero, for the centres)
    // overflows to infinity. Doubles that large are multiples of 256, so
    // their low byte is 0; infinity gets the same rather than an undefined
    // conversion of NaN.
    if (!std::isfinite(integral))
        return 0;
    double r = std::fmod(integral, 256.0);
    if (r < 0)
        r += 256.0;
    return static_cast<std::uint8_t>(r);
}

// About one colour memory entry per four region pixels, between 1 Ki and
// 256 Ki entries: room for the distinct colours of a noisy scan without the
// table outweighing the region itself.
unsigned cacheBitsFor(std::int64_t pixels)
{
    unsigned bits = 10;
    while (bits < LabConverter::DefaultCacheBits && (std::int64_t{1} << bits) < pixels / 4)
        ++bits;
    return bits;
}

template <int Channels>
void ensureSize(std::unique_ptr<imaging::Image<Channels>>& image, int width, int height)
{
    if (image)
        image->resize(width, height);
    else
        image = imaging::Image<Channels>::create(width, height);
}

} // namespace

ColorAnalyzer::ColorAnalyzer(const foundation::ColorSettings& colorSettings,
                             const foundation::TextureSettings& textureSettings, const ColorNameTable& names)
    : m_colorSettings(colorSettings), m_names(names),
      m_regionWidth(textureSettings.width), m_regionHeight(textureSettings.height), m_clusterer(colorSettings)
{
    assert(colorSettings.lumaScale > 0);
    // Byte Lab L is one of 256 values; its scaled channel byte is too.
    for (int l = 0; l < 256; ++l)
        m_scaledL[static_cast<std::size_t>(l)] = lowByte(std::floor(l * colorSettings.lumaScale + 0.5));
    m_analysis.colorA = LabPixel{};
    m_analysis.colorB = LabPixel{};
}

ColorAnalyzer::~ColorAnalyzer() = default;

void ColorAnalyzer::analyze(std::unique_ptr<imaging::RgbImage>&& image)
{
    const int w = m_regionWidth;
    const int h = m_regionHeight;
    assert(image);
    if (image->width() < w || image->height() < h)
        throw foundation::VisionError(0);

    // From here on the previous pictures are gone whatever happens.
    m_hasViews = false;
    m_region.reset();
    if (image.get() == m_image.get())
        (void)image.release();  // the same image handed over again: already ours
    else
        m_image = std::move(image);
    m_region = m_image->window(w, h);

    ensureSize(m_labImage, w, h);
    // Each band of rows is smoothed and converted on its own thread with a
    // converter of its own; the rows come out the same as in one pass.
    const int bands = foundation::rowBandCount(w, h);
    while (static_cast<int>(m_labConverters.size()) < bands)
        m_labConverters.push_back(
            std::make_unique<LabConverter>(AnalysisGamma, cacheBitsFor(static_cast<std::int64_t>(w) * h)));
    foundation::forEachRowBand(h, bands, [&](const foundation::RowBand& band) {
        LabConverter& converter = *m_labConverters[static_cast<std::size_t>(band.index)];
        if (m_colorSettings.filter > 0) {
            GaussianChain smoothed(*m_region, m_colorSettings.filter, band.first, band.end - band.first);
            for (int y = band.first; y < band.end; ++y)
                convertRow(converter, smoothed.output().pull(), y);
        } else {
            for (int y = band.first; y < band.end; ++y)
                convertRow(converter, m_region->row(y), y);
        }
    });

    if (!m_clusterer.cluster(*m_labImage) || m_clusterer.centres().empty())
        throw foundation::VisionError(1);

    nameClusters();
    mergeByName();
    orderByShare();
    buildMask();
    m_pattern = pattern::patternKind::None;
    if (m_patternWanted)
        classifyPattern();
    fillRecord();
    m_hasViews = true;
}

void ColorAnalyzer::convertRow(LabConverter& converter, const std::uint8_t* rgb, int y)
{
    std::uint8_t* out = m_labImage->row(y);
    const int w = m_regionWidth;
    for (int x = 0; x < w; ++x, rgb += 3, out += 3) {
        const LabPixel lab = converter.convert(RgbPixel{rgb[0], rgb[1], rgb[2]});
        // a and b move from -128..127 to 0..255 (modulo 256).
        out[0] = m_scaledL[lab.l];
        out[1] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(lab.b) + 128);
        out[2] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(lab.a) + 128);
    }
}

void ColorAnalyzer::nameClusters()
{
    const std::vector<ClusterCentre>& centres = m_clusterer.centres();
    const std::vector<std::int32_t>& counts = m_clusterer.counts();
    const std::size_t n = centres.size();
    m_colors.clear();
    m_clusterLab.assign(n, LabPixel{});
    m_clusterMap.resize(n);
    for (std::size_t j = 0; j < n; ++j) {
        const ClusterCentre& t = centres[j];
        const std::int32_t k = counts[j];
        // The lightness channel was scaled before clustering; undo it (a
        // wrapped channel byte stays wrapped).
        LabPixel lab;
        lab.l = lowByte(std::floor(t.byte0 / m_colorSettings.lumaScale + 0.5));
        lab.a = static_cast<std::int8_t>(t.byte2 - 128);
        lab.b = static_cast<std::int8_t>(t.byte1 - 128);
        m_clusterLab[j] = lab;
        m_clusterMap[j] = static_cast<int>(j);

        ColorCluster cluster;
        cluster.sumL = static_cast<std::int64_t>(lab.l) * k;
        cluster.sumA = static_cast<std::int64_t>(lab.a) * k;
        cluster.sumB = static_cast<std::int64_t>(lab.b) * k;
        cluster.count = k;
        cluster.clusterIndex = static_cast<int>(j);
        cluster.color = &m_names.nearest(lab);
        m_colors.push_back(cluster);
    }
}

void ColorAnalyzer::mergeByName()
{
    // The user hears names, so two table entries with one name are one colour.
    const double pixels = static_cast<double>(static_cast<std::int64_t>(m_regionWidth) * m_regionHeight);
    for (std::size_t d = 0; d < m_colors.size(); ++d) {
        for (std::size_t g = d + 1; g < m_colors.size();) {
            ColorCluster& kept = m_colors[d];
            const ColorCluster& other = m_colors[g];
            if (other.color->name == kept.color->name) {
                m_clusterMap[static_cast<std::size_t>(other.clusterIndex)] = kept.clusterIndex;
                kept.sumL += other.sumL;
                kept.sumA += other.sumA;
                kept.sumB += other.sumB;
                kept.count += other.count;
                m_colors.erase(m_colors.begin() + static_cast<std::ptrdiff_t>(g));
            } else {
                ++g;
            }
        }
        m_colors[d].share = m_colors[d].count / pixels;
    }
}

void ColorAnalyzer::orderByShare()
{
    // An exchange sort: which of two equal shares comes first depends on
    // these exact exchanges, and the record and the report rest on it.
    for (std::size_t p = 0; p < m_colors.size(); ++p)
        for (std::size_t q = p + 1; q < m_colors.size(); ++q)
            if (m_colors[q].share > m_colors[p].share)
                std::swap(m_colors[p], m_colors[q]);
}

void ColorAnalyzer::buildMask()
{
    const int w = m_regionWidth;
    const int h = m_regionHeight;
    ensureSize(m_mask, w, h);
    const int dominant = m_colors.front().clusterIndex;
    std::array<std::uint8_t, 256> foreground{};
    foreground.fill(1);
    for (std::size_t j = 0; j < m_clusterMap.size() && j < foreground.size(); ++j)
        foreground[j] = m_clusterMap[j] != dominant ? 1 : 0;
    const imaging::ByteImage& labels = m_clusterer.labels();
    // Each band of rows on its own thread: the bands write disjoint rows.
    foundation::forEachRowBand(h, foundation::rowBandCount(w, h), [&](const foundation::RowBand& band) {
        for (int y = band.first; y < band.end; ++y) {
            const std::uint8_t* in = labels.row(y);
            std::uint8_t* out = m_mask->row(y);
            for (int x = 0; x < w; ++x)
                out[x] = foreground[in[x]];
        }
    });
}

void ColorAnalyzer::classifyPattern()
{
    // Every raw cluster but the dominant one is a pattern region, including
    // those merged into the dominant colour by name.
    const int dominant = m_colors.front().clusterIndex;
    pattern::TextureAnalyzer texture;
    texture.begin(m_clusterer.labels());
    const int n = static_cast<int>(m_clusterLab.size());
    for (int j = 0; j < n; ++j)
        if (j != dominant)
            texture.accumulate(j);
    m_pattern = texture.classify();
}

void ColorAnalyzer::fillRecord()
{
    color::fillRecord(m_colors, m_analysis);
}

void fillRecord(const std::vector<ColorCluster>& colors, ColorAnalysis& record)
{
    const ColorCluster& first = colors.front();
    record.valid = 1;
    record.colorA = first.color->lab;
    record.shareA = first.share;
    record.colorB = first.color->lab;
    record.shareB = 0.0;
    // With two or more colours matching compares the second colour with its
    // share and the dominant one by its entry alone.
    if (colors.size() >= 2) {
        const ColorCluster& second = colors[1];
        record.colorA = second.color->lab;
        record.shareA = second.share;
    }
}

AnalysisViews ColorAnalyzer::renderViews() const
{
    AnalysisViews views;
    if (!m_hasViews)
        return views;
    views.slots[AnalysisViews::Picture].rgb = m_region.get();
    views.slots[AnalysisViews::Chroma].rgb = m_labImage.get();

    ViewImage& separation = views.slots[AnalysisViews::Separation];
    separation.indexed = &m_clusterer.labels();
    for (const LabPixel& lab : m_clusterLab) {
        const RgbPixel rgb = xyzToRgb(labToXyz(lab), AnalysisGamma);
        separation.palette.push_back(PaletteEntry{rgb.blue, rgb.green, rgb.red, 0});
    }

    ViewImage& texture = views.slots[AnalysisViews::Texture];
    texture.indexed = m_mask.get();
    texture.palette = {PaletteEntry{0, 0, 0, 0}, PaletteEntry{255, 255, 255, 0}};
    return views;
}

} // namespace vestiscop::color

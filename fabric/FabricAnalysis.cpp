// SPDX-License-Identifier: GPL-3.0-or-later
#include "fabric/FabricAnalysis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include <opencv2/core/utility.hpp>

#include "fabric/FabricPieces.h"
#include "fabric/FabricSteps.h"
#include "fabric/PatternForest.h"
#include "fabric/PatternRules.h"
#include "foundation/WideLoops.h"

namespace vestiscop::fabric {

namespace {

// The smoothing that evens out the weave: about two threads of a shirt.
constexpr double SmoothingMm = 0.19;

// Rounded halves away from zero, a negative value clamps to 0, and so does
// the truncation of it plus a half; at 0 and above the two are the same.
// So: plus a half, truncated, clamped in whole numbers: steps without
// branches, which the compiler does for many samples at once.
VESTISCOP_WIDE_LOOPS
void bytesOfChannels(const float* __restrict lab, std::size_t count, std::uint8_t* __restrict out)
{
    for (std::size_t i = 0; i < count; ++i) {
        const int l = static_cast<int>(lab[3 * i] + 0.5);
        const int a = static_cast<int>(lab[3 * i + 1] + 128.0 + 0.5);
        const int b = static_cast<int>(lab[3 * i + 2] + 128.0 + 0.5);
        out[3 * i] = static_cast<std::uint8_t>(std::min(std::max(l, 0), 100));
        out[3 * i + 1] = static_cast<std::uint8_t>(std::min(std::max(b, 0), 255));
        out[3 * i + 2] = static_cast<std::uint8_t>(std::min(std::max(a, 0), 255));
    }
}

std::int8_t signedByte(double v)
{
    return static_cast<std::int8_t>(std::clamp(std::lround(v), -128L, 127L));
}

// The forest's verdict into the findings. Cloth of one measured colour is
// told plain, as its pattern would have no colour of its own to name; how
// sure that is and what else it may be (a faint stripe, a check in one
// colour's shades) stay the forest's.
void decideByForest(bool oneColour, FabricFindings& findings)
{
    PatternVerdict verdict = decideFittedPattern(findings.features);
    if (oneColour && verdict.kind != pattern::patternKind::None) {
        verdict.alternative = verdict.kind;
        verdict.hasAlternative = true;
        verdict.kind = pattern::patternKind::None;
        verdict.confidence = verdict.kindShares[0];
        verdict.mottled = false;
    }
    findings.forest = true;
    findings.pattern = verdict.kind;
    findings.patternConfidence = verdict.confidence;
    findings.hasAlternative = verdict.hasAlternative;
    findings.alternative = verdict.alternative;
    findings.mottled = verdict.mottled;
}

} // namespace

FabricAnalysis::FabricAnalysis(const color::ColorNameTable& names, double xDpi, double yDpi, double reportThr)
    : m_names(names), m_mmPerPx(25.4 / std::sqrt(xDpi * yDpi)), m_reportThr(reportThr)
{
    // OpenCV's steps run on the caller's thread: on regions this small its
    // own pool of threads gains little, and would compete for the same cores
    // with the program's other threads (the signature's weave, a scan being
    // read), with the same results.
    static std::once_flag serial;
    std::call_once(serial, [] { cv::setNumThreads(1); });
}

void FabricAnalysis::prepare(int width, int height) const
{
    const int factor = samplingFactorOf(width, height);
    if (width / factor > 0 && height / factor > 0)
        preparePattern(width / factor, height / factor, m_mmPerPx * factor);
}

void FabricAnalysis::measure(const imaging::RgbImage& region)
{
    int factor = 1;
    const cv::Mat samples = regionSamples(region, factor);
    const double mmPerPx = m_mmPerPx * factor;
    m_lab = smoothedLab(samples, std::max(0.0, SmoothingMm / mmPerPx));
    const cv::Mat& lab = m_lab;
    ColourClusters clusters = clusterColours(lab);
    measurePattern(lab, clusters, mmPerPx, m_findings);
    measureColours(samples, clusters, m_dyedYarn);
    // Cloth of one colour has no pattern to tell; the rules decide the rest.
    m_findings.treePattern = clusters.centres.size() == 1 ? pattern::patternKind::None
                                                           : evaluateRules(fittedRules(), m_findings.features);
    if (m_forest)
        decideByForest(clusters.centres.size() == 1, m_findings);
    else
        m_findings.pattern = m_findings.treePattern;
    const std::vector<bool> pieces = m_findings.pattern != pattern::patternKind::None
                                         ? formsPieces(clusters, mmPerPx, m_reportThr)
                                         : std::vector<bool>(clusters.centres.size(), false);
    m_findings.colours.clear();
    for (std::size_t k = 0; k < clusters.centres.size(); ++k)
        m_findings.colours.push_back({clusters.centres[k][0], clusters.centres[k][1], clusters.centres[k][2],
                                      clusters.shares[k], pieces[k]});
    m_findings.dyedColours.clear();
    if (!clusters.yarn.empty()) {
        m_findings.dyedColours = m_findings.colours;
        m_findings.dyedColours[0].l = clusters.yarn[0][0];
        m_findings.dyedColours[0].a = clusters.yarn[0][1];
        m_findings.dyedColours[0].b = clusters.yarn[0][2];
    } else if (m_dyedYarn && m_findings.pattern == pattern::patternKind::None) {
        m_findings.dyedColours = dyedYarnOfPlain(m_findings.colours);
    }
    const int w = clusters.labels.cols;
    const int h = clusters.labels.rows;
    if (m_labels)
        m_labels->resize(w, h);
    else
        m_labels = imaging::ByteImage::create(w, h);
    for (int y = 0; y < h; ++y)
        std::copy_n(clusters.labels.ptr<std::uint8_t>(y), w, m_labels->row(y));
    m_factor = factor;
    // The ground is colour 0: every other label is the pattern's.
    const MaskRuns runs = maskRuns(*m_labels);
    m_findings.minorityRunShare = 0;
    m_findings.minorityRunXMm = 0;
    m_findings.minorityRunYMm = 0;
    if (runs.pixels > 0) {
        const auto pixels = static_cast<double>(runs.pixels);
        m_findings.minorityRunShare = pixels / (static_cast<double>(w) * h);
        m_findings.minorityRunXMm = pixels / static_cast<double>(runs.runsX) * mmPerPx;
        m_findings.minorityRunYMm = pixels / static_cast<double>(runs.runsY) * mmPerPx;
    }
}

bool FabricAnalysis::tryMeasure(const imaging::RgbImage& region, std::string& why)
{
    try {
        measure(region);
        return true;
    } catch (const cv::Exception& error) {
        why = error.what();
        return false;
    }
}

void FabricAnalysis::name(std::int64_t regionPixels, std::vector<color::ColorCluster>& colors,
                          std::vector<std::uint8_t>& spokenOf) const
{
    if (m_findings.mottled) {
        colors.clear();
        spokenOf.assign(m_findings.colours.size(), 0);
        nameMottled(m_findings.dyedColours.empty() ? m_findings.colours : m_findings.dyedColours, regionPixels,
                    colors);
        return;
    }
    if (m_findings.dyedColours.empty()) {
        nameEach(m_findings.colours, regionPixels, colors, spokenOf);
        return;
    }
    nameEach(m_findings.dyedColours, regionPixels, colors, spokenOf);
    // A plain cloth told by its dyed yarn alone: every measured colour,
    // the undyed yarns too, is that one colour.
    if (m_findings.dyedColours.size() != m_findings.colours.size())
        spokenOf.assign(m_findings.colours.size(), 0);
}

void FabricAnalysis::nameSeparately(std::int64_t regionPixels, std::vector<color::ColorCluster>& colors,
                                    std::vector<std::uint8_t>& spokenOf) const
{
    nameEach(m_findings.colours, regionPixels, colors, spokenOf);
}

void FabricAnalysis::nameEach(const std::vector<ClothColour>& colours, std::int64_t regionPixels,
                              std::vector<color::ColorCluster>& colors, std::vector<std::uint8_t>& spokenOf) const
{
    colors.clear();
    spokenOf.assign(colours.size(), 0);
    std::vector<int> colourOf(colours.size(), -1);
    for (std::size_t k = 0; k < colours.size(); ++k) {
        const ClothColour& c = colours[k];
        const color::LabPixel lab{static_cast<std::uint8_t>(std::clamp(std::lround(c.l), 0L, 255L)), signedByte(c.a),
                                  signedByte(c.b)};
        const color::ColorName& name = m_names.nearest(lab);
        const auto count = static_cast<std::int32_t>(std::llround(c.share * static_cast<double>(regionPixels)));
        if (count <= 0)
            continue;
        // One name is one colour to the listener: shades that the table
        // names alike are told together.
        auto same = std::find_if(colors.begin(), colors.end(),
                                 [&](const color::ColorCluster& n) { return n.color->name == name.name; });
        if (same == colors.end()) {
            color::ColorCluster cluster;
            cluster.clusterIndex = static_cast<int>(colors.size());
            cluster.color = &name;
            colors.push_back(cluster);
            same = colors.end() - 1;
        }
        colourOf[k] = same->clusterIndex;
        same->sumL += std::llround(c.l * count);
        same->sumA += std::llround(c.a * count);
        same->sumB += std::llround(c.b * count);
        same->count += count;
        same->formsPattern = same->formsPattern || c.formsPattern;
    }
    for (color::ColorCluster& c : colors)
        c.share = static_cast<double>(c.count) / static_cast<double>(regionPixels);
    std::stable_sort(colors.begin(), colors.end(),
                     [](const color::ColorCluster& p, const color::ColorCluster& q) { return p.share > q.share; });
    // clusterIndex numbered the colours in the order they were first met;
    // the measured colours follow them to their place after the sort. A
    // colour too small to count in the region goes with the largest.
    std::vector<std::uint8_t> place(colors.size(), 0);
    for (std::size_t i = 0; i < colors.size(); ++i)
        place[static_cast<std::size_t>(colors[i].clusterIndex)] = static_cast<std::uint8_t>(i);
    for (std::size_t k = 0; k < colourOf.size(); ++k)
        spokenOf[k] = colourOf[k] >= 0 ? place[static_cast<std::size_t>(colourOf[k])] : 0;
}

void FabricAnalysis::nameMottled(const std::vector<ClothColour>& colours, std::int64_t regionPixels,
                                 std::vector<color::ColorCluster>& colors) const
{
    // A mottled yarn is one colour to a person: the mix of its fibres, each
    // measured colour weighed by its share.
    double l = 0;
    double a = 0;
    double b = 0;
    double shares = 0;
    for (const ClothColour& c : colours) {
        l += c.l * c.share;
        a += c.a * c.share;
        b += c.b * c.share;
        shares += c.share;
    }
    const auto count = static_cast<std::int32_t>(std::llround(shares * static_cast<double>(regionPixels)));
    if (count <= 0 || !(shares > 0))
        return;
    l /= shares;
    a /= shares;
    b /= shares;
    color::ColorCluster cluster;
    cluster.color = &m_names.nearest(
        {static_cast<std::uint8_t>(std::clamp(std::lround(l), 0L, 255L)), signedByte(a), signedByte(b)});
    cluster.sumL = std::llround(l * count);
    cluster.sumA = std::llround(a * count);
    cluster.sumB = std::llround(b * count);
    cluster.count = count;
    cluster.share = static_cast<double>(count) / static_cast<double>(regionPixels);
    cluster.mottled = true;
    colors.push_back(cluster);
}

void channelBytes(const float* lab, std::size_t count, std::uint8_t* out)
{
    bytesOfChannels(lab, count, out);
}

void FabricAnalysis::drawChannels(double lumaScale, imaging::RgbImage& channels) const
{
    const int lastX = m_lab.cols - 1;
    const int lastY = m_lab.rows - 1;
    if (lastX < 0 || lastY < 0)
        return;
    // The byte of a lightness, as the analysis channels scale it (the low
    // byte of the scaled value, as the standard analysis keeps it).
    std::array<std::uint8_t, 101> scaled{};
    bool asIs = true;
    for (int l = 0; l <= 100; ++l) {
        scaled[static_cast<std::size_t>(l)] =
            static_cast<std::uint8_t>(static_cast<std::int64_t>(std::floor(l * lumaScale + 0.5)) & 0xFF);
        asIs = asIs && scaled[static_cast<std::size_t>(l)] == l;
    }
    const int w = channels.width();
    const auto samples = static_cast<std::size_t>(lastX + 1);
    // A region row shows one sample row, a sample spans factor pixels of
    // it: every sample is converted once, and the region rows of one
    // sample row are copies of its first.
    std::vector<std::uint8_t> sampleBytes(m_factor == 1 ? 0 : samples * 3);
    const std::uint8_t* drawn = nullptr;
    int drawnRow = -1;
    for (int y = 0; y < channels.height(); ++y) {
        const int sy = std::min(y / m_factor, lastY);
        std::uint8_t* out = channels.pixel(0, y);
        if (sy == drawnRow) {
            std::memcpy(out, drawn, static_cast<std::size_t>(w) * 3);
            continue;
        }
        const float* in = m_lab.ptr<float>(sy);
        // The samples' bytes, straight into the row when a sample is a pixel.
        const std::size_t direct = m_factor == 1 ? std::min(samples, static_cast<std::size_t>(w)) : 0;
        std::uint8_t* bytes = m_factor == 1 ? out : sampleBytes.data();
        const std::size_t count = m_factor == 1 ? direct : samples;
        channelBytes(in, count, bytes);
        if (!asIs)
            for (std::size_t i = 0; i < count; ++i)
                bytes[3 * i] = scaled[bytes[3 * i]];
        int x = static_cast<int>(direct);
        std::uint8_t last[3];
        if (m_factor == 1) {
            if (x < w) {
                channelBytes(in + 3 * static_cast<std::size_t>(lastX), 1, last);
                last[0] = scaled[last[0]];
            }
        } else {
            for (int sx = 0; sx < lastX && x < w; ++sx)
                for (const int end = std::min(w, x + m_factor); x < end; ++x)
                    std::memcpy(out + 3 * x, bytes + 3 * sx, 3);
            std::memcpy(last, bytes + 3 * static_cast<std::size_t>(lastX), 3);
        }
        // The pixels from the last sample's on take the last sample.
        for (; x < w; ++x)
            std::memcpy(out + 3 * x, last, 3);
        drawn = out;
        drawnRow = sy;
    }
}

} // namespace vestiscop::fabric

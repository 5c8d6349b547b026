// SPDX-License-Identifier: GPL-3.0-or-later
#include "pattern/TextureAnalyzer.h"

#include <algorithm>
#include <cstring>

#include "foundation/RowBands.h"

namespace vestiscop::pattern {

namespace {

// Neighbour code to class. Even boundary classes hold 9 codes, odd ones 12;
// classifyCounts evens that out.
constexpr std::array<std::uint8_t, 256> ClassTable = {
    16, 16, 16, 16, 16, 12, 16, 12, 16, 13, 14, 13, 16, 13, 14, 13,  //   0
    16, 18, 15, 14,  0, 14, 15, 14, 16, 14, 15, 14,  0, 14, 15, 14,  //  16
    16,  7, 18,  8,  1, 18,  0, 18,  2, 18,  0, 15,  1, 15,  0, 15,  //  32
    16,  6,  0, 18,  1, 15,  0, 15,  2, 18,  0, 15,  1, 15,  0, 15,  //  48
    16,  8,  9,  9, 18, 10, 10, 10,  3, 18, 18, 11,  2, 11, 18, 11,  //  64
     4,  6, 18,  7,  2, 17,  1, 17,  3,  5,  1, 17,  2, 17,  1, 17,  //  80
    16,  7,  8,  8,  2,  9, 18,  9,  3,  5,  1, 17,  2, 17,  1, 17,  //  96
     4,  6, 18,  7,  2, 17,  1, 17,  3,  5,  1, 17,  2, 17,  1, 17,  // 112
    16, 16, 10, 10, 11, 11, 11, 11, 18, 12, 12, 12, 12, 12, 12, 12,  // 128
     5,  6, 18, 18, 18, 13, 13, 13,  4, 18, 13, 13, 18, 13, 13, 13,  // 144
     6,  7,  8,  8, 18,  9,  9,  9,  4,  5, 17, 17,  3, 17, 17, 17,  // 160
     5,  6,  7,  7,  3, 17, 17, 17,  4,  5, 17, 17,  3, 17, 17, 17,  // 176
    16,  8,  9,  9, 10, 10, 10, 10,  4, 18, 11, 11, 18, 11, 11, 11,  // 192
     5,  6,  7,  7,  3, 17, 17, 17,  4,  5, 17, 17,  3, 17, 17, 17,  // 208
     6,  7,  8,  8, 18,  9,  9,  9,  4,  5, 17, 17,  3, 17, 17, 17,  // 224
     5,  6,  7,  7,  3, 17, 17, 17,  4,  5, 17, 17,  3, 17, 17, 17,  // 240
};

} // namespace

int neighbourhoodClass(int code)
{
    return ClassTable[static_cast<std::uint8_t>(code)];
}

void TextureAnalyzer::begin(const imaging::ByteImage& labels)
{
    m_width = labels.width();
    m_height = labels.height();
    m_labels.assign(static_cast<std::size_t>(m_width) * m_height, 0);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(m_labels.data() + static_cast<std::size_t>(y) * m_width, labels.row(y),
                    static_cast<std::size_t>(m_width));
    m_interiorCount = (m_height - 2) * (m_width - 2);
    m_classHistogram.fill(0);
    m_matched = 0;
    m_unmatched = 0;
    m_hough.reset(m_width, m_height);
    m_pending.fill(false);
    m_pendingCount = 0;
}

void TextureAnalyzer::accumulate(int cluster)
{
    if (cluster < 0 || cluster > 255) {
        // No byte label can equal it: every interior pixel is unmatched.
        m_unmatched += static_cast<std::int64_t>(std::max(0, m_height - 2)) * std::max(0, m_width - 2);
        return;
    }
    // A cluster added twice is counted twice, as two passes would.
    if (m_pending[cluster])
        flush();
    m_pending[cluster] = true;
    ++m_pendingCount;
}

void TextureAnalyzer::flush()
{
    if (m_pendingCount == 0)
        return;
    const std::size_t w = static_cast<std::size_t>(m_width);
    // The interior rows are split into bands that count and vote on their
    // own threads; band 0 votes into m_hough itself. All of it is counting,
    // so the sums are the same as one pass.
    struct BandCounts {
        std::array<std::int32_t, ClassCount> classes{};
        std::int64_t matched = 0;
        HoughAccumulator hough;
    };
    const int interiorRows = std::max(0, m_height - 2);
    const int bands = foundation::rowBandCount(m_width, interiorRows);
    std::vector<BandCounts> counts(static_cast<std::size_t>(bands));
    for (std::size_t b = 1; b < counts.size(); ++b)
        counts[b].hough.reset(m_width, m_height);
    foundation::forEachRowBand(interiorRows, bands, [&](const foundation::RowBand& band) {
        BandCounts& mine = counts[static_cast<std::size_t>(band.index)];
        HoughAccumulator& hough = band.index == 0 ? m_hough : mine.hough;
        // Counted on the band's own stack, away from the other bands' counts.
        std::array<std::int32_t, ClassCount> classes{};
        std::int64_t matched = 0;
        for (int y = band.first + 1; y < band.end + 1; ++y) {
            const std::uint8_t* above = m_labels.data() + (y - 1) * w;
            const std::uint8_t* here = above + w;
            const std::uint8_t* below = here + w;
            for (int x = 1; x < m_width - 1; ++x) {
                const std::uint8_t j = here[x];
                if (!m_pending[j])
                    continue;
                const int code = (above[x + 1] == j ? 1 : 0) | (above[x] == j ? 2 : 0)
                                 | (above[x - 1] == j ? 4 : 0) | (here[x - 1] == j ? 8 : 0)
                                 | (below[x - 1] == j ? 16 : 0) | (below[x] == j ? 32 : 0)
                                 | (below[x + 1] == j ? 64 : 0) | (here[x + 1] == j ? 128 : 0);
                const int cls = ClassTable[code];
                if (cls < 16)
                    hough.voteInterior(y, x);
                ++classes[cls];
                ++matched;
            }
        }
        mine.classes = classes;
        mine.matched = matched;
    });
    std::int64_t matchedNow = 0;
    for (std::size_t b = 0; b < counts.size(); ++b) {
        for (int k = 0; k < ClassCount; ++k)
            m_classHistogram[k] += counts[b].classes[k];
        matchedNow += counts[b].matched;
        if (b > 0)
            m_hough.add(counts[b].hough);
    }
    // Each gathered cluster's own pass would have counted every interior
    // pixel once, as matched or as unmatched.
    const std::int64_t interior = static_cast<std::int64_t>(std::max(0, m_height - 2)) * std::max(0, m_width - 2);
    m_matched += matchedNow;
    m_unmatched += interior * m_pendingCount - matchedNow;
    m_pending.fill(false);
    m_pendingCount = 0;
}

std::int64_t TextureAnalyzer::matched()
{
    flush();
    return m_matched;
}

std::int64_t TextureAnalyzer::unmatched()
{
    flush();
    return m_unmatched;
}

const std::array<std::int32_t, TextureAnalyzer::ClassCount>& TextureAnalyzer::classHistogram()
{
    flush();
    return m_classHistogram;
}

const HoughAccumulator& TextureAnalyzer::hough()
{
    flush();
    return m_hough;
}

PatternKind TextureAnalyzer::classify()
{
    flush();
    if (m_classHistogram[InteriorClass] == 0)
        return patternKind::None;
    return classifyCounts(m_classHistogram, m_interiorCount, m_hough.orientationPeaks());
}

PatternKind TextureAnalyzer::classifyCounts(const std::array<std::int32_t, ClassCount>& h, int interiorCount,
                                            int orientationPeaks)
{
    if (h[InteriorClass] == 0)
        return patternKind::None;
    const double n = interiorCount;

    // Per boundary class, the frequency per code of the class: even classes
    // have 9 codes, odd ones 12. The +1 keeps every ratio below finite.
    std::array<double, 16> v{};
    for (int k = 0; k < 16; ++k)
        v[k] = (h[k] + 1) * 12.0 / n / (k % 2 == 0 ? 9 : 12);

    // Classes k and k + 8 are the two sides of one boundary direction.
    std::array<double, 8> m{};
    std::array<double, 8> r{};
    for (int i = 0; i < 8; ++i) {
        m[i] = (v[i] + v[i + 8]) * 0.5;
        r[i] = std::max(v[i], v[i + 8]) / std::min(v[i], v[i + 8]);
    }

    const int t = orientationPeaks;

    // Stripes: one boundary direction far more frequent than the one across
    // it, with both of its sides alike.
    double d = m[0] / m[4];
    int index = 0;
    for (int i = 1; i < 8; ++i) {
        const double candidate = m[i] / m[(i + 4) % 8];
        if (candidate > d) {
            d = candidate;
            index = i;
        }
    }
    if (d > 4 && r[index] < 1.5)
        return patternKind::Stripes;

    // Check: the axis pair (horizontal and vertical, or the two diagonals)
    // dominating the other pair, balanced within itself, with two or three
    // line directions in the Hough votes.
    const double p0 = (m[0] + m[4]) * 0.5;
    const double p2 = (m[2] + m[6]) * 0.5;
    const double p1 = (m[1] + m[5]) * 0.5;
    const double p3 = (m[3] + m[7]) * 0.5;
    const std::array<double, 4> candidates = {p0 / p2, p1 / p3, p2 / p0, p3 / p1};
    double d2 = candidates[0];
    int j = 0;
    for (int i = 1; i < 4; ++i) {
        if (candidates[i] > d2) {
            d2 = candidates[i];
            j = i;
        }
    }
    const double x = std::max(m[j], m[j + 4]) / std::min(m[j], m[j + 4]);
    const double y = std::max(r[j], r[j + 4]);
    if (d2 > 2 && x < 2.5 && y < 1.5 && t == 2)
        return patternKind::Check;

    // Dots: every boundary direction about equally frequent, little region
    // interior, many line directions.
    const double lo = *std::min_element(m.begin(), m.end());
    const double hi = *std::max_element(m.begin(), m.end());
    if (hi / lo < 3 && h[InteriorClass] / n < 0.33 && t == 0)
        return patternKind::Dots;

    return patternKind::Unknown;
}

} // namespace vestiscop::pattern

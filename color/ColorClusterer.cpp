// SPDX-License-Identifier: GPL-3.0-or-later
#include "color/ColorClusterer.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

#include "foundation/RowBands.h"
#include "foundation/Settings.h"

namespace vestiscop::color {

namespace {

// One peak interval of one channel: a run of bins that starts at a peak bin
// and ends before the next valley bin.
struct Region {
    int left = 0;
    int right = 255;
};

// Walks the extrema from left to right and returns the peak regions in order.
std::vector<Region> peakRegions(const Extrema& extrema)
{
    std::vector<Region> regions;
    int index = 0;
    for (;;) {
        while (index <= 255 && extrema[index] <= 0)
            ++index;
        if (index > 255)
            break;
        Region region;
        region.left = index;
        while (index <= 255 && extrema[index] >= 0)
            ++index;
        region.right = index - 1;
        regions.push_back(region);
    }
    return regions;
}

// Which regions of one channel hold a byte value within the box margin.
// Regions are separated by at least one valley bin, so a window of
// 2 * margin + 1 bins meets at most four of them.
struct ChannelLookup {
    static constexpr int MaxHits = 4;
    // Far enough below zero that a sum of three offsets with one miss stays negative.
    static constexpr int Miss = -(1 << 26);

    int stride = 0;  // box index step of one region of this channel
    // Offset of the first holding region (region x stride), or Miss.
    std::array<int, 256> firstOffset{};
    std::array<std::uint8_t, 256> hitCount{};
    std::array<std::array<std::uint8_t, MaxHits>, 256> hits{};

    ChannelLookup(const std::vector<Region>& regions, int boxStride) : stride(boxStride)
    {
        for (int r = 0; r < static_cast<int>(regions.size()); ++r) {
            const int from = std::max(0, regions[r].left - ColorClusterer::BoxMargin);
            const int to = std::min(255, regions[r].right + ColorClusterer::BoxMargin);
            for (int v = from; v <= to; ++v) {
                assert(hitCount[v] < MaxHits);
                hits[v][hitCount[v]++] = static_cast<std::uint8_t>(r);
            }
        }
        for (int v = 0; v < 256; ++v)
            firstOffset[v] = hitCount[v] > 0 ? hits[v][0] * stride : Miss;
    }
};

// Box index of the first box (in creation order) holding the pixel bytes, or
// a negative number. Boxes are every combination of regions, channel 0
// outermost, so the first holding box is the one of each channel's first
// holding region.
inline int firstBox(const ChannelLookup& c0, const ChannelLookup& c1, const ChannelLookup& c2, std::uint8_t p2,
                    std::uint8_t p1, std::uint8_t p0)
{
    return c0.firstOffset[p2] + c1.firstOffset[p1] + c2.firstOffset[p0];
}

struct BoxSums {
    std::int64_t sum0 = 0;  // of pixel byte 2
    std::int64_t sum1 = 0;  // of pixel byte 1
    std::int64_t sum2 = 0;  // of pixel byte 0
    std::int32_t count = 0;
};

// The label of a pixel whose first holding box was removed or that no box
// holds: the next holding kept box in box order, else the nearest centre.
//
// The nearest centre is the fuzzy rule's choice. Its membership of centre j
// is 1 / sum_k(d_j / d_k), d being squared distances; each quotient grows
// with d_j, and two different integer distances below 3 x 255^2 differ by far
// more than the rounding of 256 quotients can blur, so the highest
// membership is exactly the earliest centre of smallest d_j. No d_k is 0
// here: every centre lies inside its own box, so a pixel equal to a centre
// is labelled by a box.
int slowLabel(const ChannelLookup& c0, const ChannelLookup& c1, const ChannelLookup& c2, const std::vector<int>& ids,
              const std::vector<ClusterCentre>& centres, std::uint8_t p0, std::uint8_t p1, std::uint8_t p2)
{
    for (int a = 0; a < c0.hitCount[p2]; ++a) {
        for (int b = 0; b < c1.hitCount[p1]; ++b) {
            for (int c = 0; c < c2.hitCount[p0]; ++c) {
                const int box = c0.hits[p2][a] * c0.stride + c1.hits[p1][b] * c1.stride + c2.hits[p0][c];
                if (ids[static_cast<std::size_t>(box)] >= 0)
                    return ids[static_cast<std::size_t>(box)];
            }
        }
    }
    int label = 0;
    int best = 0x7fffffff;
    for (std::size_t j = 0; j < centres.size(); ++j) {
        const int d0 = int{p0} - centres[j].byte0;
        const int d1 = int{p1} - centres[j].byte1;
        const int d2 = int{p2} - centres[j].byte2;
        const int distance = d0 * d0 + d1 * d1 + d2 * d2;
        if (distance < best) {
            best = distance;
            label = static_cast<int>(j);
        }
    }
    return label;
}

// The slow labels of the colours met so far. A fabric repeats the same few
// thousand colours, and slowLabel depends on nothing but the pixel bytes
// (for one set of boxes and centres), so each colour is worked out once per
// band. Direct-mapped: a colour evicts whichever shared its slot.
class SlowLabelMemo {
public:
    template <typename Compute>
    int label(std::uint8_t p0, std::uint8_t p1, std::uint8_t p2, Compute compute)
    {
        const std::uint32_t key = (std::uint32_t{p0} << 16) | (std::uint32_t{p1} << 8) | p2;
        std::uint32_t& entry = m_entries[(key * 2654435761u) >> (32 - Bits)];
        // High bits: key + 1 (never 0, so a fresh slot matches nothing); low byte: the label.
        if ((entry >> 8) == key + 1)
            return static_cast<int>(entry & 0xff);
        const int label = compute();
        entry = ((key + 1) << 8) | static_cast<std::uint32_t>(label);
        return label;
    }

private:
    static constexpr unsigned Bits = 14;
    std::vector<std::uint32_t> m_entries = std::vector<std::uint32_t>(std::size_t{1} << Bits, 0);
};

} // namespace

ColorClusterer::ColorClusterer(int maxBins, double clusterThreshold, double smoothThreshold)
    : m_maxBins(std::clamp(maxBins, 0, LabelLimit)),
      m_clusterThreshold(clusterThreshold),
      m_smoothThreshold(smoothThreshold == 0 ? 1.0 : smoothThreshold)
{
}

ColorClusterer::ColorClusterer(const foundation::ColorSettings& settings)
    : ColorClusterer(settings.maxBins, settings.clusterThr, settings.histSmooth)
{
}

ColorClusterer::~ColorClusterer() = default;

bool ColorClusterer::cluster(const imaging::RgbImage& image)
{
    const int bands = foundation::rowBandCount(image.width(), image.height());
    std::vector<std::array<Histogram, 3>> bandHistograms(static_cast<std::size_t>(bands));
    foundation::forEachRowBand(image.height(), bands, [&](const foundation::RowBand& band) {
        // Counted on the band's own stack: counts of two threads sharing a
        // cache line would slow both down.
        std::array<Histogram, 3> histograms{};
        for (int y = band.first; y < band.end; ++y) {
            const std::uint8_t* p = image.row(y);
            for (int x = 0; x < image.width(); ++x, p += 3) {
                ++histograms[0][p[2]];
                ++histograms[1][p[1]];
                ++histograms[2][p[0]];
            }
        }
        bandHistograms[static_cast<std::size_t>(band.index)] = histograms;
    });
    std::array<Histogram, 3> histograms{};
    for (const auto& band : bandHistograms)
        for (std::size_t c = 0; c < 3; ++c)
            for (std::size_t v = 0; v < 256; ++v)
                histograms[c][v] += band[c][v];
    std::array<Extrema, 3> extrema;
    for (int c = 0; c < 3; ++c)
        extrema[c] = channelExtrema(histograms[c], m_smoothThreshold);
    return clusterWithExtrema(image, extrema);
}

bool ColorClusterer::clusterWithExtrema(const imaging::RgbImage& image, const std::array<Extrema, 3>& extrema)
{
    if (m_labels == nullptr)
        m_labels = imaging::ByteImage::create(image.width(), image.height());
    else
        m_labels->resize(image.width(), image.height());
    m_centres.assign(static_cast<std::size_t>(m_maxBins), ClusterCentre{});
    m_counts.assign(static_cast<std::size_t>(m_maxBins), 0);

    std::array<std::vector<Region>, 3> regions;
    for (int c = 0; c < 3; ++c)
        regions[c] = peakRegions(extrema[c]);
    // Without a peak in some channel there is no box: one box spans everything.
    if (regions[0].empty() || regions[1].empty() || regions[2].empty()) {
        for (auto& channel : regions)
            channel.assign(1, Region{});
    }
    const int n1 = static_cast<int>(regions[1].size());
    const int n2 = static_cast<int>(regions[2].size());
    const ChannelLookup lookup0(regions[0], n1 * n2);
    const ChannelLookup lookup1(regions[1], n2);
    const ChannelLookup lookup2(regions[2], 1);
    const std::size_t boxCount = regions[0].size() * regions[1].size() * regions[2].size();

    // Counting: each pixel goes to its first box; pixels in none are not
    // counted. Each band of rows counts on its own; the sums add up exactly.
    const int bands = foundation::rowBandCount(image.width(), image.height());
    std::vector<std::vector<BoxSums>> bandSums(static_cast<std::size_t>(bands));
    foundation::forEachRowBand(image.height(), bands, [&](const foundation::RowBand& band) {
        // Allocated by the thread that fills it, away from the other bands' sums.
        std::vector<BoxSums> bandSum(boxCount);
        for (int y = band.first; y < band.end; ++y) {
            const std::uint8_t* p = image.row(y);
            for (int x = 0; x < image.width(); ++x, p += 3) {
                const int box = firstBox(lookup0, lookup1, lookup2, p[2], p[1], p[0]);
                if (box < 0)
                    continue;
                BoxSums& s = bandSum[static_cast<std::size_t>(box)];
                ++s.count;
                s.sum0 += p[2];
                s.sum1 += p[1];
                s.sum2 += p[0];
            }
        }
        bandSums[static_cast<std::size_t>(band.index)] = std::move(bandSum);
    });
    std::vector<BoxSums> sums(boxCount);
    std::int32_t total = 0;
    for (const std::vector<BoxSums>& bandSum : bandSums) {
        for (std::size_t box = 0; box < boxCount; ++box) {
            sums[box].count += bandSum[box].count;
            sums[box].sum0 += bandSum[box].sum0;
            sums[box].sum1 += bandSum[box].sum1;
            sums[box].sum2 += bandSum[box].sum2;
            total += bandSum[box].count;
        }
    }

    // Threshold, in box order: the surviving boxes are numbered 0, 1, ...
    std::vector<int> ids(boxCount, -1);
    std::vector<ClusterCentre> centres;
    for (std::size_t box = 0; box < boxCount; ++box) {
        const BoxSums& s = sums[box];
        if (s.count > 0 && s.count >= total * m_clusterThreshold) {
            ids[box] = static_cast<int>(centres.size());
            // Truncated toward zero, as the mean of byte values it fits a byte.
            const double count = s.count;
            centres.push_back(ClusterCentre{static_cast<std::uint8_t>(static_cast<int>(s.sum2 / count)),
                                            static_cast<std::uint8_t>(static_cast<int>(s.sum1 / count)),
                                            static_cast<std::uint8_t>(static_cast<int>(s.sum0 / count))});
        }
    }
    const int n = static_cast<int>(centres.size());
    // No cluster at all leaves nothing to label with: reported like too many.
    if (n == 0 || n > m_maxBins) {
        m_centres.resize(static_cast<std::size_t>(n));
        m_counts.resize(static_cast<std::size_t>(n));
        return false;
    }
    std::copy(centres.begin(), centres.end(), m_centres.begin());
    m_centres.resize(static_cast<std::size_t>(n));
    m_counts.resize(static_cast<std::size_t>(n));

    // Labelling: the first kept box holding the pixel, else the nearest
    // centre. Bands write disjoint rows of the labels and count on their own.
    std::vector<std::array<std::int32_t, LabelLimit>> bandCounts(static_cast<std::size_t>(bands));
    foundation::forEachRowBand(image.height(), bands, [&](const foundation::RowBand& band) {
        std::array<std::int32_t, LabelLimit> counts{};
        SlowLabelMemo memo;
        for (int y = band.first; y < band.end; ++y) {
            const std::uint8_t* p = image.row(y);
            std::uint8_t* out = m_labels->row(y);
            for (int x = 0; x < image.width(); ++x, p += 3) {
                const std::uint8_t p0 = p[0];
                const std::uint8_t p1 = p[1];
                const std::uint8_t p2 = p[2];
                const int first = firstBox(lookup0, lookup1, lookup2, p2, p1, p0);
                int label = first >= 0 ? ids[static_cast<std::size_t>(first)] : -1;
                if (label < 0)
                    label = memo.label(p0, p1, p2, [&] {
                        return slowLabel(lookup0, lookup1, lookup2, ids, m_centres, p0, p1, p2);
                    });
                out[x] = static_cast<std::uint8_t>(label);
                ++counts[static_cast<std::size_t>(label)];
            }
        }
        bandCounts[static_cast<std::size_t>(band.index)] = counts;
    });
    for (const std::array<std::int32_t, LabelLimit>& counts : bandCounts)
        for (std::size_t j = 0; j < m_counts.size(); ++j)
            m_counts[j] += counts[j];
    return true;
}

} // namespace vestiscop::color

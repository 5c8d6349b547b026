#include "color/ColorClusterer.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

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
    std::array<Histogram, 3> histograms{};
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t* p = image.row(y);
        for (int x = 0; x < image.width(); ++x, p += 3) {
            ++histograms[0][p[2]];
            ++histograms[1][p[1]];
            ++histograms[2][p[0]];
        }
    }
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

    // Counting: each pixel goes to its first box; pixels in none are not counted.
    std::vector<BoxSums> sums(boxCount);
    std::int32_t total = 0;
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t* p = image.row(y);
        for (int x = 0; x < image.width(); ++x, p += 3) {
            const int box = firstBox(lookup0, lookup1, lookup2, p[2], p[1], p[0]);
            if (box < 0)
                continue;
            BoxSums& s = sums[static_cast<std::size_t>(box)];
            ++s.count;
            s.sum0 += p[2];
            s.sum1 += p[1];
            s.sum2 += p[0];
            ++total;
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

    // Labelling: the first kept box holding the pixel, else the nearest centre.
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t* p = image.row(y);
        std::uint8_t* out = m_labels->row(y);
        for (int x = 0; x < image.width(); ++x, p += 3) {
            const std::uint8_t p0 = p[0];
            const std::uint8_t p1 = p[1];
            const std::uint8_t p2 = p[2];
            const int first = firstBox(lookup0, lookup1, lookup2, p2, p1, p0);
            int label = first >= 0 ? ids[static_cast<std::size_t>(first)] : -1;
            if (label < 0)
                label = slowLabel(lookup0, lookup1, lookup2, ids, m_centres, p0, p1, p2);
            out[x] = static_cast<std::uint8_t>(label);
            ++m_counts[static_cast<std::size_t>(label)];
        }
    }
    return true;
}

} // namespace vestiscop::color

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReferenceClusterer.h"

#include <list>

namespace vestiscop::color::reference {

namespace {

struct ChannelExtent {
    double center = 0;
    int index = 0;
    int left = 0;
    int right = 255;
};

struct ColorBox {
    ChannelExtent ext[3];
    int count = 0;
    int id = 0;
};

bool nextRegion(const Extrema& extrema, ChannelExtent& extent)
{
    extent.left = 0;
    extent.center = 0;
    extent.right = 255;
    while (extent.index <= 255 && extrema[extent.index] <= 0)
        ++extent.index;
    if (extent.index > 255)
        return false;
    extent.left = extent.index;
    while (extent.index <= 255 && extrema[extent.index] >= 0)
        ++extent.index;
    extent.right = extent.index - 1;
    return true;
}

bool contains(const ColorBox& box, const std::uint8_t* p)
{
    return box.ext[0].left - 3 <= p[2] && p[2] <= box.ext[0].right + 3 && box.ext[1].left - 3 <= p[1] &&
           p[1] <= box.ext[1].right + 3 && box.ext[2].left - 3 <= p[0] && p[0] <= box.ext[2].right + 3;
}

} // namespace

Result clusterWithExtrema(const imaging::RgbImage& image, const std::array<Extrema, 3>& extrema, int maxBins,
                          double clusterThreshold)
{
    Result result;
    std::list<ColorBox> boxes;
    ChannelExtent e0, e1, e2;
    e0.index = 0;
    while (nextRegion(extrema[0], e0)) {
        e1.index = 0;
        while (nextRegion(extrema[1], e1)) {
            e2.index = 0;
            while (nextRegion(extrema[2], e2)) {
                ColorBox box;
                box.ext[0] = e0;
                box.ext[1] = e1;
                box.ext[2] = e2;
                boxes.push_back(box);
            }
        }
    }
    if (boxes.empty())
        boxes.push_back(ColorBox{});

    int total = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const std::uint8_t* p = image.pixel(x, y);
            for (ColorBox& box : boxes) {
                if (contains(box, p)) {
                    ++box.count;
                    box.ext[0].center += p[2];
                    box.ext[1].center += p[1];
                    box.ext[2].center += p[0];
                    ++total;
                    break;
                }
            }
        }
    }

    int n = 0;
    for (auto it = boxes.begin(); it != boxes.end();) {
        if (it->count > 0 && it->count >= total * clusterThreshold) {
            it->id = n++;
            for (ChannelExtent& e : it->ext)
                e.center /= it->count;
            ++it;
        } else {
            it = boxes.erase(it);
        }
    }
    result.clusterCount = static_cast<std::size_t>(n);
    if (n > maxBins || n == 0 || n > ColorClusterer::LabelLimit)
        return result;

    std::vector<ClusterCentre> centres(static_cast<std::size_t>(n));
    for (const ColorBox& box : boxes) {
        centres[box.id] = ClusterCentre{static_cast<std::uint8_t>(static_cast<int>(box.ext[2].center)),
                                        static_cast<std::uint8_t>(static_cast<int>(box.ext[1].center)),
                                        static_cast<std::uint8_t>(static_cast<int>(box.ext[0].center))};
    }
    int squares[511];
    for (int d = -255; d <= 255; ++d)
        squares[d + 255] = d * d;
    auto q = [&squares](int d) { return squares[d + 255]; };

    std::vector<std::int32_t> counts(static_cast<std::size_t>(n), 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const std::uint8_t* p = image.pixel(x, y);
            int label = -1;
            for (const ColorBox& box : boxes) {
                if (contains(box, p)) {
                    label = box.id;
                    break;
                }
            }
            if (label < 0) {
                double best = 0;
                for (int j = 0; j < n; ++j) {
                    const int num = q(p[0] - centres[j].byte0) + q(p[1] - centres[j].byte1) + q(p[2] - centres[j].byte2);
                    double sum = 0;
                    for (int k = 0; k < n; ++k) {
                        const int den =
                            q(p[0] - centres[k].byte0) + q(p[1] - centres[k].byte1) + q(p[2] - centres[k].byte2);
                        sum += static_cast<double>(num) / den;
                    }
                    if (sum != 0 && 1 / sum > best) {
                        label = j;
                        best = 1 / sum;
                    }
                }
            }
            result.labels.push_back(static_cast<std::uint8_t>(label));
            ++counts[static_cast<std::size_t>(label)];
        }
    }
    result.ok = true;
    result.centres = centres;
    result.counts = counts;
    return result;
}

Result cluster(const imaging::RgbImage& image, int maxBins, double clusterThreshold, double smoothThreshold)
{
    std::array<Histogram, 3> histograms{};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const std::uint8_t* p = image.pixel(x, y);
            ++histograms[0][p[2]];
            ++histograms[1][p[1]];
            ++histograms[2][p[0]];
        }
    }
    const double s = smoothThreshold == 0 ? 1.0 : smoothThreshold;
    std::array<Extrema, 3> extrema;
    for (int c = 0; c < 3; ++c)
        extrema[c] = channelExtrema(histograms[c], s);
    return clusterWithExtrema(image, extrema, maxBins, clusterThreshold);
}

} // namespace vestiscop::color::reference

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finds the distinct colours of a garment without being told how many there
// are, on the three-channel analysis image (byte 0 = scaled L, byte 1 = b + 128,
// byte 2 = a + 128). Each channel's histogram is analysed on its own
// (HistogramScaleSpace.h); the peak intervals of the three channels span boxes
// in colour space, boxes holding at least clusterThreshold of the counted
// pixels become clusters, and every pixel is labelled with the first box that
// contains it (with a margin of 3) or else with the nearest cluster centre.
//
// Cost grows linearly with the pixel count: one histogram pass, one counting
// pass and one labelling pass. Not thread-safe; one clusterer per analyser.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "color/HistogramScaleSpace.h"
#include "imaging/Image.h"

namespace vestiscop::foundation {
struct ColorSettings;
}

namespace vestiscop::color {

// A cluster centre in the channel order of the analysed pixels.
struct ClusterCentre {
    std::uint8_t byte0 = 0;
    std::uint8_t byte1 = 0;
    std::uint8_t byte2 = 0;

    friend bool operator==(const ClusterCentre&, const ClusterCentre&) = default;
};

class ColorClusterer {
public:
    // Cluster numbers live in one-byte labels, so at most this many clusters
    // are ever accepted, whatever MaxBins says.
    static constexpr int LabelLimit = 256;
    // Pixels this close (in channel units) outside a box still belong to it.
    static constexpr int BoxMargin = 3;

    // maxBins: largest number of clusters accepted (clamped to 0..LabelLimit).
    // clusterThreshold: smallest share of the counted pixels per cluster (0.05 = 5 %).
    // smoothThreshold: second-derivative magnitude counted as flat; 0 means 1.0.
    ColorClusterer(int maxBins, double clusterThreshold, double smoothThreshold);
    explicit ColorClusterer(const foundation::ColorSettings& settings);
    ~ColorClusterer();
    ColorClusterer(const ColorClusterer&) = delete;
    ColorClusterer& operator=(const ColorClusterer&) = delete;

    // Clusters the image. True: labels() holds a cluster number for every
    // pixel and centres() and counts() one entry per cluster. False (more
    // clusters than maxBins, or none holding enough pixels): centres() and
    // counts() have the cluster count as length but no meaningful contents,
    // and labels() has the image's size but no new labels (with an unchanged
    // pixel count it keeps the previous call's labels).
    bool cluster(const imaging::RgbImage& image);

    // The second half of cluster(): boxes, threshold, centres and labels from
    // given channel extrema (index 0 for pixel byte 2, 1 for byte 1, 2 for
    // byte 0). Same results and contract as cluster().
    bool clusterWithExtrema(const imaging::RgbImage& image, const std::array<Extrema, 3>& extrema);

    // Valid after the first call; same width and height as the last image.
    const imaging::ByteImage& labels() const { return *m_labels; }
    bool hasLabels() const { return m_labels != nullptr; }
    const std::vector<ClusterCentre>& centres() const { return m_centres; }
    const std::vector<std::int32_t>& counts() const { return m_counts; }

    int maxBins() const { return m_maxBins; }
    double clusterThreshold() const { return m_clusterThreshold; }
    // The effective zero band (1.0 when constructed with 0).
    double smoothThreshold() const { return m_smoothThreshold; }

private:
    int m_maxBins;
    double m_clusterThreshold;
    double m_smoothThreshold;
    std::unique_ptr<imaging::ByteImage> m_labels;
    std::vector<ClusterCentre> m_centres;
    std::vector<std::int32_t> m_counts;
};

} // namespace vestiscop::color

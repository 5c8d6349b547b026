// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decides the pattern kind of a garment from the shapes of its colour
// regions, not from the colours. It is fed the cluster label image and then,
// one by one, the clusters that form the pattern (every cluster but the
// dominant one). For every interior pixel of those clusters it counts the
// configuration of same-cluster neighbours (one of 19 classes) and lets
// boundary pixels vote for line directions; classify() turns both into a
// PatternKind.
//
// One analyser serves one analysis: begin, accumulate as often as needed,
// classify. It keeps its own copy of the labels, so the label image may
// change after begin(). Nothing is rejected: a picture narrower or lower
// than 3 pixels has no interior pixel and classifies as no pattern.

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/Image.h"
#include "pattern/HoughAccumulator.h"
#include "pattern/PatternKind.h"

namespace vestiscop::pattern {

// The class 0..18 of an 8-neighbour code (bit 0 = upper right, then
// counter-clockwise: up, upper left, left, lower left, down, lower right,
// right). Classes 0..15 are boundary configurations, 16 the isolated pixel,
// 17 the region interior, 18 everything else.
int neighbourhoodClass(int code);

class TextureAnalyzer {
public:
    static constexpr int ClassCount = 19;
    static constexpr int IsolatedClass = 16;
    static constexpr int InteriorClass = 17;

    void begin(const imaging::ByteImage& labels);

    // Adds the interior pixels labelled `cluster`. Several clusters added
    // in a row are gathered in one pass over the picture when their results
    // are first needed; the counts are the same as with one pass each.
    void accumulate(int cluster);

    PatternKind classify();

    // Interior pixels inside and outside the added clusters, summed over
    // the accumulate calls. Diagnostics only.
    std::int64_t matched();
    std::int64_t unmatched();
    const std::array<std::int32_t, ClassCount>& classHistogram();
    const HoughAccumulator& hough();
    int interiorCount() const { return m_interiorCount; }

    // The decision of classify on given class counts and orientation result.
    static PatternKind classifyCounts(const std::array<std::int32_t, ClassCount>& histogram,
                                      int interiorCount, int orientationPeaks);

private:
    void flush();

    std::vector<std::uint8_t> m_labels;  // packed, stride = width
    int m_width = 0;
    int m_height = 0;
    int m_interiorCount = 0;
    std::int64_t m_matched = 0;
    std::int64_t m_unmatched = 0;
    std::array<std::int32_t, ClassCount> m_classHistogram{};
    HoughAccumulator m_hough;

    std::array<bool, 256> m_pending{};
    int m_pendingCount = 0;
};

} // namespace vestiscop::pattern

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The optional pre-filter of the colour analysis: a separable 9-tap Gaussian
// in 16.16 fixed point, each of the three channels on its own, edges
// repeated. It suppresses scanner noise and fabric grain before colours are
// measured. Only a few rows per channel are held at a time.

#include <array>
#include <memory>

#include "color/GaussianStages.h"
#include "imaging/Image.h"

namespace vestiscop::color {

// w_i = floor(g(i) / G * 65536 + 0.5) with g the normal density of standard
// deviation sigma (pixels) and G = g(0) + 2 (g(1) + ... + g(4)). The weights
// are not corrected, so they may sum to 65535 or 65536. sigma must be > 0.
GaussianKernel gaussianKernel(double sigma);

// The filter's stages over one source: output() yields the smoothed RGB rows,
// top row first, then Filter::EndOfStream. For consumers that use each row
// as it comes instead of keeping a smoothed copy. The source must outlive
// the chain.
class GaussianChain {
public:
    GaussianChain(const imaging::RgbImage& source, double sigma);
    // Only rows firstRow .. firstRow + rowCount - 1 of the smoothed picture:
    // the same bytes the whole chain yields for them, so chains over
    // disjoint bands of one source can run on different threads.
    GaussianChain(const imaging::RgbImage& source, double sigma, int firstRow, int rowCount);
    ~GaussianChain();
    GaussianChain(const GaussianChain&) = delete;
    GaussianChain& operator=(const GaussianChain&) = delete;

    imaging::Filter& output() { return *m_merge; }

private:
    struct Channel;
    struct BandChannel;
    std::array<std::unique_ptr<Channel>, 3> m_channels;
    std::array<std::unique_ptr<BandChannel>, 3> m_bandChannels;
    std::unique_ptr<ChannelMerge> m_merge;
};

// Smooths source into destination, which must have the same width and
// height (strides may differ; the source may be a window). Throws only what
// allocation throws; the destination is then partly written.
void gaussianFilter(const imaging::RgbImage& source, imaging::RgbImage& destination, double sigma);

} // namespace vestiscop::color

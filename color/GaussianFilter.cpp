// SPDX-License-Identifier: GPL-3.0-or-later
#include "color/GaussianFilter.h"

#include <cassert>
#include <cmath>
#include <memory>

#include "imaging/RowPump.h"
#include "imaging/RowSink.h"
#include "imaging/RowSource.h"

namespace vestiscop::color {

GaussianKernel gaussianKernel(double sigma)
{
    std::array<double, 5> g{};
    for (int i = 0; i < 5; ++i)
        g[static_cast<std::size_t>(i)] = std::exp(-static_cast<double>(i * i) / (2 * sigma * sigma))
                                         / (sigma * 2.5066282746310002);
    const double total = g[0] + 2 * (g[1] + g[2] + g[3] + g[4]);
    GaussianKernel kernel{};
    for (std::size_t i = 0; i < 5; ++i) {
        const double weight = g[i] / total;
        // A Filter far from 1 (below about 1e-154 or near the largest double)
        // overflows or underflows the terms above into 0/0 or inf/inf. Such a
        // sigma gets the kernel the formula tends to: none of the neighbours
        // for a tiny one, the flat average of all nine taps for a huge one.
        if (!std::isfinite(weight))
            return sigma < 1 ? GaussianKernel{65536, 0, 0, 0, 0} : GaussianKernel{7282, 7282, 7282, 7282, 7282};
        kernel[i] = static_cast<std::int32_t>(std::floor(weight * 65536 + 0.5));
    }
    return kernel;
}

// One channel's stages, from the image rows to the vertically blurred bytes.
struct GaussianChain::Channel {
    Channel(const imaging::RgbImage& source, int channel, const GaussianKernel& kernel)
        : rows(source, 1), split(rows, channel), extend(split), horizontal(extend, kernel),
          repeat(horizontal, VerticalBlur::Radius), vertical(repeat, kernel)
    {
    }

    imaging::RowSource rows;
    ChannelSplit split;
    EdgeExtend extend;
    HorizontalBlur horizontal;
    RowRepeat repeat;
    VerticalBlur vertical;
};

// One channel of one band of rows: the clamped rows stand in for RowRepeat.
struct GaussianChain::BandChannel {
    BandChannel(const imaging::RgbImage& source, int firstRow, int rowCount, int channel, const GaussianKernel& kernel)
        : rows(source, firstRow, rowCount, VerticalBlur::Radius), split(rows, channel), extend(split),
          horizontal(extend, kernel), vertical(horizontal, kernel)
    {
    }

    ClampedRows rows;
    ChannelSplit split;
    EdgeExtend extend;
    HorizontalBlur horizontal;
    VerticalBlur vertical;
};

GaussianChain::GaussianChain(const imaging::RgbImage& source, double sigma)
{
    const GaussianKernel kernel = gaussianKernel(sigma);
    // The stages refer to each other by address, so each lives on the heap
    // and stays put.
    for (int c = 0; c < 3; ++c)
        m_channels[static_cast<std::size_t>(c)] = std::make_unique<Channel>(source, c, kernel);
    m_merge = std::make_unique<ChannelMerge>(m_channels[0]->vertical, m_channels[1]->vertical,
                                             m_channels[2]->vertical);
}

GaussianChain::GaussianChain(const imaging::RgbImage& source, double sigma, int firstRow, int rowCount)
{
    const GaussianKernel kernel = gaussianKernel(sigma);
    for (int c = 0; c < 3; ++c)
        m_bandChannels[static_cast<std::size_t>(c)] =
            std::make_unique<BandChannel>(source, firstRow, rowCount, c, kernel);
    m_merge = std::make_unique<ChannelMerge>(m_bandChannels[0]->vertical, m_bandChannels[1]->vertical,
                                             m_bandChannels[2]->vertical);
}

GaussianChain::~GaussianChain() = default;

void gaussianFilter(const imaging::RgbImage& source, imaging::RgbImage& destination, double sigma)
{
    assert(source.width() == destination.width() && source.height() == destination.height());
    GaussianChain chain(source, sigma);
    imaging::RowSink sink(destination, 1, chain.output());
    imaging::NullProgress progress;
    imaging::pumpRows(sink, progress);
}

} // namespace vestiscop::color

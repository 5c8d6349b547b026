// SPDX-License-Identifier: GPL-3.0-or-later
#include "color/GaussianStages.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "foundation/WideLoops.h"

namespace vestiscop::color {

namespace {

std::size_t bytes(int length)
{
    return static_cast<std::size_t>(length);
}

// The weights as floats, for the blur loops. The fixed-point sums stay exact
// in single precision: every weight and byte is an integer, and every
// partial sum is at most 255 times the weights summed so far, at most
// 255 x 65536 < 2^24, so nothing is ever rounded. Single precision
// multiplies four lanes at a time where 32-bit integer multiplies would not.
struct KernelFloats {
    explicit KernelFloats(const GaussianKernel& k)
        : w0(static_cast<float>(k[0])), w1(static_cast<float>(k[1])), w2(static_cast<float>(k[2])),
          w3(static_cast<float>(k[3])), w4(static_cast<float>(k[4]))
    {
    }
    float w0, w1, w2, w3, w4;
};

// The blur loops (the sums are exact, above).
VESTISCOP_WIDE_LOOPS
void blurAlongRow(const std::uint8_t* __restrict__ in, float* __restrict__ extended, std::size_t extendedLength,
                  std::uint8_t* __restrict__ out, int width, const KernelFloats& w)
{
    for (std::size_t i = 0; i < extendedLength; ++i)
        extended[i] = in[i];
    const float* __restrict__ e = extended + EdgeExtend::Margin;
    for (int x = 0; x < width; ++x) {
        const float sum = w.w0 * e[x] + w.w1 * (e[x + 1] + e[x - 1]) + w.w2 * (e[x + 2] + e[x - 2])
                          + w.w3 * (e[x + 3] + e[x - 3]) + w.w4 * (e[x + 4] + e[x - 4]);
        out[x] = static_cast<std::uint8_t>(static_cast<std::int32_t>(sum) >> 16);
    }
}

// One channel's bytes out of a row of three-byte pixels.
VESTISCOP_WIDE_LOOPS
void pickChannel(const std::uint8_t* __restrict__ in, std::uint8_t* __restrict__ out, int width)
{
    for (int x = 0; x < width; ++x)
        out[x] = in[3 * x];
}

VESTISCOP_WIDE_LOOPS
void widenRow(const std::uint8_t* __restrict__ in, float* __restrict__ slot, std::size_t width)
{
    for (std::size_t x = 0; x < width; ++x)
        slot[x] = in[x];
}

// r0 is the oldest row, r4 the centre.
VESTISCOP_WIDE_LOOPS
void blurAcrossRows(const float* __restrict__ r0, const float* __restrict__ r1, const float* __restrict__ r2,
                    const float* __restrict__ r3, const float* __restrict__ r4, const float* __restrict__ r5,
                    const float* __restrict__ r6, const float* __restrict__ r7, const float* __restrict__ r8,
                    std::uint8_t* __restrict__ out, std::size_t width, const KernelFloats& w)
{
    for (std::size_t x = 0; x < width; ++x) {
        const float sum = w.w0 * r4[x] + w.w1 * (r5[x] + r3[x]) + w.w2 * (r6[x] + r2[x]) + w.w3 * (r7[x] + r1[x])
                          + w.w4 * (r8[x] + r0[x]);
        out[x] = static_cast<std::uint8_t>(static_cast<std::int32_t>(sum) >> 16);
    }
}

} // namespace

ChannelSplit::ChannelSplit(imaging::Filter& upstream, int channel)
    : Filter(upstream.rowLength() / 3, upstream.rowCount()), m_upstream(upstream), m_channel(channel),
      m_row(bytes(rowLength()))
{
    assert(channel >= 0 && channel < 3);
}

const std::uint8_t* ChannelSplit::pull()
{
    pickChannel(m_upstream.pull() + m_channel, m_row.data(), rowLength());
    return m_row.data();
}

EdgeExtend::EdgeExtend(imaging::Filter& upstream)
    : Filter(upstream.rowLength() + 2 * Margin, upstream.rowCount()), m_upstream(upstream),
      m_row(bytes(rowLength()))
{
    assert(upstream.rowLength() > 0);
}

const std::uint8_t* EdgeExtend::pull()
{
    const std::uint8_t* in = m_upstream.pull();
    const int width = m_upstream.rowLength();
    std::memcpy(m_row.data() + Margin, in, bytes(width));
    std::fill_n(m_row.data(), Margin, in[0]);
    std::fill_n(m_row.data() + Margin + width, Margin, in[width - 1]);
    return m_row.data();
}

HorizontalBlur::HorizontalBlur(imaging::Filter& upstream, const GaussianKernel& kernel)
    : Filter(upstream.rowLength() - 2 * EdgeExtend::Margin, upstream.rowCount()), m_upstream(upstream),
      m_kernel(kernel), m_extended(bytes(upstream.rowLength())), m_row(bytes(rowLength()))
{
}

const std::uint8_t* HorizontalBlur::pull()
{
    blurAlongRow(m_upstream.pull(), m_extended.data(), m_extended.size(), m_row.data(), rowLength(),
                 KernelFloats(m_kernel));
    return m_row.data();
}

RowRepeat::RowRepeat(imaging::Filter& upstream, int repeats)
    : Filter(upstream.rowLength(), upstream.rowCount() + 2 * repeats), m_upstream(upstream), m_repeats(repeats),
      m_row(bytes(rowLength()))
{
}

const std::uint8_t* RowRepeat::pull()
{
    if (m_counter == -1)
        throw EndOfStream();
    if (m_counter != 0 && m_repeats >= m_counter) {
        ++m_counter;
        return m_row.data();
    }
    try {
        // Kept in our own buffer: the upstream row may be gone once the
        // upstream stage has reported its end.
        std::memcpy(m_row.data(), m_upstream.pull(), m_row.size());
        ++m_counter;
    } catch (const EndOfStream&) {
        m_counter = -m_repeats;
    }
    return m_row.data();
}

ClampedRows::ClampedRows(const imaging::RgbImage& image, int first, int count, int margin)
    : Filter(static_cast<int>(image.rowBytes()), count + 2 * margin), m_image(image), m_next(first - margin),
      m_end(first + count + margin)
{
    assert(image.height() > 0 && first >= 0 && count >= 0 && first + count <= image.height());
}

const std::uint8_t* ClampedRows::pull()
{
    if (m_next >= m_end)
        throw EndOfStream();
    const int y = std::clamp(m_next++, 0, m_image.height() - 1);
    return m_image.row(y);
}

VerticalBlur::VerticalBlur(imaging::Filter& upstream, const GaussianKernel& kernel)
    : Filter(upstream.rowLength(), upstream.rowCount() - 2 * Radius), m_upstream(upstream), m_kernel(kernel),
      m_ring(bytes(rowLength()) * Taps), m_row(bytes(rowLength()))
{
}

const std::uint8_t* VerticalBlur::pull()
{
    const std::size_t width = bytes(rowLength());
    while (m_filled < Taps) {
        widenRow(m_upstream.pull(), m_ring.data() + bytes((m_oldest + m_filled) % Taps) * width, width);
        ++m_filled;
    }
    auto ringRow = [&](int i) -> const float* { return m_ring.data() + bytes((m_oldest + i) % Taps) * width; };
    blurAcrossRows(ringRow(0), ringRow(1), ringRow(2), ringRow(3), ringRow(4), ringRow(5), ringRow(6), ringRow(7),
                   ringRow(8), m_row.data(), width, KernelFloats(m_kernel));
    m_oldest = (m_oldest + 1) % Taps;
    --m_filled;
    return m_row.data();
}

ChannelMerge::ChannelMerge(imaging::Filter& channel0, imaging::Filter& channel1, imaging::Filter& channel2)
    : Filter(channel0.rowLength() * 3, channel0.rowCount()), m_channels{&channel0, &channel1, &channel2}
{
    assert(channel1.rowLength() == channel0.rowLength() && channel2.rowLength() == channel0.rowLength());
}

const std::uint8_t* ChannelMerge::pull()
{
    m_row.resize(bytes(rowLength()));
    pullInto(m_row.data());
    return m_row.data();
}

void ChannelMerge::pullInto(std::uint8_t* row)
{
    const int width = rowLength() / 3;
    for (int k = 0; k < 3; ++k) {
        const std::uint8_t* in = m_channels[bytes(k)]->pull();
        for (int x = 0; x < width; ++x)
            row[3 * x + k] = in[x];
    }
}

} // namespace vestiscop::color

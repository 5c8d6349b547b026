// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The row stages of the Gaussian pre-filter. Each channel runs through
//   row source -> ChannelSplit -> EdgeExtend -> HorizontalBlur -> RowRepeat -> VerticalBlur
// and ChannelMerge interleaves the three channels again. Each stage owns its
// row buffers and borrows its upstream stage, which must outlive it. All
// arithmetic is integer with 16 fractional bits, each pass truncating.

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/Filter.h"
#include "imaging/Image.h"

namespace vestiscop::color {

// Centre weight and the weights at distances 1..4, scaled by 65536.
using GaussianKernel = std::array<std::int32_t, 5>;

// Byte `channel` of every 3-byte pixel of the upstream row.
class ChannelSplit : public imaging::Filter {
public:
    ChannelSplit(imaging::Filter& upstream, int channel);
    const std::uint8_t* pull() override;

private:
    imaging::Filter& m_upstream;
    int m_channel;
    std::vector<std::uint8_t> m_row;
};

// The row with its first and last byte repeated 4 times on either side.
class EdgeExtend : public imaging::Filter {
public:
    static constexpr int Margin = 4;
    explicit EdgeExtend(imaging::Filter& upstream);
    const std::uint8_t* pull() override;

private:
    imaging::Filter& m_upstream;
    std::vector<std::uint8_t> m_row;
};

// The 9-tap blur along an extended row; yields the unextended width.
class HorizontalBlur : public imaging::Filter {
public:
    HorizontalBlur(imaging::Filter& upstream, const GaussianKernel& kernel);
    const std::uint8_t* pull() override;

private:
    imaging::Filter& m_upstream;
    GaussianKernel m_kernel;
    std::vector<float> m_extended;  // the extended row, each byte converted once
    std::vector<std::uint8_t> m_row;
};

// Yields the first row repeats + 1 times, the inner rows once and the last
// row repeats + 1 times, so that a vertical window can slide over the edges.
class RowRepeat : public imaging::Filter {
public:
    RowRepeat(imaging::Filter& upstream, int repeats);
    const std::uint8_t* pull() override;

private:
    imaging::Filter& m_upstream;
    int m_repeats;
    int m_counter = 0;  // negative while the last row is being repeated
    std::vector<std::uint8_t> m_row;
};

// Rows first - margin .. first + count + margin - 1 of an image, rows above
// the top or below the bottom replaced by the top or bottom row. Feeds the
// horizontal blur of one band of rows directly, in place of RowRepeat: a
// repeated image row blurs to the very bytes of the repeated blurred row.
class ClampedRows : public imaging::Filter {
public:
    ClampedRows(const imaging::RgbImage& image, int first, int count, int margin);
    const std::uint8_t* pull() override;

private:
    const imaging::RgbImage& m_image;
    int m_next;  // image row of the next pull, before clamping
    int m_end;   // one past the last
};

// The 9-tap blur across a ring of 9 rows; output row y is centred on input
// row y of the stream before RowRepeat.
class VerticalBlur : public imaging::Filter {
public:
    static constexpr int Radius = 4;
    static constexpr int Taps = 2 * Radius + 1;
    VerticalBlur(imaging::Filter& upstream, const GaussianKernel& kernel);
    const std::uint8_t* pull() override;

private:
    imaging::Filter& m_upstream;
    GaussianKernel m_kernel;
    std::vector<float> m_ring;  // Taps rows, each byte converted once
    int m_filled = 0;                  // rows in the ring
    int m_oldest = 0;                  // ring slot of the oldest row
    std::vector<std::uint8_t> m_row;
};

// Interleaves one row from each of three one-byte-per-pixel streams into a
// row of 3-byte pixels: byte k of each pixel from stream k.
class ChannelMerge : public imaging::Filter {
public:
    ChannelMerge(imaging::Filter& channel0, imaging::Filter& channel1, imaging::Filter& channel2);
    const std::uint8_t* pull() override;
    void pullInto(std::uint8_t* row) override;

private:
    std::array<imaging::Filter*, 3> m_channels;
    std::vector<std::uint8_t> m_row;
};

} // namespace vestiscop::color

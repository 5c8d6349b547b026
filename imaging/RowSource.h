// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rows of an image as a stream: direction +1 yields the top row first,
// -1 the bottom row first. Each pull hands out a pointer to the image's own
// row (nothing is copied); after the last row, Filter::EndOfStream.
// The image must outlive the source and is only read.

#include "imaging/Filter.h"
#include "imaging/Image.h"

#include <cstddef>

namespace vestiscop::imaging {

class RowSource : public Filter {
public:
    template <int Channels>
    RowSource(const Image<Channels>& image, int direction)
        : RowSource(image.data(), static_cast<int>(image.rowBytes()),
                    static_cast<std::ptrdiff_t>(image.stride()) * Channels, image.height(), direction)
    {
    }

    const std::uint8_t* pull() override;

private:
    RowSource(const std::uint8_t* data, int rowBytes, std::ptrdiff_t strideBytes, int height, int direction);

    const std::uint8_t* m_data;
    std::ptrdiff_t m_strideBytes;
    int m_direction;
    int m_delivered = 0;
};

} // namespace vestiscop::imaging

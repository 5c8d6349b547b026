// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fills an image from an upstream stage: each pull has the upstream stage
// write its next row straight into the image's next row, from the top
// (direction +1) or from the bottom (-1), and yields that row. After the
// image's last row, Filter::EndOfStream. The upstream rows must be exactly as
// long as the image's rows. The image and the upstream stage must outlive
// the sink; neither is owned.

#include "imaging/Filter.h"
#include "imaging/Image.h"

#include <cstddef>

namespace vestiscop::imaging {

class RowSink : public Filter {
public:
    template <int Channels>
    RowSink(Image<Channels>& image, int direction, Filter& upstream)
        : RowSink(image.data(), static_cast<int>(image.rowBytes()),
                  static_cast<std::ptrdiff_t>(image.stride()) * Channels, image.height(), direction, upstream)
    {
    }

    const std::uint8_t* pull() override;

private:
    RowSink(std::uint8_t* data, int rowBytes, std::ptrdiff_t strideBytes, int height, int direction,
            Filter& upstream);

    std::uint8_t* m_data;
    std::ptrdiff_t m_strideBytes;
    int m_direction;
    Filter& m_upstream;
    int m_filled = 0;
};

} // namespace vestiscop::imaging

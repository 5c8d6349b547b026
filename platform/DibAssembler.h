// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Collects the frames SANE delivers for one image (one grey or RGB frame,
// or three single-colour frames of a 3-pass device; 1, 8 or 16 bits per
// sample; height unknown in advance for hand scanners) and builds from them
// the packed bottom-up 24-bit DIB of the native transfer.

#include "scanner/Twain.h"

#include <sane/sane.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vestiscop::platform {

class DibAssembler {
public:
    // The largest picture accepted, in pixels; larger ones are refused
    // before anything is allocated.
    static constexpr std::int64_t MaxPixels = std::int64_t{1} << 28;

    // False for a frame this class cannot take (format, depth, size, or a
    // width that differs from the frames before).
    bool beginFrame(const SANE_Parameters& parameters);
    // Raw bytes as sane_read delivered them. False when the image grows
    // beyond MaxPixels.
    bool add(const std::uint8_t* bytes, std::size_t count);

    int width() const { return m_width; }
    // Complete rows so far (of the tallest frame).
    int height() const { return static_cast<int>(m_rows); }

    // A new memory handle holding the DIB (biXPelsPerMeter and
    // biYPelsPerMeter from the resolutions); null when there is no complete
    // row or memory runs out.
    scanner::TW_HANDLE finish(double xDpi, double yDpi) const;

private:
    void convertRow();
    std::uint8_t sample(std::size_t index) const;

    SANE_Parameters m_frame{};
    int m_width = 0;
    std::size_t m_rows = 0;        // rows that exist in m_pixels
    std::size_t m_frameRow = 0;    // next row of the current frame
    std::vector<std::uint8_t> m_pixels;  // top row first, blue-green-red
    std::vector<std::uint8_t> m_raw;     // the incomplete raw row
};

} // namespace vestiscop::platform

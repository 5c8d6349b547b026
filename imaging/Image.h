// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// In-memory images. RgbImage: three bytes per pixel in the order blue, green,
// red (the byte order of a 24-bit DIB), row 0 at the top. ByteImage: one
// byte per pixel, for masks and label maps. Pixel (x, y) starts at byte
// (y * stride + x) * channels from data; stride is counted in pixels.
//
// A freshly created image owns its buffer (stride = width, no padding, contents
// undefined). A window points into another image's buffer with its own smaller
// size and the other image's stride, owns nothing and must not outlive it.
// Images move between producer and consumer as std::unique_ptr: the receiver owns.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vestiscop::imaging {

template <int Channels>
class Image {
public:
    static constexpr int channels = Channels;

    // Width and height must be positive; SystemError 5 for a size the
    // program refuses, SystemError 0 when memory runs out.
    static std::unique_ptr<Image> create(int width, int height);
    // A window onto the top-left width x height pixels (not larger than this image).
    std::unique_ptr<Image> window(int width, int height);

    // Same pixel count: keeps the buffer and its bytes; otherwise a new buffer.
    void resize(int width, int height);

    std::uint8_t* data() { return m_data; }
    const std::uint8_t* data() const { return m_data; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int stride() const { return m_stride; }
    bool isWindow() const { return m_buffer == nullptr; }

    std::uint8_t* row(int y) { return m_data + static_cast<std::ptrdiff_t>(y) * m_stride * Channels; }
    const std::uint8_t* row(int y) const { return m_data + static_cast<std::ptrdiff_t>(y) * m_stride * Channels; }
    std::uint8_t* pixel(int x, int y) { return row(y) + static_cast<std::ptrdiff_t>(x) * Channels; }
    const std::uint8_t* pixel(int x, int y) const { return row(y) + static_cast<std::ptrdiff_t>(x) * Channels; }
    std::size_t rowBytes() const { return static_cast<std::size_t>(m_width) * Channels; }

    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

private:
    Image() = default;

    std::unique_ptr<std::uint8_t[]> m_buffer;  // null for a window
    std::uint8_t* m_data = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
};

using RgbImage = Image<3>;
using ByteImage = Image<1>;

// The largest image the program accepts: larger ones are refused as bad data
// before anything is allocated.
inline constexpr std::int64_t MaxImagePixels = std::int64_t{1} << 28;

// Throws SystemError 5 unless 0 < width, 0 < height and width * height <= MaxImagePixels.
void checkImageSize(std::int64_t width, std::int64_t height);

extern template class Image<3>;
extern template class Image<1>;

} // namespace vestiscop::imaging

// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/Image.h"

#include "foundation/Exception.h"
#include "foundation/HugePages.h"

#include <cassert>
#include <new>

namespace vestiscop::imaging {

using foundation::SystemError;

namespace {

std::size_t pixelBytes(std::int64_t width, std::int64_t height, int channels)
{
    return static_cast<std::size_t>(width * height * channels);
}

// Allocation goes through here so that running out of memory shows up as the
// program's own failure rather than as std::bad_alloc. A large buffer gets
// room to start on a huge page (foundation/HugePages.h); pixelStart() says
// where its pixels begin.
std::unique_ptr<std::uint8_t[]> allocatePixels(std::int64_t width, std::int64_t height, int channels)
{
    checkImageSize(width, height);
    try {
        return std::unique_ptr<std::uint8_t[]>(
            new std::uint8_t[foundation::hugePageRoom(pixelBytes(width, height, channels))]);
    } catch (const std::bad_alloc&) {
        throw SystemError(foundation::systemError::OutOfMemory, std::string());
    }
}

std::uint8_t* pixelStart(const std::unique_ptr<std::uint8_t[]>& buffer, int width, int height, int channels)
{
    return static_cast<std::uint8_t*>(foundation::hugePageStart(buffer.get(), pixelBytes(width, height, channels)));
}

} // namespace

void checkImageSize(std::int64_t width, std::int64_t height)
{
    // Sizes come from file headers and scanner drivers; refusing them here,
    // in 64 bits, keeps a hostile header from overflowing a byte count.
    if (width <= 0 || height <= 0 || width > MaxImagePixels || height > MaxImagePixels
        || width * height > MaxImagePixels)
        throw SystemError(foundation::systemError::BadFormat, std::string());
}

template <int Channels>
std::unique_ptr<Image<Channels>> Image<Channels>::create(int width, int height)
{
    auto buffer = allocatePixels(width, height, Channels);
    std::unique_ptr<Image> image(new Image());
    image->m_buffer = std::move(buffer);
    image->m_data = pixelStart(image->m_buffer, width, height, Channels);
    image->m_width = width;
    image->m_height = height;
    image->m_stride = width;
    return image;
}

template <int Channels>
std::unique_ptr<Image<Channels>> Image<Channels>::window(int width, int height)
{
    assert(width > 0 && height > 0 && width <= m_width && height <= m_height);
    std::unique_ptr<Image> image(new Image());
    image->m_data = m_data;
    image->m_width = width;
    image->m_height = height;
    image->m_stride = m_stride;
    return image;
}

template <int Channels>
void Image<Channels>::resize(int width, int height)
{
    assert(!isWindow());
    checkImageSize(width, height);
    if (static_cast<std::int64_t>(width) * height == static_cast<std::int64_t>(m_width) * m_height) {
        m_width = width;
        m_stride = width;
        m_height = height;
        return;
    }
    // Free first: the old contents are not kept, and the peak stays one buffer.
    m_buffer.reset();
    m_data = nullptr;
    m_width = m_height = m_stride = 0;
    m_buffer = allocatePixels(width, height, Channels);
    m_data = pixelStart(m_buffer, width, height, Channels);
    m_width = width;
    m_stride = width;
    m_height = height;
}

template class Image<3>;
template class Image<1>;

} // namespace vestiscop::imaging

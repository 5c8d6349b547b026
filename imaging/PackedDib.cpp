// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/PackedDib.h"

#include "foundation/Exception.h"

#include <cstdint>
#include <cstring>

namespace vestiscop::imaging {

namespace {

constexpr std::size_t InfoHeaderSize = 40;

std::uint32_t get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
        | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

[[noreturn]] void refuse()
{
    throw foundation::SystemError(foundation::systemError::BadFormat, std::string());
}

} // namespace

std::unique_ptr<RgbImage> fromPackedDib(const void* dib, std::size_t length)
{
    if (length < InfoHeaderSize)
        refuse();
    const auto* header = static_cast<const std::uint8_t*>(dib);
    const auto width = static_cast<std::int32_t>(get32(header + 4));
    const auto height = static_cast<std::int32_t>(get32(header + 8));
    const auto bitCount = static_cast<std::uint16_t>(header[14] | header[15] << 8);
    const std::uint32_t compression = get32(header + 16);

    if (height < 0)
        refuse();
    // The scanner is asked for RGB; any other layout would be read past its
    // rows, so it is refused rather than trusted.
    if (bitCount != 24 || compression != 0)
        refuse();
    checkImageSize(width, height);

    const std::int64_t rowLength = (std::int64_t{width} * 3 + 3) / 4 * 4;
    const std::int64_t needed = static_cast<std::int64_t>(InfoHeaderSize) + rowLength * height;
    if (length != UnknownDibLength && static_cast<std::uint64_t>(needed) > length)
        refuse();

    auto image = RgbImage::create(width, height);
    const std::uint8_t* rows = header + InfoHeaderSize;
    for (int y = 0; y < height; ++y)
        std::memcpy(image->row(y), rows + (height - 1 - y) * rowLength, image->rowBytes());
    return image;
}

} // namespace vestiscop::imaging

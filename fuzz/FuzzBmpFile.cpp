// SPDX-License-Identifier: GPL-3.0-or-later
// Loading an arbitrary file as BMP. Either the picture comes out with the
// header's size, its pixels taken from bfOffBits (54 in the files the program
// writes; later after a longer information header) bottom row first, and it
// survives a write and a read unchanged; or the load fails with one of the
// image files' own failures.

#include <cstdint>
#include <cstring>

#include "ImageCheck.h"
#include "imaging/BmpFile.h"

using namespace vestiscop;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::MemoryFile file(data, size);
    std::unique_ptr<imaging::RgbImage> image;
    try {
        imaging::BmpFile reader(file.path(), imaging::ImageFile::Read);
        image = imaging::loadImage(reader);
    } catch (const foundation::SystemError& error) {
        fuzz::requireReadRefusal(error);
        return 0;
    }
    require(size >= 54);
    const std::size_t offBits = static_cast<std::size_t>(data[10]) | static_cast<std::size_t>(data[11]) << 8 |
        static_cast<std::size_t>(data[12]) << 16 | static_cast<std::size_t>(data[13]) << 24;
    require(offBits >= 54);
    require(image->width() == static_cast<int>(data[18] | data[19] << 8 | data[20] << 16 | data[21] << 24));
    require(image->height() == static_cast<int>(data[22] | data[23] << 8 | data[24] << 16 | data[25] << 24));
    const std::size_t rowLength = (image->rowBytes() + 3) / 4 * 4;
    const std::size_t height = static_cast<std::size_t>(image->height());
    require(size >= offBits + rowLength * (height - 1) + image->rowBytes());
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* stored = data + offBits + rowLength * (height - 1 - y);
        require(std::memcmp(image->row(static_cast<int>(y)), stored, image->rowBytes()) == 0);
    }
    if (image->width() * image->height() <= 4096)
        fuzz::requireRoundTrip<imaging::BmpFile>(*image);
    return 0;
}

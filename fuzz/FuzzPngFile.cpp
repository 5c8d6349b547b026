// SPDX-License-Identifier: GPL-3.0-or-later
// Loading an arbitrary file as PNG. Either a picture comes out that matches
// what libpng's own simplified reader makes of the file and survives a write
// and a read unchanged, or the load fails with one of the image files' own
// failures; libpng's errors never escape any other way.

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ImageCheck.h"
#include "imaging/PngFile.h"

using namespace vestiscop;

namespace {

std::uint32_t get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
        static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

// Mutations nearly always break a chunk's checksum, and libpng then stops at
// the first chunk. Most inputs get correct checksums so that the fuzzing
// reaches the chunk contents; the rest keep theirs to exercise the check.
void repairChecksums(std::vector<std::uint8_t>& png)
{
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = get32(&png[at]);
        if (length > png.size() - at - 12)
            break;
        const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, &png[at + 4], length + 4));
        std::uint8_t* out = &png[at + 8 + length];
        out[0] = static_cast<std::uint8_t>(crc >> 24);
        out[1] = static_cast<std::uint8_t>(crc >> 16);
        out[2] = static_cast<std::uint8_t>(crc >> 8);
        out[3] = static_cast<std::uint8_t>(crc);
        at += 12 + length;
    }
}

// Whether the file holds only chunks that leave the pixels as stored: the
// simplified reader applies gamma, colour profiles and transparency, which
// the program deliberately ignores.
bool plainChunksOnly(const std::vector<std::uint8_t>& png)
{
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = get32(&png[at]);
        const std::string type(reinterpret_cast<const char*>(&png[at + 4]), 4);
        if (type != "IHDR" && type != "IDAT" && type != "IEND" && type != "tEXt" && type != "zTXt" &&
            type != "iTXt" && type != "tIME" && type != "pHYs")
            return false;
        if (type == "IEND" || length > png.size() - at - 12)
            break;
        at += 12 + length;
    }
    return true;
}

// The picture as libpng's simplified reader decodes it, red-green-blue, or
// nothing when it refuses the file.
std::vector<std::uint8_t> referencePixels(const std::vector<std::uint8_t>& png, int width, int height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
        return {};
    image.format = PNG_FORMAT_RGB;
    if (static_cast<int>(image.width) != width || static_cast<int>(image.height) != height) {
        png_image_free(&image);
        return {};
    }
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return {};
    return pixels;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    if (size % 8 != 0)
        repairChecksums(bytes);
    fuzz::MemoryFile file(bytes.data(), bytes.size());
    std::unique_ptr<imaging::RgbImage> image;
    try {
        imaging::PngFile reader(file.path(), imaging::ImageFile::Read);
        image = imaging::loadImage(reader);
        reader.finish();
    } catch (const foundation::SystemError& error) {
        fuzz::requireReadRefusal(error);
        return 0;
    }
    if (image->width() * image->height() > 4096)
        return 0;
    if (plainChunksOnly(bytes)) {
        const std::vector<std::uint8_t> reference = referencePixels(bytes, image->width(), image->height());
        if (!reference.empty()) {
            for (int y = 0; y < image->height(); ++y) {
                const std::uint8_t* row = image->row(y);
                const std::uint8_t* expected = &reference[static_cast<std::size_t>(y) * image->rowBytes()];
                for (std::size_t x = 0; x < image->rowBytes(); x += 3) {
                    fuzz::require(row[x] == expected[x + 2]);
                    fuzz::require(row[x + 1] == expected[x + 1]);
                    fuzz::require(row[x + 2] == expected[x]);
                }
            }
        }
    }
    fuzz::requireRoundTrip<imaging::PngFile>(*image);
    return 0;
}

// Loading an arbitrary file as PNG. Either a picture comes out and survives
// a write and a read unchanged, or the load fails with one of the image
// files' own failures; libpng's errors never escape any other way.

#include <zlib.h>

#include <cstdint>
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
    if (image->width() * image->height() <= 4096)
        fuzz::requireRoundTrip<imaging::PngFile>(*image);
    return 0;
}

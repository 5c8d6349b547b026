// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of the imaging tests: pictures with known bytes, file
// helpers, the code of a SystemError, and a minimal PNG writer on libpng
// so that files of every kind can be made without our own writer.

#include "foundation/Exception.h"
#include "imaging/Image.h"
#include "support/FileBytes.h"
#include "support/ScratchDirectory.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace vestiscop::imaging::test {

using testsupport::ScratchDirectory;

// Every byte of a pixel differs from its neighbours and from the other
// channels, so swapped channels, rows or columns show.
inline std::uint8_t sampleByte(int x, int y, int channel)
{
    return static_cast<std::uint8_t>(x * 7 + y * 31 + channel * 101 + (x * y) % 13);
}

inline std::unique_ptr<RgbImage> samplePicture(int width, int height)
{
    auto image = RgbImage::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                image->pixel(x, y)[c] = sampleByte(x, y, c);
    return image;
}

// The pixels row by row, without stride padding.
inline std::vector<std::uint8_t> packedPixels(const RgbImage& image)
{
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < image.height(); ++y)
        bytes.insert(bytes.end(), image.row(y), image.row(y) + image.rowBytes());
    return bytes;
}

using testsupport::readBytes;
using testsupport::writeBytes;

// The SystemError code that action throws; -1 when it throws nothing.
inline int systemErrorCode(const std::function<void()>& action)
{
    try {
        action();
    } catch (const foundation::SystemError& error) {
        return error.code();
    }
    return -1;
}

// Writes a PNG with libpng's own stdio path. samples: rows of
// width * channels(colorType) samples, 16-bit ones big-endian as PNG stores them.
inline void writeTestPng(const std::string& path, int width, int height, int bitDepth, int colorType,
                         bool interlaced, const std::vector<std::uint8_t>& samples)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        throw std::runtime_error("cannot create " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[2] = {{0, 0, 0}, {255, 255, 255}};
        png_set_PLTE(png, info, palette, 2);
    }
    png_write_info(png, info);
    const std::size_t rowBytes = samples.size() / static_cast<std::size_t>(height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < height; ++y)
        rows.push_back(const_cast<png_bytep>(samples.data()) + static_cast<std::size_t>(y) * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

} // namespace vestiscop::imaging::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/BmpFile.h"

#include "foundation/Exception.h"

#include <algorithm>
#include <cstring>

namespace vestiscop::imaging {

namespace {

constexpr std::uint16_t BitmapType = 0x4D42;  // "BM"
constexpr std::uint32_t CompressionNone = 0;

std::uint32_t get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
        | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

void put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

[[noreturn]] void refuse()
{
    throw foundation::SystemError(foundation::systemError::BadFormat, std::string());
}

// Field offsets within the 54 header bytes.
enum : int {
    BfType = 0,
    BfSize = 2,
    BfOffBits = 10,
    BiSize = 14,
    BiWidth = 18,
    BiHeight = 22,
    BiPlanes = 26,
    BiBitCount = 28,
    BiCompression = 30,
};

} // namespace

BmpFile::BmpFile(const std::string& path, Mode mode) : ImageFile(path, mode) {}

std::int64_t BmpFile::paddedRowLength(std::int64_t width)
{
    return (width * 3 + 3) / 4 * 4;
}

BmpFile::Layout BmpFile::checkHeader(const std::array<std::uint8_t, HeaderSize>& header)
{
    const std::uint8_t* h = header.data();
    const auto biHeight = static_cast<std::int32_t>(get32(h + BiHeight));
    if (get16(h + BfType) != BitmapType || get32(h + BiCompression) != CompressionNone || biHeight < 0)
        refuse();
    if (get16(h + BiBitCount) != 24)
        refuse();

    // Bitmaps with a longer information header (V4, V5) keep their pixels
    // behind it; bfOffBits says where. Pixels inside the 54 header bytes, or
    // a header too short to hold the fields read above, are not a bitmap.
    const std::uint32_t biSize = get32(h + BiSize);
    const std::uint32_t offBits = get32(h + BfOffBits);
    if (biSize < InfoHeaderSize || offBits < HeaderSize)
        refuse();

    const auto biWidth = static_cast<std::int32_t>(get32(h + BiWidth));
    checkImageSize(biWidth, biHeight);
    return {biWidth, biHeight, offBits, paddedRowLength(biWidth) * (biHeight - 1) + std::int64_t{biWidth} * 3};
}

void BmpFile::readHeader(int& width, int& height)
{
    m_stream.read(m_header.data(), FileHeaderSize);
    m_stream.read(m_header.data() + FileHeaderSize, InfoHeaderSize);
    const Layout layout = checkHeader(m_header);
    // A file too short for the rows its header promises fails as it would at
    // its end, but before the picture is allocated: a header of a few bytes
    // must not make us reserve hundreds of megabytes.
    if (m_stream.size() < static_cast<std::int64_t>(layout.pixelOffset) + layout.pixelBytes)
        throw foundation::SystemError(foundation::systemError::Read, m_stream.path());
    m_stream.skip(static_cast<std::int64_t>(layout.pixelOffset) - HeaderSize);

    width = layout.width;
    height = layout.height;
    m_rowLength = layout.width * 3;
    m_padding = static_cast<int>(paddedRowLength(layout.width) - m_rowLength);
}

void BmpFile::writeHeader(int width, int height)
{
    checkImageSize(width, height);
    const std::int64_t padded = paddedRowLength(width);
    m_header.fill(0);
    std::uint8_t* h = m_header.data();
    put16(h + BfType, BitmapType);
    put32(h + BfSize, static_cast<std::uint32_t>(HeaderSize + height * padded));
    put32(h + BfOffBits, HeaderSize);
    put32(h + BiSize, InfoHeaderSize);
    put32(h + BiWidth, static_cast<std::uint32_t>(width));
    put32(h + BiHeight, static_cast<std::uint32_t>(height));
    put16(h + BiPlanes, 1);
    put16(h + BiBitCount, 24);
    put32(h + BiCompression, CompressionNone);
    m_stream.write(h, FileHeaderSize);
    m_stream.write(h + FileHeaderSize, InfoHeaderSize);

    m_rowLength = width * 3;
    m_padding = static_cast<int>(padded - m_rowLength);
    m_rowBuffer.assign(static_cast<std::size_t>(padded), 0);
}

void BmpFile::readRow(std::uint8_t* row)
{
    m_stream.read(row, static_cast<std::size_t>(m_rowLength));
    m_stream.skip(m_padding);
}

void BmpFile::writeRow(const std::uint8_t* row)
{
    // Row and padding in one write; the padding bytes stay zero.
    std::memcpy(m_rowBuffer.data(), row, static_cast<std::size_t>(m_rowLength));
    m_stream.write(m_rowBuffer.data(), m_rowBuffer.size());
}

} // namespace vestiscop::imaging

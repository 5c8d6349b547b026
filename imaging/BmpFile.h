// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Uncompressed 24-bit Windows bitmaps: a 14-byte file header, a 40-byte
// information header, then the rows bottom row first, each padded with
// zeros to a multiple of 4 bytes. Written exactly so; read only so (bottom-up,
// 24 bits, no compression), anything else is SystemError 5.

#include "imaging/ImageFile.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vestiscop::imaging {

class BmpFile : public ImageFile {
public:
    static constexpr int FileHeaderSize = 14;
    static constexpr int InfoHeaderSize = 40;
    static constexpr int HeaderSize = FileHeaderSize + InfoHeaderSize;

    BmpFile(const std::string& path, Mode mode);

    void readHeader(int& width, int& height) override;
    void writeHeader(int width, int height) override;
    void readRow(std::uint8_t* row) override;
    void writeRow(const std::uint8_t* row) override;
    int rowOrder() const override { return -1; }

    // Bytes of a stored row: width * 3 rounded up to a multiple of 4.
    static std::int64_t paddedRowLength(std::int64_t width);

    // What both headers, as stored, declare; SystemError 5 for anything
    // this class does not read.
    struct Layout {
        int width = 0;
        int height = 0;
        std::uint32_t pixelOffset = 0;  // bfOffBits
        // The bytes from the pixels' start to the last row's last pixel (its
        // padding may be missing).
        std::int64_t pixelBytes = 0;
    };
    static Layout checkHeader(const std::array<std::uint8_t, HeaderSize>& header);

private:
    // Both headers as stored in the file.
    std::array<std::uint8_t, HeaderSize> m_header{};
    int m_rowLength = 0;  // unpadded, bytes
    int m_padding = 0;
    std::vector<std::uint8_t> m_rowBuffer;  // one padded row for writing
};

} // namespace vestiscop::imaging

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PNG files of 8-bit RGB without alpha, through libpng, with all bytes going
// through the object's own file stream. Rows are handed over in the order
// blue, green, red (libpng swaps them), top row first. Grey, palette, alpha
// and 16-bit images are refused (SystemError 5); so is anything libpng
// reports, warnings included. Interlaced files are read de-interlaced.
//
// libpng reports failures by longjmp; they are caught at the boundary and
// rethrown here as the SystemError that caused them (3 or 4 from the
// stream, 5 from libpng), so no exception crosses libpng's C frames.

#include "imaging/ImageFile.h"

#include <memory>

namespace vestiscop::imaging {

class PngFile : public ImageFile {
public:
    // SystemError 2 when the file cannot be opened, 0 when libpng cannot
    // set itself up.
    PngFile(const std::string& path, Mode mode);
    ~PngFile() override;

    void readHeader(int& width, int& height) override;
    void writeHeader(int width, int height) override;
    void readRow(std::uint8_t* row) override;
    void writeRow(const std::uint8_t* row) override;
    int rowOrder() const override { return 1; }
    void finish() override;

private:
    class Codec;
    std::unique_ptr<Codec> m_codec;
};

} // namespace vestiscop::imaging

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An image file format: BmpFile and PngFile. The object owns one binary file
// stream, opened by the constructor (Read: an existing file; Write: created
// or truncated). Every failure is a SystemError: 2 open, 3 read (also a file
// that ends too soon), 4 write, each with the path; 5 with an empty argument
// for content the format does not accept. Rows are width * 3 bytes in the
// order blue, green, red, the order of RgbImage.
//
// Writing: writeHeader, then exactly height rows in rowOrder(), then
// finish(), which completes the format and closes the stream so that a
// failure there is reported. Destroying an unfinished object completes a
// fully written file quietly and otherwise only releases it (never throws;
// a partly written file stays on disk). Reading: readHeader, then the rows.

#include "foundation/Files.h"
#include "imaging/Image.h"

#include <memory>
#include <string>

namespace vestiscop::imaging {

class ImageFile {
public:
    enum Mode { Read = 0, Write = 1 };

    virtual ~ImageFile() = default;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // Reads and checks the header; the size is positive and within
    // MaxImagePixels, anything else is refused (SystemError 5).
    virtual void readHeader(int& width, int& height) = 0;
    // Starts a 24-bit RGB image of that size.
    virtual void writeHeader(int width, int height) = 0;
    virtual void readRow(std::uint8_t* row) = 0;
    virtual void writeRow(const std::uint8_t* row) = 0;
    // -1: the file stores the bottom row first; +1: the top row first.
    virtual int rowOrder() const = 0;
    // Completes the file (write mode) and closes the stream.
    virtual void finish() { m_stream.close(); }

    const std::string& path() const { return m_stream.path(); }
    Mode mode() const { return m_mode; }

protected:
    ImageFile(const std::string& path, Mode mode);

    foundation::BinaryFile m_stream;

private:
    Mode m_mode;
};

// Reads the whole picture of a file whose header has not been read yet.
// On failure nothing is returned and nothing is left allocated.
std::unique_ptr<RgbImage> loadImage(ImageFile& file);

// Writes header and rows and finishes the file.
void saveImage(const RgbImage& image, ImageFile& file);

} // namespace vestiscop::imaging

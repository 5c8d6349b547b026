// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ImageFile.h"

#include "imaging/RowPump.h"
#include "imaging/RowSink.h"
#include "imaging/RowSource.h"

#include <vector>

namespace vestiscop::imaging {

namespace {

// The stage that delivers a file's rows in the file's own order.
class FileReaderStage : public Filter {
public:
    FileReaderStage(ImageFile& file, int width, int height)
        : Filter(width * 3, height), m_file(file), m_row(static_cast<std::size_t>(width) * 3)
    {
    }

    const std::uint8_t* pull() override
    {
        pullInto(m_row.data());
        return m_row.data();
    }

    // Reads straight into the image row; no copy.
    void pullInto(std::uint8_t* row) override
    {
        if (m_read >= rowCount())
            throw EndOfStream();
        m_file.readRow(row);
        ++m_read;
    }

private:
    ImageFile& m_file;
    std::vector<std::uint8_t> m_row;
    int m_read = 0;
};

// The stage that writes each row it takes from upstream.
class FileWriterStage : public Filter {
public:
    FileWriterStage(ImageFile& file, Filter& upstream)
        : Filter(upstream.rowLength(), upstream.rowCount()), m_file(file), m_upstream(upstream)
    {
    }

    const std::uint8_t* pull() override
    {
        const std::uint8_t* row = m_upstream.pull();
        m_file.writeRow(row);
        return row;
    }

private:
    ImageFile& m_file;
    Filter& m_upstream;
};

} // namespace

ImageFile::ImageFile(const std::string& path, Mode mode)
    : m_stream(path, mode == Write ? foundation::BinaryFile::Write : foundation::BinaryFile::Read), m_mode(mode)
{
}

std::unique_ptr<RgbImage> loadImage(ImageFile& file)
{
    int width = 0;
    int height = 0;
    file.readHeader(width, height);
    auto image = RgbImage::create(width, height);
    FileReaderStage reader(file, width, height);
    RowSink sink(*image, file.rowOrder(), reader);
    NullProgress progress;
    pumpRows(sink, progress);
    return image;
}

void saveImage(const RgbImage& image, ImageFile& file)
{
    file.writeHeader(image.width(), image.height());
    RowSource source(image, file.rowOrder());
    FileWriterStage writer(file, source);
    NullProgress progress;
    pumpRows(writer, progress);
    file.finish();
}

} // namespace vestiscop::imaging

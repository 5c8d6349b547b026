// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/PngFile.h"

#include "foundation/Exception.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

namespace vestiscop::imaging {

using foundation::SystemError;
namespace code = foundation::systemError;

namespace {

// The most a deflate stream expands: one 258-byte match in two bits.
constexpr std::int64_t MaxDeflateRatio = 1032;

// The one place that catches libpng's longjmp. It must hold no object with a
// destructor, and neither may body: the jump skips their frames.
bool callGuarded(png_structp png, void (*body)(void*), void* context)
{
    if (setjmp(png_jmpbuf(png)) != 0)
        return false;
    body(context);
    return true;
}

} // namespace

// Owns the libpng structures and the failure that ended a libpng call.
class PngFile::Codec {
public:
    Codec(foundation::BinaryFile& stream, ImageFile::Mode mode) : m_stream(stream), m_mode(mode)
    {
        try {
            create();
        } catch (...) {
            destroy();
            throw;
        }
    }

    ~Codec() { destroy(); }

    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;

private:
    void create()
    {
        if (m_mode == ImageFile::Read) {
            m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, &Codec::onError, &Codec::onError);
            if (m_png == nullptr)
                throw SystemError(code::OutOfMemory, std::string());
            m_info = png_create_info_struct(m_png);
            m_endInfo = png_create_info_struct(m_png);
            if (m_info == nullptr || m_endInfo == nullptr)
                throw SystemError(code::OutOfMemory, std::string());
            png_set_read_fn(m_png, this, &Codec::onRead);
        } else {
            m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, &Codec::onError, &Codec::onError);
            if (m_png == nullptr)
                throw SystemError(code::OutOfMemory, std::string());
            m_info = png_create_info_struct(m_png);
            if (m_info == nullptr)
                throw SystemError(code::OutOfMemory, std::string());
            png_set_write_fn(m_png, this, &Codec::onWrite, &Codec::onFlush);
        }
        png_set_error_fn(m_png, this, &Codec::onError, &Codec::onError);
    }

    void destroy() noexcept
    {
        if (m_png == nullptr)
            return;
        if (m_mode == ImageFile::Read)
            png_destroy_read_struct(&m_png, &m_info, &m_endInfo);
        else
            png_destroy_write_struct(&m_png, &m_info);
    }

public:
    void readHeader(int& width, int& height)
    {
        run([](void* c) {
            auto* self = static_cast<Codec*>(c);
            png_read_info(self->m_png, self->m_info);
        });
        const png_uint_32 w = png_get_image_width(m_png, m_info);
        const png_uint_32 h = png_get_image_height(m_png, m_info);
        if (png_get_bit_depth(m_png, m_info) != 8 || png_get_color_type(m_png, m_info) != PNG_COLOR_TYPE_RGB)
            throw SystemError(code::BadFormat, std::string());
        checkImageSize(w, h);
        // Deflate packs at most 1032 bytes into one, and every pixel is
        // stored once whatever the interlacing: a file too short to hold the
        // pixels its header claims even at that ratio fails as at its end,
        // before the picture is allocated.
        if (m_stream.size() * MaxDeflateRatio < static_cast<std::int64_t>(w) * h * 3)
            throw SystemError(code::Read, m_stream.path());
        m_width = static_cast<int>(w);
        m_height = static_cast<int>(h);
        m_interlaced = png_get_interlace_type(m_png, m_info) != PNG_INTERLACE_NONE;
        run([](void* c) {
            auto* self = static_cast<Codec*>(c);
            png_set_bgr(self->m_png);
            png_set_interlace_handling(self->m_png);
            png_start_read_image(self->m_png);
        });
        width = m_width;
        height = m_height;
    }

    void readRow(std::uint8_t* row)
    {
        if (m_rowsDone >= m_height)
            throw SystemError(code::Read, m_stream.path());
        const std::size_t rowBytes = static_cast<std::size_t>(m_width) * 3;
        if (m_interlaced) {
            // The passes of an interlaced file each touch every row, so the
            // whole picture is decoded at the first request.
            if (m_picture.empty())
                readPicture(rowBytes);
            std::memcpy(row, m_picture.data() + m_rowsDone * rowBytes, rowBytes);
        } else {
            m_row = row;
            run([](void* c) {
                auto* self = static_cast<Codec*>(c);
                png_read_row(self->m_png, self->m_row, nullptr);
            });
        }
        if (++m_rowsDone == m_height)
            m_picture = std::vector<std::uint8_t>();
    }

    void writeHeader(int width, int height)
    {
        checkImageSize(width, height);
        m_width = width;
        m_height = height;
        run([](void* c) {
            auto* self = static_cast<Codec*>(c);
            png_set_IHDR(self->m_png, self->m_info, static_cast<png_uint_32>(self->m_width),
                         static_cast<png_uint_32>(self->m_height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                         PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            png_write_info(self->m_png, self->m_info);
            png_set_bgr(self->m_png);
        });
    }

    void writeRow(const std::uint8_t* row)
    {
        m_constRow = row;
        run([](void* c) {
            auto* self = static_cast<Codec*>(c);
            png_write_row(self->m_png, self->m_constRow);
        });
        ++m_rowsDone;
    }

    // True when the rows of the picture have all passed and nothing failed,
    // so the format can be completed.
    bool complete() const { return !m_failed && m_height > 0 && m_rowsDone == m_height; }

    void finish()
    {
        if (m_mode == ImageFile::Read)
            run([](void* c) {
                auto* self = static_cast<Codec*>(c);
                png_read_end(self->m_png, self->m_endInfo);
            });
        else
            run([](void* c) {
                auto* self = static_cast<Codec*>(c);
                png_write_end(self->m_png, self->m_info);
            });
        m_finished = true;
    }

    bool finished() const { return m_finished; }

private:
    // Runs libpng calls; a failure comes back here by longjmp and leaves as
    // the exception that caused it. After one failure libpng's state is
    // undefined, so every later call fails at once.
    void run(void (*body)(void*))
    {
        if (!m_failed && callGuarded(m_png, body, this))
            return;
        m_failed = true;
        if (m_pending) {
            std::exception_ptr pending = m_pending;
            m_pending = nullptr;
            std::rethrow_exception(pending);
        }
        throw SystemError(code::BadFormat, std::string());
    }

    void readPicture(std::size_t rowBytes)
    {
        m_picture.resize(rowBytes * static_cast<std::size_t>(m_height));
        m_rowPointers.resize(static_cast<std::size_t>(m_height));
        for (std::size_t y = 0; y < m_rowPointers.size(); ++y)
            m_rowPointers[y] = m_picture.data() + y * rowBytes;
        run([](void* c) {
            auto* self = static_cast<Codec*>(c);
            png_read_image(self->m_png, self->m_rowPointers.data());
        });
        m_rowPointers = std::vector<png_bytep>();
    }

    // Keeps the first failure; a later one (libpng reporting the read error
    // we made it report) must not replace it.
    void keepCurrentException() noexcept
    {
        if (!m_pending)
            m_pending = std::current_exception();
    }

    void keepFormatError() noexcept
    {
        if (m_pending)
            return;
        try {
            throw SystemError(code::BadFormat, std::string());
        } catch (...) {
            m_pending = std::current_exception();
        }
    }

    bool readBytes(png_bytep data, std::size_t length) noexcept
    {
        try {
            m_stream.read(data, length);
            return true;
        } catch (...) {
            keepCurrentException();
            return false;
        }
    }

    bool writeBytes(png_const_bytep data, std::size_t length) noexcept
    {
        try {
            m_stream.write(data, length);
            return true;
        } catch (...) {
            keepCurrentException();
            return false;
        }
    }

    // The callbacks run inside libpng: they hold no object with a destructor
    // and leave by png_error / png_longjmp, never by an exception.
    static void onRead(png_structp png, png_bytep data, std::size_t length)
    {
        if (!static_cast<Codec*>(png_get_io_ptr(png))->readBytes(data, length))
            png_error(png, "read");
    }

    static void onWrite(png_structp png, png_bytep data, std::size_t length)
    {
        if (!static_cast<Codec*>(png_get_io_ptr(png))->writeBytes(data, length))
            png_error(png, "write");
    }

    static void onFlush(png_structp) {}

    // Errors and warnings alike end the operation: a warning means the file
    // is not quite what this program writes and reads.
    static void onError(png_structp png, png_const_charp)
    {
        static_cast<Codec*>(png_get_error_ptr(png))->keepFormatError();
        png_longjmp(png, 1);
    }

    foundation::BinaryFile& m_stream;
    ImageFile::Mode m_mode;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    png_infop m_endInfo = nullptr;
    std::exception_ptr m_pending;
    bool m_failed = false;
    bool m_finished = false;
    bool m_interlaced = false;
    int m_width = 0;
    int m_height = 0;
    int m_rowsDone = 0;
    std::uint8_t* m_row = nullptr;
    const std::uint8_t* m_constRow = nullptr;
    std::vector<std::uint8_t> m_picture;  // interlaced files only
    std::vector<png_bytep> m_rowPointers;
};

PngFile::PngFile(const std::string& path, Mode mode)
    : ImageFile(path, mode), m_codec(std::make_unique<Codec>(m_stream, mode))
{
}

PngFile::~PngFile()
{
    // Completing a file whose rows have all passed; after a failure or an
    // early end only the structures are released and the stream closed.
    if (m_codec->complete() && !m_codec->finished()) {
        try {
            m_codec->finish();
        } catch (...) {
            // A destructor cannot report; finish() is the reporting path.
        }
    }
}

void PngFile::readHeader(int& width, int& height) { m_codec->readHeader(width, height); }
void PngFile::writeHeader(int width, int height) { m_codec->writeHeader(width, height); }
void PngFile::readRow(std::uint8_t* row) { m_codec->readRow(row); }
void PngFile::writeRow(const std::uint8_t* row) { m_codec->writeRow(row); }

void PngFile::finish()
{
    if (!m_codec->finished())
        m_codec->finish();
    m_stream.close();
}

} // namespace vestiscop::imaging

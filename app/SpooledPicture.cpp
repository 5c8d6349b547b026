// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SpooledPicture.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "foundation/Exception.h"
#include "imaging/BmpFile.h"
#include "imaging/Image.h"

namespace vestiscop::app {

namespace {

using foundation::SystemError;
namespace code = foundation::systemError;

constexpr std::array<std::uint8_t, 8> PngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Length, type, the 13 bytes of IHDR's data, CRC.
constexpr std::size_t IhdrChunkSize = 25;
constexpr std::size_t PngHeadSize = PngSignature.size() + IhdrChunkSize;
constexpr std::int64_t PngFraming = std::int64_t{1} << 20;
// The largest chunk length PNG allows.
constexpr std::uint32_t MaxChunkLength = 0x7FFFFFFF;
constexpr std::uint8_t PngRgb = 2;

std::uint32_t bigEndian32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

void putLittle32(std::uint8_t* p, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

[[noreturn]] void refuse()
{
    throw SystemError(code::BadFormat, std::string());
}

} // namespace

std::int64_t pngStreamLimit(std::int64_t width, std::int64_t height)
{
    const std::int64_t pixels = height * (1 + 3 * width);
    return pixels + pixels / 16 + PngFraming;
}

SpooledPicture::SpooledPicture(int in, const std::string& name, const std::string& directory)
    : m_in(in), m_name(name), m_directory(directory)
{
    std::array<std::uint8_t, imaging::BmpFile::HeaderSize> head{};
    const std::size_t got = read(head.data(), PngSignature.size());
    const bool bmp = got >= 2 && head[0] == 'B' && head[1] == 'M';
    const bool png = got == PngSignature.size() && std::memcmp(head.data(), PngSignature.data(), got) == 0;
    if (!bmp && !png)
        throw SystemError(code::BadFormat, name);
    try {
        if (bmp) {
            spoolBmp(head.data(), got);
        } else {
            spoolPng(head.data());
        }
    } catch (...) {
        discard();
        throw;
    }
    const int out = m_out;
    m_out = -1;
    if (::close(out) != 0) {
        discard();
        throw SystemError(code::Write, m_path);
    }
}

SpooledPicture::~SpooledPicture()
{
    discard();
}

void SpooledPicture::discard()
{
    if (m_out >= 0)
        ::close(m_out);
    m_out = -1;
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

std::size_t SpooledPicture::read(std::uint8_t* into, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(m_in, into + done, count - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw SystemError(code::Read, m_name);
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void SpooledPicture::create()
{
    std::string pattern = m_directory + "/vestiscop-stdin-XXXXXX";
    m_out = ::mkstemp(pattern.data());
    if (m_out < 0)
        throw SystemError(code::Write, pattern);
    m_path = pattern;
}

void SpooledPicture::write(const std::uint8_t* bytes, std::size_t count)
{
    for (std::size_t done = 0; done < count;) {
        const ssize_t n = ::write(m_out, bytes + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw SystemError(code::Write, m_path);
        done += static_cast<std::size_t>(n);
    }
}

bool SpooledPicture::pass(std::int64_t count, bool keep)
{
    std::array<std::uint8_t, 65536> buffer{};
    while (count > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(count, buffer.size()));
        const std::size_t got = read(buffer.data(), want);
        if (keep)
            write(buffer.data(), got);
        count -= static_cast<std::int64_t>(got);
        if (got < want)
            return false;
    }
    return true;
}

void SpooledPicture::spoolBmp(std::uint8_t* head, std::size_t got)
{
    std::array<std::uint8_t, imaging::BmpFile::HeaderSize> header{};
    std::memcpy(header.data(), head, got);
    if (got + read(header.data() + got, header.size() - got) < header.size())
        throw SystemError(code::Read, m_name);
    const imaging::BmpFile::Layout layout = imaging::BmpFile::checkHeader(header);
    const std::int64_t gap = std::int64_t{layout.pixelOffset} - imaging::BmpFile::HeaderSize;
    // The file kept has the plain 40-byte information header, its pixels
    // right behind it.
    putLittle32(header.data() + 10, imaging::BmpFile::HeaderSize);
    putLittle32(header.data() + 14, imaging::BmpFile::InfoHeaderSize);
    create();
    write(header.data(), header.size());
    if (pass(gap, false))
        pass(imaging::BmpFile::paddedRowLength(layout.width) * layout.height, true);
}

void SpooledPicture::spoolPng(std::uint8_t* head)
{
    std::array<std::uint8_t, PngHeadSize> start{};
    std::memcpy(start.data(), head, PngSignature.size());
    if (PngSignature.size() + read(start.data() + PngSignature.size(), IhdrChunkSize) < start.size())
        throw SystemError(code::Read, m_name);
    const std::uint8_t* ihdr = start.data() + PngSignature.size();
    if (bigEndian32(ihdr) != 13 || std::memcmp(ihdr + 4, "IHDR", 4) != 0)
        refuse();
    const std::int64_t width = bigEndian32(ihdr + 8);
    const std::int64_t height = bigEndian32(ihdr + 12);
    if (ihdr[16] != 8 || ihdr[17] != PngRgb)
        refuse();
    imaging::checkImageSize(width, height);
    const std::int64_t limit = pngStreamLimit(width, height);
    create();
    write(start.data(), start.size());
    std::int64_t taken = static_cast<std::int64_t>(start.size());
    for (;;) {
        std::array<std::uint8_t, 8> chunk{};
        const std::size_t got = read(chunk.data(), chunk.size());
        write(chunk.data(), got);
        if (got < chunk.size())
            return;
        const std::uint32_t length = bigEndian32(chunk.data());
        taken += 12 + std::int64_t{length};
        if (length > MaxChunkLength || taken > limit)
            refuse();
        if (!pass(std::int64_t{length} + 4, true) || std::memcmp(chunk.data() + 4, "IEND", 4) == 0)
            return;
    }
}

} // namespace vestiscop::app

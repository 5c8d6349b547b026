// SPDX-License-Identifier: GPL-3.0-or-later
// A picture on a stream: every case is fed through a pipe, most followed by
// bytes without end, so a spool that reads further than the picture needs
// never returns and the case fails by its time-out.

#include "app/DroppedFile.h"
#include "app/SpooledPicture.h"
#include "foundation/Exception.h"
#include "imaging/BmpFile.h"
#include "imaging/PngFile.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

namespace vestiscop::app {
namespace {

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, bool big = false)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * (big ? 3 - i : i)));
}

// A 24-bit BMP: 54 header bytes, gap bytes, then rows of width pixels.
std::vector<std::uint8_t> bmp(std::uint32_t width, std::uint32_t height, std::uint32_t gap = 0, int bits = 24)
{
    const std::size_t row = (width * 3 + 3) / 4 * 4;
    const bool small = std::uint64_t{width} * height < 4096;
    std::vector<std::uint8_t> bytes(54 + gap + (small ? row * height : 0), 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 10, 54 + gap);
    put32(bytes, 14, 40 + gap);
    put32(bytes, 18, width);
    put32(bytes, 22, height);
    bytes[26] = 1;
    bytes[28] = static_cast<std::uint8_t>(bits);
    for (std::size_t i = 54 + gap; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    return bytes;
}

// A PNG written by the program's own writer.
std::vector<std::uint8_t> png(const testsupport::ScratchDirectory& dir, int width, int height)
{
    auto image = imaging::RgbImage::create(width, height);
    for (int y = 0; y < height; ++y)
        for (std::size_t i = 0; i < image->rowBytes(); ++i)
            image->row(y)[i] = static_cast<std::uint8_t>(y * 31 + static_cast<int>(i));
    {
        imaging::PngFile file(dir.file("source.png"), imaging::ImageFile::Write);
        imaging::saveImage(*image, file);
    }
    return dir.readBytes("source.png");
}

// The signature and an IHDR chunk (CRC not checked by the spool).
std::vector<std::uint8_t> pngHead(std::uint32_t width, std::uint32_t height, int depth = 8)
{
    std::vector<std::uint8_t> bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    bytes.resize(33, 0);
    put32(bytes, 16, width, true);
    put32(bytes, 20, height, true);
    bytes[24] = static_cast<std::uint8_t>(depth);
    bytes[25] = 2;
    return bytes;
}

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Writes the bytes into a pipe, then (endless) a filler byte until the
// reading side closes it; counts what went in.
class Feeder {
public:
    Feeder(std::vector<std::uint8_t> bytes, std::optional<std::uint8_t> filler)
    {
        signal(SIGPIPE, SIG_IGN);
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        m_read = fds[0];
        m_thread = std::thread([this, fd = fds[1], bytes = std::move(bytes), filler] {
            const auto put = [&](const std::uint8_t* data, std::size_t size) {
                for (std::size_t done = 0; done < size;) {
                    const ssize_t n = ::write(fd, data + done, size - done);
                    if (n <= 0)
                        return false;
                    done += static_cast<std::size_t>(n);
                    m_written += static_cast<std::size_t>(n);
                }
                return true;
            };
            bool open = put(bytes.data(), bytes.size());
            const std::vector<std::uint8_t> block(65536, filler.value_or(0));
            while (open && filler)
                open = put(block.data(), block.size());
            ::close(fd);
        });
    }
    // Closes the reading side (the writer stops) and waits for the writer.
    std::size_t finish()
    {
        ::close(m_read);
        m_read = -1;
        m_thread.join();
        return m_written;
    }
    ~Feeder()
    {
        if (m_read >= 0)
            finish();
    }
    int fd() const { return m_read; }

private:
    int m_read = -1;
    std::thread m_thread;
    std::atomic<std::size_t> m_written{0};
};

struct SpoolCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint8_t> filler;  // endless bytes after them
    std::string failure;                 // "code argument", empty for none
    std::size_t kept;                    // the spooled file's size
};

std::string failureOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const foundation::SystemError& error) {
        return std::to_string(error.code()) + " " + error.argument();
    }
    return "";
}

TEST(SpooledPicture, TakesOnlyWhatThePictureCanNeedAndRefusesEarly)
{
    const testsupport::ScratchDirectory dir;
    const std::vector<std::uint8_t> small = bmp(5, 3);
    const std::vector<std::uint8_t> withGap = bmp(5, 3, 70);
    const std::vector<std::uint8_t> picture = png(dir, 9, 7);
    // A text chunk of 16 MiB behind a 9 x 7 picture's header.
    const std::vector<std::uint8_t> chunk{1, 0, 0, 0, 't', 'E', 'X', 't'};
    const std::vector<SpoolCase> cases{
        {"text", {'y', '\n'}, 'y', "5 -", 0},
        {"zeros", {0}, 0, "5 -", 0},
        {"empty", {}, std::nullopt, "5 -", 0},
        {"bmp cut in its header", {'B', 'M', 1, 2, 3}, std::nullopt, "3 -", 0},
        {"bmp too large", bmp(30000, 30000), 0, "5 ", 0},
        {"bmp of 16 bits", bmp(5, 3, 0, 16), 0, "5 ", 0},
        {"bmp then more", small, 0xAB, "", small.size()},
        {"bmp with a gap", withGap, 0xAB, "", small.size()},
        {"bmp cut in its rows", std::vector<std::uint8_t>(small.begin(), small.end() - 10), std::nullopt, "",
         small.size() - 10},
        {"png then more", picture, 0xAB, "", picture.size()},
        {"png too large", pngHead(30000, 30000), 0, "5 ", 0},
        {"png of 16 bits", pngHead(9, 7, 16), 0, "5 ", 0},
        {"png chunk beyond the limit", pngHead(9, 7) + chunk, 0, "5 ", 0},
        {"png cut in its header", std::vector<std::uint8_t>(picture.begin(), picture.begin() + 20), std::nullopt,
         "3 -", 0},
    };
    for (const SpoolCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string spool = dir.file("spool");
        std::filesystem::create_directory(spool);
        Feeder feeder(c.bytes, c.filler);
        std::uintmax_t kept = 0;
        std::vector<std::uint8_t> contents;
        const std::string failure = failureOf([&] {
            const SpooledPicture spooled(feeder.fd(), "-", spool);
            kept = std::filesystem::file_size(spooled.path());
            if (c.bytes == withGap) {
                EXPECT_EQ(loadDroppedFile(spooled.path())->width(), 5);
            }
        });
        const std::size_t written = feeder.finish();
        EXPECT_EQ(failure, c.failure);
        EXPECT_EQ(kept, c.kept);
        // Read no further than a pipe's worth past the picture.
        EXPECT_LT(written, c.bytes.size() + (1u << 20));
        // Nothing left behind.
        EXPECT_TRUE(std::filesystem::is_empty(spool));
        std::filesystem::remove(spool);
    }
}

TEST(SpooledPicture, KeepsTheSamePictureAsTheFile)
{
    const testsupport::ScratchDirectory dir;
    const std::vector<std::uint8_t> withGap = bmp(6, 4, 30);
    dir.write("gap.bmp", withGap);
    const std::vector<std::uint8_t> picture = png(dir, 9, 7);
    for (const auto& [name, bytes] : {std::pair{"gap.bmp", withGap}, std::pair{"source.png", picture}}) {
        SCOPED_TRACE(name);
        Feeder feeder(bytes, 0x55);
        const SpooledPicture spooled(feeder.fd(), "-", dir.path());
        const auto fromStream = loadDroppedFile(spooled.path());
        const auto fromFile = loadDroppedFile(dir.file(name));
        ASSERT_EQ(fromStream->width(), fromFile->width());
        ASSERT_EQ(fromStream->height(), fromFile->height());
        for (int y = 0; y < fromFile->height(); ++y)
            EXPECT_EQ(std::memcmp(fromStream->row(y), fromFile->row(y), fromFile->rowBytes()), 0) << y;
        feeder.finish();
    }
}

} // namespace
} // namespace vestiscop::app

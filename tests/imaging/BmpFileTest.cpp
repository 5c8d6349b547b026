// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/BmpFile.h"

#include "ImagingTestSupport.h"
#include "foundation/MessageCatalog.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vestiscop::imaging {
namespace {

using test::systemErrorCode;
using test::ScratchDirectory;

struct RoundTripCase {
    int width;
    int height;
    std::size_t fileLength;  // 54 + height * (width * 3 rounded up to 4), by hand
};

class BmpRoundTripTest : public testing::TestWithParam<RoundTripCase> {
protected:
    ScratchDirectory m_dir;
};

TEST_P(BmpRoundTripTest, ReadsBackTheSameBytes)
{
    const RoundTripCase size = GetParam();
    const std::string path = m_dir.file("picture.bmp");
    auto original = test::samplePicture(size.width, size.height);
    {
        BmpFile file(path, ImageFile::Write);
        saveImage(*original, file);
    }
    EXPECT_EQ(std::filesystem::file_size(path), size.fileLength);

    BmpFile file(path, ImageFile::Read);
    auto loaded = loadImage(file);
    ASSERT_EQ(loaded->width(), size.width);
    ASSERT_EQ(loaded->height(), size.height);
    EXPECT_EQ(test::packedPixels(*loaded), test::packedPixels(*original));
}

INSTANTIATE_TEST_SUITE_P(OddSizes, BmpRoundTripTest,
                         testing::Values(RoundTripCase{1, 1, 58}, RoundTripCase{3, 2, 78}, RoundTripCase{4, 2, 78},
                                         RoundTripCase{5, 3, 102}, RoundTripCase{641, 479, 921650}));

TEST(BmpFileTest, OnePixelFileMatchesTheLayoutByteForByte)
{
    ScratchDirectory dir;
    auto image = RgbImage::create(1, 1);
    image->pixel(0, 0)[0] = 0x11;  // blue
    image->pixel(0, 0)[1] = 0x22;  // green
    image->pixel(0, 0)[2] = 0x33;  // red
    {
        BmpFile file(dir.file("one.bmp"), ImageFile::Write);
        saveImage(*image, file);
    }
    const std::vector<std::uint8_t> expected = {
        'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
        40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,  // size, width, height, planes, bits, BI_RGB
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // image size, resolution, colours
        0x11, 0x22, 0x33, 0,  // blue, green, red, padding
    };
    EXPECT_EQ(test::readBytes(dir.file("one.bmp")), expected);
}

TEST(BmpFileTest, RowsAreStoredBottomUp)
{
    ScratchDirectory dir;
    auto image = RgbImage::create(4, 2);
    std::fill(image->row(0), image->row(0) + 12, std::uint8_t{0xAA});
    std::fill(image->row(1), image->row(1) + 12, std::uint8_t{0xBB});
    {
        BmpFile file(dir.file("rows.bmp"), ImageFile::Write);
        saveImage(*image, file);
    }
    const auto bytes = test::readBytes(dir.file("rows.bmp"));
    ASSERT_EQ(bytes.size(), 78u);
    EXPECT_EQ(bytes[54], 0xBB);
    EXPECT_EQ(bytes[77], 0xAA);
}

// The 54 header bytes of a file, filled field by field as the tests need.
struct BmpHeader {
    std::uint16_t type = 0x4D42;
    std::uint32_t offBits = 54;
    std::uint32_t infoSize = 40;
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;

    std::vector<std::uint8_t> bytes() const
    {
        std::vector<std::uint8_t> out(54, 0);
        auto put = [&](std::size_t at, std::uint32_t value, int size) {
            for (int i = 0; i < size; ++i)
                out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        };
        put(0, type, 2);
        put(10, offBits, 4);
        put(14, infoSize, 4);
        put(18, static_cast<std::uint32_t>(width), 4);
        put(22, static_cast<std::uint32_t>(height), 4);
        put(26, 1, 2);
        put(28, bitCount, 2);
        put(30, compression, 4);
        return out;
    }
};

struct RefusalCase {
    const char* name;
    BmpHeader header;
};

class BmpRefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(BmpRefusalTest, IsBadDataFormatBeforeAnyPixelIsRead)
{
    ScratchDirectory dir;
    const std::string path = dir.file("refused.bmp");
    auto bytes = GetParam().header.bytes();
    bytes.resize(bytes.size() + 64, 0x55);  // enough pixel data for a small picture
    test::writeBytes(path, bytes);

    BmpFile file(path, ImageFile::Read);
    try {
        loadImage(file);
        FAIL() << "accepted";
    } catch (const foundation::SystemError& error) {
        EXPECT_EQ(error.code(), foundation::systemError::BadFormat);
        EXPECT_EQ(error.argument(), "");
        EXPECT_EQ(error.message(foundation::MessageCatalog::application(), 0), "Špatný formát dat");
    }
}

BmpHeader with(void (*change)(BmpHeader&))
{
    BmpHeader header;
    change(header);
    return header;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BmpRefusalTest,
    testing::Values(RefusalCase{"NotBM", with([](BmpHeader& h) { h.type = 0x4142; })},
                    RefusalCase{"TopDown", with([](BmpHeader& h) { h.height = -2; })},
                    RefusalCase{"ThirtyTwoBit", with([](BmpHeader& h) { h.bitCount = 32; })},
                    RefusalCase{"EightBitPalette", with([](BmpHeader& h) { h.bitCount = 8; h.offBits = 54 + 1024; })},
                    RefusalCase{"RunLength", with([](BmpHeader& h) { h.compression = 1; })},
                    RefusalCase{"BitFields", with([](BmpHeader& h) { h.compression = 3; })},
                    RefusalCase{"ZeroWidth", with([](BmpHeader& h) { h.width = 0; })},
                    RefusalCase{"NegativeWidth", with([](BmpHeader& h) { h.width = -5; })},
                    RefusalCase{"ZeroHeight", with([](BmpHeader& h) { h.height = 0; })},
                    RefusalCase{"TooManyPixels", with([](BmpHeader& h) { h.width = 20000; h.height = 20000; })},
                    RefusalCase{"WrappingByteCount", with([](BmpHeader& h) { h.width = 0x55555556; h.height = 1; })},
                    RefusalCase{"CoreHeader", with([](BmpHeader& h) { h.infoSize = 12; })},
                    RefusalCase{"PixelsInsideHeader", with([](BmpHeader& h) { h.offBits = 20; })}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST(BmpFileTest, LongerInfoHeaderIsReadFromItsPixelOffset)
{
    // A V5 bitmap: 124-byte information header, pixels at offset 138.
    ScratchDirectory dir;
    BmpHeader header;
    header.infoSize = 124;
    header.offBits = 138;
    header.width = 1;
    header.height = 2;
    auto bytes = header.bytes();
    bytes.resize(138, 0x77);
    const std::vector<std::uint8_t> rows = {1, 2, 3, 0, 4, 5, 6, 0};  // bottom row first
    bytes.insert(bytes.end(), rows.begin(), rows.end());
    test::writeBytes(dir.file("v5.bmp"), bytes);

    BmpFile file(dir.file("v5.bmp"), ImageFile::Read);
    auto image = loadImage(file);
    EXPECT_EQ(test::packedPixels(*image), (std::vector<std::uint8_t>{4, 5, 6, 1, 2, 3}));
}

TEST(BmpFileTest, TruncatedFilesFailAsReadErrors)
{
    ScratchDirectory dir;
    const std::string path = dir.file("short.bmp");
    auto original = test::samplePicture(5, 3);
    {
        BmpFile file(path, ImageFile::Write);
        saveImage(*original, file);
    }
    const auto full = test::readBytes(path);
    for (const std::size_t length : {std::size_t{0}, std::size_t{10}, std::size_t{40}, std::size_t{54},
                                     std::size_t{54 + 16 + 7}, full.size() - 5}) {
        test::writeBytes(path, std::vector<std::uint8_t>(full.begin(), full.begin() + static_cast<long>(length)));
        BmpFile file(path, ImageFile::Read);
        EXPECT_EQ(systemErrorCode([&] { loadImage(file); }), foundation::systemError::Read) << length;
    }
}

TEST(BmpFileTest, OpenFailuresCarryThePath)
{
    ScratchDirectory dir;
    const std::string missing = dir.file("missing.bmp");
    try {
        BmpFile file(missing, ImageFile::Read);
        FAIL();
    } catch (const foundation::SystemError& error) {
        EXPECT_EQ(error.code(), foundation::systemError::Open);
        EXPECT_EQ(error.argument(), missing);
    }
    EXPECT_EQ(systemErrorCode([&] { BmpFile file(dir.file("no/such/dir.bmp"), ImageFile::Write); }),
              foundation::systemError::Open);
}

// A file shorter than the rows its header promises fails as the short read
// it is before the picture is allocated (this test program refuses
// allocations over 256 MB): fuzzing found a header of a few dozen bytes
// that claimed 16000 x 16000 pixels and had 768 MB reserved for them. A
// file that holds every row, the last one without its padding, still loads.
TEST(BmpFileTest, FileShorterThanItsRowsFailsBeforeTheAllocation)
{
    ScratchDirectory dir;
    const std::string path = dir.file("short.bmp");
    auto write = [&](std::int32_t width, std::int32_t height, std::size_t pixelBytes) {
        BmpHeader header;
        header.width = width;
        header.height = height;
        auto bytes = header.bytes();
        bytes.resize(bytes.size() + pixelBytes, 0x29);
        test::writeBytes(path, bytes);
    };
    auto load = [&] {
        BmpFile file(path, ImageFile::Read);
        return loadImage(file);
    };
    auto expectShortRead = [&] {
        try {
            (void)load();
            FAIL() << "loaded";
        } catch (const foundation::SystemError& error) {
            EXPECT_EQ(error.code(), foundation::systemError::Read);
            EXPECT_EQ(error.argument(), path);
        }
    };

    write(16000, 16000, 16);
    expectShortRead();
    // 5 x 3 pixels: rows of 15 bytes padded to 16; the last row needs no padding.
    write(5, 3, 16 + 16 + 14);
    expectShortRead();
    write(5, 3, 16 + 16 + 15);
    const auto image = load();
    EXPECT_EQ(image->width(), 5);
    EXPECT_EQ(image->height(), 3);
    EXPECT_EQ(image->row(0)[14], 0x29);
}

} // namespace
} // namespace vestiscop::imaging

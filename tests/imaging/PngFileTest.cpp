// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/PngFile.h"

#include "ImagingTestSupport.h"
#include "foundation/MessageCatalog.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>

namespace vestiscop::imaging {
namespace {

using test::systemErrorCode;
using test::ScratchDirectory;

// Reads a file with libpng alone and returns its RGB samples as stored.
std::vector<std::uint8_t> readRgbWithLibpng(const std::string& path, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0)
        throw std::runtime_error(image.message);
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> samples(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, samples.data(), 0, nullptr) == 0)
        throw std::runtime_error(image.message);
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return samples;
}

std::vector<std::string> chunkTypes(const std::vector<std::uint8_t>& file)
{
    std::vector<std::string> types;
    for (std::size_t at = 8; at + 8 <= file.size();) {
        const std::size_t length = static_cast<std::size_t>(file[at]) << 24 | static_cast<std::size_t>(file[at + 1]) << 16
            | static_cast<std::size_t>(file[at + 2]) << 8 | file[at + 3];
        types.emplace_back(file.begin() + static_cast<long>(at) + 4, file.begin() + static_cast<long>(at) + 8);
        at += 12 + length;
    }
    return types;
}

void savePng(const RgbImage& image, const std::string& path)
{
    PngFile file(path, ImageFile::Write);
    saveImage(image, file);
}

std::unique_ptr<RgbImage> loadPng(const std::string& path)
{
    PngFile file(path, ImageFile::Read);
    return loadImage(file);
}

class PngRoundTripTest : public testing::TestWithParam<std::pair<int, int>> {
protected:
    ScratchDirectory m_dir;
};

TEST_P(PngRoundTripTest, ReadsBackTheSameBytes)
{
    const auto [width, height] = GetParam();
    const std::string path = m_dir.file("picture.png");
    auto original = test::samplePicture(width, height);
    savePng(*original, path);
    auto loaded = loadPng(path);
    ASSERT_EQ(loaded->width(), width);
    ASSERT_EQ(loaded->height(), height);
    EXPECT_EQ(test::packedPixels(*loaded), test::packedPixels(*original));
}

INSTANTIATE_TEST_SUITE_P(OddSizes, PngRoundTripTest,
                         testing::Values(std::make_pair(1, 1), std::make_pair(3, 2), std::make_pair(4, 2),
                                         std::make_pair(5, 3), std::make_pair(641, 479)));

TEST(PngFileTest, StoresStandardRgbWithOnlyTheRequiredChunks)
{
    ScratchDirectory dir;
    auto image = RgbImage::create(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            image->pixel(x, y)[0] = static_cast<std::uint8_t>(10 * x);       // blue
            image->pixel(x, y)[1] = static_cast<std::uint8_t>(100 + y);      // green
            image->pixel(x, y)[2] = static_cast<std::uint8_t>(200 + x + y);  // red
        }
    image->pixel(0, 0)[0] = 0;
    image->pixel(0, 0)[1] = 0;
    image->pixel(0, 0)[2] = 255;
    savePng(*image, dir.file("rgb.png"));

    int width = 0;
    int height = 0;
    const auto rgb = readRgbWithLibpng(dir.file("rgb.png"), width, height);
    ASSERT_EQ(width, 3);
    ASSERT_EQ(height, 2);
    EXPECT_EQ(rgb[0], 255);  // pure red
    EXPECT_EQ(rgb[1], 0);
    EXPECT_EQ(rgb[2], 0);
    const std::size_t last = (1 * 3 + 2) * 3;
    EXPECT_EQ(rgb[last], 203);
    EXPECT_EQ(rgb[last + 1], 101);
    EXPECT_EQ(rgb[last + 2], 20);

    EXPECT_EQ(chunkTypes(test::readBytes(dir.file("rgb.png"))),
              (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
}

TEST(PngFileTest, InterlacedFileIsReadDeinterlaced)
{
    ScratchDirectory dir;
    for (const auto& [width, height] : {std::make_pair(1, 1), std::make_pair(5, 3), std::make_pair(13, 11)}) {
        std::vector<std::uint8_t> rgb;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 2; c >= 0; --c)  // the file holds red, green, blue
                    rgb.push_back(test::sampleByte(x, y, c));
        const std::string path = dir.file("adam7.png");
        test::writeTestPng(path, width, height, 8, PNG_COLOR_TYPE_RGB, true, rgb);
        auto image = loadPng(path);
        ASSERT_EQ(image->width(), width);
        ASSERT_EQ(image->height(), height);
        auto expected = RgbImage::create(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)
                    expected->pixel(x, y)[c] = test::sampleByte(x, y, c);
        EXPECT_EQ(test::packedPixels(*image), test::packedPixels(*expected)) << width << "x" << height;
    }
}

struct RefusedPng {
    const char* name;
    int bitDepth;
    int colorType;
    int samplesPerPixel;
};

class PngRefusalTest : public testing::TestWithParam<RefusedPng> {};

TEST_P(PngRefusalTest, IsBadDataFormat)
{
    const RefusedPng kind = GetParam();
    ScratchDirectory dir;
    const std::string path = dir.file("refused.png");
    const int width = 4;
    const int height = 3;
    const std::size_t bytes = static_cast<std::size_t>(width * height * kind.samplesPerPixel * kind.bitDepth / 8);
    test::writeTestPng(path, width, height, kind.bitDepth, kind.colorType, false, std::vector<std::uint8_t>(bytes, 1));
    try {
        loadPng(path);
        FAIL() << "accepted";
    } catch (const foundation::SystemError& error) {
        EXPECT_EQ(error.code(), foundation::systemError::BadFormat);
        EXPECT_EQ(error.message(foundation::MessageCatalog::application(), 0), "Špatný formát dat");
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, PngRefusalTest,
                         testing::Values(RefusedPng{"Grey", 8, PNG_COLOR_TYPE_GRAY, 1},
                                         RefusedPng{"GreyAlpha", 8, PNG_COLOR_TYPE_GRAY_ALPHA, 2},
                                         RefusedPng{"Palette", 8, PNG_COLOR_TYPE_PALETTE, 1},
                                         RefusedPng{"RgbAlpha", 8, PNG_COLOR_TYPE_RGB_ALPHA, 4},
                                         RefusedPng{"Rgb16", 16, PNG_COLOR_TYPE_RGB, 3}),
                         [](const testing::TestParamInfo<RefusedPng>& info) { return std::string(info.param.name); });

TEST(PngFileTest, NotAPngIsBadDataFormat)
{
    ScratchDirectory dir;
    test::writeBytes(dir.file("text.png"), std::vector<std::uint8_t>(100, 'x'));
    EXPECT_EQ(systemErrorCode([&] { loadPng(dir.file("text.png")); }), foundation::systemError::BadFormat);
}

TEST(PngFileTest, TruncatedFileIsReadError)
{
    ScratchDirectory dir;
    const std::string path = dir.file("short.png");
    auto original = test::samplePicture(641, 479);
    savePng(*original, path);
    const auto full = test::readBytes(path);
    // Inside the signature, inside IHDR, at the start and in the middle of
    // the image data, and just before the end.
    for (const std::size_t length : {std::size_t{0}, std::size_t{4}, std::size_t{20}, std::size_t{33}, std::size_t{50},
                                     full.size() / 2, full.size() - 13}) {
        test::writeBytes(path, std::vector<std::uint8_t>(full.begin(), full.begin() + static_cast<long>(length)));
        // libpng asks for bytes past the end before it can find anything
        // wrong, so the stream's own read failure is what comes back.
        EXPECT_EQ(systemErrorCode([&] { loadPng(path); }), foundation::systemError::Read) << "length " << length;
    }
}

TEST(PngFileTest, CorruptedImageDataIsBadDataFormat)
{
    ScratchDirectory dir;
    const std::string path = dir.file("crc.png");
    savePng(*test::samplePicture(20, 10), path);
    auto bytes = test::readBytes(path);
    bytes[33 + 8 + 5] ^= 0xFF;  // inside the IDAT data: its CRC no longer matches
    test::writeBytes(path, bytes);
    EXPECT_EQ(systemErrorCode([&] { loadPng(path); }), foundation::systemError::BadFormat);
}

TEST(PngFileTest, WriteFailureIsWriteError)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    auto image = test::samplePicture(64, 64);
    EXPECT_EQ(systemErrorCode([&] { savePng(*image, "/dev/full"); }), foundation::systemError::Write);
}

TEST(PngFileTest, AbandonedWriteIsReleasedQuietlyAndReadsAsIncomplete)
{
    ScratchDirectory dir;
    const std::string path = dir.file("abandoned.png");
    auto image = test::samplePicture(8, 8);
    {
        PngFile file(path, ImageFile::Write);
        file.writeHeader(8, 8);
        file.writeRow(image->row(0));
    }  // must neither throw nor leak
    const int code = systemErrorCode([&] { loadPng(path); });
    EXPECT_TRUE(code == foundation::systemError::Read || code == foundation::systemError::BadFormat) << code;
}

TEST(PngFileTest, OpenFailureCarriesThePath)
{
    ScratchDirectory dir;
    try {
        PngFile file(dir.file("missing.png"), ImageFile::Read);
        FAIL();
    } catch (const foundation::SystemError& error) {
        EXPECT_EQ(error.code(), foundation::systemError::Open);
        EXPECT_EQ(error.argument(), dir.file("missing.png"));
    }
}

// A header that claims 16000 x 16000 pixels in a file of a few hundred bytes
// fails as a short read before the picture is allocated (this test program
// refuses allocations over 256 MB): deflate expands no stream more than
// 1032 times, so the file cannot hold the pixels. A small picture that
// compresses far below that ratio still loads.
TEST(PngFileTest, FileTooShortForItsPixelsFailsBeforeTheAllocation)
{
    ScratchDirectory dir;
    const std::string path = dir.file("claims.png");
    savePng(*test::samplePicture(64, 64), path);
    EXPECT_EQ(loadPng(path)->width(), 64);

    // Width and height are the first fields of IHDR (offset 16); its
    // checksum covers the chunk type and data (offsets 12 to 28).
    auto bytes = test::readBytes(path);
    ASSERT_GT(bytes.size(), 33u);
    for (const std::size_t at : {std::size_t{16}, std::size_t{20}}) {
        bytes[at] = 0;
        bytes[at + 1] = 0;
        bytes[at + 2] = 16000 >> 8;
        bytes[at + 3] = 16000 & 0xff;
    }
    const auto crc = static_cast<std::uint32_t>(::crc32(0, bytes.data() + 12, 17));
    for (std::size_t i = 0; i < 4; ++i)
        bytes[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    test::writeBytes(path, bytes);
    try {
        (void)loadPng(path);
        FAIL() << "loaded";
    } catch (const foundation::SystemError& error) {
        EXPECT_EQ(error.code(), foundation::systemError::Read);
        EXPECT_EQ(error.argument(), path);
    }
}

} // namespace
} // namespace vestiscop::imaging

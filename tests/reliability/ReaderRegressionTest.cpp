// Inputs that fuzzing found to break a reader of outside data, each pinned
// down with the behaviour it must have now. The inputs themselves are also
// kept in fuzz/corpus/<target>/ so that every fuzz run starts from them.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "color/ColorAnalyzer.h"
#include "color/ColorNameTable.h"
#include "color/GaussianFilter.h"
#include "foundation/Exception.h"
#include "foundation/Settings.h"
#include "TempDir.h"
#include "imaging/BmpFile.h"
#include "imaging/Image.h"
#include "imaging/ImageFile.h"
#include "imaging/PngFile.h"

namespace vestiscop {
namespace {

std::unique_ptr<imaging::RgbImage> solidImage(int width, int height, std::uint8_t blue, std::uint8_t green,
                                              std::uint8_t red)
{
    auto image = imaging::RgbImage::create(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image->pixel(x, y);
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    }
    return image;
}

// A LumaScale that passes the start-up check (finite, above 0) but is so
// large that L x LumaScale overflows to infinity: converting the resulting
// NaN byte was undefined. Doubles that large are multiples of 256, so the
// scaled lightness byte of every pixel is 0, white included.
TEST(AnalyzerRegression, HugeLumaScaleGivesLightnessByteZero)
{
    foundation::ColorSettings color;
    color.filter = 0;
    color.lumaScale = 1e308;
    color.clusterThr = 0.01;
    color.histSmooth = 1;
    color.maxBins = 12;
    color.reportThr = 0.05;
    const foundation::TextureSettings texture{8, 8};
    const color::ColorNameTable names({{{100, 0, 0}, "bílá"}, {{0, 0, 0}, "černá"}});
    color::ColorAnalyzer analyzer(color, texture, names);

    try {
        analyzer.analyze(solidImage(8, 8, 255, 255, 255));
    } catch (const foundation::VisionError& error) {
        EXPECT_EQ(error.code(), 1);
    }
    ASSERT_NE(analyzer.labImage(), nullptr);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(analyzer.labImage()->pixel(x, y)[0], 0) << x << "," << y;
    }
    for (const color::LabPixel& centre : analyzer.clusterLab())
        EXPECT_EQ(centre.l, 0);
}

// Filter values far from 1 pass the start-up check (they are finite) but
// made the kernel weights 0/0 or inf/inf, whose conversion to an integer is
// undefined. The kernel is now the limit of the formula: a tiny sigma keeps
// each pixel as it is, a huge one averages the nine taps evenly (65536 / 9).
TEST(AnalyzerRegression, ExtremeFilterSigmaGivesTheLimitKernel)
{
    using Kernel = color::GaussianKernel;
    EXPECT_EQ(color::gaussianKernel(1e-200), (Kernel{65536, 0, 0, 0, 0}));
    EXPECT_EQ(color::gaussianKernel(4.9e-324), (Kernel{65536, 0, 0, 0, 0}));
    EXPECT_EQ(color::gaussianKernel(1e308), (Kernel{7282, 7282, 7282, 7282, 7282}));
    // Ordinary sigmas keep their kernels: weights that sum to 65536 give or
    // take the rounding of the nine taps.
    for (double sigma : {0.5, 1.0, 2.0, 100.0}) {
        const Kernel kernel = color::gaussianKernel(sigma);
        const int total = kernel[0] + 2 * (kernel[1] + kernel[2] + kernel[3] + kernel[4]);
        EXPECT_NEAR(total, 65536, 5) << sigma;
        EXPECT_GE(kernel[0], kernel[4]) << sigma;
    }
}

// A BMP of a few dozen bytes whose header claims 16000 x 16000 pixels: the
// load allocated the whole picture (768 MB) before its first row failed to
// read, which took the BMP fuzz target past its time limit. A file shorter
// than the rows its header promises now fails before the allocation, with
// the message of a short read; a file that holds every row, the last one
// without its padding, still loads.
TEST(BmpRegression, FileShorterThanItsRowsFailsBeforeTheAllocation)
{
    foundation::TempDir dir;
    auto bmpFile = [&](std::int32_t width, std::int32_t height, std::size_t pixelBytes) {
        std::vector<std::uint8_t> bytes(54 + pixelBytes, 0x29);
        auto put = [&](std::size_t at, std::uint32_t value, int size) {
            for (int i = 0; i < size; ++i)
                bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        };
        put(0, 0x4d42, 2);
        put(2, static_cast<std::uint32_t>(bytes.size()), 4);
        put(10, 54, 4);
        put(14, 40, 4);
        put(18, static_cast<std::uint32_t>(width), 4);
        put(22, static_cast<std::uint32_t>(height), 4);
        put(26, 1, 2);
        put(28, 24, 2);
        put(30, 0, 4);
        const std::string path = dir.path() + "scan.bmp";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    };
    auto load = [](const std::string& path) {
        imaging::BmpFile file(path, imaging::ImageFile::Read);
        return imaging::loadImage(file);
    };
    auto expectShortRead = [&](const std::string& path) {
        try {
            (void)load(path);
            FAIL() << "loaded";
        } catch (const foundation::SystemError& error) {
            EXPECT_EQ(error.code(), foundation::systemError::Read);
            EXPECT_EQ(error.argument(), path);
        }
    };

    expectShortRead(bmpFile(16000, 16000, 16));
    // 5 x 3 pixels: rows of 15 bytes padded to 16; the last row needs no padding.
    expectShortRead(bmpFile(5, 3, 16 + 16 + 14));
    const auto image = load(bmpFile(5, 3, 16 + 16 + 15));
    EXPECT_EQ(image->width(), 5);
    EXPECT_EQ(image->height(), 3);
    EXPECT_EQ(image->row(0)[14], 0x29);
}

// The same for a PNG: a header that claims 16000 x 16000 pixels in a file
// of a few hundred bytes. Deflate expands no stream more than 1032 times,
// so the file cannot hold the pixels; it fails as a short read before the
// picture is allocated. A small picture that compresses far below that
// still loads.
TEST(PngRegression, FileTooShortForItsPixelsFailsBeforeTheAllocation)
{
    foundation::TempDir dir;
    const std::string path = dir.path() + "scan.png";
    {
        auto image = imaging::RgbImage::create(64, 64);
        for (int y = 0; y < 64; ++y)
            std::fill_n(image->row(y), image->rowBytes(), std::uint8_t{0x29});
        imaging::PngFile file(path, imaging::ImageFile::Write);
        imaging::saveImage(*image, file);
    }
    {
        imaging::PngFile file(path, imaging::ImageFile::Read);
        EXPECT_EQ(imaging::loadImage(file)->width(), 64);
    }
    // Width and height are the first fields of IHDR (offset 16); its
    // checksum covers the chunk type and data (offsets 12 to 28).
    std::fstream stream(path, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 33u);
    for (const std::size_t at : {std::size_t{16}, std::size_t{20}}) {
        bytes[at] = 0;
        bytes[at + 1] = 0;
        bytes[at + 2] = static_cast<char>(16000 >> 8);
        bytes[at + 3] = static_cast<char>(16000 & 0xff);
    }
    const auto crc = static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + 12), 17));
    for (int i = 0; i < 4; ++i)
        bytes[29 + static_cast<std::size_t>(i)] = static_cast<char>(crc >> (24 - 8 * i));
    stream.seekp(0);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    stream.close();
    try {
        imaging::PngFile file(path, imaging::ImageFile::Read);
        (void)imaging::loadImage(file);
        FAIL() << "loaded";
    } catch (const foundation::SystemError& error) {
        EXPECT_EQ(error.code(), foundation::systemError::Read);
        EXPECT_EQ(error.argument(), path);
    }
}

} // namespace
} // namespace vestiscop

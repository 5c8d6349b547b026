// SPDX-License-Identifier: GPL-3.0-or-later
// Files this program writes must open in other software and the other way
// round; ImageMagick stands in for "other software" in both directions.

#include "imaging/BmpFile.h"
#include "imaging/PngFile.h"

#include "ImagingTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace vestiscop::imaging {
namespace {

using test::ScratchDirectory;

bool haveConvert()
{
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

std::string run(const std::string& command)
{
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return std::string();
    std::string output;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return output;
}

// Red, green, blue samples of test::sampleByte's picture, as a binary PPM.
void writePpm(const std::string& path, int width, int height)
{
    std::vector<std::uint8_t> bytes;
    const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    bytes.assign(header.begin(), header.end());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 2; c >= 0; --c)
                bytes.push_back(test::sampleByte(x, y, c));
    test::writeBytes(path, bytes);
}

void expectSamplePicture(const RgbImage& image, int width, int height)
{
    ASSERT_EQ(image.width(), width);
    ASSERT_EQ(image.height(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(image.pixel(x, y)[c], test::sampleByte(x, y, c)) << x << "," << y << " byte " << c;
}

// The listing's first line: "# ImageMagick pixel enumeration: W,H,255,srgb"
// from ImageMagick 6, "...: W,H,0,255,srgb" from ImageMagick 7 (a field
// before the maximum sample value). Width and height lead, 8-bit samples
// follow.
bool headerDescribes(const std::string& line, int width, int height)
{
    const auto colon = line.rfind(':');
    if (line.rfind("# ImageMagick pixel enumeration", 0) != 0 || colon == std::string::npos)
        return false;
    std::vector<std::string> fields;
    std::istringstream text(line.substr(colon + 1));
    for (std::string field; std::getline(text, field, ',');) {
        field.erase(std::remove(field.begin(), field.end(), ' '), field.end());
        fields.push_back(field);
    }
    return fields.size() >= 4 && fields[0] == std::to_string(width) && fields[1] == std::to_string(height)
        && std::find(fields.begin() + 2, fields.end() - 1, "255") != fields.end() - 1;
}

// Checks ImageMagick's pixel listing of a file against the sample picture:
// "x,y: (r,g,b)  #RRGGBB  ..." per pixel.
void expectListingOfSamplePicture(const std::string& path, int width, int height)
{
    std::istringstream listing(run("convert '" + path + "' -depth 8 txt:-"));
    std::string line;
    std::getline(listing, line);
    EXPECT_TRUE(headerDescribes(line, width, height)) << line;
    int pixels = 0;
    while (std::getline(listing, line)) {
        int x = -1;
        int y = -1;
        unsigned rgb = 0;
        const auto hash = line.find('#');
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%d:", &x, &y), 2) << line;
        ASSERT_NE(hash, std::string::npos) << line;
        ASSERT_EQ(std::sscanf(line.c_str() + hash + 1, "%6x", &rgb), 1) << line;
        const unsigned expected = static_cast<unsigned>(test::sampleByte(x, y, 2)) << 16
            | static_cast<unsigned>(test::sampleByte(x, y, 1)) << 8 | test::sampleByte(x, y, 0);
        ASSERT_EQ(rgb, expected) << line;
        ++pixels;
    }
    EXPECT_EQ(pixels, width * height);
}

class ImageMagickTest : public testing::TestWithParam<std::pair<int, int>> {
protected:
    void SetUp() override
    {
        if (!haveConvert())
            GTEST_SKIP() << "ImageMagick's convert is not on PATH";
        writePpm(m_dir.file("source.ppm"), GetParam().first, GetParam().second);
    }

    std::string convertSource(const std::string& options, const std::string& target)
    {
        const std::string path = m_dir.file(target.substr(target.find(':') + 1));
        run("convert '" + m_dir.file("source.ppm") + "' " + options + " '" + target.substr(0, target.find(':') + 1)
            + path + "'");
        return path;
    }

    ScratchDirectory m_dir;
};

TEST_P(ImageMagickTest, ReadsTheirTwentyFourBitBmp)
{
    const auto [width, height] = GetParam();
    const std::string path = convertSource("-type TrueColor", "BMP3:theirs.bmp");
    BmpFile file(path, ImageFile::Read);
    expectSamplePicture(*loadImage(file), width, height);
}

TEST_P(ImageMagickTest, ReadsTheirRgbPng)
{
    const auto [width, height] = GetParam();
    const std::string path = convertSource("", "PNG24:theirs.png");
    PngFile file(path, ImageFile::Read);
    expectSamplePicture(*loadImage(file), width, height);
}

TEST_P(ImageMagickTest, ReadsTheirInterlacedPng)
{
    const auto [width, height] = GetParam();
    const std::string path = convertSource("-interlace PNG", "PNG24:interlaced.png");
    ASSERT_EQ(run("identify -format '%[interlace]' '" + path + "'"), "PNG");
    PngFile file(path, ImageFile::Read);
    expectSamplePicture(*loadImage(file), width, height);
}

TEST_P(ImageMagickTest, TheyReadOurBmpAndPng)
{
    const auto [width, height] = GetParam();
    auto image = RgbImage::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                image->pixel(x, y)[c] = test::sampleByte(x, y, c);
    const std::string size = std::to_string(width) + " " + std::to_string(height);
    {
        BmpFile file(m_dir.file("ours.bmp"), ImageFile::Write);
        saveImage(*image, file);
    }
    {
        PngFile file(m_dir.file("ours.png"), ImageFile::Write);
        saveImage(*image, file);
    }
    EXPECT_EQ(run("identify -format '%w %h %m' '" + m_dir.file("ours.bmp") + "'"), size + " BMP3");  // the 40-byte header version
    EXPECT_EQ(run("identify -format '%w %h %m' '" + m_dir.file("ours.png") + "'"), size + " PNG");
    expectListingOfSamplePicture(m_dir.file("ours.bmp"), width, height);
    expectListingOfSamplePicture(m_dir.file("ours.png"), width, height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImageMagickTest,
                         testing::Values(std::make_pair(1, 1), std::make_pair(5, 3), std::make_pair(37, 23)));

} // namespace
} // namespace vestiscop::imaging

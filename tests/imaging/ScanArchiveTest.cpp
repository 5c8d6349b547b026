// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ScanArchive.h"

#include "imaging/BmpFile.h"
#include "imaging/PngFile.h"

#include "ImagingTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace vestiscop::imaging {
namespace {

namespace fs = std::filesystem;
using foundation::SaveFormat;

class ScanArchiveTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_archive = m_start.file("scans/");
        m_image = test::samplePicture(5, 3);
    }

    // An archive file written an hour ago plus the given seconds.
    void place(const std::string& name, int secondsAfterBase, std::size_t size = 7)
    {
        fs::create_directories(m_archive);
        test::writeBytes(m_archive + name, std::vector<std::uint8_t>(size, 0x42));
        fs::last_write_time(m_archive + name, m_base + std::chrono::seconds(secondsAfterBase));
    }

    std::string save(SaveFormat format) { return saveScan(*m_image, m_start.pathWithSlash(), "scans", format); }

    std::unique_ptr<RgbImage> load(const std::string& name)
    {
        if (name.ends_with(".png")) {
            PngFile file(m_archive + name, ImageFile::Read);
            return loadImage(file);
        }
        BmpFile file(m_archive + name, ImageFile::Read);
        return loadImage(file);
    }

    test::ScratchDirectory m_start;
    std::string m_archive;
    std::unique_ptr<RgbImage> m_image;
    fs::file_time_type m_base = fs::file_time_type::clock::now() - std::chrono::hours(1);
};

TEST_F(ScanArchiveTest, NewArchiveDirectoryStartsAtZero)
{
    EXPECT_EQ(save(SaveFormat::Bmp), "scan000.bmp");
    ASSERT_TRUE(fs::is_regular_file(m_archive + "scan000.bmp"));
    EXPECT_EQ(test::packedPixels(*load("scan000.bmp")), test::packedPixels(*m_image));
}

TEST_F(ScanArchiveTest, EmptyArchiveDirectoryStartsAtZeroInPng)
{
    fs::create_directories(m_archive);
    EXPECT_EQ(save(SaveFormat::Png), "scan000.png");
    EXPECT_EQ(test::packedPixels(*load("scan000.png")), test::packedPixels(*m_image));
}

TEST_F(ScanArchiveTest, FollowsTheNewestFileNotTheHighestNumber)
{
    place("scan009.bmp", 10);
    place("scan004.bmp", 20);
    place("scan005.bmp", 5, 3);  // old, to be overwritten
    place("scan006.bmp", 15);
    EXPECT_EQ(save(SaveFormat::Bmp), "scan005.bmp");
    EXPECT_EQ(fs::file_size(m_archive + "scan005.bmp"), 54u + 3 * 16);
    EXPECT_EQ(test::packedPixels(*load("scan005.bmp")), test::packedPixels(*m_image));
}

TEST_F(ScanArchiveTest, WrapsFromNineHundredNinetyNineToZero)
{
    place("scan998.png", 10);
    place("scan999.png", 20);
    place("scan000.png", 0);
    EXPECT_EQ(save(SaveFormat::Png), "scan000.png");
    EXPECT_EQ(test::packedPixels(*load("scan000.png")), test::packedPixels(*m_image));
}

TEST_F(ScanArchiveTest, NameWithoutDigitsCountsAsZero)
{
    place("scan041.bmp", 10);
    place("scanner.txt", 20);
    EXPECT_EQ(save(SaveFormat::Bmp), "scan001.bmp");
}

TEST_F(ScanArchiveTest, OtherNamesDoNotTakePart)
{
    place("scan041.bmp", 10);
    place("scan1234.bmp", 20);  // four digits: not an archive name
    place("notes.txt", 30);
    place("scan05.bmp", 40);  // no dot after three characters
    EXPECT_EQ(save(SaveFormat::Bmp), "scan042.bmp");
}

TEST_F(ScanArchiveTest, SignedNumberStaysInsideTheRing)
{
    place("scan-05.bmp", 10);
    EXPECT_EQ(save(SaveFormat::Bmp), "scan000.bmp");
}

TEST_F(ScanArchiveTest, SwitchFromBmpToPngContinuesTheNumbering)
{
    place("scan002.bmp", 10);
    place("scan003.bmp", 20);
    EXPECT_EQ(save(SaveFormat::Png), "scan004.png");
    EXPECT_FALSE(fs::exists(m_archive + "scan004.bmp"));

    // And the new file, being the newest, leads the next number.
    fs::last_write_time(m_archive + "scan004.png", m_base + std::chrono::seconds(30));
    EXPECT_EQ(save(SaveFormat::Bmp), "scan005.bmp");
}

TEST_F(ScanArchiveTest, DirectoryThatCannotBeMadeFailsToOpen)
{
    try {
        saveScan(*m_image, m_start.file("missing/parent/"), "scans", SaveFormat::Bmp);
        FAIL();
    } catch (const foundation::SystemError& error) {
        EXPECT_EQ(error.code(), foundation::systemError::Open);
        EXPECT_EQ(error.argument(), m_start.file("missing/parent/scans/scan000.bmp"));
    }
}

} // namespace
} // namespace vestiscop::imaging

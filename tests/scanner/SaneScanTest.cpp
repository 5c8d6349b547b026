// SPDX-License-Identifier: GPL-3.0-or-later
// Scans through the shipped manager with SANE's virtual "test" device: each
// test writes its own SANE configuration (dll.conf naming the test backend,
// test.conf choosing the picture and any failure to simulate).

#include "QueuedAcquisition.h"
#include "SaneTestDevice.h"
#include "ScannerTestSupport.h"

#include "foundation/MessageCatalog.h"
#include "imaging/Resample.h"
#include "scanner/Acquisition.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <stdexcept>
#include <tuple>

namespace vestiscop::scanner {
namespace {

using testing::describe;
using testing::failureOf;
using testing::QueuedAcquisition;

foundation::ScanSettings oneInchAt50Dpi()
{
    return {.xRes = 50, .yRes = 50, .gamma = 2.2, .wndLeft = 0, .wndTop = 0, .wndWidth = 1, .wndHeight = 1,
            .ignoreErrors = false};
}

foundation::ScanSettings adapting(foundation::ScanSettings scan)
{
    scan.adaptToScanner = true;
    return scan;
}

class SaneScanTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Keeps SANE's test backend mapped after SANE lets it go, so the leak
        // checker can name it in the stacks of what the backend leaves behind.
        dlopen(SANE_TEST_BACKEND_PATH, RTLD_NOW | RTLD_NODELETE);
    }

    void SetUp() override
    {
        // Every test of the process rewrites the files of one directory.
        m_directory = testing::processConfigurationDirectory();
        configure("test", "");
        setenv("SANE_CONFIG_DIR", m_directory.c_str(), 1);
        setenv("VESTISCOP_TWAIN_MANAGER", SANE_MANAGER_PATH, 1);
        unsetenv("SANE_DEFAULT_DEVICE");
    }
    void TearDown() override
    {
        unsetenv("SANE_CONFIG_DIR");
        unsetenv("VESTISCOP_TWAIN_MANAGER");
        unsetenv("LD_LIBRARY_PATH");
        unsetenv("VESTISCOP_SCANNER_WARMUP");
        std::filesystem::remove(m_directory / "vsdouble.conf");
        std::filesystem::remove(m_directory / "dll.conf");
        std::filesystem::remove(m_directory / "test.conf");
    }

    void configure(const std::string& backends, const std::string& extra)
    {
        testing::writeSaneConfiguration(m_directory, backends, extra);
    }

    // The project's own backend over the test device: doubled names what it
    // changes (vsdouble.conf), extra the test device's own lines.
    void configureDouble(const std::string& doubled, const std::string& extra)
    {
        testing::writeSaneConfiguration(m_directory, "vsdouble", extra);
        std::ofstream(m_directory / "vsdouble.conf") << doubled;
        // SANE looks for backends in the directories LD_LIBRARY_PATH names.
        setenv("LD_LIBRARY_PATH", SANE_DOUBLE_DIR, 1);
    }

    // A scanner that does not start ends the test here, with its failure,
    // rather than at a null pointer.
    std::unique_ptr<QueuedAcquisition> started(const foundation::ScanSettings& scan = oneInchAt50Dpi())
    {
        auto acquisition = std::make_unique<QueuedAcquisition>(scan, true);
        const std::string failure = failureOf([&] { acquisition->start(nullptr); });
        if (failure != "none")
            throw std::runtime_error("the scanner did not start: " + failure);
        return acquisition;
    }

    std::filesystem::path m_directory;
};

std::set<std::tuple<int, int, int>> coloursOf(const imaging::RgbImage& image)
{
    std::set<std::tuple<int, int, int>> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const std::uint8_t* pixel = image.pixel(x, y);
            colours.emplace(pixel[2], pixel[1], pixel[0]);
        }
    return colours;
}

TEST_F(SaneScanTest, WhitePageIsOneWhiteColour)
{
    configure("test", "test-picture \"Solid white\"\n");
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scanAndWait());
    ASSERT_TRUE(acquisition->errors.empty()) << acquisition->errors.front();
    ASSERT_NE(acquisition->image, nullptr);
    // One inch at 50 dpi each way.
    EXPECT_EQ(acquisition->image->width(), 50);
    EXPECT_EQ(acquisition->image->height(), 50);
    EXPECT_EQ(coloursOf(*acquisition->image), (std::set<std::tuple<int, int, int>>{{255, 255, 255}}));
    EXPECT_EQ(acquisition->saves, 1);
    // Transferred, ended, disabled, closed.
    EXPECT_EQ(acquisition->state(), 3);
}

TEST_F(SaneScanTest, ResolutionAndFrameDecideTheSize)
{
    configure("test", "test-picture \"Solid white\"\n");
    foundation::ScanSettings scan = oneInchAt50Dpi();
    scan.xRes = 100;
    scan.yRes = 100;
    scan.wndLeft = 0.5;
    scan.wndWidth = 2;
    scan.wndHeight = 0.5;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    ASSERT_NE(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->image->width(), 200);
    EXPECT_EQ(acquisition->image->height(), 50);
}

// Other ways a device delivers the same picture: three frames of one
// colour each, an unknown height, 16 bits per sample.
class DeliveryTest : public SaneScanTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DeliveryTest, GivesTheSamePictureAsOnePass)
{
    configure("test", "test-picture \"Color pattern\"\n");
    auto plain = started();
    ASSERT_TRUE(plain->scanAndWait());
    ASSERT_NE(plain->image, nullptr);
    const std::unique_ptr<imaging::RgbImage> expected = std::move(plain->image);
    plain.reset();

    configure("test", std::string("test-picture \"Color pattern\"\n") + GetParam());
    auto other = started();
    ASSERT_TRUE(other->scanAndWait());
    ASSERT_TRUE(other->errors.empty()) << other->errors.front();
    ASSERT_NE(other->image, nullptr);
    ASSERT_EQ(other->image->width(), expected->width());
    ASSERT_EQ(other->image->height(), expected->height());
    for (int y = 0; y < expected->height(); ++y)
        ASSERT_EQ(std::memcmp(expected->row(y), other->image->row(y), expected->rowBytes()), 0) << y;
}

INSTANTIATE_TEST_SUITE_P(Devices, DeliveryTest,
                         ::testing::Values("three-pass true\n", "read-limit true\nread-limit-size 7\n"));

TEST_F(SaneScanTest, HandScannerWithUnknownHeightDelivers)
{
    configure("test", "test-picture \"Solid white\"\nhand-scanner true\n");
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scanAndWait());
    ASSERT_TRUE(acquisition->errors.empty()) << acquisition->errors.front();
    ASSERT_NE(acquisition->image, nullptr);
    EXPECT_GT(acquisition->image->height(), 0);
    EXPECT_EQ(coloursOf(*acquisition->image), (std::set<std::tuple<int, int, int>>{{255, 255, 255}}));
}

struct SolidCase {
    const char* picture;
    int depth;
    int value;
};

class SolidPageTest : public SaneScanTest, public ::testing::WithParamInterface<SolidCase> {};

TEST_P(SolidPageTest, EverySampleDepthGivesFullBlackOrWhite)
{
    configure("test", std::string("test-picture \"") + GetParam().picture + "\"\ndepth " +
                          std::to_string(GetParam().depth) + "\n");
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scanAndWait());
    ASSERT_TRUE(acquisition->errors.empty()) << acquisition->errors.front();
    ASSERT_NE(acquisition->image, nullptr);
    const int v = GetParam().value;
    EXPECT_EQ(coloursOf(*acquisition->image), (std::set<std::tuple<int, int, int>>{{v, v, v}}));
}

INSTANTIATE_TEST_SUITE_P(Depths, SolidPageTest,
                         ::testing::Values(SolidCase{"Solid black", 8, 0}, SolidCase{"Solid white", 1, 255},
                                           SolidCase{"Solid black", 1, 0},
                                           SolidCase{"Solid white", 16, 255}, SolidCase{"Solid black", 16, 0}));

struct FailureCase {
    const char* status;
    std::string failure;
};

class DeviceFailureTest : public SaneScanTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DeviceFailureTest, IsReportedByItsCauseAndTheNextScanWorks)
{
    configure("test", std::string("read-status-code \"") + GetParam().status + "\"\n");
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scanAndWait());
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{GetParam().failure}));
    EXPECT_EQ(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->saves, 0);
    EXPECT_GE(acquisition->state(), 3);
    EXPECT_LE(acquisition->state(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, DeviceFailureTest,
    ::testing::Values(FailureCase{"SANE_STATUS_JAMMED", "ScannerError 2 uvízl papír"},
                      FailureCase{"SANE_STATUS_NO_DOCS", "ScannerError 2 ve skeneru není předloha"},
                      FailureCase{"SANE_STATUS_COVER_OPEN", "ScannerError 2 skener je otevřený"},
                      FailureCase{"SANE_STATUS_IO_ERROR", "ScannerError 2 chyba spojení se skenerem"},
                      FailureCase{"SANE_STATUS_DEVICE_BUSY", "ScannerError 1"},
                      FailureCase{"SANE_STATUS_NO_MEM", "SystemError 0"},
                      FailureCase{"SANE_STATUS_CANCELLED", "Cancelled"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.status + 12); });

TEST_F(SaneScanTest, ScanAfterAFailureEnablesTheSourceAgain)
{
    configure("test", "read-status-code \"SANE_STATUS_JAMMED\"\n");
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scanAndWait());
    ASSERT_EQ(acquisition->errors.size(), 1u);
    ASSERT_EQ(acquisition->state(), 4);
    ASSERT_TRUE(acquisition->scanAndWait());
    EXPECT_EQ(acquisition->errors.size(), 2u);
    EXPECT_EQ(acquisition->state(), 4);
}

TEST_F(SaneScanTest, NoDeviceMeansNoScanner)
{
    configure("", "");
    QueuedAcquisition acquisition(oneInchAt50Dpi(), false);
    EXPECT_EQ(failureOf([&] { acquisition.start(nullptr); }), "ScannerError 0 open source");
    EXPECT_EQ(acquisition.state(), 3);
}

TEST_F(SaneScanTest, UnknownDefaultDeviceMeansNoScanner)
{
    setenv("SANE_DEFAULT_DEVICE", "test:9", 1);
    QueuedAcquisition acquisition(oneInchAt50Dpi(), false);
    EXPECT_EQ(failureOf([&] { acquisition.start(nullptr); }), "ScannerError 0 open source");
    unsetenv("SANE_DEFAULT_DEVICE");
}

TEST_F(SaneScanTest, DeviceInUseIsBusy)
{
    auto first = started();
    QueuedAcquisition second(oneInchAt50Dpi(), false);
    EXPECT_EQ(failureOf([&] { second.start(nullptr); }), "ScannerError 1 open source");
}

TEST_F(SaneScanTest, ResolutionOutsideTheRangeIsRefused)
{
    foundation::ScanSettings scan = oneInchAt50Dpi();
    scan.xRes = 5000;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"ScannerError 3 set X resolution"}));
    EXPECT_EQ(acquisition->state(), 4);
}

TEST_F(SaneScanTest, RefusedSettingsAreSkippedWithIgnoreErrors)
{
    configure("test", "test-picture \"Solid white\"\n");
    foundation::ScanSettings scan = oneInchAt50Dpi();
    scan.xRes = 5000;
    scan.wndWidth = 10;  // wider than the device's 200 mm
    scan.ignoreErrors = true;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    EXPECT_TRUE(acquisition->errors.empty());
    ASSERT_NE(acquisition->image, nullptr);
    // The device's own 50 dpi over its own 80 x 100 mm.
    EXPECT_EQ(acquisition->image->width(), 157);
}

TEST_F(SaneScanTest, FrameBeyondTheGlassIsRefused)
{
    foundation::ScanSettings scan = oneInchAt50Dpi();
    scan.wndWidth = 10;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"ScannerError 3 set page layout"}));
}

TEST_F(SaneScanTest, DifferentVerticalResolutionIsRefusedByASingleResolutionDevice)
{
    foundation::ScanSettings scan = oneInchAt50Dpi();
    scan.yRes = 100;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"ScannerError 3 set Y resolution"}));
}

TEST_F(SaneScanTest, VerticalResolutionEqualToARoundedHorizontalOneIsAccepted)
{
    // The device takes resolutions in steps of 10 dpi from 1 dpi and makes
    // 55 into 51; the vertical request, the same 55, still agrees with it.
    configure("test", "resolution_quant 10.0\n");
    foundation::ScanSettings scan = oneInchAt50Dpi();
    scan.xRes = 55;
    scan.yRes = 55;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    EXPECT_TRUE(acquisition->errors.empty()) << acquisition->errors.front();
    ASSERT_NE(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->image->width(), 51);
    EXPECT_EQ(acquisition->image->height(), 51);
}

TEST_F(SaneScanTest, RepeatedLoadScanUnload)
{
    configure("test", "test-picture \"Solid white\"\n");
    for (int round = 0; round < 3; ++round) {
        auto acquisition = started();
        for (int scan = 0; scan < 2; ++scan) {
            ASSERT_TRUE(acquisition->scanAndWait());
            ASSERT_TRUE(acquisition->errors.empty()) << acquisition->errors.front();
            ASSERT_NE(acquisition->image, nullptr);
            acquisition->image.reset();
        }
    }
}

TEST_F(SaneScanTest, AbandonedSlowScanShutsDown)
{
    // A device this slow never finishes a page: giving up must not hang.
    configure("test", "read-delay true\nread-delay-duration 200000\n");
    foundation::ScanSettings scan = oneInchAt50Dpi();
    scan.xRes = 1200;
    scan.yRes = 1200;
    scan.wndWidth = 7;
    scan.wndHeight = 7;
    auto acquisition = started(scan);
    EXPECT_FALSE(acquisition->scanAndWait(std::chrono::seconds(1)));
    EXPECT_EQ(acquisition->state(), 5);
    acquisition.reset();
    SUCCEED();
}

// --- Scanners that offer less than the configuration asks for ---

bool samePicture(const imaging::RgbImage& a, const imaging::RgbImage& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.row(y), b.row(y), a.rowBytes()) != 0)
            return false;
    return true;
}

class AdaptedScanTest : public SaneScanTest {
protected:
    std::unique_ptr<imaging::RgbImage> reference(double dpi)
    {
        configure("test", "test-picture \"Color pattern\"\n");
        foundation::ScanSettings scan = oneInchAt50Dpi();
        scan.xRes = dpi;
        scan.yRes = dpi;
        auto plain = started(scan);
        EXPECT_TRUE(plain->scanAndWait());
        return std::move(plain->image);
    }
};

struct ListCase {
    const char* offered;    // vsdouble.conf lines
    double configured;      // XRes = YRes
    double scannedAt;       // what the device is expected to scan at
    const char* note;
};

class ResolutionListTest : public AdaptedScanTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(ResolutionListTest, ScansAtTheNearestOfferedAboveAndResamples)
{
    const ListCase c = GetParam();
    const std::unique_ptr<imaging::RgbImage> atDevice = reference(c.scannedAt);
    ASSERT_NE(atDevice, nullptr);

    configureDouble(c.offered, "test-picture \"Color pattern\"\n");
    foundation::ScanSettings scan = adapting(oneInchAt50Dpi());
    scan.xRes = c.configured;
    scan.yRes = c.configured;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    ASSERT_TRUE(acquisition->errors.empty()) << acquisition->errors.front();
    ASSERT_NE(acquisition->image, nullptr);
    // One inch at the configured resolution, made from the device's own scan.
    const int side = static_cast<int>(c.configured);
    const std::unique_ptr<imaging::RgbImage> expected = imaging::resampleArea(*atDevice, side, side);
    EXPECT_TRUE(samePicture(*acquisition->image, *expected));
    EXPECT_EQ(acquisition->notes, (std::vector<std::string>{c.note}));
    EXPECT_EQ(acquisition->saves, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, ResolutionListTest,
    ::testing::Values(ListCase{"resolutions 75 150 300 600\nresolution-default 75\n", 200, 300,
                               "Skener snímá v rozlišení 300 dpi, obrázek je převzorkován na 200 dpi"},
                      ListCase{"resolutions 75 150\nresolution-default 75\n", 200, 150,
                               "Skener snímá v rozlišení 150 dpi, obrázek je převzorkován na 200 dpi"}));

TEST_F(AdaptedScanTest, OfferedResolutionIsScannedAsItIs)
{
    const std::unique_ptr<imaging::RgbImage> expected = reference(150);
    configureDouble("resolutions 75 150 300 600\nresolution-default 75\n", "test-picture \"Color pattern\"\n");
    foundation::ScanSettings scan = adapting(oneInchAt50Dpi());
    scan.xRes = 150;
    scan.yRes = 150;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    ASSERT_NE(acquisition->image, nullptr);
    EXPECT_TRUE(samePicture(*acquisition->image, *expected));
    EXPECT_TRUE(acquisition->notes.empty());
}

TEST_F(AdaptedScanTest, WithoutAdaptingAResolutionOffListIsStillRefused)
{
    configureDouble("resolutions 75 150 300 600\nresolution-default 75\n", "");
    foundation::ScanSettings scan = oneInchAt50Dpi();
    scan.xRes = 200;
    scan.yRes = 200;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"ScannerError 3 set X resolution"}));
}

TEST_F(AdaptedScanTest, DifferentVerticalResolutionOnASingleResolutionDevice)
{
    configure("test", "test-picture \"Solid white\"\n");
    foundation::ScanSettings scan = adapting(oneInchAt50Dpi());
    scan.yRes = 100;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    ASSERT_TRUE(acquisition->errors.empty()) << acquisition->errors.front();
    ASSERT_NE(acquisition->image, nullptr);
    // Scanned at 100 dpi both ways, the width brought to 50 dpi.
    EXPECT_EQ(acquisition->image->width(), 50);
    EXPECT_EQ(acquisition->image->height(), 100);
    EXPECT_EQ(acquisition->notes,
              (std::vector<std::string>{"Skener snímá v rozlišení 100 dpi, obrázek je převzorkován na 50 × 100 dpi"}));
}

struct FrameCase {
    double left;
    double width;
    int pixels;  // across, at 50 dpi; 0: refused
};

class FrameClipTest : public SaneScanTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameClipTest, FrameIsClippedToTheGlass)
{
    // The test device's glass is 200 mm (7.87 inches) wide.
    configure("test", "test-picture \"Solid white\"\n");
    foundation::ScanSettings scan = adapting(oneInchAt50Dpi());
    scan.wndLeft = GetParam().left;
    scan.wndWidth = GetParam().width;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    if (GetParam().pixels == 0) {
        EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"ScannerError 3 set page layout"}));
        return;
    }
    ASSERT_TRUE(acquisition->errors.empty()) << acquisition->errors.front();
    ASSERT_NE(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->image->width(), GetParam().pixels);
    EXPECT_EQ(acquisition->image->height(), 50);
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameClipTest,
                         ::testing::Values(FrameCase{0, 10, 393},     // 200 mm of 10 inches
                                           FrameCase{7, 2, 43},       // 7 inches to 200 mm
                                           FrameCase{0.5, 1, 50},     // inside: unchanged
                                           FrameCase{9, 1, 0}));      // nothing on the glass

struct ModeCase {
    const char* modes;  // vsdouble.conf lines
    bool adapt;
};

class ColourModeTest : public AdaptedScanTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ColourModeTest, ColourIsChosenWhateverItsNameAndAt8Bits)
{
    const std::unique_ptr<imaging::RgbImage> expected = reference(50);
    // The device starts in its line-art mode at 1 bit per sample.
    configureDouble(GetParam().modes, "test-picture \"Color pattern\"\ndepth " +
                                          std::string(GetParam().adapt ? "1" : "8") + "\n");
    foundation::ScanSettings scan = oneInchAt50Dpi();
    scan.adaptToScanner = GetParam().adapt;
    auto acquisition = started(scan);
    ASSERT_TRUE(acquisition->scanAndWait());
    ASSERT_TRUE(acquisition->errors.empty()) << acquisition->errors.front();
    ASSERT_NE(acquisition->image, nullptr);
    EXPECT_TRUE(samePicture(*acquisition->image, *expected));
}

INSTANTIATE_TEST_SUITE_P(
    Names, ColourModeTest,
    ::testing::Values(ModeCase{"mode Lineart=Gray\nmode Gray=Gray\nmode 24bit Color=Color\n", true},
                      ModeCase{"mode Lineart=Gray\nmode RGB=Color\n", true},
                      ModeCase{"mode Binary=Gray\nmode Colour=Color\n", false}));

struct RefusalCase {
    const char* doubled;  // vsdouble.conf lines
    std::string failure;
    const char* message;
};

class RefusalTest : public SaneScanTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, DeviceWithoutColourIsRefusedWithItsOwnMessage)
{
    configureDouble(GetParam().doubled, "test-picture \"Color pattern\"\n");
    auto acquisition = started(adapting(oneInchAt50Dpi()));
    ASSERT_TRUE(acquisition->scanAndWait());
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{GetParam().failure}));
    EXPECT_EQ(acquisition->messages, (std::vector<std::string>{GetParam().message}));
    EXPECT_EQ(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->saves, 0);
    EXPECT_EQ(acquisition->state(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, RefusalTest,
    ::testing::Values(
        // Refused before scanning: no colour among the modes.
        RefusalCase{"mode Lineart=Gray\nmode Gray=Gray\n", "ScannerRefused 1 set RGB image",
                    "Skener neumí snímat barevně"},
        // A mode that claims colour but delivers grey: refused when the picture comes.
        RefusalCase{"mode Color=Gray\n", "ScannerRefused 1", "Skener neumí snímat barevně"}));

TEST_F(SaneScanTest, AccessDeniedAtOpenIsItsOwnMessageAndLeavesTheSourceClosed)
{
    configureDouble("open-status 11\n", "");
    QueuedAcquisition acquisition(oneInchAt50Dpi(), false);
    try {
        acquisition.start(nullptr);
        ADD_FAILURE() << "opened";
    } catch (const foundation::Exception& error) {
        EXPECT_EQ(describe(error), "ScannerRefused 0 open source");
        EXPECT_EQ(error.message(foundation::MessageCatalog::application(), 0), "Ke skeneru nemáte přístup");
    }
    EXPECT_EQ(acquisition.state(), 3);
}

TEST_F(SaneScanTest, LampWarmingUpIsWaitedFor)
{
    configureDouble("start-status 12 2\n", "test-picture \"Solid white\"\n");
    auto acquisition = started(adapting(oneInchAt50Dpi()));
    ASSERT_TRUE(acquisition->scanAndWait());
    ASSERT_TRUE(acquisition->errors.empty()) << acquisition->errors.front();
    ASSERT_NE(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->image->width(), 50);
    // Two refusals half a second apart: a second at least, logged once.
    ASSERT_EQ(acquisition->notes.size(), 1u);
    EXPECT_TRUE(std::regex_match(acquisition->notes.front(), std::regex("Skener se zahříval [1-9][0-9]* s")))
        << acquisition->notes.front();
}

TEST_F(SaneScanTest, LampThatNeverWarmsUpTimesOut)
{
    setenv("VESTISCOP_SCANNER_WARMUP", "1", 1);
    configureDouble("start-status 12 -1\n", "");
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scanAndWait());
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"SystemError 6"}));
    EXPECT_EQ(acquisition->messages, (std::vector<std::string>{"Čas pro operaci vypršel"}));
    EXPECT_EQ(acquisition->image, nullptr);
}

TEST_F(SaneScanTest, RunningScanIsCancelledQuietlyAndASecondOneRefused)
{
    // A page that takes minutes: 2 inches at 600 dpi with a pause per block.
    configure("test", "read-delay true\nread-delay-duration 100000\n");
    foundation::ScanSettings scan = oneInchAt50Dpi();
    scan.xRes = 600;
    scan.yRes = 600;
    scan.wndWidth = 2;
    scan.wndHeight = 2;
    auto acquisition = started(scan);
    EXPECT_FALSE(acquisition->scanAndWait(std::chrono::seconds(1)));
    ASSERT_TRUE(acquisition->scanning());
    EXPECT_FALSE(acquisition->scan());
    EXPECT_TRUE(acquisition->cancelAcquisition());
    EXPECT_EQ(acquisition->state(), 4);
    // Nothing came, nothing is reported, and the queue brings nothing more.
    EXPECT_TRUE(acquisition->errors.empty());
    EXPECT_EQ(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->saves, 0);
    EXPECT_FALSE(acquisition->hiddenWindow()->take(std::chrono::steady_clock::now() + std::chrono::milliseconds(300)));

    // Closed, the device is free for the next start.
    acquisition.reset();
    configure("test", "test-picture \"Solid white\"\n");
    auto again = started();
    ASSERT_TRUE(again->scanAndWait());
    EXPECT_NE(again->image, nullptr);
}

} // namespace
} // namespace vestiscop::scanner

// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeManager.h"
#include "ScannerTestSupport.h"

#include "foundation/Exception.h"
#include "scanner/Acquisition.h"
#include "scanner/OneValueContainer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace vestiscop::scanner {
namespace {

using testing::CollectingSink;
using testing::describe;

// --- Fixed-point values and the one-value container ---

struct Fix32Case {
    double value;
    TW_INT16 whole;
    TW_UINT16 frac;
};

class Fix32Test : public ::testing::TestWithParam<Fix32Case> {};

TEST_P(Fix32Test, WholeAndFraction)
{
    const TW_FIX32 fixed = toFix32(GetParam().value);
    EXPECT_EQ(fixed.Whole, GetParam().whole);
    EXPECT_EQ(fixed.Frac, GetParam().frac);
}

// 2.2 * 65536 = 144179.2, + 0.5, truncated: 144179 = 2 * 65536 + 13107.
// -0.5 * 65536 - 0.5 = -32768.5, truncated toward zero: -32768 = -1 * 65536 + 32768.
INSTANTIATE_TEST_SUITE_P(Values, Fix32Test,
                         ::testing::Values(Fix32Case{300, 300, 0}, Fix32Case{2.2, 2, 13107},
                                           Fix32Case{-0.5, -1, 32768}, Fix32Case{8.5, 8, 32768},
                                           Fix32Case{0, 0, 0}, Fix32Case{-2.25, -3, 49152}));

TEST(OneValueContainerTest, WritesTheSixBytesTheSourceReads)
{
    OneValueContainer container(TWTY_UINT16, TWPT_RGB);
    EXPECT_EQ(container.containerType(), TWON_ONEVALUE);
    EXPECT_EQ(twainSize(container.handle()), 6u);
    container.write();
    const auto* bytes = static_cast<const unsigned char*>(twainLock(container.handle()));
    // ItemType 4, then Item 2 in its low-order bytes, little-endian.
    const unsigned char expected[6] = {4, 0, 2, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes, expected, 6), 0);
    twainUnlock(container.handle());
}

TEST(OneValueContainerTest, ReadsBackWhatTheMemoryHolds)
{
    OneValueContainer container(TWTY_UINT16, 1);
    auto* bytes = static_cast<unsigned char*>(twainLock(container.handle()));
    // FIX32 8.5: Whole 8 in the low-order bytes, then Frac 32768.
    const unsigned char stored[6] = {7, 0, 0x08, 0x00, 0x00, 0x80};
    std::memcpy(bytes, stored, 6);
    twainUnlock(container.handle());
    container.read();
    EXPECT_EQ(container.value().ItemType, TWTY_FIX32);
    EXPECT_DOUBLE_EQ(fromFix32(fix32FromBits(container.value().Item)), 8.5);
    EXPECT_TRUE(container.equals(fix32Bits(toFix32(8.5))));
}

// --- The Scan command and the transfer ---

// A bottom-up 24-bit DIB whose pixel (x, y), y = 0 the top row, is
// blue = 10 * x + y, green = 100 + y, red = 200 + x.
TW_HANDLE makeDib(int width, int height, bool topDown = false)
{
    const int stride = (width * 3 + 3) / 4 * 4;
    TW_HANDLE handle = twainAlloc(sizeof(DibHeader) + static_cast<std::size_t>(stride) * height);
    auto* bytes = static_cast<unsigned char*>(twainLock(handle));
    DibHeader header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = topDown ? -height : height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::memcpy(bytes, &header, sizeof header);
    for (int y = 0; y < height; ++y) {
        const int stored = topDown ? y : height - 1 - y;
        unsigned char* row = bytes + sizeof header + static_cast<std::size_t>(stored) * stride;
        for (int x = 0; x < width; ++x) {
            row[x * 3] = static_cast<unsigned char>(10 * x + y);
            row[x * 3 + 1] = static_cast<unsigned char>(100 + y);
            row[x * 3 + 2] = static_cast<unsigned char>(200 + x);
        }
    }
    twainUnlock(handle);
    return handle;
}

class RecordingAcquisition : public Acquisition {
public:
    using Acquisition::Acquisition;

    std::vector<std::string> errors;
    std::unique_ptr<imaging::RgbImage> image;
    int saves = 0;
    int ended = 0;
    bool failAnalysis = false;

protected:
    void acceptImage(std::unique_ptr<imaging::RgbImage> received) override
    {
        image = std::move(received);
        if (failAnalysis)
            throw foundation::VisionError(0);
    }
    void reportError(const foundation::Exception& error) override { errors.push_back(describe(error)); }
    void postSaveScan() override { ++saves; }
    void acquisitionEnded() override { ++ended; }
};

foundation::ScanSettings settings(bool ignoreErrors)
{
    return {.xRes = 300, .yRes = 150, .gamma = 2.2, .wndLeft = 0.5, .wndTop = 0.25, .wndWidth = 8, .wndHeight = 2,
            .ignoreErrors = ignoreErrors};
}

class AcquisitionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VESTISCOP_TWAIN_MANAGER", FAKE_MANAGER_PATH, 1);
        fake::reset();
    }
    void TearDown() override
    {
        unsetenv("VESTISCOP_TWAIN_MANAGER");
        fake::reset();
    }

    std::unique_ptr<RecordingAcquisition> started(bool ignoreErrors = false, bool saveImage = true)
    {
        auto acquisition = std::make_unique<RecordingAcquisition>(settings(ignoreErrors), saveImage);
        acquisition->start(&m_sink);
        fake::reset();
        return acquisition;
    }

    // Scan, then the source reports a ready image.
    void scanAndTransfer(RecordingAcquisition& acquisition, TW_HANDLE dib)
    {
        ASSERT_TRUE(acquisition.scan());
        fake::reset();
        fake::script().image = dib;
        fake::script().events.push_back({TWRC_DSEVENT, MSG_XFERREADY});
        EXPECT_TRUE(acquisition.offerEvent(nullptr));
    }

    CollectingSink m_sink;
};

TEST_F(AcquisitionTest, StartUpDescribesTheSource)
{
    auto acquisition = started();
    EXPECT_EQ(acquisition->state(), 4);
    EXPECT_EQ(acquisition->scannerDescription(), "Použit skener Fake scanner (Tester - fake:0)");
}

TEST_F(AcquisitionTest, ScanNegotiatesInOrderAndEnablesHidden)
{
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scan());
    EXPECT_TRUE(acquisition->errors.empty());
    // The source opened at start-up is used without reopening.
    EXPECT_EQ(fake::messages(), (std::vector<TW_UINT16>{MSG_SET, MSG_SET, MSG_SET, MSG_SET, MSG_SET, MSG_SET,
                                                        MSG_SET, MSG_ENABLEDS}));
    const std::vector<fake::Call> sets = fake::callsOf(MSG_SET);
    const TW_UINT16 expectedCaps[] = {ICAP_PIXELTYPE, ICAP_XRESOLUTION, ICAP_YRESOLUTION, ICAP_GAMMA, 0,
                                      ICAP_XFERMECH, CAP_XFERCOUNT};
    for (std::size_t i = 0; i < sets.size(); ++i)
        EXPECT_EQ(sets[i].capability, expectedCaps[i]) << i;
    EXPECT_EQ(sets[0].value.ItemType, TWTY_UINT16);
    EXPECT_EQ(+sets[0].value.Item, TWPT_RGB);
    EXPECT_EQ(sets[1].value.ItemType, TWTY_FIX32);
    // Whole in the low-order half of Item, Frac in the high-order half.
    EXPECT_EQ(+sets[1].value.Item, 300u);
    EXPECT_EQ(+sets[2].value.Item, 150u);
    EXPECT_EQ(+sets[3].value.Item, (13107u << 16) | 2u);
    EXPECT_EQ(sets[4].group, DG_IMAGE);
    EXPECT_EQ(sets[4].dat, DAT_IMAGELAYOUT);
    const TW_IMAGELAYOUT& layout = sets[4].layout;
    EXPECT_EQ(layout.Frame.Left.Whole, 0);
    EXPECT_EQ(layout.Frame.Left.Frac, 32768);
    EXPECT_EQ(layout.Frame.Right.Whole, 8);  // 0.5 + 8
    EXPECT_EQ(layout.Frame.Right.Frac, 32768);
    EXPECT_EQ(layout.Frame.Top.Frac, 16384);
    EXPECT_EQ(layout.Frame.Bottom.Whole, 2);
    EXPECT_EQ(layout.Frame.Bottom.Frac, 16384);
    EXPECT_EQ(+layout.DocumentNumber, 1u);
    EXPECT_EQ(+layout.PageNumber, 1u);
    EXPECT_EQ(+layout.FrameNumber, 1u);
    EXPECT_EQ(+sets[5].value.Item, TWSX_NATIVE);
    EXPECT_EQ(sets[6].value.ItemType, TWTY_INT16);
    EXPECT_EQ(+sets[6].value.Item, 1u);
    const TW_USERINTERFACE ui = fake::callsOf(MSG_ENABLEDS)[0].userInterface;
    EXPECT_EQ(ui.ShowUI, 0);
    EXPECT_EQ(ui.ModalUI, 1);
    EXPECT_EQ(static_cast<void*>(ui.hParent), static_cast<void*>(static_cast<EventSink*>(&m_sink)));
    EXPECT_EQ(acquisition->state(), 5);
}

TEST_F(AcquisitionTest, RefusedResolutionStopsTheCommandWithoutIgnoreErrors)
{
    auto acquisition = started(false);
    fake::script().capabilityAnswers[ICAP_XRESOLUTION] = {TWRC_FAILURE, TWCC_BADVALUE};
    EXPECT_FALSE(acquisition->scan());
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"ScannerError 3 set X resolution"}));
    EXPECT_EQ(fake::messages(), (std::vector<TW_UINT16>{MSG_SET, MSG_SET}));
    EXPECT_EQ(acquisition->state(), 4);

    // The next attempt finds the source open and does not reopen it.
    fake::reset();
    acquisition->errors.clear();
    ASSERT_TRUE(acquisition->scan());
    EXPECT_TRUE(fake::callsOf(MSG_OPENDS).empty());
    EXPECT_EQ(fake::callsOf(MSG_ENABLEDS).size(), 1u);
}

TEST_F(AcquisitionTest, RefusedResolutionIsSkippedWithIgnoreErrors)
{
    auto acquisition = started(true);
    fake::script().capabilityAnswers[ICAP_XRESOLUTION] = {TWRC_FAILURE, TWCC_BADVALUE};
    ASSERT_TRUE(acquisition->scan());
    EXPECT_TRUE(acquisition->errors.empty());
    std::vector<TW_UINT16> capabilities;
    for (const fake::Call& call : fake::callsOf(MSG_SET))
        capabilities.push_back(call.dat == DAT_IMAGELAYOUT ? 0 : call.capability);
    // No Y resolution; gamma and the frame still go.
    EXPECT_EQ(capabilities, (std::vector<TW_UINT16>{ICAP_PIXELTYPE, ICAP_XRESOLUTION, ICAP_GAMMA, 0, ICAP_XFERMECH,
                                                    CAP_XFERCOUNT}));
    EXPECT_EQ(acquisition->state(), 5);
}

TEST_F(AcquisitionTest, RefusedPixelTypeIsNeverIgnored)
{
    auto acquisition = started(true);
    fake::script().capabilityAnswers[ICAP_PIXELTYPE] = {TWRC_FAILURE, TWCC_BADVALUE};
    EXPECT_FALSE(acquisition->scan());
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"ScannerError 3 set RGB image"}));
}

TEST_F(AcquisitionTest, RefusedGammaIsNeverReported)
{
    auto acquisition = started(false);
    fake::script().capabilityAnswers[ICAP_GAMMA] = {TWRC_FAILURE, TWCC_CAPUNSUPPORTED};
    EXPECT_TRUE(acquisition->scan());
    EXPECT_TRUE(acquisition->errors.empty());
}

TEST_F(AcquisitionTest, TransferTakesTheImageAndClosesTheSource)
{
    auto acquisition = started();
    scanAndTransfer(*acquisition, makeDib(3, 2));
    EXPECT_TRUE(acquisition->errors.empty());
    EXPECT_EQ(fake::messages(),
              (std::vector<TW_UINT16>{MSG_PROCESSEVENT, MSG_GET, MSG_ENDXFER, MSG_DISABLEDS, MSG_CLOSEDS}));
    EXPECT_EQ(acquisition->state(), 3);
    ASSERT_NE(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->image->width(), 3);
    EXPECT_EQ(acquisition->image->height(), 2);
    // Top row first, blue-green-red kept.
    const std::uint8_t* pixel = acquisition->image->pixel(2, 0);
    EXPECT_EQ(pixel[0], 20);
    EXPECT_EQ(pixel[1], 100);
    EXPECT_EQ(pixel[2], 202);
    EXPECT_EQ(acquisition->image->pixel(1, 1)[0], 11);
    EXPECT_EQ(acquisition->saves, 1);
    EXPECT_EQ(acquisition->ended, 1);

    // The next scan opens the source again.
    fake::reset();
    ASSERT_TRUE(acquisition->scan());
    EXPECT_EQ(fake::messages().front(), MSG_OPENDS);
}

TEST_F(AcquisitionTest, NothingIsSavedWhenSavingIsOff)
{
    auto acquisition = started(false, false);
    scanAndTransfer(*acquisition, makeDib(2, 2));
    EXPECT_NE(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->saves, 0);
}

TEST_F(AcquisitionTest, FailedAnalysisStillSaves)
{
    auto acquisition = started();
    acquisition->failAnalysis = true;
    scanAndTransfer(*acquisition, makeDib(2, 2));
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"VisionError 0"}));
    EXPECT_EQ(acquisition->saves, 1);
    EXPECT_EQ(acquisition->state(), 3);
}

TEST_F(AcquisitionTest, TopDownImageIsBadDataAndTheSourceStillCloses)
{
    auto acquisition = started();
    scanAndTransfer(*acquisition, makeDib(2, 2, true));
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"SystemError 5"}));
    EXPECT_EQ(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->saves, 0);
    EXPECT_EQ(fake::messages(),
              (std::vector<TW_UINT16>{MSG_PROCESSEVENT, MSG_GET, MSG_ENDXFER, MSG_DISABLEDS, MSG_CLOSEDS}));
}

TEST_F(AcquisitionTest, ImageShorterThanItsHeaderIsBadData)
{
    auto acquisition = started();
    TW_HANDLE full = makeDib(4, 4);
    TW_HANDLE shortened = twainAlloc(twainSize(full) - 1);
    std::memcpy(twainLock(shortened), twainLock(full), twainSize(shortened));
    twainFree(full);
    scanAndTransfer(*acquisition, shortened);
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"SystemError 5"}));
    EXPECT_EQ(acquisition->saves, 0);
}

TEST_F(AcquisitionTest, CancelledTransferIsReportedAndTheSourceCloses)
{
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scan());
    fake::reset();
    fake::script().transferResult = TWRC_CANCEL;
    fake::script().events.push_back({TWRC_DSEVENT, MSG_XFERREADY});
    EXPECT_TRUE(acquisition->offerEvent(nullptr));
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"Cancelled"}));
    EXPECT_EQ(acquisition->saves, 0);
    EXPECT_EQ(acquisition->state(), 3);
    EXPECT_EQ(fake::messages(),
              (std::vector<TW_UINT16>{MSG_PROCESSEVENT, MSG_GET, MSG_ENDXFER, MSG_DISABLEDS, MSG_CLOSEDS}));
}

TEST_F(AcquisitionTest, FailedShutdownIsReportedAfterTheImage)
{
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scan());
    fake::reset();
    fake::script().image = makeDib(2, 2);
    fake::script().answers[{DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS}] = {TWRC_FAILURE, TWCC_SEQERROR};
    fake::script().events.push_back({TWRC_DSEVENT, MSG_XFERREADY});
    acquisition->offerEvent(nullptr);
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{"ScannerError 4 disable source"}));
    // The close was skipped with the rest of the guard; the image was still taken and saved.
    EXPECT_TRUE(fake::callsOf(MSG_CLOSEDS).empty());
    EXPECT_NE(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->saves, 1);
}

TEST_F(AcquisitionTest, SecondScanWhileOneRunsIsRefusedWithoutAFault)
{
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scan());
    ASSERT_TRUE(acquisition->scanning());
    fake::reset();
    EXPECT_FALSE(acquisition->scan());
    EXPECT_TRUE(acquisition->errors.empty());
    // Nothing reached the source: the running scan goes on undisturbed.
    EXPECT_TRUE(fake::calls().empty());
    EXPECT_EQ(acquisition->state(), 5);
}

TEST_F(AcquisitionTest, CancelledScanDisablesTheSourceAndIgnoresItsLateAnswer)
{
    auto acquisition = started();
    EXPECT_FALSE(acquisition->cancelAcquisition());
    ASSERT_TRUE(acquisition->scan());
    fake::reset();
    EXPECT_TRUE(acquisition->cancelAcquisition());
    EXPECT_EQ(fake::messages(), (std::vector<TW_UINT16>{MSG_DISABLEDS}));
    EXPECT_EQ(acquisition->state(), 4);
    EXPECT_EQ(acquisition->ended, 1);

    // An answer the source posted before it was disabled is nobody's now.
    fake::reset();
    fake::script().image = makeDib(2, 2);
    fake::script().events.push_back({TWRC_DSEVENT, MSG_XFERREADY});
    EXPECT_FALSE(acquisition->offerEvent(nullptr));
    EXPECT_TRUE(fake::calls().empty());
    EXPECT_EQ(acquisition->image, nullptr);
    EXPECT_EQ(acquisition->saves, 0);
    EXPECT_TRUE(acquisition->errors.empty());

    // The next Scan enables the same source again.
    ASSERT_TRUE(acquisition->scan());
    EXPECT_EQ(acquisition->state(), 5);
}

struct CloseCase {
    TW_UINT16 condition;
    bool statusFails;
    std::string failure;
};

class CloseRequestTest : public AcquisitionTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseRequestTest, ReportsTheReasonAndKeepsTheSourceOpen)
{
    auto acquisition = started();
    ASSERT_TRUE(acquisition->scan());
    fake::reset();
    fake::script().events.push_back({TWRC_DSEVENT, MSG_CLOSEDSREQ});
    fake::script().answers[{DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS}] = {TWRC_SUCCESS, GetParam().condition};
    fake::script().statusFails = GetParam().statusFails;
    EXPECT_TRUE(acquisition->offerEvent(nullptr));
    EXPECT_EQ(acquisition->errors, (std::vector<std::string>{GetParam().failure}));
    // No image was asked for, nothing is saved, and the source stays open.
    EXPECT_TRUE(fake::callsOf(MSG_GET).empty());
    EXPECT_EQ(acquisition->saves, 0);
    EXPECT_EQ(acquisition->ended, 1);
    EXPECT_EQ(acquisition->state(), 4);

    fake::reset();
    ASSERT_TRUE(acquisition->scan());
    EXPECT_TRUE(fake::callsOf(MSG_OPENDS).empty());
    EXPECT_EQ(acquisition->state(), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, CloseRequestTest,
    ::testing::Values(CloseCase{TWCC_PAPERJAM, false, "ScannerError 2 uvízl papír"},
                      CloseCase{TWCC_NOMEDIA, false, "ScannerError 2 ve skeneru není předloha"},
                      CloseCase{TWCC_INTERLOCK, false, "ScannerError 2 skener je otevřený"},
                      CloseCase{TWCC_OPERATIONERROR, false, "ScannerError 2 chyba spojení se skenerem"},
                      CloseCase{TWCC_MAXCONNECTIONS, false, "ScannerError 1"},
                      CloseCase{TWCC_LOWMEMORY, false, "SystemError 0"},
                      CloseCase{TWCC_SUCCESS, false, "Cancelled"},
                      CloseCase{TWCC_DENIED, false, "ScannerRefused 0"},
                      CloseCase{TWCC_NOCOLOUR, false, "ScannerRefused 1"},
                      CloseCase{TWCC_TIMEDOUT, false, "SystemError 6"},
                      CloseCase{TWCC_BADPROTOCOL, false, "ScannerError 2 neznámá příčina"},
                      CloseCase{TWCC_PAPERJAM, true, "ScannerError 2 neznámá příčina"}));

TEST_F(AcquisitionTest, StartUpWithoutManagerFails)
{
    setenv("VESTISCOP_TWAIN_MANAGER", "/nonexistent/libnothing.so", 1);
    RecordingAcquisition acquisition(settings(false), true);
    EXPECT_EQ(testing::failureOf([&] { acquisition.start(&m_sink); }), "ScannerError 0 load library");
}

} // namespace
} // namespace vestiscop::scanner

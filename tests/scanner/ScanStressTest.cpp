// SPDX-License-Identifier: GPL-3.0-or-later
// Scanner faults again and again under CPU load (a busy process per core),
// through the shipped manager, SANE and the project's own backend over the
// test device: each failure status at the first read, half-way down the
// page and in place of its end; a device that stays in a read, a cancel or
// a close longer than the program waits; and a scan called off at a random
// moment. Every run must end within its bound with exactly the message it
// should. VESTISCOP_STRESS_RUNS sets the runs per case (200 unless set).

#include "QueuedAcquisition.h"
#include "SaneTestDevice.h"

#include "tests/StressLoad.h"

#include <gtest/gtest.h>

#include <sane/sane.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

namespace vestiscop::scanner {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing::QueuedAcquisition;

// How long the source waits for a stopping device here, and how long the
// double stays in a call when it hangs: longer, so the source gives up.
constexpr long StopMs = 60;
constexpr long HangMs = 120;
// A failure must arrive well before this; a run that takes longer counts as
// lost (the program's own time-out would have struck).
constexpr auto Answer = std::chrono::seconds(5);
// A stop or shutdown that takes longer than this has hung.
constexpr auto StopBound = milliseconds(1000);

using stress::CpuLoad;
using stress::runs;

foundation::ScanSettings oneInch()
{
    return {.xRes = 50, .yRes = 50, .gamma = 2.2, .wndLeft = 0, .wndTop = 0, .wndWidth = 1, .wndHeight = 1,
            .ignoreErrors = false};
}

// What went wrong over the runs of one case; all zero when it held.
struct Tally {
    int lost = 0;       // no answer in time
    int late = 0;       // an answer or stop past its bound
    int wrong = 0;      // another message, or more than one
    std::string first;  // the first wrong message
    Clock::duration slowest{};

    void note(Clock::duration took, Clock::duration bound)
    {
        slowest = std::max(slowest, took);
        late += took > bound;
    }
    void check(const std::vector<std::string>& errors, const std::vector<std::string>& expected)
    {
        if (errors != expected) {
            ++wrong;
            if (first.empty())
                first = errors.empty() ? "none" : errors.front() + " (" + std::to_string(errors.size()) + ")";
        }
    }
};

void expectClean(const Tally& tally, const std::string& what)
{
    EXPECT_EQ(tally.lost, 0) << what;
    EXPECT_EQ(tally.late, 0) << what << ", slowest "
                             << std::chrono::duration_cast<milliseconds>(tally.slowest).count() << " ms";
    EXPECT_EQ(tally.wrong, 0) << what << ": " << tally.first;
}

class ScanStressTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_load = std::make_unique<CpuLoad>(); }
    static void TearDownTestSuite() { s_load.reset(); }

    void SetUp() override
    {
        m_directory = testing::processConfigurationDirectory();
        setenv("SANE_CONFIG_DIR", m_directory.c_str(), 1);
        setenv("VESTISCOP_TWAIN_MANAGER", SANE_MANAGER_PATH, 1);
        setenv("LD_LIBRARY_PATH", SANE_DOUBLE_DIR, 1);
        unsetenv("SANE_DEFAULT_DEVICE");
    }
    void TearDown() override
    {
        // A device a test left in a hang is let go before the next test
        // opens it, and SANE, kept while it hung, is let go by one more
        // session (waiting as long as the program does), so the next test's
        // configuration is read.
        unsetenv("VESTISCOP_SCANNER_STOP_MS");
        awaitClosed();
        started().reset();
        for (const char* name : {"SANE_CONFIG_DIR", "VESTISCOP_TWAIN_MANAGER", "LD_LIBRARY_PATH"})
            unsetenv(name);
        for (const auto& entry : std::filesystem::directory_iterator(m_directory))
            std::filesystem::remove_all(entry.path());
    }

    // The source waits less than the double hangs.
    static void shortStops() { setenv("VESTISCOP_SCANNER_STOP_MS", std::to_string(StopMs).c_str(), 1); }

    // doubled: vsdouble.conf lines. The double delivers the page itself (in
    // pieces of 1000 bytes unless doubled says otherwise), so the test
    // device's reader thread, which it ends by cancelling it, plays no part.
    void configure(const std::string& doubled)
    {
        testing::writeSaneConfiguration(m_directory, "vsdouble", "test-picture \"Color pattern\"\n");
        std::ofstream(m_directory / "vsdouble.conf")
            << (doubled.find("own-page") == std::string::npos ? "own-page 1000\n" : "") << doubled << "trace "
            << trace() << "\n";
        std::filesystem::remove(trace());
    }

    std::string trace() const { return (m_directory / "trace.txt").string(); }
    // How often the double wrote this line into its trace.
    long traced(const std::string& line) const
    {
        std::ifstream in(trace());
        long count = 0;
        for (std::string read; std::getline(in, read);)
            count += read == line;
        return count;
    }
    // Waits (10 s at most) until the double has written the line as often as the other.
    void awaitTraced(const std::string& line, const std::string& asOftenAs) const
    {
        const auto limit = Clock::now() + std::chrono::seconds(10);
        while (traced(line) < traced(asOftenAs) && Clock::now() < limit)
            std::this_thread::sleep_for(milliseconds(5));
    }
    // Waits until the double has closed the device as often as opened.
    void awaitClosed() const
    {
        const auto limit = Clock::now() + std::chrono::seconds(10);
        while (traced("closed") < traced("open") && Clock::now() < limit)
            std::this_thread::sleep_for(milliseconds(5));
    }

    std::unique_ptr<QueuedAcquisition> started()
    {
        auto acquisition = std::make_unique<QueuedAcquisition>(oneInch(), false);
        const std::string failure = testing::failureOf([&] { acquisition->start(nullptr); });
        EXPECT_EQ(failure, "none");
        return acquisition;
    }

    static std::unique_ptr<CpuLoad> s_load;
    std::filesystem::path m_directory;
};

std::unique_ptr<CpuLoad> ScanStressTest::s_load;

struct StatusCase {
    int status;
    const char* name;
    const char* failure;
};

class ReadStatusStress : public ScanStressTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(ReadStatusStress, EveryFailureArrivesOnceAndAtOnce)
{
    for (const char* when : {"first", "middle", "last"}) {
        configure("read-status " + std::to_string(GetParam().status) + " " + when + "\n");
        auto acquisition = started();
        Tally tally;
        for (int run = 0; run < runs(); ++run) {
            acquisition->errors.clear();
            const auto began = Clock::now();
            tally.lost += !acquisition->scanAndWait(Answer);
            tally.note(Clock::now() - began, StopBound);
            tally.check(acquisition->errors, {GetParam().failure});
        }
        const auto began = Clock::now();
        acquisition.reset();
        tally.note(Clock::now() - began, StopBound);
        expectClean(tally, when);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, ReadStatusStress,
    ::testing::Values(StatusCase{SANE_STATUS_INVAL, "Inval", "ScannerError 2 neznámá příčina"},
                      StatusCase{SANE_STATUS_IO_ERROR, "IoError", "ScannerError 2 chyba spojení se skenerem"},
                      StatusCase{SANE_STATUS_UNSUPPORTED, "Unsupported", "ScannerError 2 neznámá příčina"},
                      StatusCase{SANE_STATUS_JAMMED, "Jammed", "ScannerError 2 uvízl papír"},
                      StatusCase{SANE_STATUS_NO_DOCS, "NoDocs", "ScannerError 2 ve skeneru není předloha"},
                      StatusCase{SANE_STATUS_COVER_OPEN, "CoverOpen", "ScannerError 2 skener je otevřený"},
                      StatusCase{SANE_STATUS_DEVICE_BUSY, "DeviceBusy", "ScannerError 1"},
                      StatusCase{SANE_STATUS_NO_MEM, "NoMem", "SystemError 0"},
                      StatusCase{SANE_STATUS_ACCESS_DENIED, "AccessDenied", "ScannerRefused 0"}),
    [](const ::testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.name); });

TEST_F(ScanStressTest, DeviceStuckInAReadIsGivenUpInTime)
{
    shortStops();
    configure("hang read " + std::to_string(HangMs) + "\n");
    auto acquisition = started();
    Tally tally;
    for (int run = 0; run < runs(); ++run) {
        acquisition->errors.clear();
        // The owner's own time-out strikes while the device is in its read.
        tally.wrong += acquisition->scanAndWait(milliseconds(5));
        const auto began = Clock::now();
        tally.wrong += !acquisition->cancelAcquisition();
        tally.note(Clock::now() - began, StopBound);
        tally.check(acquisition->errors, {});
        // The device lets go of the read by itself; then it scans again.
        // On a loaded machine its read may begin late, so the test waits
        // for every hang it began to be over.
        std::this_thread::sleep_for(milliseconds(HangMs));
        awaitTraced("hang read over", "hang read");
    }
    const auto began = Clock::now();
    acquisition.reset();
    tally.note(Clock::now() - began, StopBound);
    expectClean(tally, "stuck read");
}

TEST_F(ScanStressTest, FailureArrivesWhileTheDeviceIsStuckInItsCancel)
{
    // The source waits long enough for the cancel to end before the next scan.
    setenv("VESTISCOP_SCANNER_STOP_MS", std::to_string(HangMs * 6).c_str(), 1);
    configure("read-status " + std::to_string(SANE_STATUS_INVAL) + " first\nhang cancel " + std::to_string(HangMs) +
              "\n");
    auto acquisition = started();
    Tally tally;
    for (int run = 0; run < runs(); ++run) {
        acquisition->errors.clear();
        tally.lost += !acquisition->scanAndWait(Answer);
        // Told while the device was still in the cancel of this failed page
        // (each earlier page has had its one).
        tally.late += traced("cancelled") > run;
        tally.check(acquisition->errors, {"ScannerError 2 neznámá příčina"});
    }
    const auto began = Clock::now();
    acquisition.reset();
    tally.note(Clock::now() - began, StopBound);
    expectClean(tally, "stuck cancel");
}

TEST_F(ScanStressTest, DeviceStuckInItsCloseDoesNotHoldTheShutdown)
{
    shortStops();
    configure("read-status " + std::to_string(SANE_STATUS_IO_ERROR) + " middle\nhang close " +
              std::to_string(HangMs) + "\n");
    Tally tally;
    for (int run = 0; run < runs(); ++run) {
        auto acquisition = started();
        tally.lost += !acquisition->scanAndWait(Answer);
        tally.check(acquisition->errors, {"ScannerError 2 chyba spojení se skenerem"});
        const auto began = Clock::now();
        acquisition.reset();
        tally.note(Clock::now() - began, StopBound);
        awaitClosed();
    }
    expectClean(tally, "stuck close");
}

TEST_F(ScanStressTest, ScanCalledOffAtARandomMomentEndsOnce)
{
    // A page of about a fifth of a second, stopped anywhere in it or after.
    configure("own-page 1000 20\n");
    auto acquisition = started();
    std::mt19937 random(20261208);
    Tally tally;
    int images = 0;
    for (int run = 0; run < runs(); ++run) {
        acquisition->errors.clear();
        acquisition->image.reset();
        const bool ended = acquisition->scanAndWait(milliseconds(random() % 300));
        images += acquisition->image != nullptr;
        const auto began = Clock::now();
        // Ended already (with its image) or called off now, never both.
        tally.wrong += ended == acquisition->cancelAcquisition();
        tally.note(Clock::now() - began, StopBound);
        tally.check(acquisition->errors, {});
    }
    const auto began = Clock::now();
    acquisition.reset();
    tally.note(Clock::now() - began, StopBound);
    expectClean(tally, "called off");
    // Both sides of the race were reached.
    EXPECT_GT(images, 0);
    EXPECT_LT(images, runs());
}

} // namespace
} // namespace vestiscop::scanner

// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-cli scan under CPU load (a busy process per core) with Ctrl-C
// or SIGTERM at a random moment, against a device that delivers its page
// slowly or never comes back from its first read: every run ends within
// 5 s of the signal, by the signal's status (or by its own end when the
// scan was over first, or by the signal itself while the program was still
// starting), and leaves no process behind.
// VESTISCOP_STRESS_RUNS sets the runs per case (200 unless set).

#include "tests/StressLoad.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CliFixture.h"

namespace vestiscop::reliability {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

using stress::CpuLoad;
using stress::runs;

struct DeviceCase {
    const char* name;
    const char* doubled;  // vsdouble.conf lines
};

class CliScanStress : public testing::TestWithParam<DeviceCase> {};

TEST_P(CliScanStress, SignalAtARandomMomentEndsTheProgramInTime)
{
    DataDir dir;
    fs::create_directory(dir.file("sane"));
    dir.write("sane/dll.conf", "vsdouble\n");
    dir.write("sane/test.conf", "number_of_devices 1\nmode Color\ndepth 8\nresolution 50.0\n");
    dir.write("sane/vsdouble.conf", GetParam().doubled);
    ChildOptions options = dir.options();
    options.workingDirectory = dir.path();
    options.environment = {{"ASAN_OPTIONS", "detect_leaks=0"},
                           {"SANE_CONFIG_DIR", dir.file("sane")},
                           {"LD_LIBRARY_PATH", SANE_DOUBLE_DIR},
                           {"VESTISCOP_TWAIN_MANAGER", ""},
                           {"VESTISCOP_SCAN_TIMEOUT", "120"},
                           // Shorter than the program's own, so that the runs stay quick.
                           {"VESTISCOP_SCANNER_STOP_MS", "300"}};
    const CpuLoad load;
    std::mt19937 random(20261208);
    int overdue = 0;
    int wrong = 0;
    int interrupted = 0;
    std::string first;
    for (int run = 0; run < runs(); ++run) {
        ChildProcess child(cliProgram(), {"scan"}, options);
        const int signal = run % 2 == 0 ? SIGINT : SIGTERM;
        std::this_thread::sleep_for(milliseconds(random() % 700));
        kill(child.pid(), signal);
        ChildResult result;
        if (child.killAfter(std::chrono::seconds(5), result)) {
            ++overdue;
            continue;
        }
        const bool byTheSignal = result.exitedWith(128 + signal) && result.err == "Skenování přerušeno\n";
        // Over before the signal came (a slow page may finish; a failure
        // to start says so).
        const bool before = result.signal == 0 && (result.exitCode == 0 || result.exitCode == 1);
        // Before the scan began, the signal ends the program by itself.
        const bool starting = result.signal == signal;
        interrupted += byTheSignal;
        if (!byTheSignal && !before && !starting) {
            ++wrong;
            if (first.empty())
                first = std::to_string(result.exitCode) + "/" + std::to_string(result.signal) + " " + result.err;
        }
    }
    EXPECT_EQ(overdue, 0) << "still running 5 s after the signal";
    EXPECT_EQ(wrong, 0) << first;
    EXPECT_GT(interrupted, 0);
}

INSTANTIATE_TEST_SUITE_P(Devices, CliScanStress,
                         testing::Values(DeviceCase{"SlowPage", "own-page 2000 40\n"},
                                         DeviceCase{"StuckInRead", "own-page 2000\nhang read 600000\n"}),
                         [](const testing::TestParamInfo<DeviceCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vestiscop::reliability

// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl-C (SIGINT) and SIGTERM while vestiscop-cli scan waits for a slow
// scanner: the device is told to cancel and is closed before the program
// ends with 128 + the signal's number, nothing of the scan is printed or
// saved, and the log says the scan was interrupted. The device is the
// project's own SANE backend over the test device, which records every
// open, start, cancel and close in a trace file.

#include <gtest/gtest.h>

#include <csignal>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "CliFixture.h"

namespace vestiscop::reliability {
namespace {

namespace fs = std::filesystem;

// A page that would take many minutes: 600 dpi over the shipped 3 x 3
// inches, a pause of 0.2 s after every block the device delivers.
const char* const SlowDevice = "number_of_devices 1\nmode Gray\ndepth 8\nresolution 50.0\n"
                               "read-limit true\nread-limit-size 4096\nread-delay true\n"
                               "read-delay-duration 200000\ngeometry_min 0.0\ngeometry_max 200.0\n"
                               "tl_x 0.0\ntl_y 0.0\nbr_x 80.0\nbr_y 100.0\n";

struct SignalCase {
    int signal;
    int status;
};

class CliScanSignal : public testing::TestWithParam<SignalCase> {
protected:
    void SetUp() override
    {
        dir.write("vestiscop.cfg", withKeys(dir.read("vestiscop.cfg"),
                                            {{"XRes", "600"}, {"YRes", "600"}, {"SaveImage", "1"}, {"SaveDir", "skeny"}}));
        fs::create_directory(dir.file("sane"));
        dir.write("sane/dll.conf", "vsdouble\n");
        dir.write("sane/test.conf", SlowDevice);
        dir.write("sane/vsdouble.conf", "trace " + dir.file("trace.txt") + "\n");
    }

    std::string trace() const
    {
        return dir.read("trace.txt");
    }

    DataDir dir;
};

TEST_P(CliScanSignal, CancelsAndClosesTheDeviceAndSavesNothing)
{
    ChildOptions options = dir.options();
    options.environment = {{"ASAN_OPTIONS", "detect_leaks=0"},
                           {"UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1"},
                           {"SANE_CONFIG_DIR", dir.file("sane")},
                           {"LD_LIBRARY_PATH", SANE_DOUBLE_DIR},
                           {"VESTISCOP_TWAIN_MANAGER", ""},
                           {"VESTISCOP_SCAN_TIMEOUT", "120"}};
    ChildProcess child(cliProgram(), {"scan"}, options);
    // Until the device has started the page.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (fs::exists(dir.file("trace.txt")) ? trace().find("start\n") == std::string::npos
                                              : true) {
        ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the scan did not start";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(kill(child.pid(), GetParam().signal), 0);
    const ChildResult result = child.wait();

    EXPECT_EQ(result.signal, 0);
    EXPECT_TRUE(result.exitedWith(GetParam().status)) << result.exitCode << " " << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Skenování přerušeno\n");
    EXPECT_FALSE(fs::exists(dir.file("skeny")) && !fs::is_empty(dir.file("skeny")));
    const std::vector<std::uint8_t> log = dir.readBytes("vestiscop.log");
    EXPECT_NE(std::string(log.begin(), log.end()).find(" - WARN : Skenování přerušeno\n"), std::string::npos);
    // Cancelled, then closed, before the program let SANE go.
    const std::string calls = trace();
    const std::size_t start = calls.find("start\n");
    const std::size_t cancel = calls.find("cancel\n", start);
    const std::size_t close = calls.find("close\n", start);
    EXPECT_NE(cancel, std::string::npos) << calls;
    EXPECT_NE(close, std::string::npos) << calls;
    EXPECT_LT(cancel, close) << calls;
    EXPECT_EQ(calls.substr(calls.size() >= 5 ? calls.size() - 5 : 0), "exit\n") << calls;
}

INSTANTIATE_TEST_SUITE_P(Signals, CliScanSignal,
                         testing::Values(SignalCase{SIGINT, 130}, SignalCase{SIGTERM, 143}),
                         [](const testing::TestParamInfo<SignalCase>& info) {
                             return std::string(info.param.signal == SIGINT ? "Interrupt" : "Terminate");
                         });

} // namespace
} // namespace vestiscop::reliability

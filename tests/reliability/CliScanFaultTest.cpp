// SPDX-License-Identifier: GPL-3.0-or-later
// Faults around a scan through vestiscop-cli scan and SANE's virtual test
// device: a scanner that fails during the transfer, and a scan archive that
// cannot take the picture (the disk is full). The system's message comes
// out, nothing half-made is kept, and the next scan works.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliFixture.h"

namespace vestiscop::reliability {
namespace {

namespace fs = std::filesystem;

// The device's defaults as the test backend ships them: grey 8-bit pages.
const char* const DeviceDefaults = "number_of_devices 1\nmode Gray\ndepth 8\nhand-scanner false\n"
                                   "three-pass false\nthree-pass-order RGB\nresolution_min 1.0\n"
                                   "resolution_max 1200.0\nresolution_quant 1.0\nresolution 50.0\n"
                                   "invert-endianess false\nread-limit false\nread-limit-size 1\nread-delay false\n"
                                   "read-delay-duration 1000\nfuzzy-parameters false\nppl-loss 0\n"
                                   "non-blocking false\nselect-fd false\nenable-test-options false\n"
                                   "geometry_min 0.0\ngeometry_max 200.0\ngeometry_quant 0.0\ntl_x 0.0\n"
                                   "tl_y 0.0\nbr_x 80.0\nbr_y 100.0\n";

class CliScanFault : public testing::Test {
protected:
    void SetUp() override
    {
        // One square inch at 50 dpi: a 50 x 50 scan, kept as a BMP file.
        std::vector<std::uint8_t> cfg = dir.readFile("vestiscop.cfg");
        std::string text(cfg.begin(), cfg.end());
        for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
                 {"XRes", "50"}, {"YRes", "50"}, {"WndLeft", "0"}, {"WndTop", "0"}, {"WndWidth", "1"},
                 {"WndHeight", "1"}, {"SaveImage", "1"}, {"SaveFormat", "BMP"}, {"SaveDir", "skeny"}}) {
            const std::size_t at = text.find("\n" + key + " =");
            ASSERT_NE(at, std::string::npos) << key;
            text.replace(at + 1, text.find('\n', at + 1) - at - 1, key + " = " + value);
        }
        dir.writeText("vestiscop.cfg", text);
        fs::create_directory(dir.file("sane"));
        device("test-picture \"Solid white\"\n");
    }

    void device(const std::string& extra) const
    {
        dir.writeText("sane/dll.conf", "test\n");
        dir.writeText("sane/test.conf", DeviceDefaults + extra);
    }

    ChildOptions scanOptions() const
    {
        ChildOptions options = dir.options();
        // SANE's test backend keeps a few strings that only it could free.
        options.environment = {{"ASAN_OPTIONS", "detect_leaks=0"},
                               {"UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1"},
                               {"SANE_CONFIG_DIR", dir.file("sane")},
                               {"VESTISCOP_TWAIN_MANAGER", ""},
                               {"VESTISCOP_SCAN_TIMEOUT", "60"}};
        return options;
    }

    std::vector<std::string> archive() const
    {
        std::vector<std::string> files;
        if (fs::is_directory(dir.file("skeny"))) {
            for (const auto& entry : fs::directory_iterator(dir.file("skeny")))
                files.push_back(entry.path().filename().string() + ":" + std::to_string(entry.file_size()));
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    std::string log() const
    {
        const std::vector<std::uint8_t> bytes = dir.readFile("vestiscop.log");
        return std::string(bytes.begin(), bytes.end());
    }

    DataDir dir;
};

// 54 header bytes and 50 rows of 150 bytes plus 2 of padding.
const std::string SavedScan = "scan000.bmp:" + std::to_string(54 + 50 * 152);

TEST_F(CliScanFault, ScannerFailingDuringTheTransferIsReportedAndNothingIsSaved)
{
    ASSERT_TRUE(dir.cli({"add", "vzor", dir.picture("vzor.bmp", 1)}).exitedWith(ExitSuccess));
    const std::vector<std::uint8_t> catalogue = dir.readFile("odevy.dat");

    device("test-picture \"Solid white\"\nread-status-code \"SANE_STATUS_IO_ERROR\"\n");
    const ChildResult failed = dir.cli({"scan"}, scanOptions());
    EXPECT_EQ(failed.signal, 0) << failed.err;
    EXPECT_TRUE(failed.exitedWith(ExitFailure)) << failed.exitCode << failed.err;
    EXPECT_NE(failed.err.find("chyba spojení se skenerem"), std::string::npos) << failed.err;
    EXPECT_NE(log().find("chyba spojení se skenerem"), std::string::npos);
    EXPECT_EQ(archive(), std::vector<std::string>{});
    EXPECT_EQ(dir.readFile("odevy.dat"), catalogue);

    device("test-picture \"Solid white\"\n");
    const ChildResult scanned = dir.cli({"scan"}, scanOptions());
    EXPECT_TRUE(scanned.exitedWith(ExitSuccess)) << scanned.exitCode << scanned.err;
    EXPECT_NE(scanned.out.find("bílá"), std::string::npos) << scanned.out;
    EXPECT_EQ(archive(), std::vector<std::string>{SavedScan});
}

TEST_F(CliScanFault, ScanThatTheDiskCannotHoldIsReportedAndLeavesNoBrokenFile)
{
    ASSERT_TRUE(dir.cli({"add", "vzor", dir.picture("vzor.bmp", 1)}).exitedWith(ExitSuccess));
    const std::vector<std::uint8_t> catalogue = dir.readFile("odevy.dat");

    // Room for the log and the catalogue, not for the 7654-byte scan.
    ChildOptions full = scanOptions();
    full.fileSizeLimit = 4096;
    const ChildResult failed = dir.cli({"scan"}, full);
    EXPECT_EQ(failed.signal, 0) << failed.err;
    // The analysis is shown; the save fails with the system's message.
    EXPECT_NE(failed.out.find("bílá"), std::string::npos) << failed.out;
    EXPECT_TRUE(failed.exitedWith(ExitFailure)) << failed.exitCode << failed.err;
    EXPECT_NE(failed.err.find("Nelze psát do souboru"), std::string::npos) << failed.err;
    EXPECT_NE(failed.err.find("scan000.bmp"), std::string::npos) << failed.err;
    EXPECT_EQ(archive(), std::vector<std::string>{});
    EXPECT_EQ(dir.readFile("odevy.dat"), catalogue);

    const ChildResult scanned = dir.cli({"scan"}, scanOptions());
    EXPECT_TRUE(scanned.exitedWith(ExitSuccess)) << scanned.exitCode << scanned.err;
    EXPECT_EQ(archive(), std::vector<std::string>{SavedScan});
}

} // namespace
} // namespace vestiscop::reliability

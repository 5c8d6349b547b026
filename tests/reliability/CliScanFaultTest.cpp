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
#include "SaneTestDevice.h"

namespace vestiscop::reliability {
namespace {

namespace fs = std::filesystem;

class CliScanFault : public testing::Test {
protected:
    void SetUp() override
    {
        // One square inch at 50 dpi: a 50 x 50 scan, kept as a BMP file.
        dir.write("vestiscop.cfg",
                  withKeys(dir.read("vestiscop.cfg"), {{"XRes", "50"}, {"YRes", "50"}, {"WndLeft", "0"}, {"WndTop", "0"},
                                                       {"WndWidth", "1"}, {"WndHeight", "1"}, {"SaveImage", "1"},
                                                       {"SaveFormat", "BMP"}, {"SaveDir", "skeny"}}));
        fs::create_directory(dir.file("sane"));
        device("test-picture \"Solid white\"\n");
    }

    void device(const std::string& extra) const
    {
        scanner::testing::writeSaneConfiguration(dir.file("sane"), "test", extra);
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
        const std::vector<std::uint8_t> bytes = dir.readBytes("vestiscop.log");
        return std::string(bytes.begin(), bytes.end());
    }

    DataDir dir;
};

// 54 header bytes and 50 rows of 150 bytes plus 2 of padding.
const std::string SavedScan = "scan000.bmp:" + std::to_string(54 + 50 * 152);

TEST_F(CliScanFault, ScannerFailingDuringTheTransferIsReportedAndNothingIsSaved)
{
    ASSERT_TRUE(dir.cli({"add", "vzor", dir.picture("vzor.bmp", 1)}).exitedWith(ExitSuccess));
    const std::vector<std::uint8_t> catalogue = dir.readBytes("odevy.dat");

    device("test-picture \"Solid white\"\nread-status-code \"SANE_STATUS_IO_ERROR\"\n");
    const ChildResult failed = dir.cli({"scan"}, scanOptions());
    EXPECT_EQ(failed.signal, 0) << failed.err;
    EXPECT_TRUE(failed.exitedWith(ExitFailure)) << failed.exitCode << failed.err;
    EXPECT_NE(failed.err.find("chyba spojení se skenerem"), std::string::npos) << failed.err;
    EXPECT_NE(log().find("chyba spojení se skenerem"), std::string::npos);
    EXPECT_EQ(archive(), std::vector<std::string>{});
    EXPECT_EQ(dir.readBytes("odevy.dat"), catalogue);

    device("test-picture \"Solid white\"\n");
    const ChildResult scanned = dir.cli({"scan"}, scanOptions());
    EXPECT_TRUE(scanned.exitedWith(ExitSuccess)) << scanned.exitCode << scanned.err;
    EXPECT_NE(scanned.out.find("bílá"), std::string::npos) << scanned.out;
    EXPECT_EQ(archive(), std::vector<std::string>{SavedScan});
}

TEST_F(CliScanFault, ScanThatTheDiskCannotHoldIsReportedAndLeavesNoBrokenFile)
{
    ASSERT_TRUE(dir.cli({"add", "vzor", dir.picture("vzor.bmp", 1)}).exitedWith(ExitSuccess));
    const std::vector<std::uint8_t> catalogue = dir.readBytes("odevy.dat");

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
    EXPECT_EQ(dir.readBytes("odevy.dat"), catalogue);

    const ChildResult scanned = dir.cli({"scan"}, scanOptions());
    EXPECT_TRUE(scanned.exitedWith(ExitSuccess)) << scanned.exitCode << scanned.err;
    EXPECT_EQ(archive(), std::vector<std::string>{SavedScan});
}

} // namespace
} // namespace vestiscop::reliability

// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-cli scan run in its own process as a user would run it, in a
// directory of its own with the shipped configuration and colour names,
// against SANE's virtual test device.

#include "SaneTestDevice.h"
#include "support/CliRun.h"
#include "support/ProgramFiles.h"
#include "support/ScratchDirectory.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace testsupport = vestiscop::testsupport;

using Environment = std::vector<std::pair<std::string, std::string>>;

class ScanCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_dir.file("sane"));
        for (const char* table : {"barvy.txt", "barvy-zakladni.txt"})
            fs::copy_file(testsupport::shippedFile(table), m_dir.file(table));
        // The shipped configuration, with the settings these tests rely on:
        // 100 dpi over 6 x 6 inches gives the analysis its 512 x 512 pixels.
        m_dir.write("vestiscop.cfg", testsupport::shippedConfiguration(
                                         {{"SaveImage", "1"}, {"AskForDescr", "0"}, {"SaveFormat", "PNG"},
                                          {"SaveDir", "skeny"}, {"XRes", "100"}, {"YRes", "100"}, {"WndLeft", "0.5"},
                                          {"WndTop", "0.5"}, {"WndWidth", "6"}, {"WndHeight", "6"},
                                          {"IgnoreErrors", "1"}}));
        device("test", "");
    }

    void device(const std::string& backends, const std::string& extra)
    {
        vestiscop::scanner::testing::writeSaneConfiguration(m_dir.file("sane"), backends, extra);
    }

    testsupport::ChildResult scan(const std::vector<std::string>& arguments, const Environment& environment = {})
    {
        testsupport::ChildOptions options = testsupport::cliOptions(m_dir.path());
        // The child's leak check is off: SANE's test backend leaves a few
        // strings behind that cannot be told from ours once SANE unloads it.
        options.environment.insert(options.environment.end(), {{"SANE_CONFIG_DIR", m_dir.file("sane")},
                                                               {"ASAN_OPTIONS", "detect_leaks=0"},
                                                               {"VESTISCOP_TWAIN_MANAGER", ""}});
        options.environment.insert(options.environment.end(), environment.begin(), environment.end());
        std::vector<std::string> command{"scan"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return testsupport::runCli(command, options);
    }

    std::string log() const { return m_dir.read("vestiscop.log"); }

    // The project's own SANE backend over the test device (see
    // SaneDoubleBackend.cpp): doubled is its vsdouble.conf. Returns the
    // environment that makes SANE find it.
    Environment doubled(const std::string& lines, const std::string& extra)
    {
        device("vsdouble", extra);
        m_dir.write("sane/vsdouble.conf", lines);
        return {{"LD_LIBRARY_PATH", SANE_DOUBLE_DIR}};
    }

    testsupport::ScratchDirectory m_dir;
};

TEST_F(ScanCommandTest, WhitePageIsOneColourWithoutPattern)
{
    device("test", "test-picture \"Solid white\"\n");
    const auto run = scan({"--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json result = nlohmann::json::parse(run.out);
    ASSERT_EQ(result["colors"].size(), 1u) << run.out;
    EXPECT_EQ(result["colors"][0]["name"], "bílá");
    EXPECT_EQ(result["colors"][0]["percent"], 100);
    EXPECT_EQ(result["pattern"]["code"], 0);
    EXPECT_TRUE(result["match"].is_null());
}

TEST_F(ScanCommandTest, BlackPageIsOneColourWithoutPattern)
{
    device("test", "test-picture \"Solid black\"\n");
    const auto run = scan({});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "100% černá (0 0 0)\nBez vzoru\nNeznámý oděv\n");
}

TEST_F(ScanCommandTest, ColourPatternHasSeveralColours)
{
    device("test", "test-picture \"Color pattern\"\n");
    const auto run = scan({"--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_GE(result["colors"].size(), 3u) << run.out;
}

TEST_F(ScanCommandTest, SavedScanIsNumberedAndLogged)
{
    device("test", "test-picture \"Solid white\"\n");
    const auto run = scan({"--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["saved"], "scan000.png");
    EXPECT_TRUE(fs::exists(m_dir.file("skeny/scan000.png")));
    const std::string text = log();
    EXPECT_NE(text.find(" - INFO : Použit skener frontend-tester (Noname - test:0)\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" - INFO : Nasnímán a uložen obrázek scan000.png (?)\n"), std::string::npos) << text;
}

struct FailureCase {
    const char* backends;
    const char* device;
    const char* message;
};

class ScanFailureTest : public ScanCommandTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ScanFailureTest, IsReportedAndLogged)
{
    device(GetParam().backends, GetParam().device);
    const auto run = scan({});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, std::string(GetParam().message) + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_NE(log().find(std::string(" - ERROR: ") + GetParam().message + "\n"), std::string::npos) << log();
    EXPECT_FALSE(fs::exists(m_dir.file("skeny/scan000.png")));
}

INSTANTIATE_TEST_SUITE_P(
    Devices, ScanFailureTest,
    ::testing::Values(FailureCase{"test", "read-status-code \"SANE_STATUS_JAMMED\"\n", "Selhání skeneru (uvízl papír)"},
                      FailureCase{"test", "read-status-code \"SANE_STATUS_NO_DOCS\"\n",
                                  "Selhání skeneru (ve skeneru není předloha)"},
                      FailureCase{"", "", "Skener nebo jeho ovladač není instalován"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) {
        return std::string(info.index == 0 ? "Jammed" : info.index == 1 ? "NoDocument" : "NoDevice");
    });

TEST_F(ScanCommandTest, DeviceThatNeverFinishesTimesOut)
{
    // At 1200 dpi with a pause after every block the page would take hours.
    device("test", "read-delay true\nread-delay-duration 200000\n");
    m_dir.write("vestiscop.cfg", testsupport::withKeys(m_dir.read("vestiscop.cfg"), {{"XRes", "1200"}, {"YRes", "1200"}}));
    const auto run = scan({}, {{"VESTISCOP_SCAN_TIMEOUT", "1"}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Čas pro operaci vypršel\n");
    EXPECT_NE(log().find(" - ERROR: Čas pro operaci vypršel\n"), std::string::npos);
}

// Width and height from a PNG file's header.
std::pair<int, int> pngSize(const std::string& bytes)
{
    const auto number = [&bytes](std::size_t at) {
        int value = 0;
        for (std::size_t i = at; i < at + 4 && i < bytes.size(); ++i)
            value = value * 256 + static_cast<unsigned char>(bytes[i]);
        return value;
    };
    return {number(16), number(20)};
}

TEST_F(ScanCommandTest, ScannerWithAFixedListOfResolutionsGivesTheConfiguredOne)
{
    // The shipped configuration (200 dpi over 3 x 3 inches), saving the scan.
    m_dir.write("vestiscop.cfg", testsupport::shippedConfiguration({{"SaveImage", "1"},
                                                                     {"AskForDescr", "0"},
                                                                     {"SaveFormat", "PNG"},
                                                                     {"SaveDir", "skeny"}}));
    const Environment environment = doubled("resolutions 75 150 300 600\nresolution-default 75\n",
                                            "test-picture \"Color pattern\"\n");
    const auto run = scan({"--json"}, environment);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_GE(result["colors"].size(), 3u) << run.out;
    ASSERT_EQ(result["saved"], "scan000.png");
    // Scanned at 300 dpi, analysed and kept at 200 dpi.
    EXPECT_EQ(pngSize(m_dir.read("skeny/scan000.png")), std::make_pair(600, 600));
    EXPECT_NE(log().find(" - INFO : Skener snímá v rozlišení 300 dpi, obrázek je převzorkován na 200 dpi\n"),
              std::string::npos)
        << log();
}

struct RefusedCase {
    const char* doubled;
    const char* environment;
    const char* message;
};

class ScanRefusedTest : public ScanCommandTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(ScanRefusedTest, IsReportedAndLoggedAndNothingIsNamed)
{
    Environment environment = doubled(GetParam().doubled, "test-picture \"Color pattern\"\n");
    if (const std::string extra = GetParam().environment; !extra.empty())
        environment.emplace_back(extra.substr(0, extra.find('=')), extra.substr(extra.find('=') + 1));
    const auto run = scan({}, environment);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, std::string(GetParam().message) + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_NE(log().find(std::string(" - ERROR: ") + GetParam().message + "\n"), std::string::npos) << log();
    EXPECT_FALSE(fs::exists(m_dir.file("skeny/scan000.png")));
}

INSTANTIATE_TEST_SUITE_P(
    Devices, ScanRefusedTest,
    ::testing::Values(RefusedCase{"mode Lineart=Gray\nmode Gray=Gray\n", "", "Skener neumí snímat barevně"},
                      RefusedCase{"open-status 11\n", "", "Ke skeneru nemáte přístup"},
                      RefusedCase{"start-status 12 -1\n", "VESTISCOP_SCANNER_WARMUP=1", "Čas pro operaci vypršel"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) {
        return std::string(info.index == 0 ? "GreyOnly" : info.index == 1 ? "AccessDenied" : "LampNeverReady");
    });

TEST_F(ScanCommandTest, UnknownOptionIsMisuse)
{
    const auto run = scan({"--colour"});
    EXPECT_EQ(run.exitCode, 64);
    EXPECT_FALSE(fs::exists(m_dir.file("vestiscop.log")));
}

} // namespace

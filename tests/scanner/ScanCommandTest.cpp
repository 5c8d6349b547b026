// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-cli scan run as a user would run it from a shell, in a
// directory of its own with the shipped configuration and colour names,
// against SANE's virtual test device.

#include "SaneTestDevice.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream stream(path);
    std::stringstream text;
    text << stream.rdbuf();
    return text.str();
}

// The configuration with key's whole line set to "key = value".
std::string withKey(const std::string& configuration, const std::string& key, const std::string& value)
{
    return std::regex_replace(configuration, std::regex("^" + key + "[ \t]*=.*$", std::regex::multiline),
                              key + " = " + value);
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class ScanCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_directory = fs::temp_directory_path() / ("vestiscop-scan-cli-" + std::to_string(getpid()) + "-" +
                                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_directory);
        fs::create_directories(m_directory / "sane");
        fs::copy_file(fs::path(VESTISCOP_SOURCE_DIR) / "data" / "barvy.txt", m_directory / "barvy.txt");
        // The shipped configuration, with the settings these tests rely on:
        // 100 dpi over 6 x 6 inches gives the analysis its 512 x 512 pixels.
        std::string configuration = readFile(fs::path(VESTISCOP_SOURCE_DIR) / "data" / "vestiscop.cfg");
        for (const auto& [key, value] :
             {std::pair<const char*, const char*>{"SaveImage", "1"}, {"AskForDescr", "0"}, {"SaveFormat", "PNG"},
              {"SaveDir", "skeny"}, {"XRes", "100"}, {"YRes", "100"}, {"WndLeft", "0.5"}, {"WndTop", "0.5"},
              {"WndWidth", "6"}, {"WndHeight", "6"}, {"IgnoreErrors", "1"}})
            configuration = withKey(configuration, key, value);
        std::ofstream(m_directory / "vestiscop.cfg") << configuration;
        device("test", "");
    }
    void TearDown() override { fs::remove_all(m_directory); }

    void device(const std::string& backends, const std::string& extra)
    {
        vestiscop::scanner::testing::writeSaneConfiguration(m_directory / "sane", backends, extra);
    }

    Outcome scan(const std::string& arguments, const std::string& environment = "")
    {
        // The child's leak check is off: SANE's test backend leaves a few
        // strings behind that cannot be told from ours once SANE unloads it.
        const std::string command = "cd '" + m_directory.string() + "' && SANE_CONFIG_DIR='" +
                                    (m_directory / "sane").string() +
                                    "' ASAN_OPTIONS=detect_leaks=0 VESTISCOP_TWAIN_MANAGER= " + environment + " '" +
                                    VESTISCOP_CLI_PATH + "' scan " + arguments + " > out.txt 2> err.txt";
        Outcome run;
        const int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = readFile(m_directory / "out.txt");
        run.err = readFile(m_directory / "err.txt");
        return run;
    }

    std::string log() const { return readFile(m_directory / "vestiscop.log"); }

    // The project's own SANE backend over the test device (see
    // SaneDoubleBackend.cpp): doubled is its vsdouble.conf.
    std::string doubled(const std::string& lines, const std::string& extra)
    {
        device("vsdouble", extra);
        std::ofstream(m_directory / "sane" / "vsdouble.conf") << lines;
        return std::string("LD_LIBRARY_PATH='") + SANE_DOUBLE_DIR + "'";
    }

    fs::path m_directory;
};

TEST_F(ScanCommandTest, WhitePageIsOneColourWithoutPattern)
{
    device("test", "test-picture \"Solid white\"\n");
    const Outcome run = scan("--json");
    ASSERT_EQ(run.status, 0) << run.err;
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
    const Outcome run = scan("");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "100% černá (0 0 0)\nBez vzoru\nNeznámý oděv\n");
}

TEST_F(ScanCommandTest, ColourPatternHasSeveralColours)
{
    device("test", "test-picture \"Color pattern\"\n");
    const Outcome run = scan("--json");
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_GE(result["colors"].size(), 3u) << run.out;
}

TEST_F(ScanCommandTest, SavedScanIsNumberedAndLogged)
{
    device("test", "test-picture \"Solid white\"\n");
    const Outcome run = scan("--json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["saved"], "scan000.png");
    EXPECT_TRUE(fs::exists(m_directory / "skeny" / "scan000.png"));
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
    const Outcome run = scan("");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::string(GetParam().message) + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_NE(log().find(std::string(" - ERROR: ") + GetParam().message + "\n"), std::string::npos) << log();
    EXPECT_FALSE(fs::exists(m_directory / "skeny" / "scan000.png"));
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
    std::string configuration = readFile(m_directory / "vestiscop.cfg");
    configuration = withKey(withKey(configuration, "XRes", "1200"), "YRes", "1200");
    std::ofstream(m_directory / "vestiscop.cfg") << configuration;
    const Outcome run = scan("", "VESTISCOP_SCAN_TIMEOUT=1");
    EXPECT_EQ(run.status, 1);
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
    std::string configuration = readFile(fs::path(VESTISCOP_SOURCE_DIR) / "data" / "vestiscop.cfg");
    for (const auto& [key, value] : {std::pair<const char*, const char*>{"SaveImage", "1"},
                                     {"AskForDescr", "0"}, {"SaveFormat", "PNG"}, {"SaveDir", "skeny"}})
        configuration = withKey(configuration, key, value);
    std::ofstream(m_directory / "vestiscop.cfg") << configuration;
    const std::string environment = doubled("resolutions 75 150 300 600\nresolution-default 75\n",
                                            "test-picture \"Color pattern\"\n");
    const Outcome run = scan("--json", environment);
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_GE(result["colors"].size(), 3u) << run.out;
    ASSERT_EQ(result["saved"], "scan000.png");
    // Scanned at 300 dpi, analysed and kept at 200 dpi.
    EXPECT_EQ(pngSize(readFile(m_directory / "skeny" / "scan000.png")), std::make_pair(600, 600));
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
    const std::string environment = doubled(GetParam().doubled, "test-picture \"Color pattern\"\n");
    const Outcome run = scan("", environment + " " + GetParam().environment);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::string(GetParam().message) + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_NE(log().find(std::string(" - ERROR: ") + GetParam().message + "\n"), std::string::npos) << log();
    EXPECT_FALSE(fs::exists(m_directory / "skeny" / "scan000.png"));
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
    const Outcome run = scan("--colour");
    EXPECT_EQ(run.status, 64);
    EXPECT_FALSE(fs::exists(m_directory / "vestiscop.log"));
}

} // namespace

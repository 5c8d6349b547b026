// SPDX-License-Identifier: GPL-3.0-or-later
// The shared start-up and the one way failures reach the user: shown first,
// then logged with the same text, and memory exhaustion in the program's
// own words.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Application.h"
#include "foundation/Exception.h"
#include "support/ProgramFiles.h"
#include "support/ScratchDirectory.h"

namespace {

using vestiscop::app::Application;
using vestiscop::app::ErrorNotifier;
using vestiscop::app::MessageIcon;
using vestiscop::testsupport::ScratchDirectory;
using vestiscop::testsupport::testColorTable;
using vestiscop::testsupport::testConfiguration;
namespace foundation = vestiscop::foundation;

struct Shown {
    std::string text;
    MessageIcon icon;
    std::string logAtThatTime;
};

class RecordingNotifier : public ErrorNotifier {
public:
    explicit RecordingNotifier(const ScratchDirectory* dir = nullptr) : m_dir(dir) {}
    void showMessage(const std::string& text, MessageIcon icon) override
    {
        shown.push_back({text, icon, m_dir ? m_dir->read("vestiscop.log") : std::string()});
    }
    std::vector<Shown> shown;

private:
    const ScratchDirectory* m_dir;
};

// Runs the start-up in dir as the program's current directory.
class StartUp : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path();
        dir.write("vestiscop.cfg", testConfiguration());
        dir.write("colors.txt", testColorTable());
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override { std::filesystem::current_path(m_previous); }

    ScratchDirectory dir;
    RecordingNotifier notifier{&dir};

private:
    std::filesystem::path m_previous;
};

TEST_F(StartUp, LoadsEverythingAndStartsTheLogWithOneEmptyLine)
{
    dir.write("vestiscop.log", "earlier run\n");
    Application app(notifier);
    ASSERT_TRUE(app.start());
    EXPECT_TRUE(notifier.shown.empty());
    EXPECT_EQ(app.startDir(), dir.path() + "/");
    EXPECT_EQ(app.matching().materials, "odevy.dat");
    EXPECT_EQ(app.texture().width, 64);
    EXPECT_EQ(app.colorNames().entries().size(), 5u);
    EXPECT_EQ(app.catalog().slotCount(), 0);
    EXPECT_EQ(dir.read("vestiscop.log"), "earlier run\n\n");
}

TEST_F(StartUp, ReportShowsTheTextFirstAndThenLogsTheSameText)
{
    Application app(notifier);
    ASSERT_TRUE(app.start());
    app.reportError(foundation::VisionError(1), MessageIcon::Exclamation);
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_EQ(notifier.shown[0].text, "Nelze nalézt určující barvu");
    EXPECT_EQ(notifier.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(notifier.shown[0].logAtThatTime, "\n") << "the line is logged only after the box";
    const std::string log = dir.read("vestiscop.log");
    EXPECT_TRUE(log.ends_with(" - ERROR: Nelze nalézt určující barvu\n")) << log;
}

TEST_F(StartUp, AFailingCatalogueIsShownWithTheStopIconAndLoggedOnce)
{
    dir.write("odevy.dat", std::string(100, '\0'));
    Application app(notifier);
    EXPECT_FALSE(app.start());
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_EQ(notifier.shown[0].text, "Nelze číst ze souboru odevy.dat");
    EXPECT_EQ(notifier.shown[0].icon, MessageIcon::Stop);
    const std::string log = dir.read("vestiscop.log");
    ASSERT_TRUE(log.starts_with("\n"));
    EXPECT_TRUE(log.ends_with(" - ERROR: Nelze číst ze souboru odevy.dat\n")) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
    EXPECT_THROW(app.catalog(), std::logic_error);
    EXPECT_EQ(app.colorNames().entries().size(), 5u) << "what was created stays owned";
}

TEST_F(StartUp, AnUnusableLumaScaleEndsTheStartUpLikeABadEntry)
{
    dir.write("vestiscop.cfg", testConfiguration({"LumaScale=0"}));
    Application app(notifier);
    EXPECT_FALSE(app.start());
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_EQ(notifier.shown[0].text,
              "Položka LumaScale ze sekce [Color] v souboru " + dir.file("vestiscop.cfg") + " je špatná");
    EXPECT_FALSE(dir.exists("vestiscop.log"));
}

// The optional [Texture] Analysis key: which analysis every scan gets.
struct AnalysisChoice {
    const char* name;
    std::vector<std::string> config;  // replacements of the test configuration
    bool starts;
    bool improved;
    std::string refused;  // the key named when the start-up refuses it
};

class AnalysisKey : public StartUp, public ::testing::WithParamInterface<AnalysisChoice> {};

TEST_P(AnalysisKey, ChoosesTheAnalysisOrIsRefusedLikeABadEntry)
{
    const AnalysisChoice& c = GetParam();
    dir.write("vestiscop.cfg", testConfiguration(c.config));
    Application app(notifier);
    ASSERT_EQ(app.start(), c.starts);
    if (!c.starts) {
        ASSERT_EQ(notifier.shown.size(), 1u);
        EXPECT_EQ(notifier.shown[0].text, "Položka " + c.refused + " v souboru " + dir.file("vestiscop.cfg") +
                                              " je špatná");
        return;
    }
    EXPECT_EQ(app.improvedAnalysis(), c.improved);
    const auto analyzer = app.makeAnalyzer();
    EXPECT_EQ(analyzer->result().method,
              c.improved ? vestiscop::analysis::Method::Improved : vestiscop::analysis::Method::Standard);
    EXPECT_EQ(analyzer->result().regionWidth, 64);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, AnalysisKey,
    ::testing::Values(AnalysisChoice{"absent", {}, true, false, ""},
                      AnalysisChoice{"standard", {"Height=64\nAnalysis=standard"}, true, false, ""},
                      AnalysisChoice{"improved", {"Height=64\nAnalysis=improved"}, true, true, ""},
                      AnalysisChoice{"misspelt", {"Height=64\nAnalysis=improve"}, false, false,
                                     "Analysis ze sekce [Texture]"},
                      AnalysisChoice{"improvedWithoutAResolution", {"Height=64\nAnalysis=improved", "XRes=0"}, false,
                                     false, "XRes ze sekce [Scan]"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartUp, TheLogFileThatCannotBeOpenedIsShownButNotLogged)
{
    std::filesystem::create_directory(dir.file("vestiscop.log"));
    Application app(notifier);
    EXPECT_FALSE(app.start());
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_EQ(notifier.shown[0].text, "Nelze psát do souboru " + dir.file("vestiscop.log"));
    EXPECT_FALSE(app.hasLog());
}

TEST(Report, BeforeTheLogExistsOnlyTheMessageIsShown)
{
    RecordingNotifier notifier;
    Application app(notifier);
    app.reportError(foundation::SystemError(3, "x.txt"), MessageIcon::Information);
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_EQ(notifier.shown[0].text, "Nelze číst ze souboru x.txt");
    EXPECT_EQ(notifier.shown[0].icon, MessageIcon::Information);
    EXPECT_THROW(app.log(), std::logic_error);
}

TEST(Report, ExceptionsInFlightAreNamedInTheProgramsOwnWords)
{
    RecordingNotifier notifier;
    Application app(notifier);
    try {
        throw std::bad_alloc();
    } catch (...) {
        app.reportCurrentException(MessageIcon::Exclamation);
    }
    try {
        throw foundation::IniError(2, "/d/vestiscop.cfg", "Color", "MaxBins");
    } catch (...) {
        app.reportCurrentException(MessageIcon::Stop);
    }
    try {
        throw std::runtime_error("not ours");
    } catch (...) {
        app.reportCurrentException(MessageIcon::Exclamation);
    }
    ASSERT_EQ(notifier.shown.size(), 3u);
    EXPECT_EQ(notifier.shown[0].text, "Došla paměť");
    EXPECT_EQ(notifier.shown[1].text,
              "Položka MaxBins ze sekce [Color] v souboru /d/vestiscop.cfg obsahuje neočekáváná data");
    EXPECT_EQ(notifier.shown[2].text, "Neznámá vyjímka");
}

} // namespace

TEST_F(StartUp, LogsEachEnvironmentVariableItCouldNotUse)
{
    foundation::Environment environment;
    environment.rejected = {{"VESTISCOP_SCAN_TIMEOUT", "0", "120"}};
    Application app(notifier, environment);
    ASSERT_TRUE(app.start());
    EXPECT_TRUE(notifier.shown.empty());
    EXPECT_NE(dir.read("vestiscop.log")
                  .find("Proměnná prostředí VESTISCOP_SCAN_TIMEOUT má nepoužitelnou hodnotu „0“; platí 120"),
              std::string::npos);
}

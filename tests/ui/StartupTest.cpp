// SPDX-License-Identifier: GPL-3.0-or-later
// The windowed program's start-up: every failure before the dialog shows a
// box with the stop icon and ends the program; a failure after the log is
// open is logged too.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include <QCoreApplication>
#include <QPlainTextEdit>

#include "ScriptedWindowingServices.h"
#include "ui/CMainDlg.h"
#include "ui/ControlIds.h"
#include "ui/WindowedProgram.h"
#include "support/ProgramFiles.h"
#include "support/ScratchDirectory.h"

using namespace vestiscop;
using namespace vestiscop::ui;
using namespace vestiscop::ui::test;

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path().string();
        std::filesystem::current_path(m_dir.path());
        setenv("VESTISCOP_TWAIN_MANAGER", m_dir.file("no-manager.so").c_str(), 1);
    }
    void TearDown() override
    {
        std::filesystem::current_path(m_previous);
        unsetenv("VESTISCOP_TWAIN_MANAGER");
    }

    testsupport::ScratchDirectory m_dir;
    ScriptedWindowingServices m_services;
    std::string m_previous;
};

} // namespace

TEST_F(StartupTest, MissingConfigurationNamesTheFirstEntryAndEnds)
{
    EXPECT_EQ(runWindowedProgram(m_services), 1);
    ASSERT_EQ(m_services.boxes.size(), 1u);
    EXPECT_EQ(m_services.boxes[0].text,
              "Položka LogFile ze sekce [Debug] nebyla nalezena v souboru " + m_dir.path() + "/vestiscop.cfg");
    EXPECT_EQ(m_services.boxes[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(m_services.modalDialogs.empty()) << "the dialog never runs";
    EXPECT_FALSE(m_dir.exists("vestiscop.log"));
}

TEST_F(StartupTest, InvalidSaveFormatIsShownWithTheStopIcon)
{
    m_dir.write("vestiscop.cfg", testsupport::testConfiguration({"SaveFormat=GIF"}));
    m_dir.write("colors.txt", testsupport::testColorTable());
    EXPECT_EQ(runWindowedProgram(m_services), 1);
    ASSERT_EQ(m_services.boxes.size(), 1u);
    EXPECT_EQ(m_services.boxes[0].text,
              "Položka SaveFormat ze sekce [Debug] v souboru " + m_dir.path() + "/vestiscop.cfg je špatná");
    EXPECT_EQ(m_services.boxes[0].icon, MessageIcon::Stop);
}

TEST_F(StartupTest, FailureAfterTheLogOpensIsLoggedAfterTheBox)
{
    m_dir.write("vestiscop.cfg", testsupport::testConfiguration());  // no colour table written
    EXPECT_EQ(runWindowedProgram(m_services), 1);
    ASSERT_EQ(m_services.boxes.size(), 1u);
    EXPECT_EQ(m_services.boxes[0].icon, MessageIcon::Stop);
    const std::string log = m_dir.read("vestiscop.log");
    // One empty line opens the run, then the failure's text.
    EXPECT_EQ(log.rfind("\n", 0), 0u) << log;
    EXPECT_NE(log.find(" - ERROR: " + m_services.boxes[0].text + "\n"), std::string::npos) << log;
    EXPECT_TRUE(m_services.modalDialogs.empty());
}

TEST_F(StartupTest, SuccessfulStartRunsTheDialogUntilItEnds)
{
    m_dir.write("vestiscop.cfg", testsupport::testConfiguration());
    m_dir.write("colors.txt", testsupport::testColorTable());
    EXPECT_EQ(runWindowedProgram(m_services), 0);
    ASSERT_EQ(m_services.modalDialogs.size(), 1u);
    EXPECT_EQ(m_services.modalDialogs[0], typeid(CMainDlg).name());
    // The only box is the missing scanner's, which does not end the program.
    ASSERT_EQ(m_services.boxes.size(), 1u);
    EXPECT_EQ(m_services.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(m_dir.exists("odevy.dat")) << "the catalogue file is created when missing";
}

TEST_F(StartupTest, AFileGivenToTheProgramIsAnalysedOnceTheDialogRuns)
{
    m_dir.write("vestiscop.cfg", testsupport::testConfiguration());
    m_dir.write("colors.txt", testsupport::testColorTable());
    m_dir.write("tricko.bmp", testsupport::redWhiteBmp(48));
    std::string colours;
    m_services.dialogActions.push_back([&colours](QDialog& dialog) {
        QCoreApplication::processEvents();
        colours = findControlAs<QPlainTextEdit>(&dialog, CMainDlg::ColorFieldId)->toPlainText().toStdString();
    });
    EXPECT_EQ(runWindowedProgram(m_services, m_dir.file("tricko.bmp")), 0);
    EXPECT_TRUE(colours.starts_with("75% červená")) << colours;
}

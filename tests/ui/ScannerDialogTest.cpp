// SPDX-License-Identifier: GPL-3.0-or-later
// A real scan through the dialog, from the Enter key to the saved file and
// its log line, with SANE's virtual test device behind the project's manager.
// The source posts its event from its own thread; the dialog's application
// wide event filter hands it to the connection.

#include "DialogFixture.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QTest>

using namespace vestiscop;
using namespace vestiscop::ui;
using namespace vestiscop::ui::test;

// SANE's virtual test device keeps a few strings per start-up and its read
// buffer after a scan; neither is ours to free. Built into the test so that
// it holds however the test is started.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions()
{
    return "leak:libsane-test.so\n";
}

namespace {

class ScannerDialogTest : public DialogFixture {
protected:
    static void SetUpTestSuite()
    {
        // Keeps SANE's test backend mapped after SANE lets it go, so the leak
        // checker can name it in the stacks of what the backend leaves behind.
        dlopen(SANE_TEST_BACKEND_PATH, RTLD_NOW | RTLD_NODELETE);
    }

    void SetUp() override
    {
        DialogFixture::SetUp();
        const std::string sane = m_dir.file("sane");
        std::filesystem::create_directories(sane);
        std::ofstream(sane + "/dll.conf") << "test\n";
        std::ofstream(sane + "/test.conf") << "number_of_devices 1\nmode Color\ndepth 8\nresolution 50.0\n";
        setenv("SANE_CONFIG_DIR", sane.c_str(), 1);
        setenv("VESTISCOP_TWAIN_MANAGER", SANE_MANAGER_PATH, 1);
        unsetenv("SANE_DEFAULT_DEVICE");
    }
    void TearDown() override
    {
        DialogFixture::TearDown();
        unsetenv("SANE_CONFIG_DIR");
    }
};

} // namespace

TEST_F(ScannerDialogTest, EnterScansAndTheScanIsSavedAndLogged)
{
    // One inch at 100 dpi: a 100 x 100 scan for a 64 x 64 region.
    start({"SaveImage=1", "AskForDescr=0", "WndLeft=0", "WndTop=0", "WndWidth=1", "WndHeight=1"});
    ASSERT_EQ(m_startBoxes, 0u) << m_services.boxes[0].text;
    EXPECT_NE(logText().find(" - INFO : Použit skener "), std::string::npos) << logText();
    ASSERT_TRUE(button(CMainDlg::ScanId)->isEnabled());

    m_dialog->show();
    m_dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
    control<QWidget>(CMainDlg::ColorFieldId)->setFocus();
    // Enter anywhere presses the default button, Scan.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    const bool saved = QTest::qWaitFor(
        [this] { return logText().find("Nasnímán a uložen obrázek scan000.bmp (?)") != std::string::npos; }, 60000);
    ASSERT_TRUE(saved) << logText();
    EXPECT_TRUE(m_dir.exists("skeny/scan000.bmp"));
    // The test device scans one flat colour, which the analysis may refuse;
    // either way the outcome reached the user, and the save followed it.
    if (m_dialog->hasCurrentScan()) {
        EXPECT_FALSE(fieldText(CMainDlg::ColorFieldId).empty());
        EXPECT_EQ(QApplication::focusWidget(), control<QWidget>(CMainDlg::ColorFieldId));
    } else {
        ASSERT_EQ(boxesSinceStart().size(), 1u);
        EXPECT_EQ(boxesSinceStart()[0].icon, MessageIcon::Exclamation);
    }
    // The source is closed again, so a second scan can start.
    EXPECT_TRUE(button(CMainDlg::ScanId)->isEnabled());
}

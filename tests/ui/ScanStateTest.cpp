// SPDX-License-Identifier: GPL-3.0-or-later
// The window while a scan runs, with the scripted manager as the scanner: its
// source accepts the scan and then never answers, like a device that is slow
// or stuck. Scan is disabled and a second press starts nothing, Esc calls the
// scan off at the source, the time-out does so too and says why.

#include "DialogFixture.h"

#include <cstdlib>

#include <QApplication>
#include <QLabel>
#include <QTest>

#include "FakeManager.h"

using namespace vestiscop;
using namespace vestiscop::ui;
using namespace vestiscop::ui::test;
namespace fake = vestiscop::scanner::fake;
using vestiscop::scanner::MSG_CLOSEDS;
using vestiscop::scanner::MSG_DISABLEDS;
using vestiscop::scanner::MSG_ENABLEDS;

namespace {

class ScanStateTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        fake::reset();
        setenv("VESTISCOP_TWAIN_MANAGER", FAKE_MANAGER_PATH, 1);
    }
    void TearDown() override
    {
        DialogFixture::TearDown();
        unsetenv("VESTISCOP_TWAIN_MANAGER");
        unsetenv("VESTISCOP_SCAN_TIMEOUT");
    }

    void startScanning()
    {
        start();
        ASSERT_EQ(m_startBoxes, 0u);
        ASSERT_TRUE(button(CMainDlg::ScanId)->isEnabled());
        m_dialog->show();
        button(CMainDlg::ScanId)->setFocus();
        button(CMainDlg::ScanId)->click();
        ASSERT_TRUE(m_dialog->isScanning());
    }

    std::size_t enables() const { return fake::callsOf(MSG_ENABLEDS).size(); }
};

TEST_F(ScanStateTest, ScanIsDisabledWhileItRunsAndTheFocusIsOnTheScanningState)
{
    startScanning();
    EXPECT_FALSE(button(CMainDlg::ScanId)->isEnabled());
    auto* focused = qobject_cast<QLabel*>(m_dialog->focusWidget());
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->text().toStdString(), "Skenuji…");
    EXPECT_TRUE(focused->isVisible());

    // Enter again presses nothing: the default button is disabled and the
    // scan command refuses a second acquisition.
    QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Return);
    button(CMainDlg::ScanId)->click();
    EXPECT_EQ(enables(), 1u);
    EXPECT_TRUE(boxesSinceStart().empty());
}

TEST_F(ScanStateTest, EscCancelsTheScanAtTheSourceAndKeepsTheWindow)
{
    startScanning();
    QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Escape);

    EXPECT_FALSE(m_dialog->isScanning());
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(fake::callsOf(MSG_DISABLEDS).size(), 1u);
    // The source stays open: the next Scan starts on it at once.
    EXPECT_TRUE(fake::callsOf(MSG_CLOSEDS).empty());
    EXPECT_TRUE(button(CMainDlg::ScanId)->isEnabled());
    EXPECT_EQ(m_dialog->focusWidget(), control<QWidget>(CMainDlg::ColorFieldId));
    EXPECT_EQ(control<QWidget>(CMainDlg::ColorFieldId)->accessibleDescription().toStdString(), "Skenování zrušeno");
    EXPECT_TRUE(boxesSinceStart().empty());
    EXPECT_FALSE(m_dialog->hasCurrentScan());

    // The next scan starts.
    button(CMainDlg::ScanId)->click();
    EXPECT_TRUE(m_dialog->isScanning());
    EXPECT_EQ(enables(), 2u);

    // The first Esc calls that scan off too; without a scan running, the
    // second closes the window as before.
    QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Escape);
    QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(m_dialog->isVisible());
}

TEST_F(ScanStateTest, AScanThatBringsNothingTimesOutWithTheMessage)
{
    setenv("VESTISCOP_SCAN_TIMEOUT", "1", 1);
    startScanning();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_dialog->isScanning(); }, 10000));

    const std::vector<ShownBox> boxes = boxesSinceStart();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(boxes[0].text, "Čas pro operaci vypršel");
    EXPECT_EQ(fake::callsOf(MSG_DISABLEDS).size(), 1u);
    EXPECT_TRUE(button(CMainDlg::ScanId)->isEnabled());
}

} // namespace

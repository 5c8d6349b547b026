// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader user meets: the accessible names of the controls, the
// tab order, the Alt+letter mnemonics and the read-only fields that the
// keyboard can still read.

#include "DialogFixture.h"

#include <functional>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "ui/CAboutDlg.h"
#include "ui/CDescrDlg.h"

using namespace vestiscop;
using namespace vestiscop::ui;
using namespace vestiscop::ui::test;

namespace {

class KeyboardAccessTest : public DialogFixture {
protected:
    void showActive()
    {
        m_dialog->show();
        m_dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
    }

    int focusedId() const
    {
        QWidget* focused = QApplication::focusWidget();
        return focused == nullptr ? -100 : controlId(focused);
    }

    // Tabs from the colour field around to it again.
    std::vector<int> tabCycle()
    {
        control<QWidget>(CMainDlg::ColorFieldId)->setFocus();
        std::vector<int> ids{focusedId()};
        for (int i = 0; i < 20; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (focusedId() == CMainDlg::ColorFieldId)
                break;
            ids.push_back(focusedId());
        }
        return ids;
    }
};

struct NamedControl {
    int id;
    const char* name;
};

} // namespace

TEST_F(KeyboardAccessTest, EveryFocusableControlHasTheNameOfItsLabelOrCaption)
{
    start({"ExtendedUI=1"});
    const NamedControl controls[] = {
        {CMainDlg::ColorFieldId, "Nalezené barvy"}, {CMainDlg::PatternFieldId, "Vzor"},
        {CMainDlg::NameListId, "Pojmenování oděvu"}, {CMainDlg::AddId, "Přidej"},
        {CMainDlg::CorrectId, "Oprav"},              {CMainDlg::DeleteId, "Vymaž"},
        {CMainDlg::ScanId, "Skenuj"},                {CMainDlg::AboutId, "O programu"},
        {CMainDlg::EndId, "Konec"},                  {CMainDlg::PictureViewId, "Obrázek"},
        {CMainDlg::ChromaViewId, "Barevnost"},       {CMainDlg::SeparationViewId, "Separace"},
        {CMainDlg::TextureViewId, "Textura"},
    };
    for (const NamedControl& c : controls) {
        QWidget* widget = control<QWidget>(c.id);
        ASSERT_NE(widget, nullptr);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr) << c.id;
        EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), c.name) << c.id;
        EXPECT_TRUE(accessible->state().focusable) << c.id;
    }
}

TEST_F(KeyboardAccessTest, FindingsAreReadOnlyTextTheKeyboardReads)
{
    start();
    dropFile("red20.bmp");
    for (int id : {CMainDlg::ColorFieldId, CMainDlg::PatternFieldId}) {
        auto* field = control<QPlainTextEdit>(id);
        EXPECT_TRUE(field->isReadOnly());
        EXPECT_TRUE(field->textInteractionFlags() & Qt::TextSelectableByKeyboard) << id;
        EXPECT_TRUE(field->focusPolicy() & Qt::TabFocus) << id;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(field);
        EXPECT_EQ(accessible->role(), QAccessible::EditableText) << id;
        EXPECT_TRUE(accessible->state().readOnly) << id;
        ASSERT_NE(accessible->textInterface(), nullptr);
        EXPECT_EQ(accessible->textInterface()->text(0, accessible->textInterface()->characterCount()),
                  field->toPlainText());
    }
    // Each label is the buddy of what it names, so Alt+letter goes there.
    const std::pair<const char*, int> buddies[] = {{"Nalezené &barvy", CMainDlg::ColorFieldId},
                                                   {"V&zor", CMainDlg::PatternFieldId},
                                                   {"Po&jmenování oděvu", CMainDlg::NameListId}};
    for (const auto& [caption, id] : buddies) {
        int found = 0;
        for (QLabel* label : m_dialog->findChildren<QLabel*>()) {
            if (label->text() == QString::fromUtf8(caption)) {
                ++found;
                EXPECT_EQ(label->buddy(), control<QWidget>(id)) << caption;
            }
        }
        EXPECT_EQ(found, 1) << caption;
    }
}

TEST_F(KeyboardAccessTest, TabFollowsTheTemplateAndSkipsDisabledButtons)
{
    start({"ExtendedUI=1"});
    showActive();
    // No scanner and no scan yet: Scan, Add, Correct and Delete are disabled.
    EXPECT_EQ(tabCycle(), (std::vector<int>{CMainDlg::ColorFieldId, CMainDlg::PatternFieldId, CMainDlg::NameListId,
                                            CMainDlg::AboutId, CMainDlg::EndId, CMainDlg::PictureViewId}));

    dropFile("red20.bmp");
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("Halenka")));
    button(CMainDlg::AddId)->click();
    EXPECT_EQ(tabCycle(), (std::vector<int>{CMainDlg::ColorFieldId, CMainDlg::PatternFieldId, CMainDlg::NameListId,
                                            CMainDlg::AddId, CMainDlg::CorrectId, CMainDlg::DeleteId,
                                            CMainDlg::AboutId, CMainDlg::EndId, CMainDlg::PictureViewId}));
}

TEST_F(KeyboardAccessTest, MnemonicsMoveTheFocusToTheLabelledControls)
{
    start();
    showActive();
    const std::pair<Qt::Key, int> mnemonics[] = {
        {Qt::Key_Z, CMainDlg::PatternFieldId}, {Qt::Key_J, CMainDlg::NameListId}, {Qt::Key_B, CMainDlg::ColorFieldId}};
    for (const auto& [key, id] : mnemonics) {
        QTest::keyClick(m_dialog.get(), key, Qt::AltModifier);
        EXPECT_EQ(focusedId(), id) << "Alt+" << QKeySequence(key).toString().toStdString();
    }
}

TEST_F(KeyboardAccessTest, MnemonicsPressTheButtons)
{
    start();
    showActive();
    dropFile("red20.bmp");

    // A button's mnemonic presses it visibly: the click follows shortly.
    const auto press = [this](Qt::Key key, const std::function<bool()>& done) {
        QTest::keyClick(m_dialog.get(), key, Qt::AltModifier);
        return QTest::qWaitFor(done);
    };
    m_services.dialogActions.push_back(ScriptedWindowingServices::enterName(QStringLiteral("Halenka")));
    EXPECT_TRUE(press(Qt::Key_P, [this] { return selectedText() == "Halenka"; })) << "Přidej";
    EXPECT_TRUE(press(Qt::Key_O, [this] { return boxesSinceStart().size() == 1; })) << "Oprav";
    EXPECT_TRUE(press(Qt::Key_V, [this] { return boxesSinceStart().size() == 2; })) << "Vymaž";
    const auto boxes = boxesSinceStart();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text.rfind("Opravdu chcete změnit", 0), 0u);
    EXPECT_EQ(boxes[1].text.rfind("Opravdu chcete smazat", 0), 0u);

    EXPECT_TRUE(press(Qt::Key_G, [this] { return m_services.modalDialogs.size() == 2; })) << "O programu";
    ASSERT_EQ(m_services.modalDialogs.size(), 2u);
    EXPECT_EQ(m_services.modalDialogs[1], typeid(CAboutDlg).name());

    EXPECT_TRUE(press(Qt::Key_K, [this] { return m_dialog->isHidden(); })) << "Konec";
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
}

TEST_F(KeyboardAccessTest, EscapeEndsTheDialog)
{
    start();
    showActive();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(m_dialog->isHidden());
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
}

TEST(NamingDialog, TypingStopsAt255Characters)
{
    CDescrDlg dialog;
    auto* edit = findControlAs<QLineEdit>(&dialog, CDescrDlg::NameEditId);
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, QString(300, QLatin1Char('a')));
    EXPECT_EQ(edit->text().size(), 255);
    findControlAs<QPushButton>(&dialog, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.name(), std::string(255, 'a'));
}

TEST(NamingDialog, CancelKeepsTheNameEmpty)
{
    CDescrDlg dialog;
    findControlAs<QLineEdit>(&dialog, CDescrDlg::NameEditId)->setText(QStringLiteral("košile"));
    findControlAs<QPushButton>(&dialog, 2)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.name(), "");
}

TEST(NamingDialog, FieldIsNamedByThePromptAndTakesTheFocusFirst)
{
    CDescrDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* edit = findControlAs<QLineEdit>(&dialog, CDescrDlg::NameEditId);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(edit)->text(QAccessible::Name).toStdString(),
              "Zadejte pojmenování nasnímaného oděvu");
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Pojmenování oděvu");
    // Enter presses OK from the field.
    QTest::keyClicks(edit, QStringLiteral("sako"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.name(), "sako");
}

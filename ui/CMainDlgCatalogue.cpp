// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog's name list and catalogue commands: the list in the
// user's collation order, what it says about the garment it shows, and Add,
// Correct and Delete with their questions and the confirmations the name
// list reads (CMainDlg.h).
#include "ui/CMainDlg.h"

#include <QCollator>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "catalog/GarmentName.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"
#include "ui/CDescrDlg.h"
#include "ui/MessageText.h"
#include "ui/ResultSpeech.h"

namespace vestiscop::ui {

void CMainDlg::fillNameList()
{
    insertName(text(foundation::stringId::UnknownGarment), -1);
    catalog::GarmentCatalog& catalog = m_app.catalog();
    for (int slot = 0; slot < catalog.slotCount(); ++slot) {
        if (catalog.inUse(slot))
            insertName(QString::fromStdString(catalog.name(slot)), slot);
    }
    m_nameList->setCurrentIndex(-1);
}

int CMainDlg::insertName(const QString& name, int slot)
{
    // The user's language decides the order ("ch" after "h" in Czech), and
    // case does not matter.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    int position = 0;
    while (position < m_nameList->count() && collator.compare(m_nameList->itemText(position), name) <= 0)
        ++position;
    m_nameList->insertItem(position, name, slot);
    return position;
}

int CMainDlg::positionOfSlot(int slot) const
{
    return m_nameList->findData(slot);
}

int CMainDlg::selectedSlot() const
{
    const int selected = m_nameList->currentIndex();
    return selected >= 0 ? m_nameList->itemData(selected).toInt() : -1;
}

QString CMainDlg::nameListWords() const
{
    if (m_nameList->currentIndex() < 0)
        return QString();
    QString words = m_nameList->currentText();
    const int slot = selectedSlot();
    if (slot >= 0 && slot == m_matchIndex && !m_similarityLabel->text().isEmpty())
        words += ' ' + m_similarityLabel->text();
    return words;
}

void CMainDlg::describeNameList(const QString& confirmation)
{
    // Where the toolkit announces, the recognised garment is announced when
    // the list takes the focus (Orca 48 does not read this description).
    QString description = confirmation;
    if (description.isEmpty() && !(screenReaderListens() && toolkitAnnounces()))
        description = nameListWords();
    // The list reads its own description only when it gets the focus, so an
    // unchanged one is not set again.
    if (m_nameList->accessibleDescription() != description)
        m_nameList->setAccessibleDescription(description);
}

void CMainDlg::nameListFocused(const QWidget* from)
{
    // Not on the way back from a dialog: there the confirmation is said.
    if (from == nullptr || from->window() != this || !screenReaderListens() || !toolkitAnnounces())
        return;
    // The list reads the garment it shows; the similarity is the news.
    if (const QString words = nameListWords(); words != m_nameList->currentText())
        announce(m_nameList, words);
}

void CMainDlg::confirmOnNameList(int textId, const std::string& name)
{
    if (screenReaderListens() && toolkitAnnounces()) {
        describeNameList();
        m_nameList->setFocus();
        announce(m_nameList, formatted(textId, name));
        return;
    }
    describeNameList(formatted(textId, name));
    m_nameList->setFocus();
}
bool CMainDlg::confirmed(int questionId, int slot)
{
    const std::string question =
        foundation::format(foundation::loadString(questionId).c_str(), m_app.catalog().name(slot).c_str());
    return m_services.messageBox(this, question, app::MessageIcon::Information, MessageButtons::YesNo) ==
           MessageAnswer::Yes;
}

void CMainDlg::onAdd()
{
    if (m_currentScan == nullptr)
        return;
    CDescrDlg dialog(this);
    if (m_services.runModal(dialog) != QDialog::Accepted)
        return;
    // A character the catalogue would store altered (an emoji, a pasted
    // line break) is refused with the reason, as the command-line program
    // does. A long name is still cut to what the list shows, as it always was.
    const catalog::GarmentNameCheck check = catalog::checkGarmentName(dialog.name());
    if (check.problem != catalog::GarmentNameProblem::None && check.problem != catalog::GarmentNameProblem::TooLong) {
        m_app.reportText(catalog::garmentNameRefusal(check), app::MessageIcon::Exclamation);
        return;
    }
    reported([&] {
        catalog::GarmentCatalog& catalog = m_app.catalog();
        const int slot = m_app.recognizer().add(*m_currentScan, m_session->signature(), dialog.name());
        // The list shows the name as stored, at most 64 characters.
        const int position = insertName(QString::fromStdString(catalog.name(slot)), slot);
        m_matchIndex = slot;
        // The similarity shown was that of another garment, or of none.
        m_similarityLabel->clear();
        m_nameList->setCurrentIndex(position);
        updateButtons();
        confirmOnNameList(foundation::stringId::Added, catalog.name(slot));
    });
}

void CMainDlg::onCorrect()
{
    const int slot = selectedSlot();
    if (slot < 0 || m_currentScan == nullptr)
        return;
    reported([&] {
        if (!confirmed(foundation::stringId::ConfirmCorrect, slot))
            return;
        m_app.recognizer().correct(slot, *m_currentScan, m_session->signature());
        confirmOnNameList(foundation::stringId::Corrected, m_app.catalog().name(slot));
    });
}

void CMainDlg::onDelete()
{
    const int selected = m_nameList->currentIndex();
    const int slot = selectedSlot();
    if (slot < 0)
        return;
    reported([&] {
        if (!confirmed(foundation::stringId::ConfirmDelete, slot))
            return;
        const std::string name = m_app.catalog().name(slot);
        // The catalogue first: when storing fails, the list still matches it.
        m_app.catalog().erase(slot);
        // Nothing said about the deleted garment stays: its similarity, the
        // match and what the colour field announced.
        if (slot == m_matchIndex) {
            m_matchIndex = -1;
            m_similarity = 0;
        }
        m_similarityLabel->clear();
        m_colorField->setAccessibleDescription(QString());
        m_nameList->removeItem(selected);
        m_nameList->setCurrentIndex(-1);
        updateButtons();
        confirmOnNameList(foundation::stringId::Deleted, name);
    });
}

} // namespace vestiscop::ui

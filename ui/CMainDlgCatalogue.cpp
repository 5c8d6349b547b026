// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog's catalogue commands: Add, Correct and Delete with their
// questions and the confirmations the name list reads (CMainDlg.h).
#include "ui/CMainDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "catalog/GarmentName.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"
#include "ui/CDescrDlg.h"

namespace vestiscop::ui {

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
        const int slot = m_app.recognizer().add(*m_currentScan, m_currentSignature, dialog.name());
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
        m_app.recognizer().correct(slot, *m_currentScan, m_currentSignature);
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

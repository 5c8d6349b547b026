// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedWindowingServices.h"

#include <typeinfo>

#include <QLineEdit>
#include <QPushButton>

#include "ui/CDescrDlg.h"
#include "ui/ControlIds.h"

namespace vestiscop::ui::test {

MessageAnswer ScriptedWindowingServices::messageBox(QWidget*, const std::string& text, MessageIcon icon,
                                                    MessageButtons buttons)
{
    boxes.push_back({text, icon, buttons});
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (answers.empty())
        return MessageAnswer::No;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

int ScriptedWindowingServices::runModal(QDialog& dialog)
{
    modalDialogs.push_back(typeid(dialog).name());
    dialog.setResult(QDialog::Rejected);
    if (dialogActions.empty())
        return QDialog::Rejected;
    const auto action = dialogActions.front();
    dialogActions.pop_front();
    action(dialog);
    return dialog.result();
}

std::function<void(QDialog&)> ScriptedWindowingServices::enterName(const QString& text)
{
    return [text](QDialog& dialog) {
        auto* edit = findControlAs<QLineEdit>(&dialog, CDescrDlg::NameEditId);
        edit->setText(text);
        findControlAs<QPushButton>(&dialog, 1)->click();
    };
}

std::function<void(QDialog&)> ScriptedWindowingServices::pressCancel()
{
    return [](QDialog& dialog) { findControlAs<QPushButton>(&dialog, 2)->click(); };
}

} // namespace vestiscop::ui::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QtWindowingServices.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

namespace vestiscop::ui {

MessageAnswer QtWindowingServices::messageBox(QWidget* parent, const std::string& text, MessageIcon icon,
                                              MessageButtons buttons)
{
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    switch (icon) {
    case MessageIcon::Stop:
        boxIcon = QMessageBox::Critical;
        break;
    case MessageIcon::Exclamation:
        boxIcon = QMessageBox::Warning;
        break;
    case MessageIcon::Information:
        boxIcon = QMessageBox::Information;
        break;
    }
    const bool question = buttons == MessageButtons::YesNo;
    QMessageBox box(boxIcon, QStringLiteral("Vestiscop"), QString::fromStdString(text),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    box.setDefaultButton(question ? QMessageBox::Yes : QMessageBox::Ok);
    if (question) {
        // The interface speaks Czech whatever the desktop's language is.
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ano"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Ne"));
    }
    const int pressed = box.exec();
    if (!question)
        return MessageAnswer::Ok;
    return pressed == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

void QtWindowingServices::questionBeep()
{
    QApplication::beep();
}

int QtWindowingServices::runModal(QDialog& dialog)
{
    return dialog.exec();
}

} // namespace vestiscop::ui

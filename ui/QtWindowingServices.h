// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windowing services of the real desktop: Qt message boxes titled
// "Vestiscop", the desktop's beep and QDialog::exec.

#include "ui/WindowingServices.h"

namespace vestiscop::ui {

class QtWindowingServices : public WindowingServices {
public:
    MessageAnswer messageBox(QWidget* parent, const std::string& text, MessageIcon icon,
                             MessageButtons buttons) override;
    void questionBeep() override;
    int runModal(QDialog& dialog) override;
};

} // namespace vestiscop::ui

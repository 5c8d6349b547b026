// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windowing services for tests: records every message box, beep and modal
// run, answers boxes from a script and runs a scripted action on each modal
// dialog instead of waiting for a person.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "ui/WindowingServices.h"

namespace vestiscop::ui::test {

struct ShownBox {
    std::string text;
    MessageIcon icon;
    MessageButtons buttons;
};

class ScriptedWindowingServices : public WindowingServices {
public:
    // What the next question boxes answer; an unscripted question answers No.
    std::deque<MessageAnswer> answers;
    // What happens to the next modal dialogs; an unscripted one is cancelled.
    std::deque<std::function<void(QDialog&)>> dialogActions;

    std::vector<ShownBox> boxes;
    std::vector<std::string> modalDialogs;  // class names, in order
    int beeps = 0;

    MessageAnswer messageBox(QWidget* parent, const std::string& text, MessageIcon icon,
                             MessageButtons buttons) override;
    void questionBeep() override { ++beeps; }
    int runModal(QDialog& dialog) override;

    // A dialog action that types the text into the naming dialog and presses OK.
    static std::function<void(QDialog&)> enterName(const QString& text);
    static std::function<void(QDialog&)> pressCancel();
};

} // namespace vestiscop::ui::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windowing operations whose outcome the windows wait for: modal message
// boxes, the question beep and modal runs of dialogs. Everything reaches them
// through this interface, so a scripted stand-in can answer in tests and no
// test ever waits for a person to press a button.

#include <string>

#include "app/ErrorNotifier.h"

class QDialog;
class QWidget;

namespace vestiscop::ui {

// The icons are the application's: stop, exclamation and information.
using app::MessageIcon;
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class WindowingServices {
public:
    virtual ~WindowingServices() = default;

    // A modal box with the text (UTF-8) and icon, titled with the
    // application's title, over parent (may be null). Returns the button pressed.
    virtual MessageAnswer messageBox(QWidget* parent, const std::string& text, MessageIcon icon,
                                     MessageButtons buttons) = 0;
    // The desktop's sound for a question.
    virtual void questionBeep() = 0;
    // Runs the dialog modally; returns once it has ended, with its result
    // (QDialog::Accepted or QDialog::Rejected).
    virtual int runModal(QDialog& dialog) = 0;
};

} // namespace vestiscop::ui

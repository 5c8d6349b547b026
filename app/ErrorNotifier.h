// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a failure reaches the user: the window shows a message box, the
// command-line program writes to standard error. Application::reportError
// calls it first and logs the same text afterwards.

#include <string>

namespace vestiscop::app {

// The icon of the message box; the command-line program ignores it.
enum class MessageIcon {
    Stop,         // start-up failures: the program ends
    Exclamation,  // failures of a command; the program goes on
    Information,
};

class ErrorNotifier {
public:
    virtual ~ErrorNotifier() = default;
    // Shows text (UTF-8) and returns once the user has seen it (a modal box
    // returns when it is closed).
    virtual void showMessage(const std::string& text, MessageIcon icon) = 0;
};

} // namespace vestiscop::app

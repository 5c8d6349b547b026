// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windowed program from start to end: the application's start-up with
// failures shown in a message box with the stop icon (and logged once the
// log exists), then the main dialog run modally until the user ends it.
// A file given to the program (its command line, "Open with") is opened
// as soon as the dialog runs, exactly as if it had been dropped on it.

#include <string>

#include "foundation/Environment.h"

namespace vestiscop::ui {

class WindowingServices;

// Returns the process's exit status: 0 after the dialog ended, 1 when the
// start-up failed. Needs a QApplication.
int runWindowedProgram(WindowingServices& services, const std::string& fileToOpen = std::string(),
                       foundation::Environment environment = foundation::Environment::read());

} // namespace vestiscop::ui

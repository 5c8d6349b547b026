// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// vestiscop-cli of this build run in a data directory, kept away from the
// user's own data: XDG_DATA_HOME points into the directory and the shipped
// data's override is taken out, so a run that looks for the user's data
// directory makes one there. The sanitizers keep their leak check on.

#include <string>
#include <vector>

#include "ChildProcess.h"

namespace vestiscop::testsupport {

// The path of vestiscop-cli in this build.
std::string cliProgram();

// The options of a run in directory; XDG_DATA_HOME is <directory>/xdg.
ChildOptions cliOptions(const std::string& directory);

// Runs vestiscop-cli to its end in directory, with standard input empty; a
// run that has not ended after two minutes is killed (timedOut).
ChildResult runCli(const std::string& directory, const std::vector<std::string>& arguments);
// The same with options, as cliOptions(directory) gives and a test changed
// them.
ChildResult runCli(const std::vector<std::string>& arguments, ChildOptions options);

} // namespace vestiscop::testsupport

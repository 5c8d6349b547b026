// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The directory a Vestiscop program works in: it holds vestiscop.cfg, the
// colour definitions, the catalogue and the log. Both programs choose it the
// same way, before the start-up:
//
// 1. the directory given with -C DIR / --data-dir DIR, used as it is;
// 2. else the current directory when it holds vestiscop.cfg;
// 3. else the user's data directory ($XDG_DATA_HOME/vestiscop, usually
//    ~/.local/share/vestiscop), made on the first start and seeded with the
//    shipped configuration, every shipped colour table, the colour table the
//    configuration names and an empty catalogue. Files already there are
//    never overwritten: they are the user's.
//
// The environment record (foundation/Environment.h) names the user's data
// directory and the shipped data chosen first.
//
// The shipped data is $VESTISCOP_SHIPPED_DATA when set, else share/vestiscop
// beside the program's bin/ directory (the build tree has a copy there too),
// else the installation's data directory.

#include <optional>
#include <string>

#include "foundation/Environment.h"

namespace vestiscop::app {

// Where the shipped configuration and colour tables are; empty when no
// candidate holds vestiscop.cfg.
std::string shippedDataDirectory(const foundation::Environment& environment);

// Makes data (with its parents) and copies into it what is missing, as
// described above. Each copy appears whole or not at all. Returns the text
// to show when it fails (UTF-8), empty on success.
std::string seedDataDirectory(const std::string& data, const std::string& shipped);

// Chooses the working directory as described above and makes it current.
// Returns the text to show when that fails, empty on success.
std::string enterDataDirectory(const std::optional<std::string>& chosen, const foundation::Environment& environment);

} // namespace vestiscop::app

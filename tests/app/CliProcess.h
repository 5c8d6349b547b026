// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs vestiscop-cli as its own process in a given directory and collects
// what it says.

#include <string>
#include <sys/resource.h>
#include <vector>

namespace vestiscop::testing {

struct CliResult {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

struct CliOptions {
    // > 0 sets RLIMIT_FSIZE of the child (with SIGXFSZ ignored), so a write
    // beyond it fails as on a full disk.
    rlim_t fileSizeLimit = 0;
    // The file standard input reads; empty for /dev/null.
    std::string input;
    // "NAME=value" set in the child, after XDG_DATA_HOME=<directory>/xdg
    // (so that a run that looks for the user's data directory never touches
    // the real one) and VESTISCOP_SHIPPED_DATA unset.
    std::vector<std::string> environment;
};

CliResult runCli(const std::string& directory, const std::vector<std::string>& arguments,
                 const CliOptions& options);
CliResult runCli(const std::string& directory, const std::vector<std::string>& arguments, rlim_t fileSizeLimit = 0);

} // namespace vestiscop::testing

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands of vestiscop-cli. Each command lives in its own source file
// and registers itself with one line at namespace scope:
//
//     const CliCommandRegistration registration{CliCommand{
//         "scan", "scan [--json]", cliText::HelpScan, cliText::DetailsScan,
//         GarmentCatalog::Access::Lookup, &acceptsScanArguments, &runScan}};
//
// (its help line and its --help details get the next free ids of
// app/cli/CliTextIds.h and entries in the string table), and the file is added to VESTISCOP_CLI_SOURCES in
// app/CMakeLists.txt, with any library it needs on the program's link line.
// main() checks the arguments before anything starts (COMMAND --help shows
// the command's help instead), enters the data directory, then runs the
// same start-up as the window, then the command; failures it throws are reported
// like the window's (standard error, log) and end with ExitFailure.

#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "catalog/GarmentCatalog.h"

namespace vestiscop::app::cli {

// Exit statuses.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;       // a command failed; the message is on standard error and in the log
inline constexpr int ExitStartupFailed = 2; // the start-up failed as the window's would
inline constexpr int ExitUsage = 64;        // wrong arguments; nothing was started

struct CliContext {
    Application& app;
    // The arguments after the command's name.
    const std::vector<std::string>& arguments;
    // Standard output. Commands write each result whole (a block, a line),
    // never half of one.
    std::FILE* out;
};

struct CliCommand {
    const char* name;
    // The arguments as the help lists them, e.g. "analyze [--json] SOUBOR...".
    const char* synopsis;
    // String-table id of the help line.
    int helpId;
    // String-table id of what "COMMAND --help" adds below the help line.
    int detailsId;
    // Lookup for commands that never change the catalogue: they take no lock
    // and so run while the window is open.
    catalog::GarmentCatalog::Access access;
    // Checks the arguments after the name before anything starts. On a misuse
    // it returns false and sets problem to the text to show (UTF-8).
    bool (*acceptsArguments)(const std::vector<std::string>& arguments, std::string& problem);
    // Runs after a successful start-up and returns the exit status. Failures
    // may be thrown; main() reports them and exits with ExitFailure.
    int (*run)(CliContext& context);
};

class CliCommandRegistration {
public:
    explicit CliCommandRegistration(const CliCommand& command);
};

// The registered commands, ordered by name.
std::vector<CliCommand> cliCommands();

// Writes text to standard output; SystemError 4 when that fails.
void writeOut(std::FILE* out, const std::string& text);

// Whether the arguments ask for JSON output (--json before any "--").
bool wantsJson(const std::vector<std::string>& arguments);

} // namespace vestiscop::app::cli

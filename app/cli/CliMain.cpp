// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-cli: the garment analysis and the catalogue commands without a
// window. It chooses its data directory and starts exactly like the windowed
// program (the same vestiscop.cfg, log and catalogue), so that both can be
// used on the same data.

#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Application.h"
#include "app/DataDirectory.h"
#include "app/cli/AnalysisOutput.h"
#include "app/cli/CliCommand.h"
#include "app/cli/CliTextIds.h"
#include "app/cli/ImageArguments.h"
#include "app/cli/StandardErrorNotifier.h"
#include "foundation/Environment.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

using namespace vestiscop;
using namespace vestiscop::app::cli;

namespace {

std::string text(int id)
{
    return foundation::loadString(id);
}

std::string textWith(int id, const std::string& argument)
{
    return foundation::format(text(id).c_str(), argument.c_str());
}

// "  synopsis   description", the synopsis padded by characters, not bytes
// (the synopses hold Czech letters).
std::string helpLine(const std::string& synopsis, const std::string& description)
{
    std::size_t characters = 0;
    for (const char c : synopsis)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return "  " + synopsis + std::string(characters < 30 ? 31 - characters : 1, ' ') + description + "\n";
}

void printHelp()
{
    std::string help = text(cliText::Usage) + "\n" + text(cliText::About) + "\n\n" + text(cliText::Commands) + "\n";
    for (const CliCommand& command : cliCommands())
        help += helpLine(command.synopsis, text(command.helpId));
    help += helpLine("PŘÍKAZ --help", text(cliText::HelpCommandHelp));
    help += helpLine("--help", text(cliText::HelpHelp));
    help += helpLine("--version", text(cliText::HelpVersion));
    help += "\n" + helpLine("-C, --data-dir ADRESÁŘ", text(cliText::HelpDataDir));
    help += "\n" + text(cliText::ExitStatuses) + "\n";
    writeOut(stdout, help);
}

void printCommandHelp(const CliCommand& command)
{
    writeOut(stdout, textWith(cliText::CommandUsage, command.synopsis) + "\n" + text(command.helpId) + "\n\n" +
                         text(command.detailsId) + "\n\n" +
                         helpLine("-C, --data-dir ADRESÁŘ", text(cliText::HelpDataDir)) + "\n" +
                         text(cliText::ExitStatuses) + "\n");
}

int misuse(const std::string& problem, const std::string& hint = text(cliText::SeeHelp))
{
    std::fprintf(stderr, "vestiscop-cli: %s\n%s\n", problem.c_str(), hint.c_str());
    return ExitUsage;
}

// Whether the command's arguments ask for its help (before any "--").
bool asksForHelp(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        if (argument == "--")
            return false;
        if (argument == "--help" || argument == "-h")
            return true;
    }
    return false;
}

// A failure before the command ran, as one JSON line when --json was asked
// for (the message is on standard error too).
int startupFailed(const char* command, bool json, const std::string& message)
{
    if (json)
        writeOut(stdout, jsonLine(failureEnvelope(command, message)));
    return ExitStartupFailed;
}

int runProgram(std::vector<std::string> arguments)
{
    // The options that come before the command: the data directory.
    std::optional<std::string> dataDir;
    while (!arguments.empty()) {
        const std::string& option = arguments.front();
        if (option == "-C" || option == "--data-dir") {
            if (arguments.size() < 2 || arguments[1].empty())
                return misuse(textWith(cliText::MissingDirectory, option));
            dataDir = arguments[1];
            arguments.erase(arguments.begin(), arguments.begin() + 2);
        } else if (option.starts_with("--data-dir=")) {
            dataDir = option.substr(std::string("--data-dir=").size());
            if (dataDir->empty())
                return misuse(textWith(cliText::MissingDirectory, "--data-dir"));
            arguments.erase(arguments.begin());
        } else {
            break;
        }
    }
    if (arguments.empty())
        return misuse(text(cliText::MissingCommand));
    const std::string& name = arguments.front();
    if (name == "--help" || name == "-h") {
        printHelp();
        return ExitSuccess;
    }
    if (name == "--version") {
        writeOut(stdout, "vestiscop-cli " VESTISCOP_VERSION "\n");
        return ExitSuccess;
    }

    const std::vector<CliCommand> commands = cliCommands();
    const CliCommand* command = nullptr;
    for (const CliCommand& candidate : commands) {
        if (name == candidate.name)
            command = &candidate;
    }
    if (command == nullptr)
        return misuse(name.starts_with("-") ? textWith(cliText::UnknownOption, name)
                                            : textWith(cliText::UnknownCommand, name));

    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (asksForHelp(rest)) {
        printCommandHelp(*command);
        return ExitSuccess;
    }
    std::string problem;
    if (!command->acceptsArguments(rest, problem))
        return misuse(problem.empty() ? textWith(cliText::BadArguments, name) : problem,
                      textWith(cliText::CommandSeeHelp, name));

    const bool json = wantsJson(rest);
    StandardErrorNotifier notifier;
    if (std::vector<char> here(4096); ::getcwd(here.data(), here.size()) != nullptr)
        setArgumentDirectory(here.data());
    // Read once, before anything that depends on it.
    foundation::Environment environment = foundation::Environment::read();
    if (const std::string failure = app::enterDataDirectory(dataDir, environment); !failure.empty()) {
        notifier.showMessage(failure, app::MessageIcon::Stop);
        return startupFailed(command->name, json, failure);
    }
    app::Application application(notifier, std::move(environment));
    if (!application.start(command->access))
        return startupFailed(command->name, json, notifier.firstMessage());
    try {
        CliContext context{application, rest, stdout};
        return command->run(context);
    } catch (...) {
        application.reportCurrentException(app::MessageIcon::Exclamation);
        return ExitFailure;
    }
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return runProgram(std::vector<std::string>(argv + 1, argv + argc));
    } catch (...) {
        // Only before the start-up or after the command: writing the help
        // or the version failed, or memory ran out. No log is open then.
        const std::string message = app::Application::describeCurrentException(foundation::MessageCatalog::application());
        std::fprintf(stderr, "%s\n", message.c_str());
    }
    return ExitFailure;
}

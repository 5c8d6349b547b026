// vestiscop-cli: the garment analysis and the catalogue commands without a
// window. It starts exactly like the windowed program (vestiscop.cfg in the
// current directory, the same log and catalogue) so that both can be used
// on the same data.

#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/cli/CliCommand.h"
#include "app/cli/CliTextIds.h"
#include "app/cli/StandardErrorNotifier.h"
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

void printHelp()
{
    std::string help = text(cliText::Usage) + "\n" + text(cliText::About) + "\n\n" + text(cliText::Commands) + "\n";
    const auto line = [&help](const std::string& synopsis, const std::string& description) {
        // Padded by characters, not bytes: the synopses hold Czech letters.
        std::size_t characters = 0;
        for (const char c : synopsis)
            characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        help += "  " + synopsis + std::string(characters < 30 ? 31 - characters : 1, ' ') + description + "\n";
    };
    for (const CliCommand& command : cliCommands())
        line(command.synopsis, text(command.helpId));
    line("--help", text(cliText::HelpHelp));
    line("--version", text(cliText::HelpVersion));
    help += "\n" + text(cliText::ExitStatuses) + "\n";
    writeOut(stdout, help);
}

int misuse(const std::string& problem)
{
    std::fprintf(stderr, "vestiscop-cli: %s\n%s\n", problem.c_str(), text(cliText::SeeHelp).c_str());
    return ExitUsage;
}

int runProgram(const std::vector<std::string>& arguments)
{
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
    std::string problem;
    if (!command->acceptsArguments(rest, problem))
        return misuse(problem.empty() ? textWith(cliText::BadArguments, name) : problem);

    StandardErrorNotifier notifier;
    app::Application application(notifier);
    if (!application.start(command->access))
        return ExitStartupFailed;
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

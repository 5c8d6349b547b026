// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-cli list | add NAME FILE | correct NAME FILE | delete NAME: what
// the window's name list and its Add, Correct and Delete buttons do. A NAME
// selects the first definition in use with exactly that name; a new name the
// catalogue could not store as it is (a line break, a character its code
// page lacks, too long) is refused before anything starts. FILE may be "-"
// for standard input. A failed store changes nothing, neither in the file
// nor in memory. With --json each command writes one JSON line.

#include <string>
#include <vector>

#include "app/cli/AnalysisOutput.h"
#include "app/cli/CliCommand.h"
#include "app/cli/CliTextIds.h"
#include "app/cli/ImageArguments.h"
#include "catalog/GarmentName.h"
#include "analysis/Analyser.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::app::cli {

namespace {

using catalog::GarmentCatalog;

std::string listLine(GarmentCatalog& catalog, int slot)
{
    return foundation::format("%d\t%s\n", slot, catalog.name(slot).c_str());
}

nlohmann::json garmentJson(GarmentCatalog& catalog, int slot)
{
    return {{"slot", slot}, {"name", catalog.name(slot)}};
}

// The arguments without the --json option (before any "--"), which every
// catalogue command takes.
std::vector<std::string> operands(const std::vector<std::string>& arguments)
{
    std::vector<std::string> rest;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (optionsEnded || argument != "--json")
            rest.push_back(argument);
    }
    return rest;
}

// Refuses any other option; a name or file that starts with '-' follows "--".
bool noOtherOptions(const std::vector<std::string>& arguments, std::string& problem)
{
    for (const std::string& argument : arguments) {
        if (argument == "--")
            return true;
        if (argument != "--json" && argument.size() > 1 && argument.front() == '-') {
            problem = foundation::format(foundation::loadString(cliText::UnknownOption).c_str(), argument.c_str());
            return false;
        }
    }
    return true;
}

// A failure the command reports itself: standard error and the log, and
// with --json the envelope on standard output.
int fail(CliContext& context, const char* command, const std::string& message)
{
    context.app.reportText(message, MessageIcon::Exclamation);
    if (wantsJson(context.arguments))
        writeOut(context.out, jsonLine(failureEnvelope(command, message)));
    return ExitFailure;
}

// The slot of the named definition; -1 after telling the user there is none.
int findDefinition(CliContext& context, const char* command, const std::string& name)
{
    const int slot = context.app.catalog().findByName(name);
    if (slot < 0)
        fail(context, command,
             foundation::format(foundation::loadString(cliText::NoSuchGarment).c_str(), name.c_str()));
    return slot;
}

// Runs a command's work; a failure it throws is reported like the others,
// with the JSON line when asked for.
template <typename Work>
int guarded(CliContext& context, const char* command, Work work)
{
    try {
        return work();
    } catch (...) {
        return fail(context, command, context.app.currentExceptionText());
    }
}

bool acceptsNoArguments(const std::vector<std::string>& arguments, std::string& problem)
{
    return noOtherOptions(arguments, problem) && operands(arguments).empty();
}

bool acceptsName(const std::vector<std::string>& arguments, std::string& problem)
{
    return noOtherOptions(arguments, problem) && operands(arguments).size() == 1;
}

bool acceptsNameAndFile(const std::vector<std::string>& arguments, std::string& problem)
{
    const std::vector<std::string> rest = operands(arguments);
    return noOtherOptions(arguments, problem) && rest.size() == 2 && acceptsImageFile(rest[1], problem);
}

// add also refuses a name the catalogue would store altered.
bool acceptsNewNameAndFile(const std::vector<std::string>& arguments, std::string& problem)
{
    if (!acceptsNameAndFile(arguments, problem))
        return false;
    problem = catalog::garmentNameRefusal(catalog::checkGarmentName(operands(arguments)[0]));
    return problem.empty();
}

int runList(CliContext& context)
{
    GarmentCatalog& catalog = context.app.catalog();
    std::string listing;
    nlohmann::json garments = nlohmann::json::array();
    for (int slot = 0; slot < catalog.slotCount(); ++slot) {
        if (!catalog.inUse(slot))
            continue;
        listing += listLine(catalog, slot);
        garments.push_back(garmentJson(catalog, slot));
    }
    if (wantsJson(context.arguments)) {
        nlohmann::json object = successEnvelope("list");
        object["garments"] = garments;
        listing = jsonLine(object);
    }
    writeOut(context.out, listing);
    return ExitSuccess;
}

// The line add, correct and delete write: the definition as the name list
// shows it, or with --json the envelope with it.
std::string doneLine(CliContext& context, const char* command, int slot, bool listed)
{
    if (!wantsJson(context.arguments))
        return listed ? listLine(context.app.catalog(), slot) : std::string();
    nlohmann::json object = successEnvelope(command);
    object["garment"] = garmentJson(context.app.catalog(), slot);
    return jsonLine(object);
}

int runAdd(CliContext& context)
{
    return guarded(context, "add", [&] {
        const std::vector<std::string> rest = operands(context.arguments);
        Application& app = context.app;
        const std::unique_ptr<analysis::Analyser> built = app.makeAnalyzer();
        analysis::Analyser& analyzer = *built;
        analyzer.setViewsWanted(false);
        analyzeImageFile(analyzer, rest[1], app.environment());
        const int slot = app.recognizer().add(analyzer.result(), rest[0]);
        writeOut(context.out, doneLine(context, "add", slot, true));
        return ExitSuccess;
    });
}

int runCorrect(CliContext& context)
{
    return guarded(context, "correct", [&] {
        const std::vector<std::string> rest = operands(context.arguments);
        Application& app = context.app;
        const int slot = findDefinition(context, "correct", rest[0]);
        if (slot < 0)
            return ExitFailure;
        const std::unique_ptr<analysis::Analyser> built = app.makeAnalyzer();
        analysis::Analyser& analyzer = *built;
        analyzer.setViewsWanted(false);
        analyzeImageFile(analyzer, rest[1], app.environment());
        app.recognizer().correct(slot, analyzer.result());
        writeOut(context.out, doneLine(context, "correct", slot, false));
        return ExitSuccess;
    });
}

int runDelete(CliContext& context)
{
    return guarded(context, "delete", [&] {
        const std::vector<std::string> rest = operands(context.arguments);
        const int slot = findDefinition(context, "delete", rest[0]);
        if (slot < 0)
            return ExitFailure;
        // The line is made before the slot is freed: it names what was deleted.
        const std::string line = doneLine(context, "delete", slot, false);
        context.app.catalog().erase(slot);
        writeOut(context.out, line);
        return ExitSuccess;
    });
}

const CliCommandRegistration listRegistration{CliCommand{"list", "list [--json]", cliText::HelpList,
                                                         cliText::DetailsList, GarmentCatalog::Access::Lookup,
                                                         &acceptsNoArguments, &runList}};
const CliCommandRegistration addRegistration{CliCommand{"add", "add [--json] NÁZEV SOUBOR", cliText::HelpAdd,
                                                        cliText::DetailsAdd, GarmentCatalog::Access::Changes,
                                                        &acceptsNewNameAndFile, &runAdd}};
const CliCommandRegistration correctRegistration{CliCommand{"correct", "correct [--json] NÁZEV SOUBOR",
                                                            cliText::HelpCorrect, cliText::DetailsCorrect,
                                                            GarmentCatalog::Access::Changes, &acceptsNameAndFile,
                                                            &runCorrect}};
const CliCommandRegistration deleteRegistration{CliCommand{"delete", "delete [--json] NÁZEV", cliText::HelpDelete,
                                                           cliText::DetailsDelete, GarmentCatalog::Access::Changes,
                                                           &acceptsName, &runDelete}};

} // namespace

} // namespace vestiscop::app::cli

// vestiscop-cli list | add NAME FILE | correct NAME FILE | delete NAME: what
// the window's name list and its Add, Correct and Delete buttons do. A NAME
// selects the first definition in use with exactly that name. A failed store
// changes nothing, neither in the file nor in memory.

#include <string>
#include <vector>

#include "app/cli/CliCommand.h"
#include "app/cli/CliTextIds.h"
#include "app/cli/ImageArguments.h"
#include "color/ColorAnalyzer.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::app::cli {

namespace {

using catalog::GarmentCatalog;

std::string listLine(GarmentCatalog& catalog, int slot)
{
    return foundation::format("%d\t%s\n", slot, catalog.name(slot).c_str());
}

// The slot of the named definition; -1 after telling the user there is none.
int findDefinition(Application& app, const std::string& name)
{
    const int slot = app.catalog().findByName(name);
    if (slot < 0) {
        app.reportText(foundation::format(foundation::loadString(cliText::NoSuchGarment).c_str(), name.c_str()),
                       MessageIcon::Exclamation);
    }
    return slot;
}

bool acceptsNoArguments(const std::vector<std::string>& arguments, std::string&)
{
    return arguments.empty();
}

bool acceptsNameAndFile(const std::vector<std::string>& arguments, std::string& problem)
{
    return arguments.size() == 2 && acceptsImageFile(arguments[1], problem);
}

bool acceptsName(const std::vector<std::string>& arguments, std::string&)
{
    return arguments.size() == 1;
}

int runList(CliContext& context)
{
    GarmentCatalog& catalog = context.app.catalog();
    std::string listing;
    for (int slot = 0; slot < catalog.slotCount(); ++slot) {
        if (catalog.inUse(slot))
            listing += listLine(catalog, slot);
    }
    writeOut(context.out, listing);
    return ExitSuccess;
}

int runAdd(CliContext& context)
{
    Application& app = context.app;
    const std::unique_ptr<color::ColorAnalyzer> built = app.makeAnalyzer();
    color::ColorAnalyzer& analyzer = *built;
    analyzeImageFile(analyzer, context.arguments[1]);
    const int slot = app.catalog().add(analyzer.analysis(), context.arguments[0]);
    // The definition as the name list shows it (the stored, possibly cut name).
    writeOut(context.out, listLine(app.catalog(), slot));
    return ExitSuccess;
}

int runCorrect(CliContext& context)
{
    Application& app = context.app;
    const int slot = findDefinition(app, context.arguments[0]);
    if (slot < 0)
        return ExitFailure;
    const std::unique_ptr<color::ColorAnalyzer> built = app.makeAnalyzer();
    color::ColorAnalyzer& analyzer = *built;
    analyzeImageFile(analyzer, context.arguments[1]);
    app.catalog().correct(slot, analyzer.analysis());
    return ExitSuccess;
}

int runDelete(CliContext& context)
{
    Application& app = context.app;
    const int slot = findDefinition(app, context.arguments[0]);
    if (slot < 0)
        return ExitFailure;
    app.catalog().erase(slot);
    return ExitSuccess;
}

const CliCommandRegistration listRegistration{CliCommand{
    "list", "list", cliText::HelpList, GarmentCatalog::Access::Lookup, &acceptsNoArguments, &runList}};
const CliCommandRegistration addRegistration{CliCommand{
    "add", "add NÁZEV SOUBOR", cliText::HelpAdd, GarmentCatalog::Access::Changes, &acceptsNameAndFile, &runAdd}};
const CliCommandRegistration correctRegistration{CliCommand{"correct", "correct NÁZEV SOUBOR", cliText::HelpCorrect,
                                                            GarmentCatalog::Access::Changes, &acceptsNameAndFile,
                                                            &runCorrect}};
const CliCommandRegistration deleteRegistration{CliCommand{
    "delete", "delete NÁZEV", cliText::HelpDelete, GarmentCatalog::Access::Changes, &acceptsName, &runDelete}};

} // namespace

} // namespace vestiscop::app::cli

// vestiscop-cli analyze [--json] FILE...: each file as if dropped on the
// window. Text: the colour lines, the pattern, the match line; with several
// files each block starts with "path:" and blocks are separated by an empty
// line. --json: one JSON object per file and line.

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "app/AnalysisReport.h"
#include "app/cli/CliCommand.h"
#include "app/cli/CliTextIds.h"
#include "app/cli/ImageArguments.h"
#include "color/ColorAnalyzer.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::app::cli {

namespace {

struct AnalyzeArguments {
    bool json = false;
    std::vector<std::string> files;
};

bool parse(const std::vector<std::string>& arguments, AnalyzeArguments& parsed, std::string& problem)
{
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == "--json") {
            parsed.json = true;
        } else if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
            problem = foundation::format(foundation::loadString(cliText::UnknownOption).c_str(), argument.c_str());
            return false;
        } else {
            if (!acceptsImageFile(argument, problem))
                return false;
            parsed.files.push_back(argument);
        }
    }
    return !parsed.files.empty();
}

bool acceptsAnalyzeArguments(const std::vector<std::string>& arguments, std::string& problem)
{
    AnalyzeArguments parsed;
    return parse(arguments, parsed, problem);
}

struct Match {
    int slot = -1;
    double similarity = 0;
};

Match matchCurrent(Application& app, const color::ColorAnalyzer& analyzer)
{
    Match match;
    match.slot = app.catalog().findMatch(analyzer.analysis(), match.similarity);
    return match;
}

std::string textBlock(Application& app, const color::ColorAnalyzer& analyzer, const Match& match)
{
    std::string block;
    for (const std::string& line : colorFieldLines(analyzer.colors(), app.color().reportThr))
        block += line + "\n";
    block += patternText(analyzer.pattern()) + "\n";
    if (match.slot >= 0)
        block += app.catalog().name(match.slot) + " " + similarityText(match.similarity) + "\n";
    else
        block += foundation::loadString(foundation::stringId::UnknownGarment) + "\n";
    return block;
}

nlohmann::json jsonObject(Application& app, const std::string& path, const color::ColorAnalyzer& analyzer,
                          const Match& match)
{
    nlohmann::json colors = nlohmann::json::array();
    for (const color::ColorCluster& colour : analyzer.colors()) {
        colors.push_back({
            {"share", colour.share},
            {"percent", percentOf(colour.share)},
            {"name", colour.color->name},
            {"lab",
             {static_cast<int>(static_cast<std::uint8_t>(colour.meanL())),
              static_cast<int>(static_cast<std::int8_t>(colour.meanA())),
              static_cast<int>(static_cast<std::int8_t>(colour.meanB()))}},
            // Whether the colour field lists it (its share reaches ReportThr).
            {"reported", !(colour.share < app.color().reportThr)},
        });
    }
    nlohmann::json object = {
        {"file", path},
        {"colors", colors},
        {"pattern", {{"code", analyzer.pattern()}, {"text", patternText(analyzer.pattern())}}},
        {"match", nullptr},
    };
    if (match.slot >= 0) {
        object["match"] = {
            {"slot", match.slot},
            {"name", app.catalog().name(match.slot)},
            {"similarity", match.similarity},
            {"percent", percentOf(match.similarity)},
        };
    }
    return object;
}

// Paths are bytes; a name that is not UTF-8 still makes valid JSON.
std::string dumpLine(const nlohmann::json& object)
{
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

int runAnalyze(CliContext& context)
{
    AnalyzeArguments parsed;
    std::string problem;
    parse(context.arguments, parsed, problem);

    Application& app = context.app;
    color::ColorAnalyzer analyzer(app.color(), app.texture(), app.colorNames());
    const bool several = parsed.files.size() > 1;
    int status = ExitSuccess;
    for (std::size_t i = 0; i < parsed.files.size(); ++i) {
        const std::string& path = parsed.files[i];
        std::string heading;
        if (several && !parsed.json)
            heading = (i > 0 ? "\n" : "") + path + ":\n";
        try {
            analyzeImageFile(analyzer, path);
            const Match match = matchCurrent(app, analyzer);
            // Each block is built whole before any of it is written.
            writeOut(context.out, heading + (parsed.json ? dumpLine(jsonObject(app, path, analyzer, match))
                                                         : textBlock(app, analyzer, match)));
        } catch (...) {
            // As the window does with a file it cannot analyse: report and go on.
            const std::string message = app.currentExceptionText();
            if (parsed.json)
                writeOut(context.out, dumpLine({{"file", path}, {"error", message}}));
            else
                writeOut(context.out, heading);
            app.reportText(message, MessageIcon::Exclamation);
            status = ExitFailure;
        }
    }
    return status;
}

const CliCommandRegistration registration{CliCommand{"analyze", "analyze [--json] SOUBOR...", cliText::HelpAnalyze,
                                                     catalog::GarmentCatalog::Access::Lookup,
                                                     &acceptsAnalyzeArguments, &runAnalyze}};

} // namespace

} // namespace vestiscop::app::cli

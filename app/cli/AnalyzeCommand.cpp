// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-cli analyze [--json] FILE...: each file as if dropped on the
// window; "-" is the picture on standard input (once). Text: the colour
// lines, the pattern, the match line; with several files each block starts
// with "path:" and blocks are separated by an empty line. --json: one JSON
// object per file and line.

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/AnalysisOutput.h"
#include "app/cli/CliCommand.h"
#include "app/cli/CliTextIds.h"
#include "app/cli/ImageArguments.h"
#include "analysis/Analyser.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"
#include "signature/GarmentSignature.h"

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
            if (argument == StandardInput &&
                std::find(parsed.files.begin(), parsed.files.end(), argument) != parsed.files.end()) {
                problem = foundation::loadString(cliText::StandardInputTwice);
                return false;
            }
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

int runAnalyze(CliContext& context)
{
    AnalyzeArguments parsed;
    std::string problem;
    parse(context.arguments, parsed, problem);

    Application& app = context.app;
    const std::unique_ptr<analysis::Analyser> built = app.makeAnalyzer();
    analysis::Analyser& analyzer = *built;
    analyzer.setViewsWanted(false);  // nothing here shows them
    const bool several = parsed.files.size() > 1;
    int status = ExitSuccess;
    for (std::size_t i = 0; i < parsed.files.size(); ++i) {
        const std::string& path = parsed.files[i];
        std::string heading;
        if (several && !parsed.json)
            heading = (i > 0 ? "\n" : "") + path + ":\n";
        try {
            std::unique_ptr<imaging::RgbImage> image = loadImageFile(path, app.environment());
            // The weave of the scan's signature is measured on another core
            // while the analysis runs. Declared after the image, it is gone
            // (its thread done) before the image, should the analysis
            // refuse the image without taking it.
            std::optional<signature::WeaveAhead> weave;
            if (app.recognizer().matchesSignatures())
                weave.emplace(*image, app.texture().width, app.texture().height, app.scan());
            analyzer.analyze(std::move(image));
            const CatalogMatch match = matchAnalysis(app, analyzer.result(), weave ? &*weave : nullptr);
            // Each block is built whole before any of it is written.
            std::string block;
            if (parsed.json) {
                nlohmann::json object = successEnvelope("analyze");
                object.update(analysisJson(app, analyzer.result(), match, path));
                block = jsonLine(object);
            } else {
                block = analysisText(app, analyzer.result(), match);
            }
            writeOut(context.out, heading + block);
        } catch (...) {
            // As the window does with a file it cannot analyse: report and go on.
            const std::string message = app.currentExceptionText();
            if (parsed.json) {
                nlohmann::json object = failureEnvelope("analyze", message);
                object["file"] = path;
                writeOut(context.out, jsonLine(object));
            }
            else
                writeOut(context.out, heading);
            app.reportText(message, MessageIcon::Exclamation);
            status = ExitFailure;
        }
    }
    return status;
}

const CliCommandRegistration registration{CliCommand{"analyze", "analyze [--json] SOUBOR...", cliText::HelpAnalyze,
                                                     cliText::DetailsAnalyze, catalog::GarmentCatalog::Access::Lookup,
                                                     &acceptsAnalyzeArguments, &runAnalyze}};

} // namespace

} // namespace vestiscop::app::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli/AnalysisOutput.h"

#include <cmath>
#include <cstdint>

#include "app/AnalysisReport.h"
#include "foundation/StringTable.h"

namespace vestiscop::app::cli {

CatalogMatch matchAnalysis(Application& app, const analysis::ScanResult& result, signature::WeaveAhead* ahead)
{
    CatalogMatch match;
    match.slot = app.recognizer().findMatch(result, match.similarity, ahead);
    return match;
}

std::string analysisText(Application& app, const analysis::ScanResult& result, const CatalogMatch& match)
{
    std::string block;
    for (const std::string& line : colorFieldLines(result.colors, app.color().reportThr, app.borderTerms()))
        block += line + "\n";
    block += patternText(result.pattern, result.findings) + "\n";
    if (match.slot >= 0)
        block += app.catalog().name(match.slot) + " " + similarityText(match.similarity) + "\n";
    else
        block += foundation::loadString(foundation::stringId::UnknownGarment) + "\n";
    return block;
}

namespace {

// Orientations in degrees, lengths in millimetres, rounded to a tenth.
nlohmann::json patternFindingsJson(const fabric::FabricFindings& findings)
{
    const auto tenth = [](double v) { return std::round(v * 10) / 10; };
    nlohmann::json repeats = nlohmann::json::array();
    for (int i = 0; i < findings.periodicityCount; ++i) {
        const fabric::Periodicity& p = findings.periodicity[static_cast<std::size_t>(i)];
        repeats.push_back({{"orientation", tenth(p.orientationDeg)}, {"period_mm", tenth(p.periodMm)}});
    }
    return {
        {"repeats", repeats},
        {"pieces", findings.componentCount},
        {"piece_size_mm", tenth(findings.componentSizeMm)},
    };
}

} // namespace

nlohmann::json analysisJson(Application& app, const analysis::ScanResult& result, const CatalogMatch& match,
                            const std::optional<std::string>& file)
{
    nlohmann::json colors = nlohmann::json::array();
    for (const color::ColorCluster& colour : result.colors) {
        colors.push_back({
            {"share", colour.share},
            {"percent", percentOf(colour.share)},
            {"name", colourName(colour)},
            {"lab",
             {static_cast<int>(static_cast<std::uint8_t>(colour.meanL())),
              static_cast<int>(static_cast<std::int8_t>(colour.meanA())),
              static_cast<int>(static_cast<std::int8_t>(colour.meanB()))}},
            // Whether the colour field lists it (its share reaches ReportThr,
            // or it forms the pattern's pieces).
            {"reported", color::isReported(colour, app.color().reportThr)},
        });
        // With border terms, the basic term of the other side of a border
        // the colour lies near (null where none); name stays the colour's name.
        if (app.borderTerms() != nullptr) {
            const std::string other = borderTerm(colour, app.borderTerms());
            colors.back()["alternative"] = other.empty() ? nlohmann::json(nullptr) : nlohmann::json(other);
        }
    }
    nlohmann::json object = {
        {"colors", colors},
        {"pattern", {{"code", result.pattern}, {"text", patternText(result.pattern)}}},
        {"match", nullptr},
    };
    // The improved analysis also tells what it measured of the pattern.
    if (result.findings != nullptr) {
        object["pattern"]["findings"] = patternFindingsJson(*result.findings);
        // The pattern forest also tells how sure it is, and what else the
        // pattern might be (the kind's name; null where nothing else is
        // likely). text and code stay the chosen kind.
        if (result.findings->forest) {
            object["pattern"]["confidence"] = std::round(result.findings->patternConfidence * 1000) / 1000;
            object["pattern"]["alternative"] =
                result.findings->hasAlternative ? nlohmann::json(patternText(result.findings->alternative)) : nullptr;
            object["pattern"]["mottled"] = result.findings->mottled;
        }
    }
    if (result.method == analysis::Method::StandardInsteadOfImproved)
        object["fallback"] = "standard";
    if (file)
        object["file"] = *file;
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

nlohmann::json successEnvelope(const char* command)
{
    return {{"schema", JsonSchemaVersion}, {"command", command}, {"ok", true}, {"error", nullptr}};
}

nlohmann::json failureEnvelope(const char* command, const std::string& message)
{
    return {{"schema", JsonSchemaVersion}, {"command", command}, {"ok", false}, {"error", message}};
}

std::string jsonLine(const nlohmann::json& object)
{
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

} // namespace vestiscop::app::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AnalysisReport.h"

#include <cmath>
#include <cstdint>

#include "fabric/PatternForest.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::app {

int percentOf(double fraction)
{
    return static_cast<int>(std::floor(fraction * 100 + 0.5));
}

std::vector<std::string> colorFieldLines(const std::vector<color::ColorCluster>& colors, double reportThr,
                                         const color::BorderTerms* borders)
{
    std::vector<std::string> lines;
    for (const color::ColorCluster& colour : colors) {
        if (!color::isReported(colour, reportThr))
            continue;
        lines.push_back(foundation::format("%d%% %s (%d %d %d)", percentOf(colour.share), colourName(colour, borders).c_str(),
                                           static_cast<int>(static_cast<std::uint8_t>(colour.meanL())),
                                           static_cast<int>(static_cast<std::int8_t>(colour.meanA())),
                                           static_cast<int>(static_cast<std::int8_t>(colour.meanB()))));
    }
    return lines;
}

std::string patternText(pattern::PatternKind kind)
{
    return foundation::loadString(foundation::stringId::PatternBase + kind);
}

std::string patternText(pattern::PatternKind kind, const fabric::FabricFindings* findings)
{
    if (findings == nullptr || !findings->forest || !findings->hasAlternative ||
        !(findings->patternConfidence < fabric::SureConfidence))
        return patternText(kind);
    const auto word = [](pattern::PatternKind k) {
        return foundation::loadString(foundation::stringId::PatternWordBase + k);
    };
    return foundation::format(foundation::loadString(foundation::stringId::PatternGuess).c_str(), word(kind).c_str(),
                              word(findings->alternative).c_str());
}

std::string borderTerm(const color::ColorCluster& colour, const color::BorderTerms* borders)
{
    if (borders == nullptr || colour.mottled)
        return {};
    const color::LabPixel mean{static_cast<std::uint8_t>(colour.meanL()), static_cast<std::int8_t>(colour.meanA()),
                               static_cast<std::int8_t>(colour.meanB())};
    std::string other = borders->alternative(mean);
    // Shades told together under one name may have a mean nearer another
    // entry; its term is then no second word to this name.
    if (other == borders->termOf(*colour.color))
        return {};
    return other;
}

std::string colourName(const color::ColorCluster& colour, const color::BorderTerms* borders)
{
    if (!colour.mottled) {
        const std::string other = borderTerm(colour, borders);
        if (other.empty())
            return colour.color->name;
        // Black and white are not hues to lean towards: a colour is almost one.
        if (other == "černá" || other == "bílá")
            return foundation::format(foundation::loadString(foundation::stringId::BorderNear).c_str(),
                                      colour.color->name.c_str(), other.c_str());
        std::string towards = other;
        const std::string feminine = "á";
        if (towards.size() > feminine.size() && towards.ends_with(feminine))
            towards.replace(towards.size() - feminine.size(), feminine.size(), "a");
        return foundation::format(foundation::loadString(foundation::stringId::BorderTowards).c_str(),
                                  colour.color->name.c_str(), towards.c_str());
    }
    // Colour adjectives end in "á" in the table's (feminine) names.
    std::string name = colour.color->name;
    const std::string feminine = "á";
    const std::string masculine = "ý";
    for (std::size_t at = name.find(feminine); at != std::string::npos; at = name.find(feminine, at + 1)) {
        const std::size_t end = at + feminine.size();
        if (end == name.size() || name[end] == ' ')
            name.replace(at, feminine.size(), masculine);
    }
    return foundation::format(foundation::loadString(foundation::stringId::MottledColour).c_str(), name.c_str());
}

std::string similarityText(double similarity)
{
    return foundation::format(foundation::loadString(foundation::stringId::Similarity).c_str(), percentOf(similarity));
}

} // namespace vestiscop::app

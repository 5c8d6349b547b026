// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Announcement.h"

#include <initializer_list>

#include "app/AnalysisReport.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::ui {

std::vector<std::string> spokenColors(const std::vector<color::ColorCluster>& colors, double reportThr,
                                      const color::BorderTerms* borders)
{
    std::vector<std::string> words;
    for (const color::ColorCluster& colour : colors) {
        // The same rule as the colour field's lines.
        if (!color::isReported(colour, reportThr))
            continue;
        words.push_back(foundation::format("%d%% %s", app::percentOf(colour.share), app::colourName(colour, borders).c_str()));
    }
    return words;
}

std::string analysisAnnouncement(const std::vector<std::string>& colors, std::size_t skippedColors,
                                 const std::string& pattern, const std::string& match)
{
    std::string colourPart;
    for (std::size_t i = skippedColors; i < colors.size(); ++i) {
        if (!colourPart.empty())
            colourPart += ", ";
        colourPart += colors[i];
    }
    const std::string patternPart = foundation::format(
        foundation::loadString(foundation::stringId::PatternSpoken).c_str(), pattern.c_str());
    std::string result;
    for (const std::string* part : std::initializer_list<const std::string*>{&colourPart, &patternPart, &match}) {
        if (part->empty())
            continue;
        if (!result.empty())
            result += ". ";
        result += *part;
    }
    return result;
}

} // namespace vestiscop::ui

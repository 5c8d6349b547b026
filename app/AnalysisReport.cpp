// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AnalysisReport.h"

#include <cmath>
#include <cstdint>

#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::app {

int percentOf(double fraction)
{
    return static_cast<int>(std::floor(fraction * 100 + 0.5));
}

std::vector<std::string> colorFieldLines(const std::vector<color::ColorCluster>& colors, double reportThr)
{
    std::vector<std::string> lines;
    for (const color::ColorCluster& colour : colors) {
        if (!color::isReported(colour, reportThr))
            continue;
        lines.push_back(foundation::format("%d%% %s (%d %d %d)", percentOf(colour.share), colour.color->name.c_str(),
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

std::string similarityText(double similarity)
{
    return foundation::format(foundation::loadString(foundation::stringId::Similarity).c_str(), percentOf(similarity));
}

} // namespace vestiscop::app

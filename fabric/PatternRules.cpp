// SPDX-License-Identifier: GPL-3.0-or-later
#include "fabric/PatternRules.h"

#include <cstddef>

namespace vestiscop::fabric {

namespace {

#include "fabric/PatternRulesTable.inc"

} // namespace

pattern::PatternKind evaluateRules(std::span<const RuleNode> rules, const FeatureVector& features)
{
    std::size_t node = 0;
    // A tree of n nodes reaches a leaf in fewer than n steps.
    for (std::size_t step = 0; step <= rules.size() && node < rules.size(); ++step) {
        const RuleNode& r = rules[node];
        if (r.feature < 0)
            return r.kind;
        if (r.feature >= FeatureCount)
            break;
        const int next = features[static_cast<std::size_t>(r.feature)] < r.threshold ? r.below : r.above;
        if (next < 0)
            break;
        node = static_cast<std::size_t>(next);
    }
    return pattern::patternKind::Unknown;
}

std::span<const RuleNode> fittedRules()
{
    return FittedRules;
}

const char* featureName(int feature)
{
    static const char* const names[FeatureCount] = {
        "SpectrumPeak", "SpectrumTopPeaks", "SpectrumAxis1", "SpectrumAxis2", "EdgeAxis1", "EdgeAxis2",
        "EdgeDensity", "Contrast", "ColourCount", "MinorityShare", "ComponentDensity", "ComponentSizeSpread",
        "ComponentFill", "ComponentAxisRatio", "SpanningShare", "LayoutSpread", "GroundPieces", "LargestComponent",
        "CrossingFit",
    };
    return feature >= 0 && feature < FeatureCount ? names[feature] : "?";
}

} // namespace vestiscop::fabric

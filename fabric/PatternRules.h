// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pattern decided from the fabric features: a small decision tree whose
// thresholds were fitted on the tuning part of the benchmark corpus by
// `vestiscop_bench --split tune fit` (tools/bench) and are kept in
// PatternRulesTable.inc with the command that produced them.

#include <array>
#include <span>

#include "fabric/FabricFindings.h"
#include "pattern/PatternKind.h"

namespace vestiscop::fabric {

// A node asks whether features[feature] < threshold and goes on at below
// or above; a node with feature -1 is a leaf that answers kind.
struct RuleNode {
    int feature = -1;
    double threshold = 0;
    int below = 0;
    int above = 0;
    pattern::PatternKind kind = pattern::patternKind::None;
};

using FeatureVector = std::array<double, FeatureCount>;

// The tree starts at node 0; every branch must end in a leaf. A tree that
// leads outside itself or loops answers patternKind::Unknown.
pattern::PatternKind evaluateRules(std::span<const RuleNode> rules, const FeatureVector& features);

// The fitted tree in use.
std::span<const RuleNode> fittedRules();

const char* featureName(int feature);

} // namespace vestiscop::fabric

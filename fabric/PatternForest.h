// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pattern decided by many small decision trees instead of one
// ([Texture] PatternModel = forest): each tree was fitted on its own draw of
// the tuning scans and of the features, and ends in the shares of the
// classes among the scans that reached its leaf. Their mean tells the
// pattern, how sure the analysis is of it (the chosen class's share) and
// what it might be instead. Besides the five pattern kinds the trees know
// a sixth class, a mottled plain: cloth spun of lighter and darker fibres
// (heather, marl), which a person calls one colour and no pattern.
// The trees live in PatternForestTable.inc, written by
// `vestiscop_bench forest fit` (tools/bench).

#include <array>
#include <cstdint>
#include <span>

#include "fabric/PatternRules.h"

namespace vestiscop::fabric {

inline constexpr int ForestClasses = 6;
inline constexpr int MottledPlain = 5;  // the class after the pattern kinds
// Below this confidence the answer is told as a guess with its alternative.
inline constexpr double SureConfidence = 0.8;

// A node asks whether features[feature] < threshold and goes on at the
// tree's node below or above (indices within the tree); a node with feature
// -1 is a leaf whose shares (summing to 1) are the classes' there.
struct ForestNode {
    int feature = -1;
    double threshold = 0;
    int below = 0;
    int above = 0;
    std::array<float, ForestClasses> shares{};
};

struct PatternVerdict {
    pattern::PatternKind kind = pattern::patternKind::None;
    // The trees' mean share of the chosen kind, 0..1 (a mottled plain
    // counts as plain).
    double confidence = 1;
    // The kind with the next largest share; None when no other kind has any.
    pattern::PatternKind alternative = pattern::patternKind::None;
    bool hasAlternative = false;
    // Plain, and more of the trees' plain share says mottled than even.
    bool mottled = false;
    // Each kind's mean share (a mottled plain's in plain's).
    std::array<double, 5> kindShares{};
};

// The trees are the nodes from each root up to the next root (the last to
// the end). A tree that leads outside itself or loops adds nothing; with no
// usable tree the verdict is Unknown with confidence 0.
PatternVerdict decidePattern(std::span<const ForestNode> nodes, std::span<const std::int32_t> roots,
                             const FeatureVector& features);

// The fitted forest in use, and its trees.
PatternVerdict decideFittedPattern(const FeatureVector& features);
std::span<const ForestNode> fittedForestNodes();
std::span<const std::int32_t> fittedForestRoots();

} // namespace vestiscop::fabric

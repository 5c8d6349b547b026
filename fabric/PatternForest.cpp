// SPDX-License-Identifier: GPL-3.0-or-later
#include "fabric/PatternForest.h"

#include <algorithm>
#include <cstddef>

namespace vestiscop::fabric {

namespace {

#include "fabric/PatternForestTable.inc"

// The leaf a tree of nodes [first, last) reaches, or null.
const ForestNode* leafOf(std::span<const ForestNode> tree, const FeatureVector& features)
{
    std::size_t node = 0;
    for (std::size_t step = 0; step <= tree.size() && node < tree.size(); ++step) {
        const ForestNode& n = tree[node];
        if (n.feature < 0)
            return &n;
        if (n.feature >= FeatureCount)
            return nullptr;
        const int next = features[static_cast<std::size_t>(n.feature)] < n.threshold ? n.below : n.above;
        if (next < 0)
            return nullptr;
        node = static_cast<std::size_t>(next);
    }
    return nullptr;
}

} // namespace

PatternVerdict decidePattern(std::span<const ForestNode> nodes, std::span<const std::int32_t> roots,
                             const FeatureVector& features)
{
    std::array<double, ForestClasses> sum{};
    int trees = 0;
    for (std::size_t t = 0; t < roots.size(); ++t) {
        const auto first = static_cast<std::size_t>(roots[t]);
        const std::size_t last = t + 1 < roots.size() ? static_cast<std::size_t>(roots[t + 1]) : nodes.size();
        if (first >= last || last > nodes.size())
            continue;
        const ForestNode* leaf = leafOf(nodes.subspan(first, last - first), features);
        if (leaf == nullptr)
            continue;
        for (std::size_t k = 0; k < sum.size(); ++k)
            sum[k] += leaf->shares[k];
        ++trees;
    }
    PatternVerdict verdict;
    if (trees == 0) {
        verdict.kind = pattern::patternKind::Unknown;
        verdict.confidence = 0;
        return verdict;
    }
    // The kinds' shares, a mottled plain counted as plain.
    std::array<double, MottledPlain> kinds{};
    for (std::size_t k = 0; k < kinds.size(); ++k)
        kinds[k] = sum[k] / trees;
    kinds[0] += sum[MottledPlain] / trees;
    int best = 0;
    for (int k = 1; k < MottledPlain; ++k)
        if (kinds[static_cast<std::size_t>(k)] > kinds[static_cast<std::size_t>(best)])
            best = k;
    int second = -1;
    for (int k = 0; k < MottledPlain; ++k)
        if (k != best && kinds[static_cast<std::size_t>(k)] > 0 &&
            (second < 0 || kinds[static_cast<std::size_t>(k)] > kinds[static_cast<std::size_t>(second)]))
            second = k;
    verdict.kindShares = kinds;
    verdict.kind = best;
    verdict.confidence = std::min(1.0, kinds[static_cast<std::size_t>(best)]);
    verdict.hasAlternative = second >= 0;
    verdict.alternative = second >= 0 ? second : pattern::patternKind::None;
    verdict.mottled = best == pattern::patternKind::None && sum[MottledPlain] > sum[0];
    return verdict;
}

PatternVerdict decideFittedPattern(const FeatureVector& features)
{
    return decidePattern(ForestNodes, ForestRoots, features);
}

std::span<const ForestNode> fittedForestNodes()
{
    return ForestNodes;
}

std::span<const std::int32_t> fittedForestRoots()
{
    return ForestRoots;
}

} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
#include "color/HistogramScaleSpace.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace vestiscop::color {

namespace {

// A node of the interval tree: the bins left..right (inclusive) between two
// marks of the level with this tau. Links are indices into the node pool.
struct IntervalNode {
    double tau = 0;
    int left = 0;
    int right = 0;
    double meanStability = 0;
    double stability = 0;
    int sibling = -1;
    int child = -1;
};

constexpr int Root = 0;

// Node, then its sibling subtree, then its child subtree; childless nodes listed.
void collectLeaves(const std::vector<IntervalNode>& nodes, int node, std::vector<int>& leaves)
{
    while (node >= 0) {
        if (nodes[node].child < 0)
            leaves.push_back(node);
        collectLeaves(nodes, nodes[node].sibling, leaves);
        node = nodes[node].child;
    }
}

std::vector<IntervalNode> buildIntervalTree(const std::vector<ScaleLevel>& levels)
{
    std::vector<IntervalNode> nodes;
    nodes.push_back(IntervalNode{0.0, 0, 255, 0, 0, -1, -1});
    std::vector<int> leaves;
    for (const ScaleLevel& level : levels) {
        leaves.clear();
        collectLeaves(nodes, Root, leaves);
        for (const int leaf : leaves) {
            const int leafLeft = nodes[leaf].left;
            const int leafRight = nodes[leaf].right;
            int start = leafLeft;
            int current = leaf;
            auto attach = [&](int left, int right) {
                const int created = static_cast<int>(nodes.size());
                nodes.push_back(IntervalNode{level.tau, left, right, 0, 0, -1, -1});
                if (current == leaf)
                    nodes[leaf].child = created;
                else
                    nodes[current].sibling = created;
                current = created;
            };
            for (int k = leafLeft + 1; k <= leafRight - 1; ++k) {
                if (level.marks[k] != 0) {
                    attach(start, k);
                    start = k;
                }
            }
            if (start != leafLeft)
                attach(start, leafRight);
        }
    }

    for (std::size_t i = 1; i < nodes.size(); ++i) {
        IntervalNode& node = nodes[i];
        node.stability = node.child >= 0 ? node.tau - nodes[node.child].tau : 0.0;
    }
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        double sum = 0;
        int count = 0;
        for (int c = nodes[i].child; c >= 0; c = nodes[c].sibling) {
            sum += nodes[c].stability;
            ++count;
        }
        nodes[i].meanStability = count > 0 ? sum / count : 0.0;
    }
    return nodes;
}

// A node at least as stable as its children on average stands for its whole
// interval; otherwise its children are examined instead.
void activeIntervals(const std::vector<IntervalNode>& nodes, int node, std::vector<int>& active)
{
    while (node >= 0) {
        const IntervalNode& current = nodes[node];
        if (current.stability >= current.meanStability) {
            active.push_back(node);
            node = current.sibling;
        } else {
            activeIntervals(nodes, current.sibling, active);
            node = current.child;
        }
    }
}

int countMarks(const Marks& marks, int from, int to)
{
    int count = 0;
    for (int k = std::max(from, 0); k <= to && k <= 255; ++k)
        count += marks[k] != 0 ? 1 : 0;
    return count;
}

} // namespace

Profile smoothHistogram(const Histogram& histogram, double tau)
{
    std::array<double, 256> kernel{};
    int support = 0;
    while (support < 256) {
        const double d = support;
        kernel[support] = std::exp(-(d * d) / (2 * tau * tau));
        ++support;
        if (kernel[support - 1] < 1e-12)
            break;
    }
    // Weights beyond the support are exactly zero and bins holding nothing add
    // exactly zero, so leaving both out keeps the sum bit for bit.
    Profile out{};
    for (int x = 0; x < 256; ++x) {
        double sum = 0;
        const int from = std::max(0, x - support + 1);
        const int to = std::min(255, x + support - 1);
        for (int u = from; u <= to; ++u) {
            if (histogram[u] != 0)
                sum += histogram[u] * kernel[std::abs(x - u)];
        }
        out[x] = sum / (tau * 2.5066282746310002);
    }
    return out;
}

Profile derivative(const Profile& v)
{
    Profile out{};
    out[0] = 2 * v[1] - 1.5 * v[0] - 0.5 * v[2];
    out[255] = 0.5 * v[253] - 2 * v[254] + 1.5 * v[255];
    for (int i = 1; i < 255; ++i)
        out[i] = (v[i + 1] - v[i - 1]) * 0.5;
    return out;
}

Marks markRuns(const Profile& secondDerivative, double zeroBand)
{
    Marks marks{};
    int parity = 0;
    for (int i = 0; i < 256; ++i) {
        double value = secondDerivative[i];
        // The band is closed below and open above: exactly -s is flat, exactly +s is not.
        if (-zeroBand <= value && value < zeroBand)
            value = 0;
        if (value < 0) {
            if (parity > 0)
                marks[i] = -1;
            parity = 1;
        } else if (value > 0) {
            if (parity < 0)
                marks[i] = 1;
            parity = -1;
        }
    }
    return marks;
}

std::vector<ScaleLevel> buildScaleLevels(const Histogram& histogram, double zeroBand)
{
    std::vector<ScaleLevel> levels;
    levels.reserve(ScaleLevelCount);
    // Repeated subtraction in a double: the last scale is 0.20000000000000018.
    for (double tau = 5.2; tau >= 0.2; tau -= 0.5) {
        ScaleLevel level;
        level.tau = tau;
        level.smoothed = smoothHistogram(histogram, tau);
        level.marks = markRuns(derivative(derivative(level.smoothed)), zeroBand);
        levels.push_back(level);
    }
    ScaleLevel raw;
    raw.tau = 0.0;
    for (int i = 0; i < 256; ++i)
        raw.smoothed[i] = histogram[i];
    raw.marks = markRuns(derivative(derivative(raw.smoothed)), zeroBand);
    levels.push_back(raw);
    return levels;
}

void consolidateMarks(std::vector<ScaleLevel>& levels)
{
    for (int l = static_cast<int>(levels.size()) - 2; l >= 0; --l) {
        Marks& marks = levels[l].marks;
        const Marks& next = levels[l + 1].marks;
        for (int j = 0; j < 256; ++j) {
            if (marks[j] == 0)
                continue;
            int k = j - 1;
            while (k > 0 && next[k] == 0)
                --k;
            const int left = std::max(k, 0);
            k = j + 1;
            while (k < 255 && next[k] == 0)
                ++k;
            const int right = std::min(k, 255);
            k = j - 1;
            while (k > 0 && marks[k] == 0)
                --k;
            const int prev = std::max(k, 0);

            // A mark follows the finer level's mark at its own bin if there
            // is one; only where the finer level has none does it move to the
            // nearest finer mark on the left, else on the right.
            int target = -1;
            if (next[j] != 0) {
                if (countMarks(next, prev + 1, j - 1) % 2 == 0 && j != prev)
                    target = j;
            } else if (countMarks(next, prev + 1, left - 1) % 2 == 0 && left != prev) {
                target = left;
            } else if (countMarks(next, prev + 1, right - 1) % 2 == 0 && right != prev) {
                target = right;
            }
            const std::int16_t value = marks[j];
            marks[j] = 0;
            if (target >= 0)
                marks[target] = value;
        }
    }
}

void forceEndMarks(std::vector<ScaleLevel>& levels)
{
    for (ScaleLevel& level : levels) {
        Marks& marks = level.marks;
        int k = 0;
        while (k < 255 && marks[k] == 0)
            ++k;
        marks[0] = static_cast<std::int16_t>(-marks[k]);
        k = 255;
        while (k > 0 && marks[k] == 0)
            --k;
        marks[255] = static_cast<std::int16_t>(-marks[k]);
    }
}

Extrema extremaFromLevels(const std::vector<ScaleLevel>& levels)
{
    const std::vector<IntervalNode> nodes = buildIntervalTree(levels);
    std::vector<int> active;
    activeIntervals(nodes, nodes[Root].child, active);

    Extrema extrema{};
    for (const int index : active) {
        const IntervalNode& node = nodes[index];
        int levelIndex = -1;
        for (int l = 0; l < static_cast<int>(levels.size()); ++l) {
            if (levels[l].tau == node.tau)
                levelIndex = l;
        }
        const ScaleLevel& level = levels[levelIndex];
        const bool peak = level.marks[node.right] == -1;
        int extreme = node.left;
        double value = level.smoothed[node.left];
        for (int x = node.left; x <= node.right; ++x) {
            const double candidate = level.smoothed[x];
            if (peak ? candidate > value : candidate < value) {
                extreme = x;
                value = candidate;
            }
        }
        // Bin 0 as 256, so that a valley at bin 0 still reads as a valley.
        const int written = extreme == 0 ? 256 : extreme;
        for (int x = node.left; x <= node.right; ++x)
            extrema[x] = static_cast<std::int16_t>(peak ? written : -written);
    }
    return extrema;
}

Extrema channelExtrema(const Histogram& histogram, double zeroBand)
{
    std::vector<ScaleLevel> levels = buildScaleLevels(histogram, zeroBand);
    consolidateMarks(levels);
    forceEndMarks(levels);
    return extremaFromLevels(levels);
}

} // namespace vestiscop::color

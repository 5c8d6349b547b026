// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one-channel half of the colour clusterer: a 256-bin histogram is
// smoothed across a ladder of Gaussian scales, the sign runs of its second
// derivative are marked at every scale, the marks are tracked from coarse to
// fine, and the intervals that stay stable across scales decide which bins
// belong to a peak (a colour) and which to a valley.
//
// Everything here is plain double arithmetic in a fixed order: the results
// decide every stored catalogue record, so they must not change between
// builds or optimisations. Pure functions, no state, no failures.

#include <array>
#include <cstdint>
#include <vector>

namespace vestiscop::color {

using Histogram = std::array<std::int32_t, 256>;
using Profile = std::array<double, 256>;
// -1, 0 or +1 per bin.
using Marks = std::array<std::int16_t, 256>;
// Per bin: +peakBin for a peak interval, -valleyBin for a valley, 0 unassigned;
// the extreme bin 0 is written as 256 so that it keeps its sign.
using Extrema = std::array<std::int16_t, 256>;

struct ScaleLevel {
    double tau = 0;  // 0 for the raw histogram
    Profile smoothed{};
    Marks marks{};
};

// Scales of the ladder: 5.2 down to 0.2 in steps of 0.5 by repeated
// subtraction, then the raw histogram as tau 0.
inline constexpr int ScaleLevelCount = 12;

// Gaussian smoothing with the kernel cut at the first weight below 1e-12.
Profile smoothHistogram(const Histogram& histogram, double tau);

// Central differences inside, one-sided second-order differences at the ends.
Profile derivative(const Profile& values);

// Values in [-s, s) count as zero; every sample of a run of one sign except
// the run's first gets that sign's mark (-1 for negative, +1 for positive).
Marks markRuns(const Profile& secondDerivative, double zeroBand);

// The twelve levels, finest last, each with its smoothed profile and marks.
std::vector<ScaleLevel> buildScaleLevels(const Histogram& histogram, double zeroBand);

// Moves each mark of a coarser level onto a matching mark of the next finer
// level, or drops it; levels 10 down to 0 in turn.
void consolidateMarks(std::vector<ScaleLevel>& levels);

// Sets marks[0] and marks[255] of every level to the negated nearest mark.
void forceEndMarks(std::vector<ScaleLevel>& levels);

// Peak and valley bins from consolidated levels (interval tree, stable intervals).
Extrema extremaFromLevels(const std::vector<ScaleLevel>& levels);

// The whole channel analysis: levels, consolidation, end marks, extrema.
// zeroBand is the clusterer's smoothing threshold (already 1.0 for 0).
Extrema channelExtrema(const Histogram& histogram, double zeroBand);

} // namespace vestiscop::color

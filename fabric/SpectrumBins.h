// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bins a texture's power spectrum is kept in, by orientation and period,
// so that a re-scan of a garment that lies elsewhere on the glass or is
// turned a little falls into the same bins. Both the signature's own measure
// of the analysis channels and the improved analysis's findings fill them.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace vestiscop::fabric {

// Orientations of 15 degrees centred on multiples of 15 (0 = contrast along
// x, that is vertical stripes) by period bands of one octave each, from
// 0.25 mm up; the last band also takes every longer period.
inline constexpr int OrientationBins = 12;
inline constexpr int PeriodBands = 7;
inline constexpr int SpectrumBins = OrientationBins * PeriodBands;
inline constexpr double ShortestPeriodMm = 0.25;

using SpectrumHistogram = std::array<double, SpectrumBins>;

// Adds one frequency's energy at orientation (radians, -pi..pi, modulo pi)
// and octaves (log2 of its period over ShortestPeriodMm) to the bins. The
// energy is shared between the two nearest bands and the two nearest
// orientations, so that a turn or a period on a border moves the histogram
// smoothly.
inline void addToSpectrum(double energy, double orientation, double octaves, SpectrumHistogram& bins)
{
    if (orientation < 0)
        orientation += std::numbers::pi;
    const double band = std::clamp(octaves - 0.5, 0.0, PeriodBands - 1.0);
    const double lowerBand = std::floor(band);
    const double f = band - lowerBand;
    const int b0 = static_cast<int>(lowerBand);
    const int b1 = std::min(b0 + 1, PeriodBands - 1);
    // Bin k is centred on k * 15 degrees: stripes along either axis or a
    // diagonal fall into one bin.
    const double p = orientation / (std::numbers::pi / OrientationBins);
    const double lower = std::floor(p);
    int o0 = static_cast<int>(lower) % OrientationBins;
    if (o0 < 0)
        o0 += OrientationBins;
    const int o1 = o0 + 1 < OrientationBins ? o0 + 1 : 0;
    const double share = p - lower;
    double* lowerRow = bins.data() + b0 * OrientationBins;
    double* upperRow = bins.data() + b1 * OrientationBins;
    const double lowerEnergy = energy * (1 - f);
    const double upperEnergy = energy * f;
    lowerRow[o0] += lowerEnergy * (1 - share);
    lowerRow[o1] += lowerEnergy * share;
    upperRow[o0] += upperEnergy * (1 - share);
    upperRow[o1] += upperEnergy * share;
}

} // namespace vestiscop::fabric

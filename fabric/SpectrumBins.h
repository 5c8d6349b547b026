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

// Where one frequency's energy goes: at orientation (radians, -pi..pi,
// modulo pi) and octaves (log2 of its period over ShortestPeriodMm), shared
// between the two nearest bands (rows lower and upper, band offsets of the
// histogram) and the two nearest orientations (o0, o1), the upper band
// taking the share f, orientation o1 the share share, so that a turn or a
// period on a border moves the histogram smoothly. It depends on the
// frequency only: a measure that bins the same frequencies scan after scan
// can keep it.
struct SpectrumSpread {
    double f = 0;
    double share = 0;
    int lower = 0;
    int upper = 0;
    int o0 = 0;
    int o1 = 0;
};

inline SpectrumSpread spreadOf(double orientation, double octaves)
{
    if (orientation < 0)
        orientation += std::numbers::pi;
    SpectrumSpread s;
    const double band = std::clamp(octaves - 0.5, 0.0, PeriodBands - 1.0);
    const double lowerBand = std::floor(band);
    s.f = band - lowerBand;
    const int b0 = static_cast<int>(lowerBand);
    const int b1 = std::min(b0 + 1, PeriodBands - 1);
    // Bin k is centred on k * 15 degrees: stripes along either axis or a
    // diagonal fall into one bin.
    const double p = orientation / (std::numbers::pi / OrientationBins);
    const double lower = std::floor(p);
    s.o0 = static_cast<int>(lower) % OrientationBins;
    if (s.o0 < 0)
        s.o0 += OrientationBins;
    s.o1 = s.o0 + 1 < OrientationBins ? s.o0 + 1 : 0;
    s.share = p - lower;
    s.lower = b0 * OrientationBins;
    s.upper = b1 * OrientationBins;
    return s;
}

// Adds one frequency's energy to the bins as spread says.
inline void addToSpectrum(double energy, const SpectrumSpread& spread, SpectrumHistogram& bins)
{
    double* lowerRow = bins.data() + spread.lower;
    double* upperRow = bins.data() + spread.upper;
    const double lowerEnergy = energy * (1 - spread.f);
    const double upperEnergy = energy * spread.f;
    lowerRow[spread.o0] += lowerEnergy * (1 - spread.share);
    lowerRow[spread.o1] += lowerEnergy * spread.share;
    upperRow[spread.o0] += upperEnergy * (1 - spread.share);
    upperRow[spread.o1] += upperEnergy * spread.share;
}

// Adds one frequency's energy at orientation and octaves to the bins.
inline void addToSpectrum(double energy, double orientation, double octaves, SpectrumHistogram& bins)
{
    addToSpectrum(energy, spreadOf(orientation, octaves), bins);
}

} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The power spectrum of the fabric analysis's pattern, and the direction in
// Lab its colour varies in: what the repeats and the signature's texture
// are read from.

#include <opencv2/core.hpp>

#include <array>
#include <vector>

#include "fabric/SpectrumBins.h"

namespace vestiscop::fabric {

// Orientation bins of the angle histograms: 7.5 degrees each over 0..180.
inline constexpr int AngleBins = 24;

struct Spectrum {
    std::vector<double> angles = std::vector<double>(AngleBins, 0);
    double total = 0;
    struct Peak {
        double power = 0;
        double fx = 0;  // cycles per mm
        double fy = 0;
    };
    std::vector<Peak> peaks;  // strongest first
    // Every frequency but the lowest two of each axis (the uneven light
    // and the window), binned as a signature keeps them: shares of their
    // power, all 0 when there is none.
    SpectrumHistogram bins{};
    // The root mean square of the windowed signal in those frequencies.
    double contrast = 0;
};

// The spectrum of a signal (CV_32F) whose pixels are mmPerPx wide: the
// power by orientation, its peaks between the shortest and the longest
// repeat of a pattern, and every frequency binned for the signature.
// What depends on the signal's size and pixel size alone (the window, and
// where every frequency is binned) is made once and kept for the next
// signal of that size; prepareSpectrum makes it ahead, so that the first
// scan does not wait for it. Thread-safe.
Spectrum spectrumOf(const cv::Mat& signal, double mmPerPx);
void prepareSpectrum(int rows, int cols, double mmPerPx);

// Which way in Lab the colour of a picture (CV_32FC3) varies: the
// covariance of the deviations from the mean (LL, aa, bb, La, Lb, ab) over
// its trace; all 0 for one colour.
std::array<double, 6> colourVariation(const cv::Mat& lab);

} // namespace vestiscop::fabric

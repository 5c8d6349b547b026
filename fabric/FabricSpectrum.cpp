// SPDX-License-Identifier: GPL-3.0-or-later
#include "fabric/FabricSpectrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <opencv2/imgproc.hpp>

#include "color/ColorVariation.h"

namespace vestiscop::fabric {

namespace {

constexpr double Pi = std::numbers::pi;
// Repeats from a pin stripe's sett to a wide awning stripe; finer ones are
// the weave, coarser ones the light and the creases.
constexpr double ShortestRepeatMm = 1.2;
constexpr double LongestRepeatMm = 70;

} // namespace

Spectrum spectrumOf(const cv::Mat& signal, double mmPerPx)
{
    Spectrum s;
    const int n = cv::getOptimalDFTSize(std::max(signal.rows, signal.cols));
    cv::Mat window;
    cv::createHanningWindow(window, signal.size(), CV_32F);
    cv::Mat padded = cv::Mat::zeros(n, n, CV_32F);
    const cv::Scalar mean = cv::mean(signal);
    cv::Mat centred = (signal - mean[0]).mul(window);
    centred.copyTo(padded(cv::Rect(0, 0, signal.cols, signal.rows)));
    cv::Mat complex;
    cv::dft(padded, complex, cv::DFT_COMPLEX_OUTPUT);
    cv::Mat power(n, n, CV_64F);
    for (int v = 0; v < n; ++v)
        for (int u = 0; u < n; ++u) {
            const cv::Vec2f c = complex.at<cv::Vec2f>(v, u);
            power.at<double>(v, u) = static_cast<double>(c[0]) * c[0] + static_cast<double>(c[1]) * c[1];
        }
    const double lo = 1 / LongestRepeatMm;
    const double hi = 1 / ShortestRepeatMm;
    const auto freq = [&](int k) { return (k <= n / 2 ? k : k - n) / (n * mmPerPx); };
    double binned = 0;
    // The half plane v >= 0 (with u > 0 on the axis) holds every frequency once.
    for (int v = 0; v <= n / 2; ++v)
        for (int u = 0; u < n; ++u) {
            if (v == 0 && freq(u) <= 0)
                continue;
            const double fx = freq(u);
            const double fy = freq(v);
            const double f = std::hypot(fx, fy);
            const double p = power.at<double>(v, u);
            // The direction is wanted below for most frequencies: found once.
            const double direction = std::atan2(fy, fx);
            if (v >= 2 || std::abs(u <= n / 2 ? u : u - n) >= 2) {
                addToSpectrum(p, direction, std::log2(1 / (f * ShortestPeriodMm)), s.bins);
                binned += p;
            }
            if (f < lo || f > hi)
                continue;
            s.total += p;
            double angle = direction;
            if (angle < 0)
                angle += Pi;
            s.angles[static_cast<std::size_t>(std::min(AngleBins - 1, static_cast<int>(angle / Pi * AngleBins)))] += p;
            // A local maximum of its 3 x 3 neighbourhood is a peak; its
            // power is that of the neighbourhood (a peak between bins).
            double around = 0;
            bool top = true;
            for (int dv = -1; dv <= 1; ++dv)
                for (int du = -1; du <= 1; ++du) {
                    const double q = power.at<double>((v + dv + n) % n, (u + du + n) % n);
                    around += q;
                    if ((dv != 0 || du != 0) && q > p)
                        top = false;
                }
            if (top) {
                // The peak's true frequency between the bins, from the
                // parabola through its neighbours along each axis.
                const auto offset = [](double before, double at, double after) {
                    const double curve = before - 2 * at + after;
                    return curve < 0 ? std::clamp(0.5 * (before - after) / curve, -0.5, 0.5) : 0.0;
                };
                const double du = offset(power.at<double>(v, (u + n - 1) % n), p, power.at<double>(v, (u + 1) % n));
                const double dv = offset(power.at<double>((v + n - 1) % n, u), p, power.at<double>((v + 1) % n, u));
                const double step = 1 / (n * mmPerPx);
                s.peaks.push_back({around, fx + du * step, fy + dv * step});
            }
        }
    // Parseval: the whole plane's power is n^2 times the windowed signal's
    // squares, and the half plane holds half of it.
    const double windowEnergy = cv::sum(window.mul(window))[0];
    if (binned > 0 && windowEnergy > 0) {
        for (double& bin : s.bins)
            bin /= binned;
        s.contrast = std::sqrt(2 * binned / (static_cast<double>(n) * n * windowEnergy));
    }
    std::stable_sort(s.peaks.begin(), s.peaks.end(),
                     [](const Spectrum::Peak& p, const Spectrum::Peak& q) { return p.power > q.power; });
    if (s.peaks.size() > 16)
        s.peaks.resize(16);
    return s;
}

std::array<double, 6> colourVariation(const cv::Mat& lab)
{
    color::ColourCovariance covariance;
    const cv::Scalar mean = cv::mean(lab);
    for (int y = 0; y < lab.rows; ++y) {
        const cv::Vec3f* p = lab.ptr<cv::Vec3f>(y);
        for (int x = 0; x < lab.cols; ++x)
            covariance.add(p[x][0] - mean[0], p[x][1] - mean[1], p[x][2] - mean[2]);
    }
    return covariance.variation();
}

} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
#include "fabric/FabricSpectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <numbers>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "color/ColorVariation.h"

namespace vestiscop::fabric {

namespace {

constexpr double Pi = std::numbers::pi;
// Repeats from a pin stripe's sett to a wide awning stripe; finer ones are
// the weave, coarser ones the light and the creases.
constexpr double ShortestRepeatMm = 1.2;
constexpr double LongestRepeatMm = 70;

// What a spectrum needs of its signal's size and pixel size alone, the
// same for every scan of a region at one resolution: the window and its
// energy, and for every frequency of the half plane (v, u), 0 <= v <= n/2,
// in the order the spectrum visits them, where its power is binned and
// whether it lies between the shortest and the longest repeat, with the
// values the spectrum would compute for it each time, to the bit.
struct SpectrumPlan {
    enum : std::uint8_t { Binned = 1, Repeat = 2, Skipped = 4 };
    struct Frequency {
        double f = 0;  // SpectrumSpread, compact
        double share = 0;
        std::uint8_t lower = 0;
        std::uint8_t upper = 0;
        std::uint8_t o0 = 0;
        std::uint8_t o1 = 0;
        std::uint8_t flags = 0;
        std::uint8_t angleBin = 0;  // for a repeat: its bin of Spectrum::angles
    };

    SpectrumPlan(int rows, int cols, double mmPerPx)
        : rows(rows), cols(cols), mmPerPx(mmPerPx), n(cv::getOptimalDFTSize(std::max(rows, cols)))
    {
        cv::createHanningWindow(window, cv::Size(cols, rows), CV_32F);
        windowEnergy = cv::sum(window.mul(window))[0];
        const double lo = 1 / LongestRepeatMm;
        const double hi = 1 / ShortestRepeatMm;
        half.resize(static_cast<std::size_t>(n / 2 + 1) * static_cast<std::size_t>(n));
        Frequency* q = half.data();
        for (int v = 0; v <= n / 2; ++v)
            for (int u = 0; u < n; ++u, ++q) {
                if (v == 0 && frequency(u) <= 0) {
                    q->flags = Skipped;
                    continue;
                }
                const double fx = frequency(u);
                const double fy = frequency(v);
                const double f = std::hypot(fx, fy);
                const double direction = std::atan2(fy, fx);
                if (v >= 2 || std::abs(u <= n / 2 ? u : u - n) >= 2) {
                    const SpectrumSpread spread = spreadOf(direction, std::log2(1 / (f * ShortestPeriodMm)));
                    q->f = spread.f;
                    q->share = spread.share;
                    q->lower = static_cast<std::uint8_t>(spread.lower);
                    q->upper = static_cast<std::uint8_t>(spread.upper);
                    q->o0 = static_cast<std::uint8_t>(spread.o0);
                    q->o1 = static_cast<std::uint8_t>(spread.o1);
                    q->flags |= Binned;
                }
                if (f < lo || f > hi)
                    continue;
                q->flags |= Repeat;
                double angle = direction;
                if (angle < 0)
                    angle += Pi;
                q->angleBin = static_cast<std::uint8_t>(std::min(AngleBins - 1, static_cast<int>(angle / Pi * AngleBins)));
            }
    }

    // Cycles per mm of transform index k.
    double frequency(int k) const { return (k <= n / 2 ? k : k - n) / (n * mmPerPx); }

    bool fits(int r, int c, double mm) const { return rows == r && cols == c && mmPerPx == mm; }

    int rows;
    int cols;
    double mmPerPx;
    int n;
    cv::Mat window;
    double windowEnergy = 0;
    std::vector<Frequency> half;
};

// The plan of this size: the one made last when it fits (every scan at the
// configured region and resolution asks for the same), a new one otherwise.
std::shared_ptr<const SpectrumPlan> planOf(int rows, int cols, double mmPerPx)
{
    static std::mutex guard;
    static std::shared_ptr<const SpectrumPlan> last;
    const std::lock_guard<std::mutex> lock(guard);
    if (!last || !last->fits(rows, cols, mmPerPx))
        last = std::make_shared<const SpectrumPlan>(rows, cols, mmPerPx);
    return last;
}

} // namespace

void prepareSpectrum(int rows, int cols, double mmPerPx)
{
    planOf(rows, cols, mmPerPx);
}

Spectrum spectrumOf(const cv::Mat& signal, double mmPerPx)
{
    Spectrum s;
    const std::shared_ptr<const SpectrumPlan> plan = planOf(signal.rows, signal.cols, mmPerPx);
    const int n = plan->n;
    const cv::Mat& window = plan->window;
    cv::Mat padded = cv::Mat::zeros(n, n, CV_32F);
    const cv::Scalar mean = cv::mean(signal);
    cv::Mat centred = (signal - mean[0]).mul(window);
    centred.copyTo(padded(cv::Rect(0, 0, signal.cols, signal.rows)));
    cv::Mat complex;
    cv::dft(padded, complex, cv::DFT_COMPLEX_OUTPUT);
    // The half plane and the rows around it that its peaks look at.
    cv::Mat power(n, n, CV_64F);
    for (int v = 0; v < n; ++v) {
        if (v > n / 2 + 1 && v < n - 1)
            continue;
        const cv::Vec2f* c = complex.ptr<cv::Vec2f>(v);
        double* out = power.ptr<double>(v);
        for (int u = 0; u < n; ++u)
            out[u] = static_cast<double>(c[u][0]) * c[u][0] + static_cast<double>(c[u][1]) * c[u][1];
    }
    double binned = 0;
    // The half plane v >= 0 (with u > 0 on the axis) holds every frequency once.
    const SpectrumPlan::Frequency* q = plan->half.data();
    for (int v = 0; v <= n / 2; ++v)
        for (int u = 0; u < n; ++u, ++q) {
            if ((q->flags & SpectrumPlan::Skipped) != 0)
                continue;
            const double p = power.at<double>(v, u);
            if ((q->flags & SpectrumPlan::Binned) != 0) {
                SpectrumSpread spread;
                spread.f = q->f;
                spread.share = q->share;
                spread.lower = q->lower;
                spread.upper = q->upper;
                spread.o0 = q->o0;
                spread.o1 = q->o1;
                addToSpectrum(p, spread, s.bins);
                binned += p;
            }
            if ((q->flags & SpectrumPlan::Repeat) == 0)
                continue;
            s.total += p;
            s.angles[q->angleBin] += p;
            // A local maximum of its 3 x 3 neighbourhood is a peak; its
            // power is that of the neighbourhood (a peak between bins).
            double around = 0;
            bool top = true;
            for (int dv = -1; dv <= 1; ++dv)
                for (int du = -1; du <= 1; ++du) {
                    const double r = power.at<double>((v + dv + n) % n, (u + du + n) % n);
                    around += r;
                    if ((dv != 0 || du != 0) && r > p)
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
                s.peaks.push_back({around, plan->frequency(u) + du * step, plan->frequency(v) + dv * step});
            }
        }
    // Parseval: the whole plane's power is n^2 times the windowed signal's
    // squares, and the half plane holds half of it.
    const double windowEnergy = plan->windowEnergy;
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

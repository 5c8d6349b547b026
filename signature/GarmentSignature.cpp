// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature/GarmentSignature.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <future>
#include <numbers>
#include <vector>

#include <opencv2/core.hpp>

#include "fabric/FabricAnalysis.h"

namespace vestiscop::signature {

namespace {

using Complex = std::complex<double>;

// The two-dimensional discrete Fourier transform of an n x n square, in
// place; OpenCV's is several times faster than a plain radix-2 one, and a
// scan's signature takes four of them.
void transform2d(std::vector<Complex>& data, int n)
{
    cv::Mat square(n, n, CV_64FC2, data.data());
    cv::Mat spectrum(n, n, CV_64FC2);
    cv::dft(square, spectrum);
    spectrum.copyTo(square);
}

// A Hann window of n values: it keeps the region's edges from spreading
// energy over every orientation and period.
std::vector<double> hannWindow(int n)
{
    std::vector<double> window(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        window[static_cast<std::size_t>(i)] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (i + 0.5) / n);
    return window;
}

// Adds weight w to position p of a circular (wrap) or clamped row of bins,
// shared linearly between the two nearest bins.
void spread(double* bins, int count, double p, double w, bool wrap, int stride)
{
    const double lower = std::floor(p);
    const double f = p - lower;
    int i0 = static_cast<int>(lower);
    int i1 = i0 + 1;
    if (wrap) {
        i0 = ((i0 % count) + count) % count;
        i1 = ((i1 % count) + count) % count;
    } else {
        i0 = std::clamp(i0, 0, count - 1);
        i1 = std::clamp(i1, 0, count - 1);
    }
    bins[i0 * stride] += w * (1 - f);
    bins[i1 * stride] += w * f;
}

} // namespace

void measureTexture(const imaging::RgbImage& image, double lumaScale, double mmPerPixelX, double mmPerPixelY,
                    GarmentSignature& signature)
{
    signature.contrast = 0;
    signature.texture.fill(0);
    signature.colourVariation.fill(0);
    int n = 1;
    while (n * 2 <= std::min({image.width(), image.height(), 512}))
        n *= 2;
    if (n < 16 || !(mmPerPixelX > 0) || !(mmPerPixelY > 0) || !(lumaScale > 0))
        return;
    const int left = (image.width() - n) / 2;
    const int top = (image.height() - n) / 2;

    // Two transforms carry the three channels: L + i a and b. The energy of
    // a frequency and its mirror together is then |L|^2 + |a|^2 + |b|^2 of
    // both, and every bin below holds both (orientation is modulo 180 degrees).
    const std::size_t size = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
    std::vector<Complex> first(size);
    std::vector<Complex> second(size);
    double meanL = 0, meanA = 0, meanB = 0;
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* p = image.pixel(left, top + y);
        for (int x = 0; x < n; ++x, p += 3) {
            meanL += p[0] / lumaScale;
            meanB += p[1] - 128.0;
            meanA += p[2] - 128.0;
        }
    }
    meanL /= static_cast<double>(size);
    meanA /= static_cast<double>(size);
    meanB /= static_cast<double>(size);
    const std::vector<double> window = hannWindow(n);
    double windowEnergy = 0;
    std::array<double, 6> covariance{};
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* p = image.pixel(left, top + y);
        for (int x = 0; x < n; ++x, p += 3) {
            const double w = window[static_cast<std::size_t>(x)] * window[static_cast<std::size_t>(y)];
            windowEnergy += w * w;
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(n) + static_cast<std::size_t>(x);
            const double dl = w * (p[0] / lumaScale - meanL);
            const double da = w * (p[2] - 128.0 - meanA);
            const double db = w * (p[1] - 128.0 - meanB);
            first[i] = Complex(dl, da);
            second[i] = Complex(db, 0);
            covariance[0] += dl * dl;
            covariance[1] += da * da;
            covariance[2] += db * db;
            covariance[3] += dl * da;
            covariance[4] += dl * db;
            covariance[5] += da * db;
        }
    }
    const double trace = covariance[0] + covariance[1] + covariance[2];
    if (trace > 0) {
        for (std::size_t k = 0; k < covariance.size(); ++k)
            signature.colourVariation[k] = covariance[k] / trace;
    }
    transform2d(first, n);
    transform2d(second, n);

    const double binWidth = std::numbers::pi / OrientationBins;
    double total = 0;
    for (int v = 0; v < n; ++v) {
        const int fv = v < n / 2 ? v : v - n;
        for (int u = 0; u < n; ++u) {
            const int fu = u < n / 2 ? u : u - n;
            // The lowest frequencies are the uneven light and the window.
            if (std::max(std::abs(fu), std::abs(fv)) < 2)
                continue;
            const std::size_t i = static_cast<std::size_t>(v) * static_cast<std::size_t>(n) + static_cast<std::size_t>(u);
            const double energy = std::norm(first[i]) + std::norm(second[i]);
            const double cyclesX = fu / (n * mmPerPixelX);
            const double cyclesY = fv / (n * mmPerPixelY);
            const double period = 1 / std::hypot(cyclesX, cyclesY);
            double orientation = std::atan2(cyclesY, cyclesX);
            if (orientation < 0)
                orientation += std::numbers::pi;
            const double band = std::clamp(std::log2(period / ShortestPeriodMm) - 0.5, 0.0, PeriodBands - 1.0);
            // Each band's row of orientations; shared between neighbouring
            // bands and orientations so that a turn or a period on a border
            // moves the descriptor smoothly.
            const double lowerBand = std::floor(band);
            const double f = band - lowerBand;
            const int b0 = static_cast<int>(lowerBand);
            const int b1 = std::min(b0 + 1, PeriodBands - 1);
            // Bin k is centred on k * 15 degrees: stripes along either axis
            // or a diagonal fall into one bin.
            const double o = orientation / binWidth;
            spread(signature.texture.data() + b0 * OrientationBins, OrientationBins, o, energy * (1 - f), true, 1);
            spread(signature.texture.data() + b1 * OrientationBins, OrientationBins, o, energy * f, true, 1);
            total += energy;
        }
    }
    // Parseval: the transform's energy is n^2 times the windowed signal's.
    signature.contrast = std::sqrt(total / (static_cast<double>(size) * windowEnergy));
    if (total > 0) {
        for (double& bin : signature.texture)
            bin /= total;
    }
}

void measureWeave(const imaging::RgbImage& image, int width, int height, double mmPerPixelX, double mmPerPixelY,
                  GarmentSignature& signature)
{
    signature.weave.fill(0);
    signature.hasWeave = true;
    // The relief of the threads is faint beside the scanner's noise: the
    // larger the square, the more of the noise averages away.
    int n = 1;
    width = std::min(width, image.width());
    height = std::min(height, image.height());
    while (n * 2 <= std::min({width, height, 512}))
        n *= 2;
    if (n < 16 || !(mmPerPixelX > 0) || !(mmPerPixelY > 0))
        return;
    const int left = (width - n) / 2;
    const int top = (height - n) / 2;
    const std::size_t size = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
    std::array<double, 3> mean{};
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* p = image.pixel(left, top + y);
        for (int x = 0; x < n; ++x, p += 3)
            for (int c = 0; c < 3; ++c)
                mean[static_cast<std::size_t>(c)] += p[c];
    }
    for (double& m : mean) {
        m /= static_cast<double>(size);
        if (!(m > 1))
            return;
    }
    // Each channel relative to its mean, windowed as in measureTexture. The
    // relief of the threads darkens all three channels alike, while the
    // scanner's noise is a channel's own: the products of two channels'
    // transforms keep the relief and average the noise away.
    const std::vector<double> window = hannWindow(n);
    double windowEnergy = 0;
    std::vector<Complex> first(size);   // channel 0 + i channel 1
    std::vector<Complex> second(size);  // channel 2
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* p = image.pixel(left, top + y);
        for (int x = 0; x < n; ++x, p += 3) {
            const double w = window[static_cast<std::size_t>(x)] * window[static_cast<std::size_t>(y)];
            windowEnergy += w * w;
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(n) + static_cast<std::size_t>(x);
            first[i] = Complex(w * (p[0] / mean[0] - 1), w * (p[1] / mean[1] - 1));
            second[i] = Complex(w * (p[2] / mean[2] - 1), 0);
        }
    }
    transform2d(first, n);
    transform2d(second, n);
    const auto at = [n](int u, int v) {
        return static_cast<std::size_t>((v + n) % n) * static_cast<std::size_t>(n) + static_cast<std::size_t>((u + n) % n);
    };
    for (int v = 0; v < n; ++v) {
        const int fv = v < n / 2 ? v : v - n;
        for (int u = 0; u < n; ++u) {
            const int fu = u < n / 2 ? u : u - n;
            if (fu == 0 && fv == 0)
                continue;
            const double period = 1 / std::hypot(fu / (n * mmPerPixelX), fv / (n * mmPerPixelY));
            const double band = std::floor(2 * std::log2(period / ShortestPeriodMm));
            if (band < 0 || band >= WeaveBands)
                continue;
            // The two real channels packed in one transform, apart again.
            const Complex z = first[at(u, v)];
            const Complex zm = std::conj(first[at(-u, -v)]);
            const Complex c0 = 0.5 * (z + zm);
            const Complex c1 = Complex(0, -0.5) * (z - zm);
            const Complex c2 = second[at(u, v)];
            const double cross = (c0 * std::conj(c1) + c1 * std::conj(c2) + c0 * std::conj(c2)).real() / 3;
            signature.weave[static_cast<std::size_t>(band)] += cross;
        }
    }
    for (double& e : signature.weave)
        e = std::max(0.0, e / (static_cast<double>(size) * windowEnergy));
}

void measureMinority(const imaging::ByteImage& mask, double mmPerPixelX, double mmPerPixelY,
                     GarmentSignature& signature)
{
    signature.minorityShare = 0;
    signature.minorityRunX = 0;
    signature.minorityRunY = 0;
    const int w = mask.width();
    const int h = mask.height();
    if (w <= 0 || h <= 0)
        return;
    std::int64_t pixels = 0;
    std::int64_t runsX = 0;
    std::int64_t runsY = 0;
    std::vector<std::uint8_t> above(static_cast<std::size_t>(w), 0);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = mask.row(y);
        std::uint8_t left = 0;
        for (int x = 0; x < w; ++x) {
            const std::uint8_t on = row[x] != 0 ? 1 : 0;
            pixels += on;
            runsX += on & (left ^ 1);
            runsY += on & (above[static_cast<std::size_t>(x)] ^ 1);
            left = on;
            above[static_cast<std::size_t>(x)] = on;
        }
    }
    if (pixels == 0)
        return;
    signature.minorityShare = static_cast<double>(pixels) / (static_cast<double>(w) * h);
    signature.minorityRunX = static_cast<double>(pixels) / static_cast<double>(runsX) * mmPerPixelX;
    signature.minorityRunY = static_cast<double>(pixels) / static_cast<double>(runsY) * mmPerPixelY;
}

void measureColours(const std::vector<color::ColorCluster>& colours, GarmentSignature& signature)
{
    signature.colourCount = static_cast<int>(std::min<std::size_t>(colours.size(), MaxColours));
    double kept = 0;
    for (int i = 0; i < signature.colourCount; ++i) {
        const color::ColorCluster& c = colours[static_cast<std::size_t>(i)];
        MeasuredColour& m = signature.colours[static_cast<std::size_t>(i)];
        const double count = c.count > 0 ? c.count : 1;
        m.l = static_cast<double>(c.sumL) / count;
        m.a = static_cast<double>(c.sumA) / count;
        m.b = static_cast<double>(c.sumB) / count;
        m.share = c.share;
        kept += c.share;
    }
    for (int i = 0; i < signature.colourCount; ++i)
        signature.colours[static_cast<std::size_t>(i)].share =
            kept > 0 ? signature.colours[static_cast<std::size_t>(i)].share / kept : 1.0 / signature.colourCount;
}

std::array<double, LayoutValues> layoutOf(const fabric::FabricFindings& findings)
{
    // Logarithms where a value spans decades, so that each is of the order
    // of 1 and a difference is a ratio.
    const auto& f = findings.features;
    const bool repeats = findings.periodicityCount > 0;
    return {
        std::log1p(std::max(0.0, findings.componentSizeMm)),
        findings.roundness,
        findings.layoutSpread,
        findings.componentSizeSpread,
        f[fabric::ComponentDensity],
        std::log1p(std::max(0.0, f[fabric::EdgeDensity])),
        std::log1p(std::max(0.0, f[fabric::Contrast])),
        f[fabric::MinorityShare],
        repeats ? std::log1p(std::max(0.0, findings.periodicity[0].periodMm)) : 0.0,
        repeats ? findings.periodicity[0].strength : 0.0,
    };
}

GarmentSignature describe(const color::ColorAnalyzer& analyzer, const foundation::ColorSettings& colorSettings,
                          const foundation::ScanSettings& scanSettings)
{
    GarmentSignature signature;
    measureColours(analyzer.colors(), signature);
    signature.pattern = analyzer.pattern();
    constexpr double MmPerInch = 25.4;
    if (scanSettings.xRes > 0 && scanSettings.yRes > 0) {
        const double mmX = MmPerInch / scanSettings.xRes;
        const double mmY = MmPerInch / scanSettings.yRes;
        // The weave and the texture fill different members and take about
        // as long each: the weave is measured on a thread of its own.
        std::future<void> weave;
        if (analyzer.image() != nullptr)
            weave = std::async(std::launch::async, [&] {
                measureWeave(*analyzer.image(), analyzer.regionWidth(), analyzer.regionHeight(), mmX, mmY, signature);
            });
        if (analyzer.labImage() != nullptr)
            measureTexture(*analyzer.labImage(), colorSettings.lumaScale, mmX, mmY, signature);
        if (analyzer.mask() != nullptr)
            measureMinority(*analyzer.mask(), mmX, mmY, signature);
        if (weave.valid())
            weave.get();
    }
    if (const auto* improved = dynamic_cast<const fabric::FabricAnalysis*>(analyzer.refinement())) {
        signature.layout = layoutOf(improved->findings());
        signature.hasLayout = true;
    }
    return signature;
}

} // namespace vestiscop::signature

// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature/GarmentSignature.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <future>
#include <memory>
#include <numbers>
#include <system_error>
#include <vector>

#include <opencv2/core.hpp>

#include "color/ColorVariation.h"
#include "fabric/FabricPieces.h"
#include "foundation/HugePages.h"
#include "signature/FrequencyTable.h"

namespace vestiscop::signature {

namespace {

using Complex = std::complex<double>;

// An n x n square of complex values for a transform, left uninitialised:
// every value is written before it is read, and a region's 512 x 512 squares
// are four megabytes each, whose clearing would cost as much as filling.
class Square {
public:
    explicit Square(int n)
        : m_room(new unsigned char[foundation::hugePageRoom(bytes(n))]),
          m_matrix(n, n, CV_64FC2, foundation::hugePageStart(m_room.get(), bytes(n)))
    {
    }
    Complex& operator[](std::size_t i) { return values()[i]; }
    const Complex& operator[](std::size_t i) const { return values()[i]; }

    // The two-dimensional discrete Fourier transform, in place; OpenCV's is
    // several times faster than a plain radix-2 one, and in place it gives
    // the same values as into a second square, without that square.
    void transform() { cv::dft(m_matrix, m_matrix); }

private:
    static std::size_t bytes(int n) { return static_cast<std::size_t>(n) * static_cast<std::size_t>(n) * sizeof(Complex); }
    // Real and imaginary parts in turn, as std::complex lays them out.
    Complex* values() { return reinterpret_cast<Complex*>(m_matrix.ptr<double>()); }
    const Complex* values() const { return reinterpret_cast<const Complex*>(m_matrix.ptr<double>()); }

    std::unique_ptr<unsigned char[]> m_room;
    cv::Mat m_matrix;  // over m_room, from a huge page on
};

// The side of the square the spectra are measured on: the largest power of
// two up to 512 that fits the region; below 16 there is no spectrum.
int squareSide(int width, int height)
{
    int n = 1;
    while (n * 2 <= std::min({width, height, 512}))
        n *= 2;
    return n;
}

constexpr double MmPerInch = 25.4;

// A Hann window of n values: it keeps the region's edges from spreading
// energy over every orientation and period.
std::vector<double> hannWindow(int n)
{
    std::vector<double> window(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        window[static_cast<std::size_t>(i)] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (i + 0.5) / n);
    return window;
}

// The energy of the square's window w(x) w(y), which the spectra are divided
// by: the squares added row by row, in the order the fills visit the pixels.
double energyOf(const std::vector<double>& window)
{
    double energy = 0;
    for (const double wy : window)
        for (const double wx : window) {
            const double w = wx * wy;
            energy += w * w;
        }
    return energy;
}

} // namespace

void measureTexture(const imaging::RgbImage& image, double lumaScale, double mmPerPixelX, double mmPerPixelY,
                    GarmentSignature& signature)
{
    signature.contrast = 0;
    signature.texture.fill(0);
    signature.colourVariation.fill(0);
    const int n = squareSide(image.width(), image.height());
    if (n < 16 || !(mmPerPixelX > 0) || !(mmPerPixelY > 0) || !(lumaScale > 0))
        return;
    const int left = (image.width() - n) / 2;
    const int top = (image.height() - n) / 2;

    // Two transforms carry the three channels: L + i a and b. The energy of
    // a frequency and its mirror together is then |L|^2 + |a|^2 + |b|^2 of
    // both, and every bin below holds both (orientation is modulo 180 degrees).
    const std::size_t size = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
    Square first(n);
    Square second(n);
    // A channel byte's lightness, divided once for each of its 256 values.
    std::array<double, 256> lightness{};
    for (int v = 0; v < 256; ++v)
        lightness[static_cast<std::size_t>(v)] = v / lumaScale;
    double meanL = 0, meanA = 0, meanB = 0;
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* p = image.pixel(left, top + y);
        for (int x = 0; x < n; ++x, p += 3) {
            meanL += lightness[p[0]];
            meanB += p[1] - 128.0;
            meanA += p[2] - 128.0;
        }
    }
    meanL /= static_cast<double>(size);
    meanA /= static_cast<double>(size);
    meanB /= static_cast<double>(size);
    const std::vector<double> window = hannWindow(n);
    const double windowEnergy = energyOf(window);
    color::ColourCovariance covariance;
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* p = image.pixel(left, top + y);
        for (int x = 0; x < n; ++x, p += 3) {
            const double w = window[static_cast<std::size_t>(x)] * window[static_cast<std::size_t>(y)];
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(n) + static_cast<std::size_t>(x);
            const double dl = w * (lightness[p[0]] - meanL);
            const double da = w * (p[2] - 128.0 - meanA);
            const double db = w * (p[1] - 128.0 - meanB);
            first[i] = Complex(dl, da);
            second[i] = Complex(db, 0);
            covariance.add(dl, da, db);
        }
    }
    signature.colourVariation = covariance.variation();
    first.transform();
    second.transform();

    const std::shared_ptr<const FrequencyTable> table = FrequencyTable::of(n, mmPerPixelX, mmPerPixelY);
    table->makeDirections();
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
            fabric::addToSpectrum(energy, table->direction(fu, fv), table->octaves(fu, fv), signature.texture);
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
    width = std::min(width, image.width());
    height = std::min(height, image.height());
    const int n = squareSide(width, height);
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
    // A byte's value relative to its channel's mean, divided once for each
    // of its 256 values.
    std::array<std::array<double, 256>, 3> relative{};
    for (std::size_t c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            relative[c][static_cast<std::size_t>(v)] = v / mean[c] - 1;
    const std::vector<double> window = hannWindow(n);
    const double windowEnergy = energyOf(window);
    Square first(n);   // channel 0 + i channel 1
    Square second(n);  // channel 2
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* p = image.pixel(left, top + y);
        for (int x = 0; x < n; ++x, p += 3) {
            const double w = window[static_cast<std::size_t>(x)] * window[static_cast<std::size_t>(y)];
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(n) + static_cast<std::size_t>(x);
            first[i] = Complex(w * relative[0][p[0]], w * relative[1][p[1]]);
            second[i] = Complex(w * relative[2][p[2]], 0);
        }
    }
    first.transform();
    second.transform();
    const std::shared_ptr<const FrequencyTable> table = FrequencyTable::of(n, mmPerPixelX, mmPerPixelY);
    // n is a power of two: a frequency's mirror is at (n - u) & (n - 1).
    const int wrap = n - 1;
    const auto at = [n](int u, int v) {
        return static_cast<std::size_t>(v) * static_cast<std::size_t>(n) + static_cast<std::size_t>(u);
    };
    for (int v = 0; v < n; ++v) {
        const int fv = v < n / 2 ? v : v - n;
        for (int u = 0; u < n; ++u) {
            const int fu = u < n / 2 ? u : u - n;
            if (fu == 0 && fv == 0)
                continue;
            const double band = std::floor(2 * table->octaves(fu, fv));
            if (band < 0 || band >= WeaveBands)
                continue;
            // The two real channels packed in one transform, apart again.
            const Complex z = first[at(u, v)];
            const Complex zm = std::conj(first[at((n - u) & wrap, (n - v) & wrap)]);
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
    const fabric::MaskRuns runs = fabric::maskRuns(mask);
    if (runs.pixels == 0)
        return;
    const auto pixels = static_cast<double>(runs.pixels);
    signature.minorityShare = pixels / (static_cast<double>(w) * h);
    signature.minorityRunX = pixels / static_cast<double>(runs.runsX) * mmPerPixelX;
    signature.minorityRunY = pixels / static_cast<double>(runs.runsY) * mmPerPixelY;
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

std::future<void> prepare(int regionWidth, int regionHeight, const foundation::ScanSettings& scanSettings)
{
    const auto ready = [] {
        std::promise<void> none;
        none.set_value();
        return none.get_future();
    };
    const int n = squareSide(regionWidth, regionHeight);
    if (n < 16 || !(scanSettings.xRes > 0) || !(scanSettings.yRes > 0))
        return ready();
    // The same millimetres per pixel as describe() passes to the measures.
    const double mmX = MmPerInch / scanSettings.xRes;
    const double mmY = MmPerInch / scanSettings.yRes;
    try {
        return std::async(std::launch::async, [n, mmX, mmY] { (void)FrequencyTable::of(n, mmX, mmY); });
    } catch (const std::system_error&) {
        // No thread to be had: the first signature makes the table itself.
        return ready();
    }
}

void takeFindingsTexture(const fabric::FabricFindings& findings, GarmentSignature& signature)
{
    signature.findingsTexture = true;
    signature.texture = findings.spectrum;
    signature.contrast = findings.spectrumContrast;
    signature.colourVariation = findings.colourVariation;
    signature.minorityShare = findings.minorityRunShare;
    signature.minorityRunX = findings.minorityRunXMm;
    signature.minorityRunY = findings.minorityRunYMm;
}

WeaveAhead::WeaveAhead(const imaging::RgbImage& image, int width, int height,
                       const foundation::ScanSettings& scanSettings)
    : m_image(&image), m_width(width), m_height(height)
{
    // The same millimetres per pixel as describe() passes to measureWeave.
    if (!(scanSettings.xRes > 0) || !(scanSettings.yRes > 0))
        return;
    const double mmX = MmPerInch / scanSettings.xRes;
    const double mmY = MmPerInch / scanSettings.yRes;
    try {
        m_done = std::async(std::launch::async,
                            [this, mmX, mmY] { measureWeave(*m_image, m_width, m_height, mmX, mmY, m_measured); });
    } catch (const std::system_error&) {
        // No thread to be had: describe() measures the weave itself.
    }
}

WeaveAhead::~WeaveAhead()
{
    if (m_done.valid())
        m_done.wait();
}

bool WeaveAhead::takeInto(const imaging::RgbImage* image, int width, int height, GarmentSignature& signature)
{
    if (!m_done.valid() || image != m_image || width != m_width || height != m_height)
        return false;
    m_done.get();
    signature.weave = m_measured.weave;
    signature.hasWeave = m_measured.hasWeave;
    return true;
}

GarmentSignature describe(const analysis::ScanResult& result, const foundation::ColorSettings& colorSettings,
                          const foundation::ScanSettings& scanSettings, WeaveAhead* ahead)
{
    const auto measuredAhead = [&](GarmentSignature& signature) {
        return ahead != nullptr && ahead->takeInto(result.image, result.regionWidth, result.regionHeight, signature);
    };
    GarmentSignature signature;
    measureColours(result.separateColors.empty() ? result.colors : result.separateColors, signature);
    signature.pattern = result.pattern;
    if (result.findings != nullptr) {
        // The fitted tree's pattern, whichever decided the spoken one: the
        // distance's pattern term was fitted on the tree's answers, and
        // stored signatures keep comparing with new ones alike.
        signature.pattern = result.findings->treePattern;
        takeFindingsTexture(*result.findings, signature);
        signature.layout = layoutOf(*result.findings);
        signature.hasLayout = true;
        if (result.image != nullptr && scanSettings.xRes > 0 && scanSettings.yRes > 0 && !measuredAhead(signature))
            measureWeave(*result.image, result.regionWidth, result.regionHeight, MmPerInch / scanSettings.xRes,
                         MmPerInch / scanSettings.yRes, signature);
        return signature;
    }
    if (scanSettings.xRes > 0 && scanSettings.yRes > 0) {
        const double mmX = MmPerInch / scanSettings.xRes;
        const double mmY = MmPerInch / scanSettings.yRes;
        // The measures fill different members. The texture, with its
        // directions, takes a little longer than the weave, so the weave and
        // then the minority's short pass run on a thread of their own.
        std::future<void> weave;
        if (result.image != nullptr || result.minorityMask != nullptr)
            weave = std::async(std::launch::async, [&] {
                if (result.image != nullptr && !measuredAhead(signature))
                    measureWeave(*result.image, result.regionWidth, result.regionHeight, mmX, mmY, signature);
                if (result.minorityMask != nullptr)
                    measureMinority(*result.minorityMask, mmX, mmY, signature);
            });
        if (result.analysisChannels != nullptr)
            measureTexture(*result.analysisChannels, colorSettings.lumaScale, mmX, mmY, signature);
        if (weave.valid())
            weave.get();
    }
    return signature;
}

} // namespace vestiscop::signature

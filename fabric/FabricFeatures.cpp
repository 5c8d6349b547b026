// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <future>
#include <numbers>
#include <system_error>
#include <utility>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "fabric/FabricPieces.h"
#include "fabric/FabricSpectrum.h"
#include "fabric/FabricSteps.h"

namespace vestiscop::fabric {

namespace {

constexpr double Pi = std::numbers::pi;
// The spectrum and the edges are measured at about this pixel size.
constexpr double WorkingMm = 0.25;
// The woven grid is looked for at about this pixel size: coarser than a
// twill's repeat, finer than the narrowest line of a windowpane.
constexpr double CrossingMm = 1.0;
// From this many pixels of that copy on the fit has a thread of its own.
constexpr int CrossingThreadPixels = 128 * 128;

// The strongest direction of an angle histogram (with its two neighbours)
// and the strongest one at least 30 degrees away, as shares of the total.
struct Axes {
    double first = 0;
    double second = 0;
    int firstBin = 0;
    int secondBin = -1;
};

Axes strongestAxes(const std::vector<double>& bins)
{
    double total = 0;
    for (const double v : bins)
        total += v;
    Axes axes;
    if (total <= 0)
        return axes;
    const int n = static_cast<int>(bins.size());
    const auto lobe = [&](int k) { return bins[(k + n - 1) % n] + bins[k] + bins[(k + 1) % n]; };
    for (int k = 1; k < n; ++k)
        if (lobe(k) > lobe(axes.firstBin))
            axes.firstBin = k;
    for (int k = 0; k < n; ++k) {
        const int apart = std::min((k - axes.firstBin + n) % n, (axes.firstBin - k + n) % n);
        if (apart >= 4 && (axes.secondBin < 0 || lobe(k) > lobe(axes.secondBin)))
            axes.secondBin = k;
    }
    axes.first = lobe(axes.firstBin) / total;
    axes.second = axes.secondBin >= 0 ? lobe(axes.secondBin) / total : 0;
    return axes;
}

double coefficientOfVariation(const std::vector<double>& values)
{
    if (values.size() < 2)
        return 0;
    double mean = 0;
    for (const double v : values)
        mean += v;
    mean /= static_cast<double>(values.size());
    double var = 0;
    for (const double v : values)
        var += (v - mean) * (v - mean);
    var /= static_cast<double>(values.size());
    return mean > 0 ? std::sqrt(var) / mean : 0;
}

// The cloth's colour as a woven grid: every point's colour taken as the
// mean plus a profile across the first axis (the warp's bands) plus one
// across the second (the weft's). Where two bands cross, their colours
// mix, so a check is almost wholly such a sum, as are stripes (one
// profile); the patches of a print, the spots of a skin and the dots of a
// lattice are not: their colour depends on both coordinates at once.
// The axes are at angle and angle + 90 degrees (radians, from x towards
// y); every pixel belongs to the band of each profile that its distance
// along the axis rounds to.
struct GridAxes {
    GridAxes(int w, int h, double angle) : c(std::cos(angle)), s(std::sin(angle))
    {
        // Distances along both axes, shifted so that the least is 0.
        double max1 = 0;
        double max2 = 0;
        for (const auto& [x, y] : {std::pair{0.0, 0.0}, std::pair{w - 1.0, 0.0}, std::pair{0.0, h - 1.0},
                                   std::pair{w - 1.0, h - 1.0}}) {
            min1 = std::min(min1, x * c + y * s);
            max1 = std::max(max1, x * c + y * s);
            min2 = std::min(min2, -x * s + y * c);
            max2 = std::max(max2, -x * s + y * c);
        }
        bands1 = static_cast<int>(std::floor(max1 - min1 + 0.5)) + 1;
        bands2 = static_cast<int>(std::floor(max2 - min2 + 0.5)) + 1;
        xc.resize(static_cast<std::size_t>(w));
        xs.resize(static_cast<std::size_t>(w));
        for (int x = 0; x < w; ++x) {
            xc[static_cast<std::size_t>(x)] = x * c;
            xs[static_cast<std::size_t>(x)] = -x * s;
        }
    }
    // The distances are never below 0, so the conversion rounds down. The
    // column's products come from a table and the row's are made once per
    // row (ys = y * s, yc = y * c): the same products, so the same sums.
    int first(int x, double ys) const
    {
        return std::min(static_cast<int>(xc[static_cast<std::size_t>(x)] + ys - min1 + 0.5), bands1 - 1);
    }
    int second(int x, double yc) const
    {
        return std::min(static_cast<int>(xs[static_cast<std::size_t>(x)] + yc - min2 + 0.5), bands2 - 1);
    }

    double c;
    double s;
    std::vector<double> xc;  // x * c of every column
    std::vector<double> xs;  // -x * s of every column
    double min1 = 0;
    double min2 = 0;
    int bands1 = 1;
    int bands2 = 1;
};

cv::Vec3d meanOf(const cv::Mat& lab)
{
    const cv::Scalar mean = cv::mean(lab);
    return {mean[0], mean[1], mean[2]};
}

// Every pixel's colour less the mean, in the order of the pixels, and the
// sum of their squares: the same for every direction tried, so made once.
struct Deviations {
    Deviations(const cv::Mat& lab, const cv::Vec3d& mean) : cols(lab.cols), rows(lab.rows)
    {
        d.reserve(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
        for (int y = 0; y < rows; ++y) {
            const cv::Vec3f* row = lab.ptr<cv::Vec3f>(y);
            for (int x = 0; x < cols; ++x) {
                d.emplace_back(row[x][0] - mean[0], row[x][1] - mean[1], row[x][2] - mean[2]);
                total += d.back().dot(d.back());
            }
        }
    }
    int cols;
    int rows;
    std::vector<cv::Vec3d> d;
    double total = 0;
};

// The share of the colour variance (Lab, summed over the channels) that
// the two profiles explain, 0..1, each profile the mean of its band: one
// pass, close to the least-squares fit when the bands of the two axes
// cross evenly (for choosing the axes).
double bandShare(const Deviations& dev, double angle)
{
    const GridAxes axes(dev.cols, dev.rows, angle);
    std::vector<cv::Vec3d> first(static_cast<std::size_t>(axes.bands1));
    std::vector<cv::Vec3d> second(static_cast<std::size_t>(axes.bands2));
    std::vector<double> count1(first.size(), 0);
    std::vector<double> count2(second.size(), 0);
    std::size_t i = 0;
    for (int y = 0; y < dev.rows; ++y) {
        const double ys = y * axes.s;
        const double yc = y * axes.c;
        for (int x = 0; x < dev.cols; ++x, ++i) {
            const cv::Vec3d& d = dev.d[i];
            const auto b1 = static_cast<std::size_t>(axes.first(x, ys));
            const auto b2 = static_cast<std::size_t>(axes.second(x, yc));
            first[b1] += d;
            second[b2] += d;
            ++count1[b1];
            ++count2[b2];
        }
    }
    double explained = 0;
    for (std::size_t b = 0; b < first.size(); ++b)
        if (count1[b] > 0)
            explained += first[b].dot(first[b]) / count1[b];
    for (std::size_t b = 0; b < second.size(); ++b)
        if (count2[b] > 0)
            explained += second[b].dot(second[b]) / count2[b];
    return dev.total > 0 ? std::clamp(explained / dev.total, 0.0, 1.0) : 0;
}

// The same share for the least-squares fit of both profiles together
// (alternating means, which settle in a few rounds).
class WovenGrid {
public:
    WovenGrid(const Deviations& dev, double angle) : m_dev(dev)
    {
        const GridAxes axes(dev.cols, dev.rows, angle);
        m_count1.assign(static_cast<std::size_t>(axes.bands1), 0);
        m_count2.assign(static_cast<std::size_t>(axes.bands2), 0);
        m_band1.resize(dev.d.size());
        m_band2.resize(dev.d.size());
        std::size_t i = 0;
        for (int y = 0; y < dev.rows; ++y) {
            const double ys = y * axes.s;
            const double yc = y * axes.c;
            for (int x = 0; x < dev.cols; ++x, ++i) {
                m_band1[i] = axes.first(x, ys);
                m_band2[i] = axes.second(x, yc);
                ++m_count1[static_cast<std::size_t>(m_band1[i])];
                ++m_count2[static_cast<std::size_t>(m_band2[i])];
            }
        }
    }

    double fittedShare() const
    {
        std::vector<cv::Vec3d> first(m_count1.size());
        std::vector<cv::Vec3d> second(m_count2.size());
        constexpr int Rounds = 4;
        for (int round = 0; round < Rounds; ++round) {
            fit(first, m_band1, m_count1, second, m_band2);
            fit(second, m_band2, m_count2, first, m_band1);
        }
        double left = 0;
        for (std::size_t i = 0; i < m_dev.d.size(); ++i) {
            const cv::Vec3d r =
                m_dev.d[i] - first[static_cast<std::size_t>(m_band1[i])] - second[static_cast<std::size_t>(m_band2[i])];
            left += r.dot(r);
        }
        return m_dev.total > 0 ? std::clamp(1 - left / m_dev.total, 0.0, 1.0) : 0;
    }

private:
    // One profile as the mean of each of its bands of what the other leaves.
    void fit(std::vector<cv::Vec3d>& profile, const std::vector<std::int32_t>& band, const std::vector<double>& count,
             const std::vector<cv::Vec3d>& other, const std::vector<std::int32_t>& otherBand) const
    {
        std::fill(profile.begin(), profile.end(), cv::Vec3d());
        for (std::size_t i = 0; i < m_dev.d.size(); ++i)
            profile[static_cast<std::size_t>(band[i])] += m_dev.d[i] - other[static_cast<std::size_t>(otherBand[i])];
        for (std::size_t b = 0; b < profile.size(); ++b)
            if (count[b] > 0)
                profile[b] /= count[b];
    }

    const Deviations& m_dev;
    std::vector<std::int32_t> m_band1;
    std::vector<std::int32_t> m_band2;
    std::vector<double> m_count1;
    std::vector<double> m_count2;
};

// How far the cloth is a woven grid of colours: the share of its colour
// variance that the best pair of crossing band profiles explains. Measured
// on a copy of about CrossingMm a pixel, where a twill or the threads of a
// plain weave have mixed into the colour of their crossing, so that only
// the bands of the pattern are left; the axes are those of the best
// explanation among directions 3 degrees apart (the grid of a cloth laid
// askew on the glass is found as well as a straight one).
int crossingFactor(const cv::Mat& lab, double mmPerPx)
{
    int factor = std::max(1, static_cast<int>(std::lround(CrossingMm / mmPerPx)));
    while (factor > 1 && (lab.cols / factor < 16 || lab.rows / factor < 16))
        --factor;
    return factor;
}

double crossingFit(const cv::Mat& lab, double mmPerPx)
{
    const int factor = crossingFactor(lab, mmPerPx);
    cv::Mat coarse;
    if (factor > 1)
        cv::resize(lab, coarse, cv::Size(lab.cols / factor, lab.rows / factor), 0, 0, cv::INTER_AREA);
    else
        coarse = lab;
    const Deviations dev(coarse, meanOf(coarse));
    constexpr int Directions = 30;  // over the 90 degrees a pair of crossing axes can take
    double best = -1;
    double axis = 0;
    for (int k = 0; k < Directions; ++k) {
        const double angle = k * (Pi / 2) / Directions;
        const double share = bandShare(dev, angle);
        if (share > best) {
            best = share;
            axis = angle;
        }
    }
    return WovenGrid(dev, axis).fittedShare();
}

// The reduction to about WorkingMm a pixel, while both sides keep 16 pixels.
int workingFactor(int w, int h, double mmPerPx)
{
    int factor = std::max(1, static_cast<int>(std::lround(WorkingMm / mmPerPx)));
    while (factor > 1 && (w / factor < 16 || h / factor < 16))
        --factor;
    return factor;
}

} // namespace

void preparePattern(int w, int h, double mmPerPx)
{
    const int factor = workingFactor(w, h, mmPerPx);
    if (w / factor >= 16 && h / factor >= 16)
        prepareSpectrum(h / factor, w / factor, mmPerPx * factor);
}

void measurePattern(const cv::Mat& lab, const ColourClusters& clusters, double mmPerPx, FabricFindings& findings)
{
    auto& f = findings.features;
    f.fill(0);
    findings.periodicityCount = 0;
    findings.periodicity = {};
    const int w = lab.cols;
    const int h = lab.rows;
    const double areaMm2 = w * h * mmPerPx * mmPerPx;

    int colours = 0;
    for (const double share : clusters.shares)
        colours += share >= 0.03 ? 1 : 0;
    f[ColourCount] = colours;
    f[MinorityShare] = 1 - clusters.shares.front();

    // Spectrum and edges at about 0.25 mm per pixel, on how far every
    // pixel lies from the ground colour.
    const int factor = workingFactor(w, h, mmPerPx);
    const double workMm = mmPerPx * factor;
    // At a factor of 2, the copy the colours were looked for on.
    cv::Mat smallLab;
    if (factor == 2 && clusters.halved.cols == w / 2 && clusters.halved.rows == h / 2)
        smallLab = clusters.halved;
    else if (factor > 1)
        cv::resize(lab, smallLab, cv::Size(w / factor, h / factor), 0, 0, cv::INTER_AREA);
    else
        smallLab = lab;
    const cv::Vec3d ground = clusters.centres.front();
    cv::Mat small(smallLab.rows, smallLab.cols, CV_32F);
    for (int y = 0; y < small.rows; ++y) {
        const cv::Vec3f* in = smallLab.ptr<cv::Vec3f>(y);
        float* out = small.ptr<float>(y);
        for (int x = 0; x < small.cols; ++x) {
            const double dl = in[x][0] - ground[0];
            const double da = in[x][1] - ground[1];
            const double db = in[x][2] - ground[2];
            out[x] = static_cast<float>(std::min(60.0, std::sqrt(dl * dl + da * da + db * db)));
        }
    }
    {
        std::vector<float> values;
        values.reserve(small.total());
        for (int y = 0; y < small.rows; ++y)
            values.insert(values.end(), small.ptr<float>(y), small.ptr<float>(y) + small.cols);
        const auto at = values.begin() + static_cast<std::ptrdiff_t>(values.size() * 95 / 100);
        std::nth_element(values.begin(), at, values.end());
        f[Contrast] = *at;
    }
    // Too small a region has no repeats or edge directions to speak of.
    const bool roomy = small.rows >= 16 && small.cols >= 16;
    // The woven grid's fit takes nothing but smallLab and is a good part of
    // the time at a large region (a copy of 128 x 128 pixels or more, a
    // region larger than 512 x 512 at 200 dpi): it is then measured on a
    // thread of its own while the rest is measured here, with the same
    // value. Declared after smallLab, the thread is done before smallLab
    // goes, whatever is thrown here.
    std::future<double> crossing;
    if (roomy) {
        const int factor = crossingFactor(smallLab, workMm);
        if ((smallLab.cols / factor) * (smallLab.rows / factor) >= CrossingThreadPixels) {
            try {
                crossing = std::async(std::launch::async, [&smallLab, workMm] { return crossingFit(smallLab, workMm); });
            } catch (const std::system_error&) {
                // No thread to be had: measured below on this one.
            }
        }
    }
    const Spectrum spectrum = roomy ? spectrumOf(small, workMm) : Spectrum{};
    findings.spectrum = spectrum.bins;
    findings.spectrumContrast = spectrum.contrast;
    findings.colourVariation = colourVariation(smallLab);
    if (spectrum.total > 0 && !spectrum.peaks.empty()) {
        f[SpectrumPeak] = spectrum.peaks.front().power / spectrum.total;
        double top = 0;
        for (std::size_t i = 0; i < spectrum.peaks.size() && i < 8; ++i)
            top += spectrum.peaks[i].power;
        f[SpectrumTopPeaks] = top / spectrum.total;
        const Axes axes = strongestAxes(spectrum.angles);
        f[SpectrumAxis1] = axes.first;
        f[SpectrumAxis2] = axes.second;
        // The repeat directions: the strongest peak of each axis.
        for (const int bin : {axes.firstBin, axes.secondBin}) {
            if (bin < 0 || findings.periodicityCount >= 2)
                continue;
            for (const Spectrum::Peak& peak : spectrum.peaks) {
                double angle = std::atan2(peak.fy, peak.fx);
                if (angle < 0)
                    angle += Pi;
                const int k = std::min(AngleBins - 1, static_cast<int>(angle / Pi * AngleBins));
                if (std::abs(k - bin) <= 1 || std::abs(k - bin) == AngleBins - 1) {
                    Periodicity& p = findings.periodicity[static_cast<std::size_t>(findings.periodicityCount++)];
                    p.orientationDeg = angle * 180 / Pi;
                    p.periodMm = 1 / std::hypot(peak.fx, peak.fy);
                    p.strength = peak.power / spectrum.total;
                    break;
                }
            }
        }
    }

    cv::Mat gx = cv::Mat::zeros(small.size(), CV_32F);
    cv::Mat gy = cv::Mat::zeros(small.size(), CV_32F);
    if (roomy) {
        cv::Sobel(small, gx, CV_32F, 1, 0, 3, 1, 0, cv::BORDER_REFLECT);
        cv::Sobel(small, gy, CV_32F, 0, 1, 3, 1, 0, cv::BORDER_REFLECT);
    }
    cv::Mat magnitude;
    cv::Mat direction;
    cv::cartToPolar(gx, gy, magnitude, direction, false);
    std::vector<double> edgeAngles(AngleBins, 0);
    double edgeTotal = 0;
    for (int y = 1; y + 1 < small.rows; ++y) {
        const float* m = magnitude.ptr<float>(y);
        const float* d = direction.ptr<float>(y);
        for (int x = 1; x + 1 < small.cols; ++x) {
            if (m[x] <= 0)
                continue;
            // Directions 0..2 pi fold onto 0..pi.
            double angle = d[x] >= Pi ? d[x] - Pi : d[x];
            edgeAngles[static_cast<std::size_t>(std::clamp(static_cast<int>(angle / Pi * AngleBins), 0, AngleBins - 1))] += m[x];
            edgeTotal += m[x];
        }
    }
    const Axes edges = strongestAxes(edgeAngles);
    f[EdgeAxis1] = edges.first;
    f[EdgeAxis2] = edges.second;
    f[CrossingFit] = crossing.valid() ? crossing.get() : roomy ? crossingFit(smallLab, workMm) : 0;
    // A Sobel step of height c sums to about 8 c per pixel of edge length.
    f[EdgeDensity] = f[Contrast] > 0 ? edgeTotal / (8 * f[Contrast]) * workMm / (small.rows * small.cols * workMm * workMm) : 0;

    // The pieces of the minority colours and of the ground.
    cv::Mat minority = clusters.labels != 0;
    cv::morphologyEx(minority, minority, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3)));
    const double minArea = 0.15 / (mmPerPx * mmPerPx);
    const std::vector<MaskPiece> found = maskPieces(minority);
    double minorityPixels = 0;
    double spanning = 0;
    double largest = 0;
    int pieces = 0;
    std::vector<double> innerAreas;
    std::vector<cv::Point2d> innerCentres;
    double fill = 0;
    double axisRatio = 0;
    for (const MaskPiece& piece : found) {
        const auto area = static_cast<double>(piece.area);
        if (area < minArea)
            continue;
        ++pieces;
        minorityPixels += area;
        largest = std::max(largest, area);
        const int left = piece.left;
        const int top = piece.top;
        const int bw = piece.width;
        const int bh = piece.height;
        // A piece that crosses the region from edge to edge: a stripe, or
        // the lines of a check, at any angle.
        const int edges = (left == 0 ? 1 : 0) + (top == 0 ? 1 : 0) + (left + bw == w ? 1 : 0) + (top + bh == h ? 1 : 0);
        if (edges >= 2 && std::hypot(bw, bh) >= 0.5 * std::hypot(w, h))
            spanning += area;
        if (left == 0 || top == 0 || left + bw == w || top + bh == h)
            continue;
        const double mxx = piece.sxx / area;
        const double myy = piece.syy / area;
        const double mxy = piece.sxy / area;
        const double det = std::max(0.0, mxx * myy - mxy * mxy);
        const double half = (mxx + myy) / 2;
        const double root = std::sqrt(std::max(0.0, half * half - det));
        const double major = half + root;
        const double minor = std::max(0.0, half - root);
        fill += std::min(1.5, area / std::max(1.0, 4 * Pi * std::sqrt(det)));
        axisRatio += major > 0 ? std::sqrt(minor / major) : 1;
        innerAreas.push_back(area);
        innerCentres.emplace_back(piece.centreX, piece.centreY);
    }
    f[ComponentDensity] = std::log1p(pieces * 1000 / areaMm2);
    f[SpanningShare] = minorityPixels > 0 ? spanning / minorityPixels : 0;
    f[LargestComponent] = minorityPixels > 0 ? largest / minorityPixels : 0;
    const std::size_t inner = innerAreas.size();
    if (inner > 0) {
        f[ComponentFill] = fill / static_cast<double>(inner);
        f[ComponentAxisRatio] = axisRatio / static_cast<double>(inner);
        f[ComponentSizeSpread] = coefficientOfVariation(innerAreas);
    }
    std::vector<double> nearest;
    if (inner >= 3) {
        for (std::size_t i = 0; i < inner; ++i) {
            double best = 1e300;
            for (std::size_t j = 0; j < inner; ++j)
                if (j != i)
                    best = std::min(best, std::hypot(innerCentres[i].x - innerCentres[j].x,
                                                     innerCentres[i].y - innerCentres[j].y));
            nearest.push_back(best);
        }
        f[LayoutSpread] = coefficientOfVariation(nearest);
    }

    const int groundPieces = countPieces(clusters.labels == 0, minArea);
    f[GroundPieces] = std::log1p(groundPieces * 1000 / areaMm2);

    findings.componentCount = static_cast<std::int32_t>(inner);
    findings.componentSizeSpread = f[ComponentSizeSpread];
    findings.roundness = f[ComponentAxisRatio];
    findings.layoutSpread = f[LayoutSpread];
    findings.componentSizeMm = 0;
    if (inner > 0) {
        std::vector<double> sorted = innerAreas;
        std::sort(sorted.begin(), sorted.end());
        findings.componentSizeMm = 2 * std::sqrt(sorted[sorted.size() / 2] / Pi) * mmPerPx;
    }
}

} // namespace vestiscop::fabric

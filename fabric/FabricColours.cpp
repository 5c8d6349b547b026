// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numeric>

#include <opencv2/imgproc.hpp>

#include "color/ColorConversion.h"
#include "fabric/FabricSteps.h"
#include "foundation/WideLoops.h"

namespace vestiscop::fabric {

namespace {

// Two flat pixels within this Delta E belong to one colour mode.
constexpr double ModeRadius = 10.0;
// Modes closer than this are one colour (shades of one dyed yarn).
constexpr double MergeDistance = 13.0;
// A pixel is flat when its four neighbours differ from it by less.
constexpr double FlatLimit = 3.0;
// A mode needs this share of the sampled flat pixels.
constexpr double MinModeShare = 0.003;
// A speckle of a shade this close to another colour is that colour.
constexpr double ShadeDistance = 20.0;
// Colours below this share of the region are given to their nearest neighbour.
constexpr double MinColourShare = 0.015;
constexpr int MaxColours = 8;
// The dyed yarn of a two-yarn cloth: its most coloured quarter must have
// this chroma and exceed the lighter quarter's by this much and by this
// factor. A grey cloth's noise has no hue of its own, so its most coloured
// pixels average out grey; a cloth of one dyed yarn, whose shadows only
// darken it, shows both quarters nearly alike (a saturated one a little
// more coloured in its shadows, never by a quarter).
constexpr double YarnMinChroma = 18.0;
constexpr double YarnChromaGain = 5.0;
constexpr double YarnChromaRatio = 1.25;

double distance(const cv::Vec3d& p, const cv::Vec3f& q)
{
    const double dl = p[0] - q[0];
    const double da = p[1] - q[1];
    const double db = p[2] - q[2];
    return std::sqrt(dl * dl + da * da + db * db);
}

double distance2(const cv::Vec3d& p, const cv::Vec3f& q)
{
    const double dl = p[0] - q[0];
    const double da = p[1] - q[1];
    const double db = p[2] - q[2];
    return dl * dl + da * da + db * db;
}

double distance(const cv::Vec3d& p, const cv::Vec3d& q)
{
    return cv::norm(p - q);
}

// Whether c lies between p and q: it projects onto the inner part of the
// segment and lies near it.
bool between(const cv::Vec3d& c, const cv::Vec3d& p, const cv::Vec3d& q)
{
    const cv::Vec3d d = q - p;
    const double length2 = d.dot(d);
    if (length2 <= 0)
        return false;
    const double t = (c - p).dot(d) / length2;
    return t > 0.1 && t < 0.9 && cv::norm(c - (p + t * d)) < 0.3 * std::sqrt(length2);
}

// Where the colour (cl, ca, cb) is nearer than the nearest so far, it
// becomes the nearest; the first of equally near colours stays. Written
// as a blend under a mask, so every element is stored and the loop is
// vectorised (a conditional store would not be).
VESTISCOP_WIDE_LOOPS
void nearerOf(float cl, float ca, float cb, std::int32_t label, const float* __restrict pl,
              const float* __restrict pa, const float* __restrict pb, std::uint32_t* __restrict bestD,
              std::int32_t* __restrict bestK, std::size_t width)
{
    for (std::size_t x = 0; x < width; ++x) {
        const float dl = cl - pl[x];
        const float da = ca - pa[x];
        const float db = cb - pb[x];
        const float d = dl * dl + da * da + db * db;
        const std::uint32_t mask = -static_cast<std::uint32_t>(d < std::bit_cast<float>(bestD[x]));
        bestK[x] = static_cast<std::int32_t>((static_cast<std::uint32_t>(label) & mask) |
                                             (static_cast<std::uint32_t>(bestK[x]) & ~mask));
        bestD[x] = (std::bit_cast<std::uint32_t>(d) & mask) | (bestD[x] & ~mask);
    }
}

// A row of Lab pixels as three rows of one channel each.
VESTISCOP_WIDE_LOOPS
void splitChannels(const float* __restrict row, float* __restrict pl, float* __restrict pa, float* __restrict pb,
                   std::size_t width)
{
    for (std::size_t x = 0; x < width; ++x) {
        pl[x] = row[3 * x];
        pa[x] = row[3 * x + 1];
        pb[x] = row[3 * x + 2];
    }
}

// Where the colour (cl, ca, cb) lies nearer to a member (its squared
// distance, in doubles as distance2 makes it) than the nearest so far, it
// becomes the nearest; as std::min keeps the first of equals. A blend
// under a mask, so the loop is vectorised.
VESTISCOP_WIDE_LOOPS
void nearerColour(double cl, double ca, double cb, const float* __restrict pl, const float* __restrict pa,
                  const float* __restrict pb, std::uint64_t* __restrict nearest, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const double dl = cl - pl[i];
        const double da = ca - pa[i];
        const double db = cb - pb[i];
        const double d = dl * dl + da * da + db * db;
        const std::uint64_t mask = -static_cast<std::uint64_t>(d < std::bit_cast<double>(nearest[i]));
        nearest[i] = (std::bit_cast<std::uint64_t>(d) & mask) | (nearest[i] & ~mask);
    }
}

// Every pixel of lab to its nearest mode; the pixel count of each mode.
std::vector<double> assign(const cv::Mat& lab, const std::vector<cv::Vec3d>& modes, cv::Mat& labels)
{
    std::vector<double> counts(modes.size(), 0);
    const std::vector<cv::Vec3f> centres(modes.begin(), modes.end());
    const std::size_t n = centres.size();
    const int w = lab.cols;
    // A row at a time, one colour after the other: the distances of a row
    // to one colour are a loop the compiler can vectorise. The first
    // nearest colour wins a tie, as a pixel-by-pixel search would give.
    const auto width = static_cast<std::size_t>(w);
    std::vector<float> planes(3 * width);
    float* const pl = planes.data();
    float* const pa = pl + width;
    float* const pb = pa + width;
    std::vector<std::uint32_t> nearest(width);  // the squared distances' bits
    std::vector<std::int32_t> best(width);
    std::uint32_t* const bestD = nearest.data();
    std::int32_t* const bestK = best.data();
    std::vector<std::int32_t> rowCounts(n);
    for (int y = 0; y < lab.rows; ++y) {
        splitChannels(lab.ptr<float>(y), pl, pa, pb, width);
        std::fill(nearest.begin(), nearest.end(), std::bit_cast<std::uint32_t>(3.4e38f));
        std::fill(best.begin(), best.end(), 0);
        for (std::size_t k = 0; k < n; ++k) {
            const float cl = centres[k][0];
            const float ca = centres[k][1];
            const float cb = centres[k][2];
            nearerOf(cl, ca, cb, static_cast<std::int32_t>(k), pl, pa, pb, bestD, bestK, width);
        }
        std::uint8_t* out = labels.ptr<std::uint8_t>(y);
        std::fill(rowCounts.begin(), rowCounts.end(), 0);
        for (std::size_t x = 0; x < width; ++x) {
            out[x] = static_cast<std::uint8_t>(bestK[x]);
            ++rowCounts[static_cast<std::size_t>(bestK[x])];
        }
        for (std::size_t k = 0; k < n; ++k)
            counts[k] += rowCounts[k];
    }
    return counts;
}

// Modes of the samples, most populous first: the fullest cell of a coarse
// histogram (3 units a side) of what is left, its centre moved to the mean
// of the cells near it. Modes of fewer than minCount samples are passed over.
void findModes(const std::vector<cv::Vec3f>& samples, double minCount, std::vector<cv::Vec3d>& modes,
               std::vector<double>& weights)
{
    struct Cell {
        int key = 0;
        double count = 0;
        cv::Vec3d sum;
        bool taken = false;
        cv::Vec3d mean;
    };
    const auto keyOf = [](const cv::Vec3f& p) {
        const int l = std::clamp(static_cast<int>(p[0] / 3), 0, 63);
        const int a = std::clamp(static_cast<int>((p[1] + 128) / 3), 0, 127);
        const int b = std::clamp(static_cast<int>((p[2] + 128) / 3), 0, 127);
        return (l * 128 + a) * 128 + b;
    };
    // The cells in the order of their keys, each summing its samples in
    // their own order: the samples are gathered by a table of the cells met
    // so far (a cloth has a few hundred where it has tens of thousands of
    // samples), and the cells sorted by key after.
    std::vector<Cell> cells;
    std::size_t size = 64;
    while (size < 2 * samples.size())
        size *= 2;
    std::vector<std::int32_t> slots(size, -1);
    for (const cv::Vec3f& p : samples) {
        const auto key = static_cast<std::uint32_t>(keyOf(p));
        std::size_t slot = (key * 2654435761u) & (size - 1);
        while (slots[slot] >= 0 && cells[static_cast<std::size_t>(slots[slot])].key != static_cast<int>(key))
            slot = (slot + 1) & (size - 1);
        if (slots[slot] < 0) {
            slots[slot] = static_cast<std::int32_t>(cells.size());
            cells.push_back({static_cast<int>(key), 0, {}, false, {}});
        }
        Cell& cell = cells[static_cast<std::size_t>(slots[slot])];
        cell.count += 1;
        cell.sum += cv::Vec3d(p);
    }
    std::sort(cells.begin(), cells.end(), [](const Cell& p, const Cell& q) { return p.key < q.key; });
    // Each cell's mean, once: the modes' rounds ask for it again and again.
    for (Cell& c : cells)
        c.mean = c.sum / c.count;
    const double radius2 = ModeRadius * ModeRadius;
    const auto near = [&](const cv::Vec3d& centre, const Cell& c) {
        const cv::Vec3d d = c.mean - centre;
        return d.dot(d) < radius2;
    };
    // cells keeps only the cells not taken yet, in their order.
    while (static_cast<int>(modes.size()) < 2 * MaxColours && !cells.empty()) {
        std::size_t fullest = 0;
        for (std::size_t c = 1; c < cells.size(); ++c)
            if (cells[c].count > cells[fullest].count)
                fullest = c;
        cv::Vec3d centre = cells[fullest].mean;
        double count = 0;
        for (int round = 0; round < 3; ++round) {
            cv::Vec3d sum;
            count = 0;
            for (const Cell& c : cells)
                if (near(centre, c)) {
                    sum += c.sum;
                    count += c.count;
                }
            if (count > 0)
                centre = sum / count;
        }
        cells[fullest].taken = true;
        for (Cell& c : cells)
            if (!c.taken && near(centre, c))
                c.taken = true;
        std::erase_if(cells, [](const Cell& c) { return c.taken; });
        if (count < minCount)
            continue;  // a thin cell of stragglers; look at the next
        modes.push_back(centre);
        weights.push_back(count);
    }
}

// The program's own colour space (its gamma, primaries and white, as
// color::rgbToLab), in floats: each channel's share of X, Y and Z from
// a table, the cube root from a finely spaced table.
struct Tables {
    std::array<std::array<float, 256>, 3> x{};
    std::array<std::array<float, 256>, 3> y{};
    std::array<std::array<float, 256>, 3> z{};
    std::array<float, 4098> f{};  // labF over 0..1 in steps of 1/4096
    Tables()
    {
        for (int v = 0; v < 256; ++v) {
            const double lin = std::pow(v * 0.00392156862745098, color::AnalysisGamma);
            const color::XyzColor red = color::linearRgbToXyz(lin, 0, 0);
            const color::XyzColor green = color::linearRgbToXyz(0, lin, 0);
            const color::XyzColor blue = color::linearRgbToXyz(0, 0, lin);
            // Byte order blue, green, red.
            x[0][v] = static_cast<float>(blue.x);
            x[1][v] = static_cast<float>(green.x);
            x[2][v] = static_cast<float>(red.x);
            y[0][v] = static_cast<float>(blue.y);
            y[1][v] = static_cast<float>(green.y);
            y[2][v] = static_cast<float>(red.y);
            z[0][v] = static_cast<float>(blue.z);
            z[1][v] = static_cast<float>(green.z);
            z[2][v] = static_cast<float>(red.z);
        }
        for (std::size_t i = 0; i < f.size(); ++i) {
            const double t = static_cast<double>(i) / 4096;
            f[i] = static_cast<float>(t > 0.008856 ? std::cbrt(t) : 7.787 * t + 0.13793103448275862);
        }
    }
    float labF(float t) const
    {
        const float u = std::clamp(t, 0.0f, 1.0f) * 4096;
        const auto i = static_cast<std::size_t>(u);
        return f[i] + (f[i + 1] - f[i]) * (u - static_cast<float>(i));
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

cv::Vec3f labOf(const std::uint8_t* bgr)
{
    const Tables& t = tables();
    const float fx = t.labF(t.x[0][bgr[0]] + t.x[1][bgr[1]] + t.x[2][bgr[2]]);
    const float fy = t.labF(t.y[0][bgr[0]] + t.y[1][bgr[1]] + t.y[2][bgr[2]]);
    const float fz = t.labF(t.z[0][bgr[0]] + t.z[1][bgr[1]] + t.z[2][bgr[2]]);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

// The Lab values of the colours met lately, by their bytes: a smoothed
// cloth has far fewer distinct colours than pixels. One per thread (an
// analyser's, so it lasts from one scan to the next); a pure function's
// cache, so the results are the same.
class LabCache {
public:
    cv::Vec3f operator()(const std::uint8_t* bgr)
    {
        const std::uint32_t key = bgr[0] | (std::uint32_t{bgr[1]} << 8) | (std::uint32_t{bgr[2]} << 16);
        Entry& e = m_entries[((key * 2654435761u) >> 16) & (Size - 1)];
        if (e.key != key + 1) {
            e.key = key + 1;
            e.lab = labOf(bgr);
        }
        return e.lab;
    }

private:
    static constexpr std::size_t Size = std::size_t{1} << 16;
    struct Entry {
        std::uint32_t key = 0;  // the bytes plus one; 0 is empty
        cv::Vec3f lab;
    };
    std::vector<Entry> m_entries = std::vector<Entry>(Size);
};

LabCache& labCache()
{
    thread_local LabCache cache;
    return cache;
}

} // namespace

cv::Mat smoothedLab(const cv::Mat& bgr, double sigmaPx)
{

    cv::Mat smooth;
    if (sigmaPx > 0)
        cv::GaussianBlur(bgr, smooth, cv::Size(0, 0), sigmaPx, sigmaPx, cv::BORDER_REFLECT);
    else
        smooth = bgr;
    const int w = smooth.cols;
    const int h = smooth.rows;
    cv::Mat lab(h, w, CV_32FC3);
    LabCache& cache = labCache();
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = smooth.ptr<std::uint8_t>(y);
        cv::Vec3f* out = lab.ptr<cv::Vec3f>(y);
        for (int x = 0; x < w; ++x, in += 3)
            out[x] = cache(in);
    }
    return lab;
}

ColourClusters clusterColours(const cv::Mat& lab)
{
    const int w = lab.cols;
    const int h = lab.rows;
    // Flat pixels among every fourth pixel of every row, the rows shifted
    // in turn so that no row or column of a fine stripe is missed.
    std::vector<cv::Vec3f> flat;
    std::vector<cv::Vec3f> all;
    for (int y = 1; y + 1 < h; ++y) {
        const cv::Vec3f* row = lab.ptr<cv::Vec3f>(y);
        const cv::Vec3f* up = lab.ptr<cv::Vec3f>(y - 1);
        const cv::Vec3f* down = lab.ptr<cv::Vec3f>(y + 1);
        for (int x = 1 + (y & 3); x + 1 < w; x += 4) {
            const cv::Vec3d c = row[x];
            all.push_back(row[x]);
            const double d = std::max({distance2(c, row[x - 1]), distance2(c, row[x + 1]), distance2(c, up[x]),
                                       distance2(c, down[x])});
            if (d < FlatLimit * FlatLimit)
                flat.push_back(row[x]);
        }
    }
    // A fine print may leave few flat pixels; then every sampled pixel counts.
    if (flat.size() < all.size() / 5)
        flat = all;
    if (flat.empty())
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                flat.push_back(lab.at<cv::Vec3f>(y, x));

    std::vector<cv::Vec3d> modes;
    std::vector<double> weights;
    findModes(flat, static_cast<double>(flat.size()) * MinModeShare, modes, weights);
    // Small dots smoothed by the weave filter have hardly a flat pixel:
    // what lies far from every mode found so far is looked at again. Blends
    // found this way are dropped below, where the pixels are in place.
    std::vector<cv::Vec3f> rest;
    for (const cv::Vec3f& p : all) {
        bool near = false;
        for (const cv::Vec3d& m : modes)
            near = near || distance(m, p) < ModeRadius;
        if (!near)
            rest.push_back(p);
    }
    findModes(rest, static_cast<double>(all.size()) * MinModeShare, modes, weights);
    if (modes.empty()) {
        cv::Vec3d mean;
        for (const cv::Vec3f& p : flat)
            mean += cv::Vec3d(p);
        modes.push_back(mean / static_cast<double>(flat.size()));
        weights.push_back(static_cast<double>(flat.size()));
    }

    // Near modes are one colour; the weighted mean stands for both.
    for (bool merged = true; merged;) {
        merged = false;
        for (std::size_t i = 0; i < modes.size() && !merged; ++i)
            for (std::size_t j = i + 1; j < modes.size() && !merged; ++j)
                if (distance(modes[i], modes[j]) < MergeDistance) {
                    modes[i] = (modes[i] * weights[i] + modes[j] * weights[j]) / (weights[i] + weights[j]);
                    weights[i] += weights[j];
                    modes.erase(modes.begin() + static_cast<std::ptrdiff_t>(j));
                    weights.erase(weights.begin() + static_cast<std::ptrdiff_t>(j));
                    merged = true;
                }
    }
    if (static_cast<int>(modes.size()) > MaxColours) {
        modes.resize(MaxColours);
        weights.resize(MaxColours);
    }

    // Colours too small to count, and blends, are found on a copy of half
    // the resolution (the erosion there takes two pixels of the region):
    // they go to their nearest neighbour and the pixels are assigned again.
    const bool halve = w >= 16 && h >= 16;
    ColourClusters result;
    if (halve)
        result.halved = halvedLab(lab);
    const cv::Mat& coarse = halve ? result.halved : lab;
    cv::Mat coarseLabels(coarse.rows, coarse.cols, CV_8U);
    const double coarsePixels = static_cast<double>(coarse.rows) * coarse.cols;
    for (;;) {
        const std::vector<double> counts = assign(coarse, modes, coarseLabels);
        const std::size_t n = modes.size();
        // Every colour too small to count goes at once (but the largest stays).
        std::size_t largest = 0;
        for (std::size_t k = 1; k < n; ++k)
            if (counts[k] > counts[largest])
                largest = k;
        bool dropped = false;
        for (std::size_t k = n; k-- > 0;)
            if (k != largest && counts[k] < MinColourShare * coarsePixels) {
                modes.erase(modes.begin() + static_cast<std::ptrdiff_t>(k));
                dropped = true;
            }
        if (dropped)
            continue;
        // A colour between two others that only lines the borders between
        // them is their blend where the edge was smoothed: nothing of it
        // survives an erosion of two pixels. A stripe of its own does. So
        // is a shade close to another colour that only speckles it (the
        // fibres of a heather): the cloth has one colour there.
        std::vector<bool> blend(n, false);
        bool anyBlend = false;
        for (std::size_t k = 1; k < n; ++k) {
            bool inside = false;
            for (std::size_t i = 0; i < n && !inside; ++i)
                for (std::size_t j = i + 1; j < n && !inside; ++j)
                    inside = i != k && j != k && between(modes[k], modes[i], modes[j]);
            if (!inside)
                continue;
            cv::Mat mine = coarseLabels == static_cast<int>(k);
            cv::erode(mine, mine, cv::getStructuringElement(cv::MORPH_RECT, halve ? cv::Size(3, 3) : cv::Size(5, 5)));
            blend[k] = cv::countNonZero(mine) < 0.15 * counts[k];
            anyBlend = anyBlend || blend[k];
        }
        // Only once no blend is left: a blend lies close to the colours it
        // joins, and a small dot's colour must not go for a shade of it.
        for (std::size_t k = 0; k < n && !anyBlend; ++k) {
            if (k == largest)
                continue;
            bool shade = false;
            for (std::size_t i = 0; i < n && !shade; ++i)
                shade = i != k && counts[i] >= counts[k] && distance(modes[k], modes[i]) < ShadeDistance;
            if (!shade)
                continue;
            cv::Mat mine = coarseLabels == static_cast<int>(k);
            cv::erode(mine, mine, cv::getStructuringElement(cv::MORPH_RECT, halve ? cv::Size(3, 3) : cv::Size(5, 5)));
            blend[k] = cv::countNonZero(mine) < 0.15 * counts[k];
            anyBlend = blend[k];
        }
        if (!anyBlend)
            break;
        for (std::size_t k = n; k-- > 0;)
            if (blend[k])
                modes.erase(modes.begin() + static_cast<std::ptrdiff_t>(k));
    }

    // Every pixel to its nearest colour.
    result.labels.create(h, w, CV_8U);
    const double pixels = static_cast<double>(w) * h;
    const std::vector<double> counts = assign(lab, modes, result.labels);
    {
        // Largest first; ties keep the order of the modes.
        std::vector<std::size_t> order(modes.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t p, std::size_t q) { return counts[p] > counts[q]; });
        std::vector<std::uint8_t> rank(modes.size());
        for (std::size_t r = 0; r < order.size(); ++r) {
            rank[order[r]] = static_cast<std::uint8_t>(r);
            result.centres.push_back(modes[order[r]]);
            result.shares.push_back(counts[order[r]] / pixels);
        }
        // Mostly the modes are in that order already.
        bool inOrder = true;
        for (std::size_t r = 0; r < rank.size(); ++r)
            inOrder = inOrder && rank[r] == r;
        for (int y = 0; y < h && !inOrder; ++y) {
            std::uint8_t* row = result.labels.ptr<std::uint8_t>(y);
            for (int x = 0; x < w; ++x)
                row[x] = rank[row[x]];
        }
        return result;
    }
}

namespace {

double chromaOf(const cv::Vec3d& lab)
{
    return std::hypot(lab[1], lab[2]);
}

// The mean as scanned, then in Lab, of the pixels at the given places:
// the hue of near-black pixels is mostly noise, which a mean of their Lab
// values would keep.
template <typename It>
cv::Vec3d scannedMean(const std::vector<cv::Vec3i>& pixels, It first, It last)
{
    cv::Vec3d sum;
    for (auto it = first; it != last; ++it)
        sum += cv::Vec3d(pixels[it->second]);
    sum /= static_cast<double>(last - first);
    const std::uint8_t mean[3] = {static_cast<std::uint8_t>(std::lround(sum[0])),
                                  static_cast<std::uint8_t>(std::lround(sum[1])),
                                  static_cast<std::uint8_t>(std::lround(sum[2]))};
    return cv::Vec3d(labOf(mean));
}

// The most coloured quarter of a one-colour cloth's pixels, when it is the
// dyed yarn of a cloth woven with a lighter undyed one: darker and clearly
// more coloured than the lighter quarter (lighter, the measured colour).
bool dyedYarnOf(const std::array<std::vector<float>, 3>& m, const std::vector<cv::Vec3i>& pixels,
                const cv::Vec3d& lighter, cv::Vec3d& yarn)
{
    const std::size_t count = m[0].size();
    std::vector<std::pair<double, std::size_t>> chroma(count);
    for (std::size_t i = 0; i < count; ++i)
        chroma[i] = {static_cast<double>(m[1][i]) * m[1][i] + static_cast<double>(m[2][i]) * m[2][i], i};
    const auto quarter = chroma.begin() + static_cast<std::ptrdiff_t>(count * 3 / 4);
    std::nth_element(chroma.begin(), quarter, chroma.end());
    const cv::Vec3d coloured = scannedMean(pixels, quarter, chroma.end());
    if (chromaOf(coloured) < YarnMinChroma || chromaOf(coloured) < chromaOf(lighter) + YarnChromaGain ||
        chromaOf(coloured) < chromaOf(lighter) * YarnChromaRatio || coloured[0] >= lighter[0])
        return false;
    yarn = coloured;
    return true;
}

} // namespace

void measureColours(const cv::Mat& bgr, ColourClusters& clusters, bool dyedYarn)
{
    const int w = bgr.cols;
    const int h = bgr.rows;
    const std::size_t n = clusters.centres.size();
    // Each colour's members in Lab, a channel at a time, and as scanned.
    std::vector<std::array<std::vector<float>, 3>> members(n);
    std::vector<std::vector<cv::Vec3i>> memberPixels(n);
    LabCache& cache = labCache();
    for (int y = 2; y + 2 < h; y += 2) {
        const std::uint8_t* labels = clusters.labels.ptr<std::uint8_t>(y);
        const std::uint8_t* up = clusters.labels.ptr<std::uint8_t>(y - 2);
        const std::uint8_t* down = clusters.labels.ptr<std::uint8_t>(y + 2);
        const std::uint8_t* in = bgr.ptr<std::uint8_t>(y);
        for (int x = 2 + (y / 2 & 1); x + 2 < w; x += 2) {
            const std::uint8_t k = labels[x];
            if (labels[x - 2] != k || labels[x + 2] != k || up[x] != k || down[x] != k)
                continue;
            const cv::Vec3f lab = cache(in + 3 * x);
            for (std::size_t c = 0; c < 3; ++c)
                members[k][c].push_back(lab[static_cast<int>(c)]);
            memberPixels[k].push_back({in[3 * x], in[3 * x + 1], in[3 * x + 2]});
        }
    }
    const std::vector<cv::Vec3d> smoothed = clusters.centres;
    std::vector<std::uint64_t> nearest;  // the squared distances' bits
    for (std::size_t k = 0; k < n; ++k) {
        const std::array<std::vector<float>, 3>& m = members[k];
        const std::size_t count = m[0].size();
        if (count < 8)
            continue;
        // The quarter farthest from the other colours: the threads of this
        // colour itself, not where they cross or touch yarns of another (a
        // 3/1 twill shows the ground's weft in a quarter of a stripe, a
        // plain weave in half of a windowpane's line). The scan's noise
        // takes part in the choice, so the mean leans a little to the side
        // away from the other colours. A cloth of one colour has nothing to
        // keep apart: its lighter quarter, the tops of the threads out of
        // the shadows between them, which darken a white cloth by up to a
        // fifth.
        nearest.assign(count, std::bit_cast<std::uint64_t>(1e300));
        for (std::size_t j = 0; j < n; ++j)
            if (j != k)
                nearerColour(smoothed[j][0], smoothed[j][1], smoothed[j][2], m[0].data(), m[1].data(), m[2].data(),
                             nearest.data(), count);
        std::vector<std::pair<double, std::size_t>> away(count);
        for (std::size_t i = 0; i < count; ++i)
            away[i] = {n == 1 ? static_cast<double>(m[0][i]) : std::bit_cast<double>(nearest[i]), i};
        const auto quarter = away.begin() + static_cast<std::ptrdiff_t>(away.size() * 3 / 4);
        std::nth_element(away.begin(), quarter, away.end());
        clusters.centres[k] = scannedMean(memberPixels[k], quarter, away.end());
        cv::Vec3d yarn;
        if (dyedYarn && n == 1 && dyedYarnOf(m, memberPixels[k], clusters.centres[k], yarn))
            clusters.yarn = {yarn};
    }
}

} // namespace vestiscop::fabric

#include <algorithm>
#include <cmath>
#include <numeric>

#include <opencv2/imgproc.hpp>

#include "color/ColorConversion.h"
#include "color/LabConverter.h"
#include "fabric/FabricSteps.h"

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
// Colours below this share of the region are given to their nearest neighbour.
constexpr double MinColourShare = 0.015;
constexpr int MaxColours = 8;

double distance(const cv::Vec3d& p, const cv::Vec3f& q)
{
    const double dl = p[0] - q[0];
    const double da = p[1] - q[1];
    const double db = p[2] - q[2];
    return std::sqrt(dl * dl + da * da + db * db);
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

// Modes of the samples, most populous first: the fullest cell of a coarse
// histogram of what is left, its centre moved to the mean of the samples
// near it. Modes of fewer than minCount samples are passed over.
void findModes(const std::vector<cv::Vec3f>& flat, double minCount, std::vector<cv::Vec3d>& modes,
               std::vector<double>& weights)
{
    constexpr int CellL = 34;
    constexpr int CellAB = 86;
    const auto cellOf = [](const cv::Vec3f& p) {
        const int l = std::clamp(static_cast<int>(p[0] / 3), 0, CellL - 1);
        const int a = std::clamp(static_cast<int>((p[1] + 128) / 3), 0, CellAB - 1);
        const int b = std::clamp(static_cast<int>((p[2] + 128) / 3), 0, CellAB - 1);
        return (l * CellAB + a) * CellAB + b;
    };
    std::vector<int> cells(static_cast<std::size_t>(CellL) * CellAB * CellAB, 0);
    std::vector<int> cellIndex(flat.size());
    for (std::size_t i = 0; i < flat.size(); ++i) {
        cellIndex[i] = cellOf(flat[i]);
        ++cells[static_cast<std::size_t>(cellIndex[i])];
    }
    std::vector<bool> taken(flat.size(), false);
    while (static_cast<int>(modes.size()) < 2 * MaxColours) {
        const auto fullest = std::max_element(cells.begin(), cells.end());
        if (*fullest <= 0)
            break;
        const int cell = static_cast<int>(fullest - cells.begin());
        cv::Vec3d centre;
        int found = 0;
        for (std::size_t i = 0; i < flat.size(); ++i)
            if (!taken[i] && cellIndex[i] == cell) {
                centre += cv::Vec3d(flat[i]);
                ++found;
            }
        centre /= std::max(1, found);
        double count = 0;
        for (int round = 0; round < 3; ++round) {
            cv::Vec3d sum;
            count = 0;
            for (std::size_t i = 0; i < flat.size(); ++i)
                if (!taken[i] && distance(centre, flat[i]) < ModeRadius) {
                    sum += cv::Vec3d(flat[i]);
                    ++count;
                }
            if (count > 0)
                centre = sum / count;
        }
        for (std::size_t i = 0; i < flat.size(); ++i)
            if (!taken[i] && (cellIndex[i] == cell || distance(centre, flat[i]) < ModeRadius)) {
                taken[i] = true;
                --cells[static_cast<std::size_t>(cellIndex[i])];
            }
        cells[static_cast<std::size_t>(cell)] = 0;
        if (count < minCount)
            continue;  // a thin cell of stragglers; look at the next
        modes.push_back(centre);
        weights.push_back(count);
    }
}

} // namespace

cv::Mat regionSamples(const imaging::RgbImage& region, int& factor)
{
    const int w = region.width();
    const int h = region.height();
    // The rows lie stride pixels apart, also in a window onto a larger scan.
    const cv::Mat pixels(h, w, CV_8UC3, const_cast<std::uint8_t*>(region.row(0)),
                         static_cast<std::size_t>(region.stride()) * 3);
    factor = 1;
    while (static_cast<std::int64_t>(w / factor) * (h / factor) > MaxSamples)
        ++factor;
    if (factor == 1)
        return pixels;
    cv::Mat reduced;
    cv::resize(pixels, reduced, cv::Size(std::max(1, w / factor), std::max(1, h / factor)), 0, 0, cv::INTER_AREA);
    return reduced;
}

cv::Mat smoothedLab(const cv::Mat& bgr, double sigmaPx)
{
    const int w = bgr.cols;
    const int h = bgr.rows;
    cv::Mat lab(h, w, CV_32FC3);
    color::LabConverter converter(color::AnalysisGamma, 16);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = bgr.ptr<std::uint8_t>(y);
        cv::Vec3f* out = lab.ptr<cv::Vec3f>(y);
        for (int x = 0; x < w; ++x, in += 3) {
            const color::LabPixel p = converter.convert(color::RgbPixel{in[0], in[1], in[2]});
            out[x] = cv::Vec3f(static_cast<float>(p.l), static_cast<float>(p.a), static_cast<float>(p.b));
        }
    }
    if (sigmaPx > 0)
        cv::GaussianBlur(lab, lab, cv::Size(0, 0), sigmaPx, sigmaPx, cv::BORDER_REFLECT);
    return lab;
}

ColourClusters clusterColours(const cv::Mat& lab)
{
    const int w = lab.cols;
    const int h = lab.rows;
    // Flat pixels among every second pixel of every row, the rows shifted
    // alternately so that no row or column of a fine stripe is missed.
    std::vector<cv::Vec3f> flat;
    std::vector<cv::Vec3f> all;
    for (int y = 1; y + 1 < h; ++y) {
        const cv::Vec3f* row = lab.ptr<cv::Vec3f>(y);
        const cv::Vec3f* up = lab.ptr<cv::Vec3f>(y - 1);
        const cv::Vec3f* down = lab.ptr<cv::Vec3f>(y + 1);
        for (int x = 1 + (y & 1); x + 1 < w; x += 2) {
            const cv::Vec3d c = row[x];
            all.push_back(row[x]);
            const double d = std::max({distance(c, row[x - 1]), distance(c, row[x + 1]), distance(c, up[x]),
                                       distance(c, down[x])});
            if (d < FlatLimit)
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

    // Every pixel to its nearest colour; colours too small to count go to
    // their nearest neighbour and the pixels are assigned again.
    ColourClusters result;
    result.labels.create(h, w, CV_8U);
    const double pixels = static_cast<double>(w) * h;
    for (;;) {
        std::vector<double> counts(modes.size(), 0);
        for (int y = 0; y < h; ++y) {
            const cv::Vec3f* row = lab.ptr<cv::Vec3f>(y);
            std::uint8_t* out = result.labels.ptr<std::uint8_t>(y);
            for (int x = 0; x < w; ++x) {
                std::size_t best = 0;
                double bestD = 1e300;
                for (std::size_t k = 0; k < modes.size(); ++k) {
                    const double dl = modes[k][0] - row[x][0];
                    const double da = modes[k][1] - row[x][1];
                    const double db = modes[k][2] - row[x][2];
                    const double d = dl * dl + da * da + db * db;
                    if (d < bestD) {
                        bestD = d;
                        best = k;
                    }
                }
                out[x] = static_cast<std::uint8_t>(best);
                ++counts[best];
            }
        }
        std::size_t smallest = 0;
        for (std::size_t k = 1; k < modes.size(); ++k)
            if (counts[k] < counts[smallest])
                smallest = k;
        if (modes.size() > 1 && counts[smallest] < MinColourShare * pixels) {
            modes.erase(modes.begin() + static_cast<std::ptrdiff_t>(smallest));
            continue;
        }
        // A colour between two others that only lines the borders between
        // them is their blend where the edge was smoothed: nothing of it
        // survives an erosion of two pixels. A stripe of its own does.
        std::vector<bool> blend(modes.size(), false);
        bool anyBlend = false;
        for (std::size_t k = 1; k < modes.size(); ++k) {
            bool inside = false;
            for (std::size_t i = 0; i < modes.size() && !inside; ++i)
                for (std::size_t j = i + 1; j < modes.size() && !inside; ++j)
                    inside = i != k && j != k && between(modes[k], modes[i], modes[j]);
            if (!inside)
                continue;
            cv::Mat mine = result.labels == static_cast<int>(k);
            cv::erode(mine, mine, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)));
            blend[k] = cv::countNonZero(mine) < 0.15 * counts[k];
            anyBlend = anyBlend || blend[k];
        }
        if (anyBlend) {
            for (std::size_t k = modes.size(); k-- > 0;)
                if (blend[k])
                    modes.erase(modes.begin() + static_cast<std::ptrdiff_t>(k));
            continue;
        }
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
            for (int y = 0; y < h; ++y) {
                std::uint8_t* row = result.labels.ptr<std::uint8_t>(y);
                for (int x = 0; x < w; ++x)
                    row[x] = rank[row[x]];
            }
            return result;
        }
    }
}

} // namespace vestiscop::fabric

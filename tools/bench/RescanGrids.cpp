// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop_bench rescans grid|cap|weave|findings|ground|texture: searches
// over the signature matching's values on the tuning sets.

#include "RescanBench.h"

namespace vestiscop::bench {

double rescanScore(const RescanCounts& c)
{
    const double total = c.first.total + c.secondAsAdded.total + c.secondCorrected.total;
    const double right = 100.0 * (c.first.right + c.secondAsAdded.right + c.secondCorrected.right) / total;
    const double wrong = 100.0 * (c.first.wrong + c.secondAsAdded.wrong + c.secondCorrected.wrong) / total;
    const double stranger = c.strangerScans > 0 ? 100.0 * c.strangerMatched / c.strangerScans : 0.0;
    return right - 10 * wrong - 5 * stranger - 5 * c.garmentsWorse;
}

void printQuantiles(const char* label, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("    %-34s", label);
    for (const double q : {0.0, 0.01, 0.05, 0.5, 0.95, 0.99, 1.0})
        std::printf(" %7.2f", v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))]);
    std::printf("\n");
}

// How the first scans of the known garments (the first `known` of scans)
// are matched by the given weights, without corrections: for every other
// scan the nearest and second-nearest garment's distance, own or not.
struct Nearest {
    double own = 1e9;     // from its own garment (1e9 for an unknown one)
    double best = 1e9;    // the nearest other garment
    double second = 1e9;  // the next other garment
};

std::vector<Nearest> nearestDistances(const std::vector<std::vector<ScanParts>>& scans, int known,
                                      const signature::DistanceWeights& weights)
{
    std::vector<Nearest> out;
    for (std::size_t g = 0; g < scans.size(); ++g) {
        for (std::size_t k = g < static_cast<std::size_t>(known) ? 1 : 0; k < scans[g].size(); ++k) {
            Nearest n;
            for (std::size_t h = 0; h < static_cast<std::size_t>(known); ++h) {
                const double d = signature::signatureDistance(scans[g][k].signature, scans[h][0].signature, weights);
                if (h == g) {
                    n.own = d;
                } else if (d < n.best) {
                    n.second = n.best;
                    n.best = d;
                } else if (d < n.second) {
                    n.second = d;
                }
            }
            out.push_back(n);
        }
    }
    return out;
}

std::vector<Nearest> nearestDistances(const ScanSets& sets, int known, const signature::DistanceWeights& weights)
{
    std::vector<Nearest> out;
    for (const auto& scans : sets) {
        const auto n = nearestDistances(scans, known, weights);
        out.insert(out.end(), n.begin(), n.end());
    }
    return out;
}

struct StaticCounts {
    int right = 0;
    int wrong = 0;
    int stranger = 0;
};

StaticCounts countAt(const std::vector<Nearest>& nearest, double maxDistance, double margin)
{
    StaticCounts c;
    for (const Nearest& n : nearest) {
        const bool known = n.own < 1e9;
        const double first = std::min(n.own, n.best);
        const double second = !known || n.own > n.best ? std::min(n.own, n.second) : n.best;
        if (!(first <= maxDistance && second - first >= margin))
            continue;
        if (!known)
            ++c.stranger;
        else if (n.own <= n.best)
            ++c.right;
        else
            ++c.wrong;
    }
    return c;
}

// Texture weights on the tuning part: for each combination, the largest
// acceptance distance at which no scan is matched wrong and no unknown
// garment is matched, and how many re-scans (of the 40 garments and of the
// weave pairs) are right there.
void weightGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
                const signature::RecognitionSettings& recognition, int knownCount)
{
    struct Row {
        signature::DistanceWeights w;
        double maxDistance;
        StaticCounts main, pairs;
    };
    std::vector<Row> rows;
    for (const double weave : {0.0, 2.0, 4.0, 8.0, 16.0})
        for (const double layout : {0.0, 0.25, 0.5, 1.0})
            for (const double contrast : {4.0, 2.0})
            for (const double floor : {1e-5, 3e-6, 1e-6}) {
                signature::DistanceWeights w = recognition.weights;
                w.weaveFloor = floor;
                w.weaveWeight = weave;
                w.layoutWeight = layout;
                w.contrastWeight = contrast;
                const auto main = nearestDistances(scans, knownCount, w);
                const auto pairs = nearestDistances(twins, static_cast<int>(twins.size()), w);
                Row row{w, 0, {}, {}};
                for (double t = 4; t <= 30; t += 0.5) {
                    const StaticCounts m = countAt(main, t, recognition.ambiguityMargin);
                    const StaticCounts p = countAt(pairs, t, recognition.ambiguityMargin);
                    if (std::getenv("BENCH_VERBOSE") != nullptr)
                        std::printf("    weave %g layout %g contrast %g at %g: %d/%d/%d pairs %d/%d\n", weave, layout,
                                    contrast, t, m.right, m.wrong, m.stranger, p.right, p.wrong);
                    // Nothing wrong among the 40 garments and the unknown
                    // ones; the weave pairs are reported at that distance.
                    if (m.wrong + m.stranger > 0)
                        break;
                    row = Row{w, t, m, p};
                }
                rows.push_back(row);
            }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.main.right + a.pairs.right - 10 * a.pairs.wrong > b.main.right + b.pairs.right - 10 * b.pairs.wrong;
    });
    std::printf("  texture weights, best first (re-scans right of 240 and of 120 weave-pair re-scans, at the largest "
                "acceptance distance with no scan of the 50 garments matched wrong):\n");
    for (std::size_t i = 0; i < rows.size() && i < 25; ++i)
        std::printf("    weave %4g (floor %g) layout %4g contrast %g: acceptance %4.1f  right %3d + %3d (pairs wrong %d)\n",
                    rows[i].w.weaveWeight, rows[i].w.weaveFloor, rows[i].w.layoutWeight, rows[i].w.contrastWeight, rows[i].maxDistance,
                    rows[i].main.right, rows[i].pairs.right, rows[i].pairs.wrong);
}

// The cap on the spectrum's terms, the acceptance distance and the
// ambiguity margin on the tuning part, without corrections (one example per
// garment, every re-scan). The floor of unknown scans is what the shipped
// values match at distance 8 already (garments the colours and the texture
// cannot tell apart at all); a distance is allowed while no scan is matched
// wrong and no further unknown scan is matched. Best: the most right.
void capGrid(const ScanSets& scans, const signature::RecognitionSettings& recognition, int knownCount)
{
    const int floor = countAt(nearestDistances(scans, knownCount, recognition.weights), 8, recognition.ambiguityMargin).stranger;
    std::printf("  spectrum cap grid (every re-scan, no corrections; unknown scans matched at distance 8 with the shipped "
                "values: %d)\n", floor);
    struct Best {
        double cap, motif, margin, distance;
        StaticCounts c;
    } best{0, 1, 0, 0, {}};
    for (const double cap : {1e300, 16.0, 14.0, 12.0, 10.0, 8.0})
    for (const double motif : {1.0, 0.75, 0.5, 0.35, 0.25}) {
        signature::DistanceWeights w = recognition.weights;
        w.spectrumCap = cap;
        w.motifSpectrumScale = motif;
        const auto nearest = nearestDistances(scans, knownCount, w);
        for (const double margin : {1.0, 0.5, 2.0}) {
            double distance = 0;
            StaticCounts at;
            for (double t = 8; t <= 24; t += 0.5) {
                const StaticCounts c = countAt(nearest, t, margin);
                if (c.wrong > 0 || c.stranger > floor)
                    break;
                distance = t;
                at = c;
            }
            std::printf("    cap %6g motif %4g margin %3g: acceptance %4.1f right %d wrong %d unknown %d\n",
                        cap > 1e299 ? 0.0 : cap, motif, margin, distance, at.right, at.wrong, at.stranger);
            if (at.right > best.c.right)
                best = Best{cap, motif, margin, distance, at};
        }
    }
    std::printf("  best: cap %g motif %g margin %g acceptance %g right %d\n", best.cap > 1e299 ? 0.0 : best.cap,
                best.motif, best.margin, best.distance, best.c.right);
}

// The weave's blur tolerance and weight on the tuning part, without
// corrections: for each, the largest acceptance distance at which at most
// 0.5 % of the re-scans are matched wrong and no unknown scan is matched
// beyond those the shipped values match at distance 8 already; the re-scans
// right there, and the weave pairs' right and wrong at that distance.
void weaveGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
               const signature::RecognitionSettings& recognition, int knownCount)
{
    const int floor = countAt(nearestDistances(scans, knownCount, recognition.weights), 8, recognition.ambiguityMargin).stranger;
    std::printf("  weave grid (every re-scan, no corrections; unknown scans matched at 8 with the shipped values: %d)\n", floor);
    for (const double blur : {0.0, 0.002, 0.004, 0.0063, 0.01, 0.02})
        for (const double weight : {2.0, 4.0, 8.0, 16.0}) {
            signature::DistanceWeights w = recognition.weights;
            w.weaveBlur = blur;
            w.weaveWeight = weight;
            const auto nearest = nearestDistances(scans, knownCount, w);
            const auto pairs = nearestDistances(twins, static_cast<int>(twins.size()), w);
            double distance = 0;
            StaticCounts at, pairsAt;
            for (double t = 4; t <= 24; t += 0.5) {
                const StaticCounts c = countAt(nearest, t, recognition.ambiguityMargin);
                if (c.wrong > static_cast<int>(0.005 * static_cast<double>(nearest.size())) || c.stranger > floor)
                    break;
                distance = t;
                at = c;
                pairsAt = countAt(pairs, t, recognition.ambiguityMargin);
            }
            const StaticCounts shipped = countAt(nearest, recognition.maxDistance, recognition.ambiguityMargin);
            const StaticCounts pairsShipped = countAt(pairs, recognition.maxDistance, recognition.ambiguityMargin);
            std::printf("    blur %6.4f weight %4g: acceptance %4.1f right %d wrong %d unknown %d, pairs %d/%d | at %g: right %d "
                        "wrong %d unknown %d, pairs %d/%d\n",
                        blur, weight, distance, at.right, at.wrong, at.stranger, pairsAt.right, pairsAt.wrong,
                        recognition.maxDistance, shipped.right, shipped.wrong, shipped.stranger, pairsShipped.right,
                        pairsShipped.wrong);
        }
}

// Weights of two signatures of the improved analysis's findings on the
// tuning part, without corrections: for each candidate the largest
// acceptance distance (steps of 0.5) at which no re-scan is matched wrong
// and no unknown scan is matched but those the shipped values match at
// distance 8 already (the dark plain twins); the re-scans right there, and
// the weave pairs' right and wrong at that distance; then the same at the
// shipped acceptance distance. Best first: those whose acceptance distance
// reaches the shipped one, the most right at it, then the fewest weave
// pairs wrong, then the most right of them.
void rankWeights(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
                 const signature::RecognitionSettings& recognition, int knownCount,
                 const std::vector<std::pair<std::string, signature::DistanceWeights>>& candidates)
{
    const auto shippedNearest = nearestDistances(scans, knownCount, recognition.weights);
    // The unknown scans the shipped values match at 8: allowed everywhere.
    std::vector<bool> twin(shippedNearest.size(), false);
    for (std::size_t i = 0; i < shippedNearest.size(); ++i)
        twin[i] = shippedNearest[i].own >= 1e9 && countAt({shippedNearest[i]}, 8, recognition.ambiguityMargin).stranger > 0;
    const auto countBeyondTwins = [&](const std::vector<Nearest>& nearest, double t) {
        StaticCounts all = countAt(nearest, t, recognition.ambiguityMargin);
        for (std::size_t i = 0; i < nearest.size(); ++i)
            if (twin[i])
                all.stranger -= countAt({nearest[i]}, t, recognition.ambiguityMargin).stranger;
        return all;
    };
    struct Row {
        std::string label;
        double distance;
        StaticCounts at, pairs, shipped, pairsShipped;
    };
    std::vector<Row> rows;
    for (const auto& [label, w] : candidates) {
        const auto nearest = nearestDistances(scans, knownCount, w);
        const auto pairs = nearestDistances(twins, static_cast<int>(twins.size()), w);
        Row row{label, 0, {}, {}, {}, {}};
        for (double t = 4; t <= 24; t += 0.5) {
            const StaticCounts c = countBeyondTwins(nearest, t);
            if (c.wrong > 0 || c.stranger > 0)
                break;
            row.distance = t;
            row.at = c;
            row.pairs = countAt(pairs, t, recognition.ambiguityMargin);
        }
        row.shipped = countBeyondTwins(nearest, recognition.maxDistance);
        row.pairsShipped = countAt(pairs, recognition.maxDistance, recognition.ambiguityMargin);
        rows.push_back(row);
    }
    // The shipped acceptance distance stays when the rule allows it (the
    // standard analysis's signatures share it): then the most right there.
    const double shippedDistance = recognition.maxDistance;
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        const bool aAllows = a.distance >= shippedDistance;
        const bool bAllows = b.distance >= shippedDistance;
        if (aAllows != bAllows)
            return aAllows;
        if (a.shipped.right != b.shipped.right)
            return a.shipped.right > b.shipped.right;
        if (a.pairsShipped.wrong != b.pairsShipped.wrong)
            return a.pairsShipped.wrong < b.pairsShipped.wrong;
        return a.pairsShipped.right > b.pairsShipped.right;
    });
    std::printf("  findings weights (every re-scan, no corrections; acceptance: no re-scan wrong, no unknown scan "
                "beyond the %d the shipped values match at 8)\n",
                static_cast<int>(std::count(twin.begin(), twin.end(), true)));
    for (const Row& r : rows)
        std::printf("    %s: acceptance %4.1f right %d, pairs %d/%d | at %g: right %d wrong %d unknown %d, pairs %d/%d\n",
                    r.label.c_str(), r.distance, r.at.right, r.pairs.right, r.pairs.wrong, shippedDistance,
                    r.shipped.right, r.shipped.wrong, r.shipped.stranger, r.pairsShipped.right, r.pairsShipped.wrong);
}

// The findings' half-contrast, contrast weight and spectrum factor.
void findingsGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
                  const signature::RecognitionSettings& recognition, int knownCount)
{
    std::vector<std::pair<std::string, signature::DistanceWeights>> candidates;
    for (const double textureContrast : {1.0, 2.0, 4.0, 8.0, 16.0})
        for (const double contrastWeight : {1.0, 2.0, 3.0, 4.0, 6.0, 8.0})
            for (const double spectrumScale : {0.25, 0.5, 0.75, 1.0, 1.5, 2.0}) {
                signature::DistanceWeights w = recognition.weights;
                w.findingsTextureContrast = textureContrast;
                w.findingsContrastWeight = contrastWeight;
                w.findingsSpectrumScale = spectrumScale;
                char label[96];
                std::snprintf(label, sizeof label, "textureContrast %4g contrast %4g spectrum %4g", textureContrast,
                              contrastWeight, spectrumScale);
                candidates.emplace_back(label, w);
            }
    rankWeights(scans, twins, recognition, knownCount, candidates);
}

// The findings' weights between scans of another ground: the largest
// colours' difference from which the ground counts as another, and the
// factors on the orientation and the contrast terms (1 and 1: as of one
// ground).
void groundGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
                const signature::RecognitionSettings& recognition, int knownCount)
{
    std::vector<std::pair<std::string, signature::DistanceWeights>> candidates;
    for (const double change : {5.0, 10.0, 20.0})
        for (const double orientation : {0.0, 0.25, 0.5, 1.0})
            for (const double contrast : {0.0, 0.25, 0.5, 1.0}) {
                signature::DistanceWeights w = recognition.weights;
                w.findingsGroundChange = change;
                w.findingsGroundOrientation = orientation;
                w.findingsGroundContrast = contrast;
                char label[96];
                std::snprintf(label, sizeof label, "ground change %4g orientation %4g contrast %4g", change, orientation,
                              contrast);
                candidates.emplace_back(label, w);
            }
    rankWeights(scans, twins, recognition, knownCount, candidates);
}

// The findings' colour variation weight, the contrast at which their weave
// counts half and their parts' extent's weight, each moved alone.
void textureGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
                 const signature::RecognitionSettings& recognition, int knownCount)
{
    std::vector<std::pair<std::string, signature::DistanceWeights>> candidates;
    const auto add = [&](const char* name, double value, auto set) {
        signature::DistanceWeights w = recognition.weights;
        set(w, value);
        char label[96];
        std::snprintf(label, sizeof label, "%s %g", name, value);
        candidates.emplace_back(label, w);
    };
    for (const double v : {0.0, 2.0, 4.0, 6.0, 8.0, 12.0, 16.0})
        add("variation", v, [](signature::DistanceWeights& w, double x) { w.findingsVariationWeight = x; });
    for (const double v : {0.5, 1.0, 2.0, 4.0, 8.0, 12.0, 16.0, 24.0, 32.0, 64.0, 1e6})
        add("weave half-contrast", v, [](signature::DistanceWeights& w, double x) { w.findingsWeaveContrast = x; });
    for (const double v : {0.0, 0.5, 1.0, 2.0, 4.0, 8.0})
        add("extent", v, [](signature::DistanceWeights& w, double x) { w.findingsSizeWeight = x; });
    rankWeights(scans, twins, recognition, knownCount, candidates);
}

// The texture distance's terms one by one, each with the other weights at 0:
// which of them pushes a re-scan away from its own garment.
std::string textureTerms(const signature::GarmentSignature& p, const signature::GarmentSignature& q,
                         const signature::DistanceWeights& w)
{
    const auto only = [&](const char* name, auto keep) {
        signature::DistanceWeights z = w;
        z.orientationWeight = z.periodWeight = z.spectrumWeight = z.variationWeight = 0;
        z.contrastWeight = z.findingsContrastWeight = z.patternWeight = z.weaveWeight = z.layoutWeight = z.sizeWeight = 0;
        z.findingsVariationWeight = z.findingsSizeWeight = 0;
        keep(z);
        char b[48];
        std::snprintf(b, sizeof b, "%s %.2f", name, signature::textureDistance(p, q, z));
        return std::string(b);
    };
    return only("orient", [&](auto& z) { z.orientationWeight = w.orientationWeight; }) + " " +
           only("period", [&](auto& z) { z.periodWeight = w.periodWeight; }) + " " +
           only("spectrum", [&](auto& z) { z.spectrumWeight = w.spectrumWeight; }) + " " +
           only("variation", [&](auto& z) {
               z.variationWeight = w.variationWeight;
               z.findingsVariationWeight = w.findingsVariationWeight;
           }) + " " +
           only("contrast", [&](auto& z) {
               z.contrastWeight = w.contrastWeight;
               z.findingsContrastWeight = w.findingsContrastWeight;
           }) + " " +
           only("weave", [&](auto& z) { z.weaveWeight = w.weaveWeight; }) + " " +
           only("kind", [&](auto& z) { z.patternWeight = w.patternWeight; });
}


} // namespace vestiscop::bench

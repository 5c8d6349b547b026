// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop_bench rescans: re-scans shifted and turned, classic and signature matching.

#include "BenchCommands.h"

namespace vestiscop::bench {

namespace {

// ------------------------------------------------------- re-scans
//
// Each garment has 7 scans: 0 adds the known ones, 1-3 are the first round
// of re-scans, 4-6 the second. The second round is measured twice: once
// with the catalogue as added, once after every first-round re-scan that
// was not matched right was corrected into its garment.

struct ScanParts {
    color::ColorAnalysis record;
    signature::GarmentSignature signature;
};

struct RoundCounts {
    int right = 0;
    int wrong = 0;
    int rejected = 0;
    int total = 0;
    std::vector<int> rightPerGarment;
    void count(int found, int expected, int garment)
    {
        ++total;
        if (found == expected) {
            ++right;
            ++rightPerGarment[static_cast<std::size_t>(garment)];
        } else {
            ++(found < 0 ? rejected : wrong);
        }
    }
    RoundCounts& operator+=(const RoundCounts& c)
    {
        right += c.right;
        wrong += c.wrong;
        rejected += c.rejected;
        total += c.total;
        return *this;
    }
};

struct RescanCounts {
    RoundCounts first, secondAsAdded, secondCorrected;
    int strangerMatched = 0;
    int strangerScans = 0;
    int corrected = 0;
    int garmentsWorse = 0;  // garments whose second round lost right matches through corrections
    std::vector<double> ownDistance, otherDistance;
    RescanCounts& operator+=(const RescanCounts& c)
    {
        first += c.first;
        secondAsAdded += c.secondAsAdded;
        secondCorrected += c.secondCorrected;
        strangerMatched += c.strangerMatched;
        strangerScans += c.strangerScans;
        corrected += c.corrected;
        garmentsWorse += c.garmentsWorse;
        ownDistance.insert(ownDistance.end(), c.ownDistance.begin(), c.ownDistance.end());
        otherDistance.insert(otherDistance.end(), c.otherDistance.begin(), c.otherDistance.end());
        return *this;
    }
    // Every re-scan of a known garment without corrections: the first and
    // the later ones.
    RoundCounts all() const
    {
        RoundCounts c = first;
        return c += secondAsAdded;
    }
};

// The scans of each set of garments (--rounds), each set its own catalogue.
using ScanSets = std::vector<std::vector<std::vector<ScanParts>>>;

constexpr int RescanGarments = 50;
constexpr int RescanKnown = 40;
constexpr int RescanScans = 7;
constexpr int WeaveTwinPairs = 10;

RescanCounts replayRescans(const std::vector<std::vector<ScanParts>>& scans, const foundation::AllSettings& all,
                           const signature::RecognitionSettings& recognition, int known = RescanKnown)
{
    RescanCounts counts;
    for (RoundCounts* r : {&counts.first, &counts.secondAsAdded, &counts.secondCorrected})
        r->rightPerGarment.assign(scans.size(), 0);
    for (const bool correcting : {false, true}) {
        foundation::MatchingSettings matching = all.matching;
        matching.materials = scratchCatalogue();
        signature::RecognitionSettings settings = recognition;
        if (!settings.signatures.empty())
            settings.signatures = matching.materials + ".sig";
        std::filesystem::remove(matching.materials);
        std::filesystem::remove(matching.materials + ".sig");
        {
            catalog::GarmentCatalog catalogue(matching);
            signature::Recognizer recognizer(catalogue, matching, settings, all.color, all.scan);
            std::vector<int> slot(scans.size(), -1);
            for (int g = 0; g < known; ++g) {
                const ScanParts& p = scans[static_cast<std::size_t>(g)][0];
                slot[static_cast<std::size_t>(g)] = recognizer.add(p.record, p.signature, "g" + std::to_string(g));
            }
            const auto match = [&](const ScanParts& p) {
                double similarity = 0;
                return recognizer.findMatch(p.record, p.signature, similarity);
            };
            for (std::size_t g = 0; g < scans.size(); ++g) {
                for (int s = 1; s < RescanScans; ++s) {
                    const ScanParts& p = scans[g][static_cast<std::size_t>(s)];
                    if (slot[g] < 0) {
                        if (!correcting) {
                            ++counts.strangerScans;
                            counts.strangerMatched += match(p) >= 0 ? 1 : 0;
                        }
                        continue;
                    }
                    const int found = match(p);
                    if (s <= 3) {
                        if (!correcting)
                            counts.first.count(found, slot[g], static_cast<int>(g));
                        if (correcting && found != slot[g]) {
                            recognizer.correct(slot[g], p.record, p.signature);
                            ++counts.corrected;
                        }
                    } else {
                        (correcting ? counts.secondCorrected : counts.secondAsAdded).count(found, slot[g], static_cast<int>(g));
                    }
                }
            }
            if (correcting) {
                // Unknown garments against the corrected catalogue too.
                for (std::size_t g = known; g < scans.size(); ++g) {
                    ++counts.strangerScans;
                    counts.strangerMatched += match(scans[g][0]) >= 0 ? 1 : 0;
                }
            } else if (!settings.signatures.empty()) {
                // Where the re-scans lie: from their own garment, and from the nearest other.
                for (std::size_t g = 0; g < scans.size(); ++g) {
                    for (int s = g < static_cast<std::size_t>(known) ? 1 : 0; s < RescanScans; ++s) {
                        const auto& sig = scans[g][static_cast<std::size_t>(s)].signature;
                        double other = 1e9;
                        for (std::size_t h = 0; h < static_cast<std::size_t>(known); ++h) {
                            const double d = signature::signatureDistance(sig, scans[h][0].signature, settings.weights);
                            if (h == g)
                                counts.ownDistance.push_back(d);
                            else
                                other = std::min(other, d);
                        }
                        counts.otherDistance.push_back(other);
                    }
                }
            }
        }
        std::filesystem::remove(matching.materials);
        std::filesystem::remove(matching.materials + ".sig");
    }
    for (std::size_t g = 0; g < scans.size(); ++g)
        counts.garmentsWorse += counts.secondCorrected.rightPerGarment[g] < counts.secondAsAdded.rightPerGarment[g] ? 1 : 0;
    return counts;
}

RescanCounts replaySets(const ScanSets& sets, const foundation::AllSettings& all,
                        const signature::RecognitionSettings& recognition, int known = RescanKnown)
{
    RescanCounts sum;
    for (const auto& scans : sets)
        sum += replayRescans(scans, all, recognition, known);
    return sum;
}

std::string roundText(const RoundCounts& r)
{
    return "right " + percent(r.right, r.total) + "  wrong " + percent(r.wrong, r.total) + "  rejected " +
           percent(r.rejected, r.total) + " (" + std::to_string(r.right) + " + " + std::to_string(r.wrong) + " + " +
           std::to_string(r.rejected) + " of " + std::to_string(r.total) + ")";
}

void printRescans(const char* label, const RescanCounts& c)
{
    std::printf("  %s\n", label);
    std::printf("    first re-scans                    %s\n", roundText(c.first).c_str());
    std::printf("    later re-scans, no corrections    %s\n", roundText(c.secondAsAdded).c_str());
    std::printf("    all re-scans, no corrections      %s\n", roundText(c.all()).c_str());
    std::printf("    later re-scans, %2d corrections    %s\n", c.corrected, roundText(c.secondCorrected).c_str());
    std::printf("    garments recognised less after corrections: %d\n", c.garmentsWorse);
    std::printf("    unknown garments matched          %s (%d of %d)\n", percent(c.strangerMatched, c.strangerScans).c_str(),
                c.strangerMatched, c.strangerScans);
}

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

} // namespace

int runRescans(const Options& options)
{
    const Setup setup = loadSetup(options.config);
    const auto& s = setup.settings;
    signature::RecognitionSettings recognition = signature::recognitionSettings(s.matching);
    if (recognition.signatures.empty())
        recognition.signatures = "on";
    const color::ColorNameTable names = color::ColorNameTable::load(tablePath(setup, s.color.definitions));
    if (options.rounds < 1 || options.rounds > 20 || (options.rounds > 1 && options.split != Split::Tune))
        throw std::invalid_argument("--rounds 1-20 enlarges the tuning part only: --split tune");
    if (options.catalogue < 1 || options.rounds % options.catalogue != 0 || (options.catalogue > 1 && options.split != Split::Tune))
        throw std::invalid_argument("--catalogue K pools K of the --rounds sets (a divisor) on the tuning part only");
    std::vector<std::vector<GarmentScans>> corpus;
    for (int r = 0; r < options.rounds; ++r)
        corpus.push_back(rescanCorpus(options.split, RescanGarments, RescanScans, 20, 3, r * RescanGarments));
    // The analysis the configuration names ([Texture] Analysis), unless the
    // command line names one.
    std::string analysis = setup.improved ? "improved" : "standard";
    for (const std::string& a : options.arguments)
        if (a == "standard" || a == "improved")
            analysis = a;
    Setup chosen = setup;
    chosen.improved = analysis == "improved";
    const bool improved = chosen.improved;
    const std::unique_ptr<analysis::Analyser> analyzer = configuredAnalyser(chosen, s.texture, names);
    const auto analyse = [&](const std::vector<GarmentScans>& garments) {
        std::vector<std::vector<ScanParts>> all;
        for (const GarmentScans& g : garments) {
            all.emplace_back();
            for (Scan scan : g.scans) {
                scan.xDpi = s.scan.xRes;
                scan.yDpi = s.scan.yRes;
                scan.width = s.texture.width;
                scan.height = s.texture.height;
                ScanParts parts;
                try {
                    analyzer->analyze(render(g.fabric, scan));
                    parts.record = analyzer->result().record;
                    parts.signature = signature::describe(analyzer->result(), s.color, s.scan);
                } catch (const foundation::VisionError&) {
                    parts.record.valid = 1;  // an empty record: matches nothing near
                }
                all.back().push_back(parts);
            }
        }
        return all;
    };
    // BENCH_CACHE=DIR keeps the analysed scans between runs of one build
    // (for trying weights; the cache is not checked against the code).
    const auto cached = [&](const std::string& name, const std::vector<GarmentScans>& garments) {
        static_assert(std::is_trivially_copyable_v<ScanParts>);
        const char* dir = std::getenv("BENCH_CACHE");
        const std::string path = dir == nullptr ? std::string()
                                                : std::string(dir) + "/" + name + "-" + splitName(options.split) + "-" +
                                                      (improved ? "improved" : "standard") + ".bin";
        std::vector<std::vector<ScanParts>> all(garments.size(), std::vector<ScanParts>(RescanScans));
        if (!path.empty()) {
            std::ifstream in(path, std::ios::binary);
            bool ok = static_cast<bool>(in);
            for (auto& g : all)
                ok = ok && in.read(reinterpret_cast<char*>(g.data()), static_cast<std::streamsize>(g.size() * sizeof(ScanParts)));
            if (ok)
                return all;
        }
        all = analyse(garments);
        if (!path.empty()) {
            std::ofstream out(path, std::ios::binary);
            for (const auto& g : all)
                out.write(reinterpret_cast<const char*>(g.data()), static_cast<std::streamsize>(g.size() * sizeof(ScanParts)));
        }
        return all;
    };
    ScanSets scans;
    for (int r = 0; r < options.rounds; ++r)
        scans.push_back(cached(r == 0 ? std::string("rescans") : "rescans" + std::to_string(r), corpus[static_cast<std::size_t>(r)]));
    // Plain garments of one colour that differ only in weave, every one of
    // them added: whether the matching tells the two of a pair apart.
    const std::vector<std::vector<ScanParts>> twinScans =
        cached("weave-pairs", weaveTwinCorpus(options.split, WeaveTwinPairs, RescanScans, 20, 3));
    // --catalogue K: K sets in one catalogue (their known garments first),
    // so that garments of one colour and kind meet more often.
    int knownCount = RescanKnown;
    if (options.catalogue > 1) {
        ScanSets pooled;
        std::vector<std::vector<GarmentScans>> pooledCorpus;
        for (std::size_t r = 0; r + static_cast<std::size_t>(options.catalogue) <= scans.size();
             r += static_cast<std::size_t>(options.catalogue)) {
            pooled.emplace_back();
            pooledCorpus.emplace_back();
            for (const bool knownPart : {true, false})
                for (std::size_t q = r; q < r + static_cast<std::size_t>(options.catalogue); ++q)
                    for (std::size_t g = knownPart ? 0 : RescanKnown; g < (knownPart ? RescanKnown : scans[q].size()); ++g) {
                        pooled.back().push_back(scans[q][g]);
                        pooledCorpus.back().push_back(corpus[q][g]);
                    }
        }
        scans = std::move(pooled);
        corpus = std::move(pooledCorpus);
        knownCount = RescanKnown * options.catalogue;
    }
    std::printf("Re-scans, %s part, %s analysis: %d garments added from one scan, %d never added; each scanned %d "
                "more times, shifted up to 20 mm and turned up to 3 degrees",
                splitName(options.split), improved ? "improved" : "standard", knownCount,
                static_cast<int>(scans.front().size()) - knownCount, RescanScans - 1);
    if (options.rounds > 1)
        std::printf("; %d such sets, each its own catalogue, counts added up", options.rounds);
    std::printf("\n");
    signature::RecognitionSettings classicSettings;
    const RescanCounts classic = replaySets(scans, s, classicSettings, knownCount);
    const RescanCounts signatures = replaySets(scans, s, recognition, knownCount);
    printRescans("classic matching (two leading colours)", classic);
    printRescans("signature matching", signatures);
    const RescanCounts twins = replayRescans(twinScans, s, recognition, WeaveTwinPairs * 2);
    std::printf("  %d plain garments, pairs of one colour in two weaves, signature matching:\n", WeaveTwinPairs * 2);
    std::printf("    re-scans                          %s\n", roundText(twins.first).c_str());
    std::printf("    later re-scans, no corrections    %s\n", roundText(twins.secondAsAdded).c_str());
    std::printf("  signature distances, quantiles 0 1 5 50 95 99 100 %%:\n");
    printQuantiles("re-scan from its own garment", signatures.ownDistance);
    printQuantiles("any scan from the nearest other", signatures.otherDistance);
    // BENCH_PAIRS=FILE writes every scan's distance terms to every known
    // garment's first scan, one line each, for looking at them elsewhere.
    if (const char* pairsPath = std::getenv("BENCH_PAIRS")) {
        std::FILE* out = std::fopen(pairsPath, "w");
        const auto only = [](auto set) {
            signature::DistanceWeights w{};
            w.orientationWeight = w.periodWeight = w.spectrumWeight = w.variationWeight = 0;
            w.contrastWeight = w.patternWeight = w.weaveWeight = w.layoutWeight = w.sizeWeight = 0;
            w.findingsContrastWeight = w.findingsVariationWeight = w.findingsSizeWeight = 0;
            w.motifSpectrumScale = 1;
            set(w);
            return w;
        };
        const auto base = recognition.weights;
        const auto spectral = only([&](signature::DistanceWeights& w) {
            w.orientationWeight = base.orientationWeight;
            w.periodWeight = base.periodWeight;
            w.spectrumWeight = base.spectrumWeight;
            w.variationWeight = base.variationWeight;
            w.findingsVariationWeight = base.findingsVariationWeight;
        });
        const auto contrastOnly = only([](signature::DistanceWeights& w) { w.contrastWeight = w.findingsContrastWeight = 1; });
        const auto weaveOnly = only([&](signature::DistanceWeights& w) {
            w.weaveWeight = 1;
            w.weaveFloor = base.weaveFloor;
        });
        for (std::size_t r = 0; out != nullptr && r < scans.size(); ++r) {
            const auto& set = scans[r];
            for (std::size_t g = 0; g < set.size(); ++g) {
                for (int k = g < static_cast<std::size_t>(knownCount) ? 1 : 0; k < RescanScans; ++k) {
                    const auto& sig = set[g][static_cast<std::size_t>(k)].signature;
                    const auto longShareOf = [](const signature::GarmentSignature& x) {
                        double share = 0;
                        for (int o = 0; o < signature::OrientationBins; ++o)
                            share += x.texture[static_cast<std::size_t>(5 * signature::OrientationBins + o)] +
                                     x.texture[static_cast<std::size_t>(6 * signature::OrientationBins + o)];
                        return share;
                    };
                    const double longShare = longShareOf(sig);
                    for (std::size_t h = 0; h < static_cast<std::size_t>(knownCount); ++h) {
                        const auto& ref = set[h][0].signature;
                        std::fprintf(out, "%zu %zu %d %zu \"%s\" \"%s\" %.4f %.4f %d %.4f %d %.4f %d %d %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f\n",
                                     r, g, k, h, corpus[r][g].fabric.family.c_str(), corpus[r][h].fabric.family.c_str(),
                                     signature::colourDistance(sig, ref, base), signature::textureDistance(sig, ref, spectral),
                                     sig.pattern == pattern::patternKind::Unknown && ref.pattern == pattern::patternKind::Unknown ? 1 : 0,
                                     signature::textureDistance(sig, ref, contrastOnly), sig.pattern != ref.pattern ? 1 : 0,
                                     signature::textureDistance(sig, ref, weaveOnly), sig.pattern, ref.pattern, sig.contrast,
                                     ref.contrast, longShare, sig.minorityRunX, sig.minorityRunY,
                                     sig.hasLayout ? sig.layout[8] : 0.0, longShareOf(ref), ref.minorityRunX, ref.minorityRunY,
                                     ref.hasLayout ? ref.layout[8] : 0.0, sig.minorityShare, ref.minorityShare);
                    }
                }
            }
        }
        if (out != nullptr)
            std::fclose(out);
    }
    // BENCH_TERMS=FILE: every scan against every known garment's first
    // scan, the distance's terms unweighted, for trying weights elsewhere.
    if (const char* termsPath = std::getenv("BENCH_TERMS")) {
        std::FILE* out = std::fopen(termsPath, "w");
        const auto unit = [](auto set) {
            signature::DistanceWeights z{};
            z.orientationWeight = z.periodWeight = z.spectrumWeight = z.variationWeight = 0;
            z.contrastWeight = z.findingsContrastWeight = z.patternWeight = z.weaveWeight = z.layoutWeight = z.sizeWeight = 0;
            z.findingsVariationWeight = z.findingsSizeWeight = 0;
            z.findingsGroundOrientation = 1;
            z.motifSpectrumScale = 1;
            z.textureContrast = z.findingsTextureContrast = 0;
            set(z);
            return z;
        };
        const auto orientOnly = unit([](auto& z) { z.orientationWeight = 1; });
        const auto periodOnly = unit([](auto& z) { z.periodWeight = 1; });
        const auto spectrumOnly = unit([](auto& z) { z.spectrumWeight = 1; });
        const auto variationOnly = unit([](auto& z) { z.variationWeight = z.findingsVariationWeight = 1; });
        const auto& base = recognition.weights;
        for (std::size_t r = 0; out != nullptr && r < scans.size(); ++r) {
            const auto& set = scans[r];
            for (std::size_t g = 0; g < set.size(); ++g)
                for (int k = g < static_cast<std::size_t>(knownCount) ? 1 : 0; k < RescanScans; ++k) {
                    const auto& p = set[g][static_cast<std::size_t>(k)].signature;
                    for (std::size_t h = 0; h < static_cast<std::size_t>(knownCount); ++h) {
                        const auto& q = set[h][0].signature;
                        std::fprintf(out,
                                     "%zu %zu %d %zu %d %d %d %d %.5f %.5f %.5f %.5f %.5f %.5f %.5f %d %.5f %.5f %.5f %.5f %.5f %.5f "
                                     "%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f \"%s\" \"%s\"\n",
                                     r, g, k, h, p.findingsTexture == q.findingsTexture ? 1 : 0, p.findingsTexture ? 1 : 0,
                                     p.pattern == pattern::patternKind::Unknown && q.pattern == pattern::patternKind::Unknown ? 1 : 0,
                                     p.pattern != q.pattern ? 1 : 0, p.contrast, q.contrast,
                                     signature::textureDistance(p, q, orientOnly), signature::textureDistance(p, q, periodOnly),
                                     signature::textureDistance(p, q, spectrumOnly), signature::textureDistance(p, q, variationOnly),
                                     p.hasWeave && q.hasWeave ? signature::weaveDifference(p, q, base) : 0.0,
                                     p.hasWeave && q.hasWeave ? 1 : 0, signature::colourDistance(p, q, base), p.minorityShare,
                                     q.minorityShare, p.minorityRunX, p.minorityRunY, q.minorityRunX, q.minorityRunY,
                                     p.layout[8], p.layout[9], q.layout[8], q.layout[9],
                                     signature::colourDifference(p.colours[0], q.colours[0]), p.colours[0].share, q.colours[0].share, corpus[r][g].fabric.family.c_str(), corpus[r][h].fabric.family.c_str());
                    }
                }
        }
        if (out != nullptr)
            std::fclose(out);
    }
    const bool misses = std::find(options.arguments.begin(), options.arguments.end(), "misses") != options.arguments.end();
    if (misses || std::getenv("BENCH_VERBOSE") != nullptr) {
        const auto describeSig = [](const signature::GarmentSignature& g) {
            std::string t = "p" + std::to_string(g.pattern) + " c" + std::to_string(static_cast<int>(g.contrast * 10)) +
                            " m" + std::to_string(static_cast<int>(g.minorityShare * 100)) + " " +
                            std::to_string(g.minorityRunX).substr(0, 4) + "x" + std::to_string(g.minorityRunY).substr(0, 4) + " [";
            for (int i = 0; i < g.colourCount; ++i) {
                const auto& c = g.colours[static_cast<std::size_t>(i)];
                char b[64];
                std::snprintf(b, sizeof b, "%.0f %.0f %.0f %.2f; ", c.l, c.a, c.b, c.share);
                t += b;
            }
            return t + "]";
        };
        const auto& w = recognition.weights;
        std::map<std::string, int> missesPerFamily;
        for (std::size_t r = 0; r < scans.size(); ++r) {
            const auto& set = scans[r];
            const auto family = [&](std::size_t g) { return corpus[r][g].fabric.family.c_str(); };
            for (std::size_t g = 0; g < set.size(); ++g) {
                for (int k = g < static_cast<std::size_t>(knownCount) ? 1 : 0; k < RescanScans; ++k) {
                    const auto& sig = set[g][static_cast<std::size_t>(k)].signature;
                    // The nearest other garment, and the own one.
                    std::size_t other = 0;
                    double otherDistance = 1e9, own = 1e9;
                    for (std::size_t h = 0; h < static_cast<std::size_t>(knownCount); ++h) {
                        const double d = signature::signatureDistance(sig, set[h][0].signature, w);
                        if (h == g)
                            own = d;
                        else if (d < otherDistance) {
                            otherDistance = d;
                            other = h;
                        }
                    }
                    const bool known = g < static_cast<std::size_t>(knownCount);
                    const bool right = known && own <= recognition.maxDistance &&
                                       otherDistance - own >= recognition.ambiguityMargin;
                    const bool strangerOk = !known && otherDistance > recognition.maxDistance;
                    if (misses && (known ? right : strangerOk))
                        continue;
                    ++missesPerFamily[family(g)];
                    const auto terms = [&](const signature::GarmentSignature& ref) {
                        return "colour " + std::to_string(signature::colourDistance(sig, ref, w)).substr(0, 5) +
                               " texture " + std::to_string(signature::textureDistance(sig, ref, w)).substr(0, 5) + " = " +
                               textureTerms(sig, ref, w);
                    };
                    std::printf("    MISS set %zu garment %zu/%d (%s%s): own %.2f (%s), nearest other %zu (%s) %.2f (%s)\n"
                                "      scan %s\n      own  %s\n      othr %s\n",
                                r, g, k, family(g), known ? "" : ", unknown", own,
                                known ? terms(set[g][0].signature).c_str() : "-", other, family(other), otherDistance,
                                terms(set[other][0].signature).c_str(), describeSig(sig).c_str(),
                                known ? describeSig(set[g][0].signature).c_str() : "-",
                                describeSig(set[other][0].signature).c_str());
                }
            }
        }
        std::printf("  misses per family (no corrections, one example per garment):");
        for (const auto& [f, n] : missesPerFamily)
            std::printf(" %s %d", f.c_str(), n);
        std::printf("\n");
    }
    for (const auto& [name, c] : {std::pair{"classic", &classic}, std::pair{"signature", &signatures}}) {
        const RoundCounts& f = c->first;
        const RoundCounts every = c->all();
        std::printf("RESULT rescans %s %s right %.1f wrong %.1f rejected %.1f later-right %.1f later-right-corrected %.1f "
                    "worse %d unrelated %.1f analysis %s all-right %.1f all-wrong %.1f all-rejected %.1f\n",
                    splitName(options.split), name, 100.0 * f.right / f.total, 100.0 * f.wrong / f.total,
                    100.0 * f.rejected / f.total, 100.0 * c->secondAsAdded.right / c->secondAsAdded.total,
                    100.0 * c->secondCorrected.right / c->secondCorrected.total, c->garmentsWorse,
                    100.0 * c->strangerMatched / c->strangerScans, improved ? "improved" : "standard",
                    100.0 * every.right / every.total, 100.0 * every.wrong / every.total,
                    100.0 * every.rejected / every.total);
    }
    if (std::find(options.arguments.begin(), options.arguments.end(), "cap") != options.arguments.end())
        capGrid(scans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "weave") != options.arguments.end())
        weaveGrid(scans, twinScans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "findings") != options.arguments.end())
        findingsGrid(scans, twinScans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "ground") != options.arguments.end())
        groundGrid(scans, twinScans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "texture") != options.arguments.end())
        textureGrid(scans, twinScans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "grid") == options.arguments.end())
        return 0;

    weightGrid(scans, twinScans, recognition, knownCount);
    signature::RecognitionSettings best = recognition;
    RescanCounts bestCounts = signatures;
    // The acceptance distance: where wrong matches and unknown garments
    // begin, for choosing it on the tuning part.
    for (const double maxDistance : {8.0, 10.0, 12.0, 13.0, 14.0, 15.0, 16.0, 18.0, 20.0}) {
        signature::RecognitionSettings r = recognition;
        r.maxDistance = maxDistance;
        const RescanCounts c = replaySets(scans, s, r, knownCount);
        std::printf("  grid: maxDistance %g: first %d/%d/%d later %d/%d/%d corrected %d/%d/%d worse %d unknown %d\n",
                    maxDistance, c.first.right, c.first.wrong, c.first.rejected, c.secondAsAdded.right,
                    c.secondAsAdded.wrong, c.secondAsAdded.rejected, c.secondCorrected.right, c.secondCorrected.wrong,
                    c.secondCorrected.rejected, c.garmentsWorse, c.strangerMatched);
        if (rescanScore(c) > rescanScore(bestCounts)) {
            bestCounts = c;
            best = r;
        }
    }
    std::printf("  best of the grid: maxDistance %g\n", best.maxDistance);
    printRescans("best of the grid", bestCounts);
    return 0;
}

} // namespace vestiscop::bench

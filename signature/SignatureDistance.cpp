// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature/SignatureDistance.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "pattern/PatternKind.h"

namespace vestiscop::signature {

namespace {

void balancedShares(const GarmentSignature& s, double exponent, std::array<double, MaxColours>& shares)
{
    double sum = 0;
    for (int i = 0; i < s.colourCount; ++i) {
        const double share = s.colours[static_cast<std::size_t>(i)].share;
        const double balanced = exponent == 1 ? share : exponent == 0.5 ? std::sqrt(share) : std::pow(share, exponent);
        shares[static_cast<std::size_t>(i)] = balanced;
        sum += balanced;
    }
    if (sum > 0 && exponent != 1) {
        for (int i = 0; i < s.colourCount; ++i)
            shares[static_cast<std::size_t>(i)] /= sum;
    }
}

} // namespace

double weaveDifference(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights)
{
    // The squared frequency (cycles per mm) at each band's centre: band b
    // holds periods from 0.25 mm * 2^(b/2) to 0.25 mm * 2^((b+1)/2).
    static const std::array<double, WeaveBands> frequency2 = [] {
        std::array<double, WeaveBands> f{};
        for (int b = 0; b < WeaveBands; ++b)
            f[static_cast<std::size_t>(b)] = 1 / (ShortestPeriodMm * ShortestPeriodMm * std::exp2(b + 0.5));
        return f;
    }();
    std::array<double, WeaveBands> ratio{};
    double along = 0;
    double norm = 0;
    for (int b = 0; b < WeaveBands; ++b) {
        const std::size_t i = static_cast<std::size_t>(b);
        ratio[i] = std::log((p.weave[i] + weights.weaveFloor) / (q.weave[i] + weights.weaveFloor));
        along += ratio[i] * frequency2[i];
        norm += frequency2[i] * frequency2[i];
    }
    // The blur that best explains the log ratios (least squares), within
    // what two scans' focus can differ.
    const double most = 4 * std::numbers::pi * std::numbers::pi * weights.weaveBlur;
    const double blur = std::clamp(along / norm, -most, most);
    double left = 0;
    for (int b = 0; b < WeaveBands; ++b) {
        const std::size_t i = static_cast<std::size_t>(b);
        left += std::abs(ratio[i] - blur * frequency2[i]);
    }
    return left / WeaveBands;
}

double colourDifference(const MeasuredColour& p, const MeasuredColour& q)
{
    const double c1 = std::hypot(p.a, p.b);
    const double c2 = std::hypot(q.a, q.b);
    const double meanChroma = 0.5 * (c1 + c2);
    const double dl = p.l - q.l;
    const double dc = c1 - c2;
    const double da = p.a - q.a;
    const double db = p.b - q.b;
    // What of the chroma plane's difference is hue; rounding can make it
    // slightly negative.
    const double dh2 = std::max(0.0, da * da + db * db - dc * dc);
    const double sc = 1 + 0.045 * meanChroma;
    const double sh = 1 + 0.015 * meanChroma;
    return std::sqrt(dl * dl + (dc / sc) * (dc / sc) + dh2 / (sh * sh));
}

double colourDistance(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights)
{
    const double cap = weights.colourCap;
    const int n = p.colourCount;
    const int m = q.colourCount;
    if (n == 0 || m == 0)
        return n == m ? 0.0 : cap;
    struct Pair {
        double cost;
        int i;
        int j;
    };
    std::array<Pair, MaxColours * MaxColours> pairs;
    int count = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < m; ++j)
            pairs[static_cast<std::size_t>(count++)] = {
                std::min(cap, colourDifference(p.colours[static_cast<std::size_t>(i)], q.colours[static_cast<std::size_t>(j)])),
                i, j};
    // Ties in index order, so the result never depends on the sort.
    std::sort(pairs.begin(), pairs.begin() + count, [](const Pair& x, const Pair& y) {
        return x.cost != y.cost ? x.cost < y.cost : (x.i != y.i ? x.i < y.i : x.j < y.j);
    });
    std::array<double, MaxColours> left{};
    std::array<double, MaxColours> right{};
    balancedShares(p, weights.shareExponent, left);
    balancedShares(q, weights.shareExponent, right);
    // The largest difference of a clear colour from the other scan's nearest.
    double missing = 0;
    if (weights.presenceWeight > 0) {
        std::array<double, MaxColours> nearestOfP;
        std::array<double, MaxColours> nearestOfQ;
        nearestOfP.fill(cap);
        nearestOfQ.fill(cap);
        for (int k = 0; k < count; ++k) {
            const Pair& pair = pairs[static_cast<std::size_t>(k)];
            nearestOfP[static_cast<std::size_t>(pair.i)] = std::min(nearestOfP[static_cast<std::size_t>(pair.i)], pair.cost);
            nearestOfQ[static_cast<std::size_t>(pair.j)] = std::min(nearestOfQ[static_cast<std::size_t>(pair.j)], pair.cost);
        }
        // Both scans must hold a colour the other lacks: a colour the
        // analysis of one scan merged away (a thin stripe lost in the
        // blur) leaves only one side unexplained, and is no other garment.
        double missingOfP = 0;
        double missingOfQ = 0;
        for (int i = 0; i < n; ++i)
            if (p.colours[static_cast<std::size_t>(i)].share >= weights.presenceShare)
                missingOfP = std::max(missingOfP, nearestOfP[static_cast<std::size_t>(i)]);
        for (int j = 0; j < m; ++j)
            if (q.colours[static_cast<std::size_t>(j)].share >= weights.presenceShare)
                missingOfQ = std::max(missingOfQ, nearestOfQ[static_cast<std::size_t>(j)]);
        missing = std::min(missingOfP, missingOfQ);
    }
    double cost = 0;
    for (int k = 0; k < count; ++k) {
        const Pair& pair = pairs[static_cast<std::size_t>(k)];
        double& a = left[static_cast<std::size_t>(pair.i)];
        double& b = right[static_cast<std::size_t>(pair.j)];
        const double moved = std::min(a, b);
        if (moved <= 0)
            continue;
        cost += moved * pair.cost;
        a -= moved;
        b -= moved;
    }
    return cost + weights.presenceWeight * missing;
}

namespace {

// Whether the largest colour (the ground) of each scan is another than the
// other's, but still one of the other's colours: of nearly one share, the
// two took another colour of the same cloth for the ground.
bool groundSwapped(const GarmentSignature& p, const GarmentSignature& q, double change)
{
    if (p.colourCount == 0 || q.colourCount == 0 || !(colourDifference(p.colours[0], q.colours[0]) > change))
        return false;
    const auto holds = [change](const GarmentSignature& s, const MeasuredColour& c) {
        for (int i = 1; i < s.colourCount; ++i)
            if (colourDifference(s.colours[static_cast<std::size_t>(i)], c) <= change)
                return true;
        return false;
    };
    return holds(p, q.colours[0]) && holds(q, p.colours[0]);
}

} // namespace

double textureDistance(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights)
{
    // Marginals over orientation and over period of the difference.
    std::array<double, OrientationBins> orientation{};
    std::array<double, PeriodBands> period{};
    double spectrum = 0;
    for (int b = 0; b < PeriodBands; ++b) {
        for (int o = 0; o < OrientationBins; ++o) {
            const std::size_t i = static_cast<std::size_t>(b * OrientationBins + o);
            const double d = p.texture[i] - q.texture[i];
            orientation[static_cast<std::size_t>(o)] += d;
            period[static_cast<std::size_t>(b)] += d;
            spectrum += std::abs(d);
        }
    }
    // Earth mover's distance along the period axis: the running sums.
    double periodMoved = 0;
    double running = 0;
    for (int b = 0; b + 1 < PeriodBands; ++b) {
        running += period[static_cast<std::size_t>(b)];
        periodMoved += std::abs(running);
    }
    // Around the circle of orientations the flow may also go round; the
    // cheapest constant circulation is the median of the running sums.
    std::array<double, OrientationBins> sums{};
    running = 0;
    for (int o = 0; o < OrientationBins; ++o) {
        running += orientation[static_cast<std::size_t>(o)];
        sums[static_cast<std::size_t>(o)] = running;
    }
    std::array<double, OrientationBins> sorted = sums;
    std::nth_element(sorted.begin(), sorted.begin() + OrientationBins / 2, sorted.end());
    const double circulation = sorted[OrientationBins / 2];
    double orientationMoved = 0;
    for (const double s : sums)
        orientationMoved += std::abs(s - circulation);

    // The texture, contrast, colour variation and minority of a signature
    // of the improved analysis's findings and of one of the standard
    // analysis's channels are measured differently: compared only alike.
    const bool alike = p.findingsTexture == q.findingsTexture;
    const bool findings = alike && p.findingsTexture;
    const double plainer = std::min(p.contrast, q.contrast);
    const double textureContrast = findings ? weights.findingsTextureContrast : weights.textureContrast;
    const double textured = plainer > 0 ? plainer / (plainer + textureContrast) : 0.0;
    const double contrast = std::abs(std::log((p.contrast + 1) / (q.contrast + 1)));
    double variation = 0;
    for (std::size_t k = 0; k < p.colourVariation.size(); ++k)
        variation += std::abs(p.colourVariation[k] - q.colourVariation[k]);
    // Two findings weigh the colour variation, the weave against the
    // contrast and the parts' extent with weights of their own.
    const double variationWeight = findings ? weights.findingsVariationWeight : weights.variationWeight;
    const double weaveContrast = findings ? weights.findingsWeaveContrast : weights.weaveContrast;
    const double sizeWeight = findings ? weights.findingsSizeWeight : weights.sizeWeight;
    double size = 0;
    if (alike && sizeWeight > 0 && p.minorityShare >= weights.presenceShare && q.minorityShare >= weights.presenceShare
        && p.minorityRunX > 0 && q.minorityRunX > 0 && p.minorityRunY > 0 && q.minorityRunY > 0)
        size = 0.5 * (std::abs(std::log(p.minorityRunX / q.minorityRunX)) + std::abs(std::log(p.minorityRunY / q.minorityRunY)));
    double weave = 0;
    if (weights.weaveWeight > 0 && p.hasWeave && q.hasWeave && weights.weaveBlur > 0) {
        weave = weaveDifference(p, q, weights) * weaveContrast / (weaveContrast + std::max(p.contrast, q.contrast));
    } else if (weights.weaveWeight > 0 && p.hasWeave && q.hasWeave) {
        // The sum of the bands' |log ratio| as the log of one product of
        // ratios each at least 1: one logarithm per comparison, not six
        // (matching compares a scan with every example of every garment).
        double product = 1;
        for (int b = 0; b < WeaveBands; ++b) {
            const double x = p.weave[static_cast<std::size_t>(b)] + weights.weaveFloor;
            const double y = q.weave[static_cast<std::size_t>(b)] + weights.weaveFloor;
            product *= x > y ? x / y : y / x;
        }
        weave = std::log(product) * weaveContrast / (weaveContrast + std::max(p.contrast, q.contrast))
                / WeaveBands;
    }
    double layout = 0;
    if (weights.layoutWeight > 0 && p.hasLayout && q.hasLayout) {
        for (int k = 0; k < LayoutValues; ++k)
            layout += std::abs(p.layout[static_cast<std::size_t>(k)] - q.layout[static_cast<std::size_t>(k)]);
    }
    const double scale = p.pattern == pattern::patternKind::Unknown && q.pattern == pattern::patternKind::Unknown
                             ? weights.motifSpectrumScale
                             : 1.0;
    // Two findings of the same colours, another one of them the largest (the
    // ground), measured their distances from other colours: the orientation
    // and the contrast of those distances are the ground's as much as the
    // cloth's.
    const bool otherGround = findings && groundSwapped(p, q, weights.findingsGroundChange);
    const double orientationWeight =
        otherGround ? weights.orientationWeight * weights.findingsGroundOrientation : weights.orientationWeight;
    double spectral = !alike ? 0.0 : scale * textured * (orientationWeight * orientationMoved + weights.periodWeight * periodMoved
                                        + weights.spectrumWeight * spectrum + variationWeight * variation);
    if (findings)
        spectral *= weights.findingsSpectrumScale;
    const double contrastWeight = !findings    ? weights.contrastWeight
                                  : otherGround ? weights.findingsContrastWeight * weights.findingsGroundContrast
                                                : weights.findingsContrastWeight;
    return weights.weaveWeight * weave + weights.layoutWeight * layout + std::min(spectral, weights.spectrumCap)
           + (alike ? contrastWeight * contrast : 0.0) + (p.pattern != q.pattern ? weights.patternWeight : 0.0)
           + sizeWeight * size;
}

double signatureDistance(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights)
{
    return colourDistance(p, q, weights) + textureDistance(p, q, weights);
}

} // namespace vestiscop::signature

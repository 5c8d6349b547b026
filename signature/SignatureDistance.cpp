#include "signature/SignatureDistance.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vestiscop::signature {

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

double colourDistance(const GarmentSignature& p, const GarmentSignature& q)
{
    const int n = p.colourCount;
    const int m = q.colourCount;
    if (n == 0 || m == 0)
        return n == m ? 0.0 : 100.0;
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
                colourDifference(p.colours[static_cast<std::size_t>(i)], q.colours[static_cast<std::size_t>(j)]), i, j};
    // Ties in index order, so the result never depends on the sort.
    std::sort(pairs.begin(), pairs.begin() + count, [](const Pair& x, const Pair& y) {
        return x.cost != y.cost ? x.cost < y.cost : (x.i != y.i ? x.i < y.i : x.j < y.j);
    });
    std::array<double, MaxColours> left{};
    std::array<double, MaxColours> right{};
    for (int i = 0; i < n; ++i)
        left[static_cast<std::size_t>(i)] = p.colours[static_cast<std::size_t>(i)].share;
    for (int j = 0; j < m; ++j)
        right[static_cast<std::size_t>(j)] = q.colours[static_cast<std::size_t>(j)].share;
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
    return cost;
}

double textureDistance(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights)
{
    double spectrum = 0;
    for (int i = 0; i < TextureBins; ++i)
        spectrum += std::abs(p.texture[static_cast<std::size_t>(i)] - q.texture[static_cast<std::size_t>(i)]);
    const double plainer = std::min(p.contrast, q.contrast);
    const double textured = plainer / (plainer + weights.textureContrast);
    const double contrast = std::abs(std::log((p.contrast + 1) / (q.contrast + 1)));
    return weights.textureWeight * textured * spectrum + weights.contrastWeight * contrast
           + (p.pattern != q.pattern ? weights.patternWeight : 0.0);
}

double signatureDistance(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights)
{
    return colourDistance(p, q) + textureDistance(p, q, weights);
}

} // namespace vestiscop::signature

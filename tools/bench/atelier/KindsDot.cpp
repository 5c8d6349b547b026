// SPDX-License-Identifier: GPL-3.0-or-later
// Dotted prints: round dots on a ground, in rows, half-drop or scattered.
#include "Kinds.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::bench::atelier {

namespace {

struct DotLayout {
    double pitchX = 6, pitchY = 6;  // mm between dot centres
    double radius = 1.5;             // mm
    double radiusJitter = 0.0;       // fraction
    double posJitter = 0.0;          // fraction of the pitch
    bool halfDrop = true;
    double keep = 1.0;               // fraction of grid places that carry a dot
    int colours = 1;                 // inks, picked per dot
    std::uint64_t key = 1;
};

// The ink (0..colours-1) of the dot covering (u, v), or -1.
int dotAt(const DotLayout& d, double u, double v)
{
    const double gy = v / d.pitchY;
    const auto row0 = static_cast<std::int64_t>(std::floor(gy));
    for (std::int64_t row = row0 - 1; row <= row0 + 1; ++row) {
        const double shift = d.halfDrop && (row & 1) ? 0.5 : 0.0;
        const double gx = u / d.pitchX - shift;
        const auto col0 = static_cast<std::int64_t>(std::floor(gx));
        for (std::int64_t col = col0 - 1; col <= col0 + 1; ++col) {
            if (d.keep < 1.0 && hash01(d.key, col, row, 3) >= d.keep) continue;
            const double cx = (col + 0.5 + shift + d.posJitter * (hash01(d.key, col, row, 1) - 0.5)) * d.pitchX;
            const double cy = (row + 0.5 + d.posJitter * (hash01(d.key, col, row, 2) - 0.5)) * d.pitchY;
            const double r = d.radius * (1.0 + d.radiusJitter * (2.0 * hash01(d.key, col, row, 4) - 1.0));
            if ((u - cx) * (u - cx) + (v - cy) * (v - cy) < r * r)
                return d.colours == 1 ? 0 : static_cast<int>(hash01(d.key, col, row, 5) * d.colours);
        }
    }
    return -1;
}

// Dot pitch for a wanted share of the area covered.
double pitchFor(double radius, double share) { return radius * std::sqrt(3.14159265 / share); }

Cloth dotted(Rng& rng, DotLayout d, Lin ground, std::vector<Lin> inks)
{
    double relief = 1.0;
    Surface g = printGround(rng, ground, rng.key(), relief);
    std::vector<Ink> list;
    std::vector<Lin> nominal{ground};
    for (std::size_t k = 0; k < inks.size(); ++k) {
        list.push_back({inks[k], static_cast<int>(k) + 1});
        nominal.push_back(inks[k]);
    }
    d.colours = static_cast<int>(inks.size());
    const double spread = rng.uniform(0.02, 0.1) * std::min(1.0, d.radius);
    Surface s = printOver(g, list, [d](double u, double v) { return dotAt(d, u, v); }, spread, 0.0, rng.key());
    return makeCloth(s, nominal, relief);
}

Cloth polkaDots(Rng& rng)
{
    DotLayout d;
    d.radius = rng.uniform(1.0, 6.0);
    const double share = rng.uniform(0.05, 0.5);
    d.pitchX = d.pitchY = pitchFor(d.radius, share);
    d.halfDrop = rng.chance(0.6);
    d.key = rng.key();
    const Lin ground = rng.chance(0.5) ? darkGround(rng) : anyDye(rng);
    return dotted(rng, d, ground, {patternColour(rng, ground, 0.3)});
}

Cloth pinDots(Rng& rng)
{
    DotLayout d;
    d.radius = rng.uniform(0.3, 0.75);
    d.pitchX = rng.uniform(2.5, 6.0);
    d.pitchY = d.pitchX * rng.uniform(0.9, 1.1);
    d.halfDrop = rng.chance(0.7);
    d.key = rng.key();
    const Lin ground = rng.chance(0.6) ? darkGround(rng) : anyDye(rng);
    return dotted(rng, d, ground, {patternColour(rng, ground, 0.3)});
}

Cloth coinDots(Rng& rng)
{
    DotLayout d;
    d.radius = rng.uniform(5.0, 10.0);
    d.pitchX = d.pitchY = pitchFor(d.radius, rng.uniform(0.2, 0.5));
    d.halfDrop = rng.chance(0.6);
    d.key = rng.key();
    const Lin ground = anyDye(rng);
    return dotted(rng, d, ground, {patternColour(rng, ground, 0.25)});
}

// A light ground with a few dots of several colours strewn over it.
Cloth sparseMulticolour(Rng& rng)
{
    DotLayout d;
    d.radius = rng.uniform(1.0, 4.0);
    d.keep = rng.uniform(0.35, 0.8);
    d.pitchX = d.pitchY = pitchFor(d.radius, rng.uniform(0.04, 0.15) / d.keep);
    d.posJitter = rng.uniform(0.5, 0.9);
    d.radiusJitter = rng.uniform(0.0, 0.2);
    d.key = rng.key();
    const Lin ground = lightGround(rng);
    std::vector<Lin> inks;
    const int n = rng.integer(3, 5);
    const double hue0 = rng.uniform(0, 360);
    for (int k = 0; k < n; ++k)
        inks.push_back(fromHsv(hue0 + k * 360.0 / n + rng.uniform(-15, 15), rng.uniform(0.5, 0.9), rng.uniform(0.45, 0.85)));
    return dotted(rng, d, ground, inks);
}

// Dots of uneven size at uneven places, as if spattered or hand-printed.
Cloth scatteredDots(Rng& rng)
{
    DotLayout d;
    d.radius = rng.uniform(0.6, 4.0);
    d.keep = rng.uniform(0.6, 1.0);
    d.pitchX = d.pitchY = pitchFor(d.radius, rng.uniform(0.03, 0.35) / d.keep);
    d.posJitter = rng.uniform(0.6, 0.95);
    d.radiusJitter = rng.uniform(0.2, 0.5);
    d.halfDrop = rng.chance(0.5);
    d.key = rng.key();
    const Lin ground = anyDye(rng);
    std::vector<Lin> inks{patternColour(rng, ground, 0.25)};
    if (rng.chance(0.3)) inks.push_back(contrasting(rng, ground, 0.25));
    return dotted(rng, d, ground, inks);
}

} // namespace

void addDotKinds(std::vector<KindDef>& out)
{
    out.push_back({"polka dots", 3, polkaDots});
    out.push_back({"pin dots", 3, pinDots});
    out.push_back({"coin dots", 3, coinDots});
    out.push_back({"sparse multicolour dots", 3, sparseMulticolour});
    out.push_back({"scattered dots", 3, scatteredDots});
}

} // namespace vestiscop::bench::atelier

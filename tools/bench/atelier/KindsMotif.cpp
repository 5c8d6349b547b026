// SPDX-License-Identifier: GPL-3.0-or-later
// Patterned prints: florals, animal skins, camouflage, dyed and woven motifs.
#include "Kinds.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::bench::atelier {

namespace {

Cloth printed(Rng& rng, Lin ground, std::vector<Lin> inks, PrintMap map, double spread, double misregister)
{
    double relief = 1.0;
    Surface g = printGround(rng, ground, rng.key(), relief);
    std::vector<Ink> list;
    std::vector<Lin> nominal{ground};
    for (std::size_t k = 0; k < inks.size(); ++k) {
        list.push_back({inks[k], static_cast<int>(k) + 1});
        nominal.push_back(inks[k]);
    }
    return makeCloth(printOver(g, list, std::move(map), spread, misregister, rng.key()), nominal, relief);
}

// Rosettes: broken dark rings round a darker-than-ground centre.
Cloth leopard(Rng& rng)
{
    const Lin ground = fromHsv(rng.uniform(28, 42), rng.uniform(0.35, 0.7), rng.uniform(0.6, 0.9));
    const Lin ring = neutral(rng, 0.05, 0.15);
    const Lin centre = fromHsv(rng.uniform(20, 35), rng.uniform(0.5, 0.8), rng.uniform(0.35, 0.55));
    const double size = rng.uniform(5.0, 16.0);
    const std::uint64_t key = rng.key();
    PrintMap map = [size, key](double u, double v) {
        const double wu = u + 0.25 * size * fbm(key ^ 1, u, v, size * 0.6, 2);
        const double wv = v + 0.25 * size * fbm(key ^ 2, u, v, size * 0.6, 2);
        const Cell c = worley(key, wu / size, wv / size, 0.9);
        const double r = 0.22 + 0.1 * hash01(key, c.id, 1);
        const double ang = std::atan2(wv / size - c.cy, wu / size - c.cx);
        const bool gap = std::sin(ang * 3.0 + 6.28 * hash01(key, c.id, 2)) > 0.75;
        if (c.f1 < r - 0.1) return 1;
        if (c.f1 < r + 0.05 && !gap) return 0;
        return -1;
    };
    return printed(rng, ground, {ring, centre}, map, rng.uniform(0.05, 0.2), rng.uniform(0.0, 0.3));
}

} // namespace

void addMotifKinds(std::vector<KindDef>& out)
{
    out.push_back({"leopard", 4, leopard});
}

} // namespace vestiscop::bench::atelier

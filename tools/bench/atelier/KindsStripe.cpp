// SPDX-License-Identifier: GPL-3.0-or-later
// Striped fabrics: yarn-dyed, knitted and printed stripes.
#include "Kinds.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::bench::atelier {

namespace {

// Worsted suiting: a fine twill of a dark ground with single light ends a
// set distance apart.
Cloth pinstripe(Rng& rng)
{
    WeaveSpec s = twillWeave(rng, 0.12, 0.22, 4, 3);
    s.relief = rng.uniform(0.15, 0.3);
    const int g = rng.integer(0, 3);
    const Lin ground = g == 0   ? neutral(rng, 0.35, 0.55)
                       : g == 1 ? neutral(rng, 0.15, 0.3)
                       : g == 2 ? fromHsv(rng.uniform(215, 235), rng.uniform(0.45, 0.8), rng.uniform(0.18, 0.38))
                                : neutral(rng, 0.06, 0.13);
    const Lin line = rng.chance(0.7) ? neutral(rng, 0.75, 0.95)
                                     : fromHsv(rng.uniform(0, 360), rng.uniform(0.2, 0.5), rng.uniform(0.7, 0.9));
    const int ends = std::max(2, static_cast<int>(std::lround(rng.uniform(0.5, 1.2) / s.warpPitch)));
    const double width = ends * s.warpPitch;
    const double share = rng.uniform(0.04, 0.11);
    const int repeat = std::max(ends + 4, static_cast<int>(std::lround(width / share / s.warpPitch)));
    Sett sett{{1, 0}, {width, (repeat - ends) * s.warpPitch}, false, 0.0};
    Woven w{s, rng.key(), settYarn(sett, {ground, line}, s.warpPitch), solidYarn(ground)};
    return makeCloth(w, {ground, line});
}

} // namespace

void addStripeKinds(std::vector<KindDef>& out)
{
    out.push_back({"pinstripe suiting", 1, pinstripe});
}

} // namespace vestiscop::bench::atelier

// SPDX-License-Identifier: GPL-3.0-or-later
// Checked fabrics: yarn-dyed setts in warp and weft, woven plain or twill.
#include "Kinds.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::bench::atelier {

namespace {

// The same sett in warp and weft over one weave.
Cloth checked(Rng& rng, WeaveSpec s, Sett sett, std::vector<Lin> colours, double relief = 1.0)
{
    Sett weftSett = sett;
    weftSett.offset = rng.uniform(0.0, sett.period());
    Woven w{s, rng.key(), settYarn(sett, colours, s.warpPitch), settYarn(weftSett, colours, s.weftPitch)};
    return makeCloth(w, colours, relief);
}

Cloth gingham(Rng& rng)
{
    WeaveSpec s = plainWeave(rng, 0.1, 0.2);
    const Lin white = lightGround(rng);
    const Lin dye = contrasting(rng, white, 0.3);
    const double square = rng.uniform(1.5, 9.0);
    return checked(rng, s, Sett{{0, 1}, {square, square}}, {white, dye});
}

} // namespace

void addCheckKinds(std::vector<KindDef>& out)
{
    out.push_back({"gingham", 2, gingham});
}

} // namespace vestiscop::bench::atelier

// SPDX-License-Identifier: GPL-3.0-or-later
// A plain cloth woven of one dyed yarn and lighter undyed ones, told by the
// dyed yarn as a person names it (FabricSteps.h).
#include <algorithm>
#include <cmath>

#include "fabric/FabricSteps.h"

namespace vestiscop::fabric {

namespace {

// Two-yarn plain cloth: the dyed yarn has this chroma or more and covers
// this share of the face at least (a warp-faced twill three quarters, a
// plain weave half; a few dots missed by the pattern far less). Each
// undyed yarn (white, ecru, grey) lies UndyedLighter above it in
// lightness, with at most UndyedChroma times its chroma.
constexpr double DyedChroma = 12.0;
constexpr double DyedShare = 0.3;
constexpr double UndyedLighter = 20.0;
constexpr double UndyedChroma = 0.7;

} // namespace

std::vector<ClothColour> dyedYarnOfPlain(const std::vector<ClothColour>& colours)
{
    if (colours.size() < 2)
        return {};
    const auto chroma = [](const ClothColour& c) { return std::hypot(c.a, c.b); };
    const auto dyed = std::max_element(colours.begin(), colours.end(),
                                       [&](const ClothColour& p, const ClothColour& q) { return chroma(p) < chroma(q); });
    if (chroma(*dyed) < DyedChroma || dyed->share < DyedShare)
        return {};
    double shares = 0;
    for (const ClothColour& c : colours) {
        shares += c.share;
        if (&c != &*dyed && (c.l < dyed->l + UndyedLighter || chroma(c) > UndyedChroma * chroma(*dyed)))
            return {};
    }
    ClothColour told = *dyed;
    told.share = shares;
    return {told};
}

} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
// Checked fabrics: yarn-dyed setts in warp and weft, woven plain or twill.
#include "Kinds.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::bench::atelier {

namespace {

// The same sett in warp and weft over one weave; `aligned` keeps the weft in
// step with the warp (glen plaid, houndstooth), otherwise it starts anywhere.
Cloth checked(Rng& rng, WeaveSpec s, Sett sett, std::vector<Lin> colours, bool aligned = false, double relief = 1.0)
{
    Sett weftSett = sett;
    if (!aligned) weftSett.offset = rng.uniform(0.0, sett.period());
    Woven w{s, rng.key(), settYarn(sett, colours, s.warpPitch), settYarn(weftSett, colours, s.weftPitch)};
    return makeCloth(w, colours, relief);
}

// A sett counted in threads rather than millimetres.
Sett threadSett(const std::vector<int>& labels, const std::vector<int>& threads, double pitch)
{
    Sett s;
    for (std::size_t k = 0; k < labels.size(); ++k) {
        s.labels.push_back(labels[k]);
        s.widths.push_back(threads[k] * pitch);
    }
    return s;
}

Cloth gingham(Rng& rng)
{
    WeaveSpec s = plainWeave(rng, 0.1, 0.2);
    const Lin white = lightGround(rng);
    const Lin dye = patternColour(rng, white, 0.3);
    const double square = rng.uniform(1.5, 9.0);
    return checked(rng, s, Sett{{0, 1}, {square, square}}, {white, dye});
}

Cloth tartan(Rng& rng)
{
    WeaveSpec s = twillWeave(rng, 0.2, 0.35, 4, 2);
    s.hair = rng.uniform(0.04, 0.1);
    const int n = rng.integer(3, 6);
    std::vector<Lin> c{darkGround(rng)};
    while (static_cast<int>(c.size()) < n) c.push_back(contrasting(rng, c.back(), 0.1));
    Sett sett;
    sett.mirrored = true;
    for (int b = 0; b < n + rng.integer(0, 3); ++b) {
        const int l = b < n ? b : rng.integer(0, n - 1);
        if (!sett.labels.empty() && sett.labels.back() == l) continue;
        sett.labels.push_back(l);
        sett.widths.push_back(rng.chance(0.35) ? rng.uniform(0.5, 2.0) : rng.uniform(3.0, 16.0));
    }
    return checked(rng, s, sett, c);
}

Cloth buffalo(Rng& rng)
{
    WeaveSpec s = twillWeave(rng, 0.25, 0.4, 4, 2);
    s.hair = rng.uniform(0.08, 0.16);
    const Lin dark = neutral(rng, 0.05, 0.15);
    const Lin bold = rng.chance(0.6) ? fromHsv(rng.uniform(350, 365), rng.uniform(0.7, 0.9), rng.uniform(0.5, 0.8))
                                     : contrasting(rng, dark, 0.3);
    const double square = rng.uniform(12.0, 30.0);
    Cloth c = checked(rng, s, Sett{{0, 1}, {square, square}}, {bold, dark}, false, 1.2);
    c.hair = 0.3;
    return c;
}

// Blocks of four-and-four and two-and-two in a two-by-two twill, with
// perhaps a coloured overcheck.
Cloth glenPlaid(Rng& rng)
{
    WeaveSpec s = twillWeave(rng, 0.16, 0.28, 4, 2);
    s.step = 1;
    s.weftPitch = s.warpPitch;
    const Lin light = rng.chance(0.6) ? neutral(rng, 0.7, 0.92) : fromHsv(rng.uniform(30, 50), 0.2, rng.uniform(0.7, 0.9));
    const Lin dark = rng.chance(0.6) ? neutral(rng, 0.06, 0.25) : fromHsv(rng.uniform(20, 40), 0.5, rng.uniform(0.15, 0.3));
    std::vector<Lin> c{light, dark};
    const int big = 4 * rng.integer(3, 6), small = 4 * rng.integer(3, 6);
    std::vector<int> labels, threads;
    for (int k = 0; k < big / 4; ++k) {
        labels.insert(labels.end(), {1, 0});
        threads.insert(threads.end(), {4, 4});
    }
    for (int k = 0; k < small / 2; ++k) {
        labels.insert(labels.end(), {1, 0});
        threads.insert(threads.end(), {2, 2});
    }
    if (rng.chance(0.5)) {
        c.push_back(fromHsv(rng.uniform(0, 360), rng.uniform(0.5, 0.9), rng.uniform(0.4, 0.8)));
        labels.push_back(2);
        threads.push_back(2);
    }
    return checked(rng, s, threadSett(labels, threads, s.warpPitch), c, true);
}

// Thin lines of one colour both ways on a plain ground (label 0).
Cloth lined(Rng& rng, WeaveSpec s, Lin ground, std::vector<Lin> lines, double lineMm, double spacingMm)
{
    std::vector<Lin> c{ground};
    Sett sett;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        c.push_back(lines[k]);
        sett.labels.insert(sett.labels.end(), {static_cast<int>(k) + 1, 0});
        const int ends = std::max(2, static_cast<int>(std::lround(lineMm / s.warpPitch)));
        sett.widths.insert(sett.widths.end(), {ends * s.warpPitch, spacingMm - ends * s.warpPitch});
    }
    return checked(rng, s, sett, c);
}

Cloth windowpane(Rng& rng)
{
    WeaveSpec s = rng.chance(0.5) ? twillWeave(rng, 0.15, 0.3, 4, 2) : plainWeave(rng, 0.1, 0.2);
    const Lin ground = rng.chance(0.5) ? darkGround(rng) : anyDye(rng);
    const Lin line = patternColour(rng, ground, rng.uniform(0.15, 0.4));
    return lined(rng, s, ground, {line}, rng.uniform(0.5, 1.5), rng.uniform(15.0, 40.0));
}

Cloth tattersall(Rng& rng)
{
    WeaveSpec s = plainWeave(rng, 0.1, 0.2);
    const Lin ground = lightGround(rng);
    const Lin a = contrasting(rng, ground, 0.25);
    const Lin b = contrasting(rng, ground, 0.25);
    return lined(rng, s, ground, {a, b}, rng.uniform(0.5, 1.2), rng.uniform(4.0, 10.0));
}

// Four-and-four in both directions in a two-by-two twill draws the hound's teeth.
Cloth houndstooth(Rng& rng)
{
    WeaveSpec s = twillWeave(rng, 0.2, 0.45, 4, 2);
    s.step = 1;
    s.weftPitch = s.warpPitch;
    s.relief = rng.uniform(0.15, 0.3);
    const int group = rng.chance(0.6) ? 4 : 8;
    const Lin light = rng.chance(0.6) ? neutral(rng, 0.75, 0.95) : lightGround(rng);
    const Lin dark = rng.chance(0.6) ? neutral(rng, 0.04, 0.2) : darkGround(rng);
    return checked(rng, s, threadSett({0, 1}, {group, group}, s.warpPitch), {light, dark}, true);
}

Cloth graphCheck(Rng& rng)
{
    WeaveSpec s = plainWeave(rng, 0.08, 0.14);
    const Lin ground = lightGround(rng);
    const Lin line = contrasting(rng, ground, 0.2);
    return lined(rng, s, ground, {line}, rng.uniform(0.5, 0.8), rng.uniform(3.0, 8.0));
}

} // namespace

void addCheckKinds(std::vector<KindDef>& out)
{
    out.push_back({"gingham", 2, gingham});
    out.push_back({"tartan", 2, tartan});
    out.push_back({"buffalo check", 2, buffalo});
    out.push_back({"glen plaid", 2, glenPlaid});
    out.push_back({"windowpane", 2, windowpane});
    out.push_back({"tattersall", 2, tattersall});
    out.push_back({"houndstooth", 2, houndstooth});
    out.push_back({"graph check", 2, graphCheck});
}

} // namespace vestiscop::bench::atelier

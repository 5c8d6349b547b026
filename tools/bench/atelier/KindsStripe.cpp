// SPDX-License-Identifier: GPL-3.0-or-later
// Striped fabrics: yarn-dyed, knitted and printed stripes.
#include "Kinds.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::bench::atelier {

namespace {

// Stripes in the warp over a solid weft of the ground colour (label 0).
Cloth warpStriped(Rng& rng, WeaveSpec s, Sett sett, std::vector<Lin> colours, double relief = 1.0)
{
    Woven w{s, rng.key(), settYarn(sett, colours, s.warpPitch), solidYarn(colours[0]), true};
    return makeCloth(w, colours, relief);
}

// Printed stripes at an angle (degrees from the warp) over a plain ground.
Cloth printedStripes(Rng& rng, Sett sett, std::vector<Lin> colours, double angleDeg)
{
    double relief = 1.0;
    Surface g = printGround(rng, colours[0], rng.key(), relief);
    std::vector<Ink> inks;
    for (std::size_t k = 1; k < colours.size(); ++k) inks.push_back({colours[k], static_cast<int>(k)});
    const double a = angleDeg * 3.141592653589793 / 180.0;
    const double ca = std::cos(a), sa = std::sin(a);
    PrintMap map = [sett, ca, sa](double u, double v) { return sett.at(u * ca + v * sa) - 1; };
    return makeCloth(printOver(g, inks, map, rng.uniform(0.02, 0.08), rng.uniform(0.0, 0.15), rng.key()), colours, relief);
}

// Worsted suiting: a fine twill of a dark ground with a few light ends a set
// distance apart.
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
    return warpStriped(rng, s, Sett{{1, 0}, {width, (repeat - ends) * s.warpPitch}}, {ground, line});
}

// Flannel with soft, fuzzy lines, as if drawn in tailor's chalk.
Cloth chalkStripe(Rng& rng)
{
    WeaveSpec s = twillWeave(rng, 0.2, 0.32, 4, 2);
    s.hair = rng.uniform(0.1, 0.18);
    s.relief = 0.2;
    const Lin ground = darkGround(rng);
    const Lin line = mixLin(ground, neutral(rng, 0.8, 0.95), rng.uniform(0.35, 0.7));
    const double width = rng.uniform(0.8, 2.2), spacing = rng.uniform(8.0, 25.0);
    const Woven w{s, rng.key(), solidYarn(ground), solidYarn(ground)};
    const std::uint64_t key = rng.key();
    Surface surf = [w, line, ground, width, spacing, key](double u, double v) {
        Sample p = w(u, v);
        const double fuzzU = u + 0.22 * width * fbm(key, u, v, 0.5, 3);
        double d = std::fmod(fuzzU, spacing);
        if (d < 0) d += spacing;
        d = std::min(d, spacing - d);
        // The chalk line fades out over its outer third.
        const double t = std::clamp((0.5 * width - d) / (0.35 * width) + 0.5, 0.0, 1.0);
        if (t > 0.0) {
            const Lin ink = line * (luminance(p.c) / std::max(1e-6, luminance(ground)));
            p.c = mixLin(p.c, ink, t);
            if (t >= 0.5) p.label = 1;
        }
        return p;
    };
    Cloth c = makeCloth(surf, {ground, line}, 1.1);
    c.hair = 0.5;
    return c;
}

Cloth bengalStripe(Rng& rng)
{
    WeaveSpec s = plainWeave(rng, 0.08, 0.16);
    const Lin white = lightGround(rng);
    const Lin dye = contrasting(rng, white, 0.2);
    const double a = rng.uniform(1.5, 6.0);
    const double b = rng.chance(0.6) ? a : rng.uniform(1.0, 6.0);
    return warpStriped(rng, s, Sett{{0, 1}, {a, b}}, {white, dye});
}

Cloth awning(Rng& rng)
{
    WeaveSpec s = plainWeave(rng, 0.35, 0.6);
    s.relief = 0.45;
    const Lin ground = lightGround(rng);
    const Lin dye = fromHsv(rng.uniform(0, 360), rng.uniform(0.5, 0.95), rng.uniform(0.3, 0.8));
    const double a = rng.uniform(12.0, 30.0);
    return warpStriped(rng, s, Sett{{0, 1}, {a, a * rng.uniform(0.8, 1.2)}}, {ground, dye}, 1.3);
}

Cloth breton(Rng& rng)
{
    KnitSpec k;
    k.walePitch = rng.uniform(0.6, 1.1);
    k.coursePitch = k.walePitch * rng.uniform(0.7, 0.85);
    const Lin ground = lightGround(rng);
    const int pick = rng.integer(0, 3);
    const Lin stripe = pick == 0 ? fromHsv(rng.uniform(215, 235), 0.7, rng.uniform(0.2, 0.4))
                       : pick == 1 ? fromHsv(rng.uniform(355, 365), 0.8, rng.uniform(0.5, 0.8))
                       : pick == 2 ? neutral(rng, 0.05, 0.15)
                                   : contrasting(rng, ground, 0.3);
    const Sett sett{{0, 1}, {rng.uniform(5.0, 14.0), rng.uniform(2.0, 9.0)}};
    const double cp = k.coursePitch;
    const std::vector<Lin> colours{ground, stripe};
    Knit knit{k, rng.key(), [sett, cp, colours](int course, int) {
                  const int l = sett.at((course + 0.5) * cp);
                  return Yarn{colours[static_cast<std::size_t>(l)], l, nullptr};
              }};
    return makeCloth(knit, colours, 1.3);
}

Cloth candyStripe(Rng& rng)
{
    WeaveSpec s = plainWeave(rng, 0.08, 0.15);
    const Lin white = lightGround(rng);
    const Lin dye = fromHsv(rng.chance(0.5) ? rng.uniform(340, 360) : rng.uniform(0, 360), rng.uniform(0.4, 0.9),
                            rng.uniform(0.45, 0.85));
    const double a = rng.uniform(1.0, 3.0);
    return warpStriped(rng, s, Sett{{0, 1}, {a, a}}, {white, dye});
}

// A club tie's stripes: a ground with a broad and a narrow stripe, on the diagonal.
Cloth regimental(Rng& rng)
{
    const Lin ground = darkGround(rng);
    const Lin broad = contrasting(rng, ground, 0.2);
    const Lin narrow = contrasting(rng, broad, 0.2);
    const double gw = rng.uniform(5.0, 14.0), bw = rng.uniform(1.5, 5.0), nw = rng.uniform(0.6, 1.6);
    const double gap = rng.uniform(0.6, 1.5);
    Sett sett{{0, 1, 0, 2}, {gw, bw, gap, nw}};
    const double angle = (rng.chance(0.5) ? 1.0 : -1.0) * rng.uniform(30.0, 50.0);
    return printedStripes(rng, sett, {ground, broad, narrow}, angle);
}

Cloth multicolourStripe(Rng& rng)
{
    const int colours = rng.integer(3, 5);
    std::vector<Lin> c{anyDye(rng)};
    while (static_cast<int>(c.size()) < colours) c.push_back(contrasting(rng, c.back(), 0.12));
    Sett sett;
    const int bands = rng.integer(colours, colours + 4);
    for (int b = 0; b < bands; ++b) {
        const int l = b < colours ? b : rng.integer(0, colours - 1);
        if (!sett.labels.empty() && sett.labels.back() == l) continue;
        sett.labels.push_back(l);
        sett.widths.push_back(rng.uniform(0.8, 14.0));
    }
    if (rng.chance(0.35)) return printedStripes(rng, sett, c, 90.0 * rng.integer(0, 1));
    WeaveSpec s = rng.chance(0.5) ? plainWeave(rng, 0.1, 0.2) : twillWeave(rng, 0.15, 0.3, 3, 2);
    return warpStriped(rng, s, sett, c);
}

// Stripes so close in colour they are barely there: tone on tone, or washed out.
Cloth fadedStripe(Rng& rng)
{
    const Lin a = anyDye(rng);
    const Lin b = toneOnTone(rng, a, 9.0, 26.0);
    const double w1 = rng.uniform(1.5, 10.0), w2 = rng.uniform(1.0, 10.0);
    if (rng.chance(0.4)) return printedStripes(rng, Sett{{0, 1}, {w1, w2}}, {a, b}, 0.0);
    WeaveSpec s = rng.chance(0.5) ? plainWeave(rng, 0.1, 0.25) : twillWeave(rng, 0.2, 0.4, 4, 3);
    s.slub = rng.uniform(0.0, 0.3);
    return warpStriped(rng, s, Sett{{0, 1}, {w1, w2}}, {a, b});
}

} // namespace

void addStripeKinds(std::vector<KindDef>& out)
{
    out.push_back({"pinstripe suiting", 1, pinstripe});
    out.push_back({"chalk stripe", 1, chalkStripe});
    out.push_back({"bengal stripe", 1, bengalStripe});
    out.push_back({"awning stripe", 1, awning});
    out.push_back({"breton stripe", 1, breton});
    out.push_back({"candy stripe", 1, candyStripe});
    out.push_back({"regimental stripe", 1, regimental});
    out.push_back({"multicolour stripe", 1, multicolourStripe});
    out.push_back({"faded stripe", 1, fadedStripe});
}

} // namespace vestiscop::bench::atelier

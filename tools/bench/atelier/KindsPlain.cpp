// SPDX-License-Identifier: GPL-3.0-or-later
// Plain fabrics: one colour to a person, however much texture the weave,
// knit, pile or a heathered yarn gives it.
#include "Kinds.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::bench::atelier {

namespace {

// A broad sheen or crush across the piece (satin, velvet): brightness that
// wanders slowly over centimetres.
Surface withSheen(Surface s, std::uint64_t key, double scaleMm, double depth)
{
    return [s = std::move(s), key, scaleMm, depth](double u, double v) {
        Sample p = s(u, v);
        const double k = 1.0 + depth * fbm(key, u, v, scaleMm, 3);
        p.c = p.c * k;
        p.shade *= k;
        return p;
    };
}

Cloth solidWoven(Rng& rng, WeaveSpec spec)
{
    const Lin c = anyDye(rng);
    const Lin weft = c * rng.uniform(0.88, 1.0);
    return makeCloth(Woven{spec, rng.key(), solidYarn(c), solidYarn(weft)}, {c});
}

Cloth poplin(Rng& rng) { return solidWoven(rng, plainWeave(rng, 0.08, 0.16)); }

Cloth twill(Rng& rng)
{
    const int variant = rng.integer(0, 2);
    const int repeat = variant == 0 ? 3 : 4;
    const int up = variant == 2 ? 2 : repeat - 1;
    WeaveSpec s = twillWeave(rng, 0.15, 0.35, repeat, up);
    s.relief = rng.uniform(0.25, 0.45);
    return solidWoven(rng, s);
}

Cloth satin(Rng& rng)
{
    WeaveSpec s = twillWeave(rng, 0.08, 0.14, 5, 4);
    s.step = 2;
    s.relief = rng.uniform(0.06, 0.14);
    s.hair = 0.01;
    Cloth c = solidWoven(rng, s);
    c.at = withSheen(c.at, rng.key(), rng.uniform(12, 30), rng.uniform(0.08, 0.18));
    return c;
}

// Two-yarn cloth: a dyed warp over an undyed weft; a person names the dye.
Cloth twoYarn(Rng& rng, WeaveSpec s, Lin dyed, double fade)
{
    const Lin ecru = fromHsv(rng.uniform(30, 50), rng.uniform(0.05, 0.18), rng.uniform(0.78, 0.92));
    const std::uint64_t fadeKey = rng.key();
    Woven w{s, rng.key(), solidYarn(dyed), solidYarn(ecru)};
    Surface surf = [w, fadeKey, fade, dyed](double u, double v) {
        Sample p = w(u, v);
        if (fade > 0.0) {  // worn and washed: the dye lighter in patches and along the warp
            const double f = fade * (0.5 + 0.5 * fbm(fadeKey, u * 0.3, v, 12.0, 3));
            p.c = mixLin(p.c, p.c * (1.0 / std::max(0.05, luminance(dyed))) * 0.35, std::clamp(f, 0.0, 0.6));
        }
        return p;
    };
    Cloth c = makeCloth(surf, {dyed});
    c.byYarn = {true};
    return c;
}

Cloth denim(Rng& rng)
{
    WeaveSpec s = twillWeave(rng, 0.3, 0.55, 4, 3);
    s.slub = rng.uniform(0.15, 0.45);
    s.relief = rng.uniform(0.3, 0.45);
    const Lin indigo = fromHsv(rng.uniform(212, 228), rng.uniform(0.55, 0.85), rng.uniform(0.18, 0.5));
    Cloth c = twoYarn(rng, s, indigo, rng.uniform(0.0, 0.35));
    c.relief = 1.2;
    return c;
}

Cloth chambray(Rng& rng)
{
    WeaveSpec s = plainWeave(rng, 0.12, 0.22);
    s.slub = rng.uniform(0.0, 0.25);
    const Lin dyed = rng.chance(0.7) ? fromHsv(rng.uniform(205, 225), rng.uniform(0.35, 0.7), rng.uniform(0.4, 0.75))
                                     : anyDye(rng);
    return twoYarn(rng, s, dyed, 0.0);
}

Cloth oxford(Rng& rng)
{
    WeaveSpec s = plainWeave(rng, 0.13, 0.2);
    s.weftPitch = s.warpPitch * rng.uniform(1.5, 2.0);  // a thick weft over paired warp ends
    s.relief = rng.uniform(0.3, 0.45);
    const Lin dyed = rng.chance(0.5) ? fromHsv(rng.uniform(200, 225), rng.uniform(0.2, 0.5), rng.uniform(0.6, 0.85))
                                     : anyDye(rng);
    return twoYarn(rng, s, dyed, 0.0);
}

Cloth knitOf(Rng& rng, KnitSpec k, Lin c, std::shared_ptr<const Heather> h = nullptr)
{
    Knit knit{k, rng.key(), [c, h](int, int) { return Yarn{c, 0, h}; }};
    return makeCloth(knit, {c}, 1.3);
}

KnitSpec jerseySpec(Rng& rng)
{
    KnitSpec k;
    k.walePitch = rng.uniform(0.55, 1.2);
    k.coursePitch = k.walePitch * rng.uniform(0.65, 0.85);
    k.hair = rng.uniform(0.03, 0.1);
    return k;
}

Cloth jersey(Rng& rng) { return knitOf(rng, jerseySpec(rng), anyDye(rng)); }

Cloth ribKnit(Rng& rng)
{
    KnitSpec k = jerseySpec(rng);
    k.rib = rng.integer(1, 2);
    k.walePitch *= 0.8;
    return knitOf(rng, k, anyDye(rng));
}

Cloth pique(Rng& rng)
{
    const Lin c = anyDye(rng);
    KnitSpec k = jerseySpec(rng);
    k.walePitch = rng.uniform(0.4, 0.6);
    k.coursePitch = k.walePitch * 0.8;
    const Knit knit{k, rng.key(), [c](int, int) { return Yarn{c, 0, nullptr}; }};
    const double cell = rng.uniform(0.7, 1.2);
    const std::uint64_t key = rng.key();
    // Tuck stitches pull the face into small cells with sunken rims.
    Surface s = [knit, cell, key](double u, double v) {
        Sample p = knit(u, v);
        const Cell w = worley(key, u / cell, v / cell, 0.35);
        const double rim = std::clamp((w.f2 - w.f1) / 0.3, 0.0, 1.0);
        const double k = 0.8 + 0.2 * rim;
        p.c = p.c * k;
        p.shade *= k;
        return p;
    };
    return makeCloth(s, {c}, 1.2);
}

Cloth fleece(Rng& rng)
{
    const Lin c = anyDye(rng);
    const std::uint64_t key = rng.key();
    const double pill = rng.uniform(0.0, 0.6);
    Surface s = [c, key, pill](double u, double v) {
        double k = 1.0 + 0.12 * fbm(key, u, v, 0.8, 4) + 0.05 * valueNoise(key ^ 9, u * 14, v * 14);
        const Cell w = worley(key ^ 5, u / 2.2, v / 2.2, 1.0);
        if (hash01(key, w.id) < pill && w.f1 < 0.18) k *= 1.08 - 0.5 * w.f1;  // pills
        return Sample{c * k, 0, k};
    };
    Cloth cl = makeCloth(s, {c}, 1.5);
    cl.hair = 1.0;
    return cl;
}

Cloth corduroy(Rng& rng)
{
    const Lin c = anyDye(rng);
    const double wale = rng.uniform(1.2, 4.5);
    const std::uint64_t key = rng.key();
    Surface s = [c, wale, key](double u, double v) {
        const double t = u / wale - std::floor(u / wale);
        const double a = 2.0 * t - 1.0;
        // A rounded rib of pile, dark in the cut groove between ribs.
        double k = 0.45 + 0.6 * std::sqrt(std::max(0.0, 1.0 - std::fabs(a) * a * a));
        k *= 1.0 + 0.08 * valueNoise(key, u * 10, v * 4) + 0.05 * fbm(key ^ 3, u, v, 15.0, 2);
        return Sample{c * k, 0, k};
    };
    return makeCloth(s, {c}, 1.4);
}

Cloth boucle(Rng& rng)
{
    const Lin c = anyDye(rng);
    const Lin tone = c * rng.uniform(0.75, 1.15);
    const double loop = rng.uniform(0.5, 1.3);
    const std::uint64_t key = rng.key();
    Surface s = [c, tone, loop, key](double u, double v) {
        const Cell w = worley(key, u / loop, v / loop, 1.0);
        const double q = (w.f1 - 0.3 - 0.1 * hash01(key, w.id, 2)) / 0.13;
        const double ring = std::exp(-q * q);
        const double k = 0.72 + 0.32 * ring + 0.1 * valueNoise(key ^ 2, u * 7, v * 7);
        const Lin base = hash01(key, w.id) < 0.3 ? tone : c;
        return Sample{base * k, 0, k};
    };
    return makeCloth(s, {c}, 1.5);
}

Cloth linenSlub(Rng& rng)
{
    WeaveSpec s = plainWeave(rng, 0.25, 0.5);
    s.slub = rng.uniform(0.5, 0.9);
    s.evenness = rng.uniform(0.08, 0.15);
    s.relief = rng.uniform(0.3, 0.45);
    const Lin c = rng.chance(0.4) ? fromHsv(rng.uniform(30, 45), rng.uniform(0.1, 0.3), rng.uniform(0.55, 0.85)) : anyDye(rng);
    return makeCloth(Woven{s, rng.key(), solidYarn(c), solidYarn(c * 0.93)}, {c});
}

Cloth velvet(Rng& rng)
{
    const Lin c = anyDye(rng);
    const std::uint64_t key = rng.key();
    Surface s = [c, key](double u, double v) {
        const double k = 1.0 + 0.05 * valueNoise(key, u * 12, v * 12);
        return Sample{c * k, 0, k};
    };
    return makeCloth(withSheen(s, rng.key(), rng.uniform(6, 20), rng.uniform(0.15, 0.3)), {c}, 1.3);
}

// A heathered knit: fibres of several dyes, one colour to a person.
Cloth heatherOf(Rng& rng, std::vector<Lin> fibres, std::vector<double> weights)
{
    auto h = std::make_shared<Heather>();
    h->fibres = std::move(fibres);
    h->weights = std::move(weights);
    double sum = 0.0;
    for (double w : h->weights) sum += w;
    for (double& w : h->weights) w /= sum;
    Lin mean;
    for (std::size_t k = 0; k < h->fibres.size(); ++k) mean = mean + h->fibres[k] * h->weights[k];
    Cloth c = knitOf(rng, jerseySpec(rng), mean, h);
    c.mottled = true;
    return c;
}

Cloth heatherGrey(Rng& rng)
{
    const double dark = rng.uniform(0.15, 0.45), light = rng.uniform(0.7, 0.93);
    return heatherOf(rng, {neutral(rng, dark, dark + 0.02), neutral(rng, light, light + 0.02), neutral(rng, 0.45, 0.65)},
                     {rng.uniform(0.15, 0.6), rng.uniform(0.2, 0.6), rng.uniform(0.0, 0.3)});
}

Cloth heatherNavy(Rng& rng)
{
    const Lin navy = fromHsv(rng.uniform(215, 235), rng.uniform(0.5, 0.85), rng.uniform(0.2, 0.4));
    return heatherOf(rng, {navy, navy * 0.6, neutral(rng, 0.6, 0.9)},
                     {rng.uniform(0.5, 0.7), rng.uniform(0.1, 0.25), rng.uniform(0.1, 0.3)});
}

Cloth heatherColour(Rng& rng)
{
    const double hue = rng.uniform(0, 360);
    const Lin dye = fromHsv(hue, rng.uniform(0.4, 0.9), rng.uniform(0.4, 0.85));
    return heatherOf(rng, {dye, fromHsv(hue + rng.uniform(-15, 15), 0.6, 0.3), mixLin(dye, neutral(rng, 0.6, 0.85), 0.6)},
                     {rng.uniform(0.45, 0.7), rng.uniform(0.1, 0.3), rng.uniform(0.1, 0.35)});
}


// ---- Cloth of a dyed and a paler yarn, named by the dye ----

// An undyed or bleached yarn as it comes off the cone: white to a warm off-white.
Lin whiteYarn(Rng& rng) { return fromHsv(rng.uniform(25, 55), rng.uniform(0.0, 0.07), rng.uniform(0.86, 0.96)); }

// A woven cloth named by the dye of its warp, whatever the weft and the shadows
// between the threads make of it on the face. Washing pales the dye in broad
// patches; the yarns keep their relief.
Cloth namedByWarpDye(Rng& rng, WeaveSpec s, Lin dyed, ThreadColour warp, ThreadColour weft, double fade, Lin faded)
{
    const std::uint64_t fadeKey = rng.key();
    Woven w{s, rng.key(), std::move(warp), std::move(weft)};
    Surface surf = [w, fadeKey, fade, faded](double u, double v) {
        Sample p = w(u, v);
        if (fade > 0.0) {
            const double f = fade * (0.5 + 0.5 * fbm(fadeKey, u * 0.4, v, 15.0, 3));
            p.c = mixLin(p.c, faded * p.shade, std::clamp(f, 0.0, 0.5));
        }
        return p;
    };
    Cloth c = makeCloth(surf, {dyed});
    c.byYarn = {true};
    return c;
}

// "Navy suiting", "tmavě modrá": a worsted wool in a fine 2/2 or 2/1 twill.
// The weft is navy too, now and then a shade lighter or greyer, and the smooth
// worsted yarn gives a faint sheen. A person names the navy of the warp that
// covers the face; the lighter weft and the dark gaps only texture it.
Cloth navySuiting(Rng& rng)
{
    const int repeat = rng.chance(0.6) ? 4 : 3;
    WeaveSpec s = twillWeave(rng, 0.15, 0.25, repeat, 2);
    s.weftPitch = s.warpPitch * rng.uniform(0.9, 1.5);  // the twill runs at 42 to 56 degrees
    s.relief = rng.uniform(0.15, 0.32);
    s.evenness = rng.uniform(0.01, 0.05);
    s.hair = rng.uniform(0.005, 0.025);
    const Lin navy = fromLab(rng.uniform(13.0, 22.0), rng.uniform(0.0, 10.0), rng.uniform(-30.0, -12.0));
    const double r = rng.uniform();
    const Lin weft = r < 0.4    ? navy * rng.uniform(0.92, 1.0)
                     : r < 0.75 ? navy * rng.uniform(1.1, 1.5)
                                : mixLin(navy, neutral(rng, 0.25, 0.45), rng.uniform(0.15, 0.35));
    Cloth c = namedByWarpDye(rng, s, navy, solidYarn(navy), solidYarn(weft), 0.0, Lin{});
    if (rng.chance(0.4)) c.at = withSheen(c.at, rng.key(), rng.uniform(10, 30), rng.uniform(0.03, 0.08));
    return c;
}

// "Beige gabardine", "béžová": a trench coat's tightly woven gabardine, many
// fine warp ends to few picks, so the twill rises steeply. Dyed in the piece,
// the weft only a touch paler; a person names the beige of the warp face.
Cloth gabardine(Rng& rng)
{
    const int repeat = rng.chance(0.5) ? 3 : 4;
    WeaveSpec s = twillWeave(rng, 0.15, 0.21, repeat, repeat - 1);
    s.weftPitch = s.warpPitch * rng.uniform(1.6, 2.35);  // 58 to 67 degrees
    s.relief = rng.uniform(0.2, 0.38);
    s.evenness = rng.uniform(0.02, 0.06);
    s.hair = rng.uniform(0.01, 0.04);
    const Lin beige = fromLab(rng.uniform(66.0, 81.0), rng.uniform(0.0, 6.0), rng.uniform(16.5, 28.0));
    const Lin weft = mixLin(beige, whiteYarn(rng), rng.uniform(0.0, 0.25));
    Cloth c = namedByWarpDye(rng, s, beige, solidYarn(beige), solidYarn(weft), 0.0, Lin{});
    if (rng.chance(0.3)) c.at = withSheen(c.at, rng.key(), rng.uniform(15, 35), rng.uniform(0.02, 0.06));
    return c;
}

// "Khaki chino", "khaki": cotton drill or twill for trousers. The weft takes
// the dye less and shows paler between the warp floats; worn chinos are washed
// paler in patches. A person names the khaki of the dyed warp.
Cloth khakiChino(Rng& rng)
{
    const int repeat = rng.chance(0.5) ? 3 : 4;
    WeaveSpec s = twillWeave(rng, 0.18, 0.32, repeat, repeat - 1);
    s.weftPitch = std::min(0.5, s.warpPitch * rng.uniform(1.05, 1.6));
    s.slub = rng.chance(0.4) ? rng.uniform(0.05, 0.25) : 0.0;
    s.evenness = rng.uniform(0.03, 0.09);
    s.relief = rng.uniform(0.25, 0.42);
    const Lin khaki = fromLab(rng.uniform(60.0, 75.0), rng.uniform(-3.0, 3.0), rng.uniform(24.0, 33.0));
    const Lin pale = whiteYarn(rng);
    const Lin weft = mixLin(khaki, pale, rng.chance(0.5) ? rng.uniform(0.2, 0.5) : rng.uniform(0.0, 0.08));
    const double fade = rng.chance(0.5) ? rng.uniform(0.05, 0.3) : 0.0;
    Cloth c = namedByWarpDye(rng, s, khaki, solidYarn(khaki), solidYarn(weft), fade, mixLin(khaki, pale, 0.6));
    c.relief = 1.1;
    return c;
}

// "End-on-end shirting", "modrá košilovina": a plain weave whose warp
// alternates a dyed and a white end, with a white weft, so three of four
// crossings on the face are white and the cloth reads as a fine pale frost.
// A person names the dyed yarn (blue, pink, grey-blue, lilac): the white is
// how the cloth is made, not a second colour.
Cloth endOnEnd(Rng& rng)
{
    const double r = rng.uniform();
    Lin dyed;
    if (r < 0.4) dyed = fromHsv(rng.uniform(205, 225), rng.uniform(0.4, 0.75), rng.uniform(0.45, 0.8));        // blue
    else if (r < 0.6) dyed = fromHsv(rng.uniform(335, 355), rng.uniform(0.3, 0.55), rng.uniform(0.75, 0.95));  // pink
    else if (r < 0.8) dyed = fromHsv(rng.uniform(200, 220), rng.uniform(0.15, 0.3), rng.uniform(0.45, 0.7));   // grey-blue
    else dyed = fromHsv(rng.uniform(260, 285), rng.uniform(0.25, 0.45), rng.uniform(0.6, 0.85));               // lilac
    const Lin white = whiteYarn(rng);
    WeaveSpec s = plainWeave(rng, 0.15, 0.24);
    s.relief = rng.uniform(0.2, 0.35);
    s.slub = rng.chance(0.2) ? rng.uniform(0.05, 0.2) : 0.0;
    ThreadColour warp = [dyed, white](int i) { return Yarn{(i & 1) ? white : dyed, 0, nullptr}; };
    return namedByWarpDye(rng, s, dyed, std::move(warp), solidYarn(white), 0.0, Lin{});
}

// "Two-yarn pique", as on a polo shirt: a dyed yarn knitted with a white one
// whose tuck loops show as a regular fleck in the honeycomb, or a woven piqué
// whose dyed warp floats over a white weft in small raised cells. A person
// names the shirt by its dye ("navy polo"), never by the paler mix.
Cloth twoYarnPique(Rng& rng)
{
    Lin dyed = anyDye(rng);
    for (int attempt = 0; attempt < 20 && linearToSrgb(luminance(dyed)) > 175.0; ++attempt) dyed = anyDye(rng);
    const Lin white = whiteYarn(rng);
    if (rng.chance(0.35)) {
        // Woven: warp floats over three picks and under one, each row two ends
        // over, so the white weft peeps out as a fine broken grain; the cells'
        // sunken rims run both ways.
        WeaveSpec s = plainWeave(rng, 0.15, 0.28);
        s.repeat = 4;
        s.up = 3;
        s.step = 2;
        s.relief = rng.uniform(0.25, 0.4);
        const double cellU = rng.uniform(1.5, 3.0), cellV = cellU * rng.uniform(0.8, 1.25);
        Cloth c = namedByWarpDye(rng, s, dyed, solidYarn(dyed), solidYarn(white), 0.0, Lin{});
        c.at = [woven = c.at, cellU, cellV](double u, double v) {
            Sample p = woven(u, v);
            const double cu = std::cos(3.141592653589793 * u / cellU), cv = std::cos(3.141592653589793 * v / cellV);
            const double m = 1.0 - 0.22 * std::max(std::pow(cu * cu, 8.0), std::pow(cv * cv, 8.0));
            p.c = p.c * m;
            p.shade *= m;
            return p;
        };
        c.relief = 1.2;
        return c;
    }
    KnitSpec k = jerseySpec(rng);
    k.walePitch = rng.uniform(0.4, 0.65);
    k.coursePitch = k.walePitch * rng.uniform(0.75, 0.9);
    const int every = rng.integer(2, 4);  // the white yarn's course comes every second to fourth course
    const bool staggered = every == 2 || rng.chance(0.7);
    // The neighbouring stitches half cover a tuck loop: the fleck is a paler dye rather than clean white.
    const Lin fleck = mixLin(white, dyed, rng.uniform(0.15, 0.45));
    const Knit knit{k, rng.key(), [dyed, fleck, every, staggered](int course, int wale) {
                        const int c = (course % every + every) % every;
                        const int shift = staggered ? ((course - c) / every) & 1 : 0;  // every other white course half a stitch over
                        const bool tuck = c == 0 && ((wale + shift) & 1) == 0;
                        return Yarn{tuck ? fleck : dyed, 0, nullptr};
                    }};
    const double cell = rng.uniform(0.7, 1.2);
    const std::uint64_t key = rng.key();
    Surface s = [knit, cell, key](double u, double v) {
        Sample p = knit(u, v);
        const Cell w = worley(key, u / cell, v / cell, 0.35);
        const double rim = std::clamp((w.f2 - w.f1) / 0.3, 0.0, 1.0);
        const double m = 0.8 + 0.2 * rim;
        p.c = p.c * m;
        p.shade *= m;
        return p;
    };
    Cloth c = makeCloth(s, {dyed}, 1.2);
    c.byYarn = {true};
    return c;
}

} // namespace

void addPlainKinds(std::vector<KindDef>& out)
{
    out.push_back({"poplin", 0, poplin});
    out.push_back({"twill", 0, twill});
    out.push_back({"satin", 0, satin});
    out.push_back({"denim", 0, denim});
    out.push_back({"chambray", 0, chambray});
    out.push_back({"oxford", 0, oxford});
    out.push_back({"pique", 0, pique});
    out.push_back({"jersey", 0, jersey});
    out.push_back({"rib knit", 0, ribKnit});
    out.push_back({"fleece", 0, fleece});
    out.push_back({"corduroy", 0, corduroy});
    out.push_back({"boucle", 0, boucle});
    out.push_back({"linen slub", 0, linenSlub});
    out.push_back({"velvet", 0, velvet});
    out.push_back({"grey heather jersey", 0, heatherGrey});
    out.push_back({"navy heather jersey", 0, heatherNavy});
    out.push_back({"coloured heather jersey", 0, heatherColour});
}

void addTwoYarnKinds(std::vector<KindDef>& out)
{
    out.push_back({"navy suiting", 0, navySuiting});
    out.push_back({"beige gabardine", 0, gabardine});
    out.push_back({"khaki chino", 0, khakiChino});
    out.push_back({"end-on-end shirting", 0, endOnEnd});
    out.push_back({"two-yarn pique", 0, twoYarnPique});
}

} // namespace vestiscop::bench::atelier

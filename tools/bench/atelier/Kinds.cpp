// SPDX-License-Identifier: GPL-3.0-or-later
#include "Kinds.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::bench::atelier {

Lin anyDye(Rng& rng)
{
    const double r = rng.uniform();
    if (r < 0.2) return neutral(rng);
    if (r < 0.45) return fromHsv(rng.uniform(0, 360), rng.uniform(0.15, 0.45), rng.uniform(0.25, 0.85));  // muted
    return fromHsv(rng.uniform(0, 360), rng.uniform(0.45, 0.95), rng.uniform(0.3, 0.92));
}

Lin neutral(Rng& rng, double lo, double hi)
{
    const double v = rng.uniform(lo, hi);
    // Greys are rarely perfectly grey: a faint warm or cool cast.
    return fromHsv(rng.uniform(0, 360), rng.uniform(0.0, 0.08), v);
}

Lin lightGround(Rng& rng)
{
    if (rng.chance(0.5)) return fromHsv(rng.uniform(20, 60), rng.uniform(0.0, 0.12), rng.uniform(0.85, 0.97));  // white, ecru
    return fromHsv(rng.uniform(0, 360), rng.uniform(0.08, 0.3), rng.uniform(0.8, 0.95));  // pastel
}

Lin darkGround(Rng& rng)
{
    const double r = rng.uniform();
    if (r < 0.3) return neutral(rng, 0.08, 0.4);                                          // black, charcoal, grey
    if (r < 0.6) return fromHsv(rng.uniform(215, 240), rng.uniform(0.4, 0.8), rng.uniform(0.18, 0.4));  // navy
    return fromHsv(rng.uniform(0, 360), rng.uniform(0.3, 0.8), rng.uniform(0.2, 0.45));
}

Lin fromLab(double l, double a, double b)
{
    const double fy = (l + 16.0) / 116.0, fx = fy + a / 500.0, fz = fy - b / 200.0;
    const auto inv = [](double f) { return f > 6.0 / 29.0 ? f * f * f : 3.0 * (6.0 / 29.0) * (6.0 / 29.0) * (f - 4.0 / 29.0); };
    const double x = 0.95047 * inv(fx), y = inv(fy), z = 1.08883 * inv(fz);
    const auto unit = [](double v) { return std::clamp(v, 0.0, 1.0); };
    return {unit(3.2404542 * x - 1.5371385 * y - 0.4985314 * z), unit(-0.9692660 * x + 1.8760108 * y + 0.0415560 * z),
            unit(0.0556434 * x - 0.2040259 * y + 1.0572252 * z)};
}

Lin contrasting(Rng& rng, Lin other, double minDelta)
{
    const double lo = linearToSrgb(luminance(other)) / 255.0;
    for (int attempt = 0; attempt < 50; ++attempt) {
        const Lin c = anyDye(rng);
        const double lc = linearToSrgb(luminance(c)) / 255.0;
        if (std::fabs(lc - lo) >= minDelta) return c;
    }
    return lo > 0.5 ? fromHsv(rng.uniform(0, 360), rng.uniform(0.3, 0.9), rng.uniform(0.15, 0.35))
                    : fromHsv(rng.uniform(0, 360), rng.uniform(0.0, 0.3), rng.uniform(0.85, 0.95));
}

Lin toneOnTone(Rng& rng, Lin base, double lo, double hi)
{
    const double step = (rng.chance(0.5) ? 1.0 : -1.0) * rng.uniform(lo, hi);
    const double lum = linearToSrgb(luminance(base));
    const double dir = lum + step < 10.0 || lum + step > 245.0 ? -step : step;
    const double jr = rng.uniform(-3.0, 3.0), jg = rng.uniform(-3.0, 3.0), jb = rng.uniform(-3.0, 3.0);
    const auto shift = [dir](double lin, double jitter) {
        return srgbToLinear(std::clamp(linearToSrgb(lin) + dir + jitter, 0.0, 255.0));
    };
    return {shift(base.r, jr), shift(base.g, jg), shift(base.b, jb)};
}

Lin patternColour(Rng& rng, Lin ground, double minDelta)
{
    if (rng.chance(0.15)) return toneOnTone(rng, ground, 12.0, 30.0);
    return contrasting(rng, ground, minDelta);
}

ThreadColour solidYarn(Lin c, int label)
{
    return [c, label](int) { return Yarn{c, label, nullptr}; };
}

ThreadColour settYarn(Sett sett, std::vector<Lin> colours, double pitch)
{
    return [sett = std::move(sett), colours = std::move(colours), pitch](int i) {
        const int l = sett.at((i + 0.5) * pitch);
        return Yarn{colours[static_cast<std::size_t>(l)], l, nullptr};
    };
}

WeaveSpec plainWeave(Rng& rng, double pitchLo, double pitchHi)
{
    WeaveSpec s;
    s.repeat = 2;
    s.up = 1;
    s.step = 1;
    s.warpPitch = rng.uniform(pitchLo, pitchHi);
    s.weftPitch = s.warpPitch * rng.uniform(0.85, 1.2);
    s.relief = rng.uniform(0.2, 0.4);
    s.evenness = rng.uniform(0.02, 0.08);
    s.hair = rng.uniform(0.02, 0.06);
    return s;
}

WeaveSpec twillWeave(Rng& rng, double pitchLo, double pitchHi, int repeat, int up)
{
    WeaveSpec s = plainWeave(rng, pitchLo, pitchHi);
    s.repeat = repeat;
    s.up = up;
    s.step = rng.chance(0.5) ? 1 : repeat - 1;  // left- or right-hand twill
    return s;
}

Surface printGround(Rng& rng, Lin colour, std::uint64_t key, double& relief)
{
    const int make = rng.integer(0, 6);
    relief = 1.0;
    if (make == 4 || make == 5) {  // jersey, plain or heathered
        KnitSpec k;
        k.walePitch = rng.uniform(0.6, 1.1);
        k.coursePitch = k.walePitch * rng.uniform(0.7, 0.85);
        std::shared_ptr<Heather> h;
        if (make == 5) {
            h = std::make_shared<Heather>();
            h->fibres = {colour, colour * rng.uniform(0.55, 0.8), mixLin(colour, Lin{0.9, 0.9, 0.9}, 0.4)};
            h->weights = {0.6, 0.25, 0.15};
        }
        relief = 1.2;
        return Knit{k, key, [colour, h](int, int) { return Yarn{colour, 0, h}; }};
    }
    WeaveSpec s;
    switch (make) {
    case 0: s = plainWeave(rng, 0.1, 0.18); break;       // poplin, lawn
    case 1: s = twillWeave(rng, 0.15, 0.3, 3, 2); break;  // drill, twill
    case 2: s = plainWeave(rng, 0.35, 0.6); s.relief = 0.45; relief = 1.3; break;  // canvas
    case 3: s = plainWeave(rng, 0.2, 0.4); s.slub = rng.uniform(0.2, 0.5); break;  // slub cotton, linen
    default: s = twillWeave(rng, 0.12, 0.25, 5, 4); s.step = 2; s.relief = 0.12; break;  // sateen
    }
    return Woven{s, key, solidYarn(colour), solidYarn(colour * rng.uniform(0.9, 1.0))};
}

Cloth makeCloth(Surface s, std::vector<Lin> nominal, double relief)
{
    Cloth c;
    c.at = std::move(s);
    c.byYarn.assign(nominal.size(), false);
    c.nominal = std::move(nominal);
    c.relief = relief;
    return c;
}

} // namespace vestiscop::bench::atelier

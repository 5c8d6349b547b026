// SPDX-License-Identifier: GPL-3.0-or-later
// Patterned prints: florals, animal skins, camouflage, dyed and woven motifs.
#include "Kinds.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::bench::atelier {

namespace {

constexpr double kPi = 3.141592653589793;

// Scattered placements: one figure per cell of a jittered (half-drop) grid.
struct Scatter {
    double pitch = 10.0;
    double jitter = 0.6;
    bool halfDrop = true;
    std::uint64_t key = 1;
    double reach = 1e9;  // no figure reaches further from its centre
    // Calls f(local x, local y, cell id) for the cells around (u, v) in a
    // fixed order, stopping at the first answer >= 0.
    template <typename F> int visit(double u, double v, F f) const
    {
        const auto r0 = static_cast<std::int64_t>(std::floor(v / pitch));
        for (std::int64_t r = r0 - 1; r <= r0 + 1; ++r) {
            const double sh = halfDrop && (r & 1) ? 0.5 : 0.0;
            const auto c0 = static_cast<std::int64_t>(std::floor(u / pitch - sh));
            for (std::int64_t c = c0 - 1; c <= c0 + 1; ++c) {
                const double cx = (c + 0.5 + sh + jitter * (hash01(key, c, r, 1) - 0.5)) * pitch;
                const double cy = (r + 0.5 + jitter * (hash01(key, c, r, 2) - 0.5)) * pitch;
                if (std::fabs(u - cx) > reach || std::fabs(v - cy) > reach) continue;
                const int ink = f(u - cx, v - cy, c * 1000003 + r);
                if (ink >= 0) return ink;
            }
        }
        return -1;
    }
};

void rotate(double& x, double& y, double a)
{
    const double c = std::cos(a), s = std::sin(a);
    const double nx = c * x - s * y, ny = s * x + c * y;
    x = nx;
    y = ny;
}

// A flower of `petals` petals of radius r at the origin: 0 petal, 1 centre, -1 outside.
int flower(double x, double y, double r, int petals, double phase)
{
    const double d = std::hypot(x, y);
    if (d < 0.28 * r) return 1;
    const double th = std::atan2(y, x) + phase;
    const double edge = r * (0.45 + 0.55 * std::sqrt(std::fabs(std::cos(petals * th * 0.5))));
    return d < edge ? 0 : -1;
}

// A leaf: a pointed ellipse along x from 0 to len.
bool leaf(double x, double y, double len)
{
    if (x < 0 || x > len) return false;
    const double t = x / len;
    return std::fabs(y) < 0.22 * len * std::sin(kPi * t) * (1.0 - 0.3 * t);
}

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
        const double wu = u + 0.12 * size * fbm(key ^ 1, u, v, size * 0.6, 2);
        const double wv = v + 0.12 * size * fbm(key ^ 2, u, v, size * 0.6, 2);
        const Cell c = worley(key, wu / size, wv / size, 0.55);
        if (hash01(key, c.id, 3) < 0.25) return c.f1 < 0.08 + 0.06 * hash01(key, c.id, 1) ? 0 : -1;  // a solid spot
        const double r = 0.2 + 0.1 * hash01(key, c.id, 1);
        const double ang = std::atan2(wv / size - c.cy, wu / size - c.cx);
        const double lobes = 2.0 + std::floor(3.0 * hash01(key, c.id, 4));
        const bool gap = std::sin(ang * lobes + 6.28 * hash01(key, c.id, 2)) > 0.6;
        const double wobble = 0.025 * std::sin(ang * 5.0 + 6.28 * hash01(key, c.id, 5));
        if (c.f1 < r - 0.065 + wobble) return 1;
        if (c.f1 < r + 0.035 + wobble && !gap) return 0;
        return -1;
    };
    return printed(rng, ground, {ring, centre}, map, rng.uniform(0.05, 0.2), rng.uniform(0.0, 0.3));
}


std::vector<Lin> distinctInks(Rng& rng, Lin ground, int n, double minDelta)
{
    std::vector<Lin> inks;
    for (int k = 0; k < n; ++k) inks.push_back(contrasting(rng, k == 0 ? ground : inks.back(), minDelta));
    return inks;
}

Cloth ditsyFloral(Rng& rng)
{
    const Lin ground = rng.chance(0.5) ? lightGround(rng) : darkGround(rng);
    const int n = rng.integer(2, 4);
    std::vector<Lin> inks = distinctInks(rng, ground, n, 0.2);
    const Lin leafInk = fromHsv(rng.uniform(80, 150), rng.uniform(0.3, 0.7), rng.uniform(0.25, 0.6));
    inks.push_back(leafInk);
    Scatter sc;
    sc.pitch = rng.uniform(4.0, 11.0);
    sc.jitter = rng.uniform(0.4, 0.9);
    sc.key = rng.key();
    const double size = sc.pitch * rng.uniform(0.22, 0.4);
    const int petals = rng.integer(4, 7);
    const int leafInkIndex = n;
    sc.reach = 2.5 * size;
    PrintMap map = [sc, size, petals, n, leafInkIndex](double u, double v) {
        return sc.visit(u, v, [&](double x, double y, std::int64_t id) {
            const double s = size * (0.75 + 0.5 * hash01(sc.key, id, 3));
            rotate(x, y, 6.28 * hash01(sc.key, id, 4));
            const int f = flower(x, y, s, petals, 0.0);
            const int petalInk = static_cast<int>(hash01(sc.key, id, 5) * std::max(1, n - 1));
            if (f == 1) return n - 1;
            if (f == 0) return petalInk;
            if (leaf(x - 0.8 * s, y, 1.1 * s)) return leafInkIndex;
            return -1;
        });
    };
    return printed(rng, ground, inks, map, rng.uniform(0.03, 0.1), rng.uniform(0.0, 0.25));
}

// Large blooms with two-tone petals and broad leaves, crowded or spaced.
Cloth largeFloral(Rng& rng)
{
    const Lin ground = rng.chance(0.5) ? lightGround(rng) : darkGround(rng);
    const double hue = rng.uniform(0, 360);
    const Lin petal = fromHsv(hue, rng.uniform(0.4, 0.9), rng.uniform(0.55, 0.9));
    const Lin petalShade = fromHsv(hue + rng.uniform(-20, 20), rng.uniform(0.5, 0.9), rng.uniform(0.25, 0.5));
    const Lin centre = fromHsv(rng.uniform(35, 60), rng.uniform(0.5, 0.9), rng.uniform(0.5, 0.85));
    const Lin leafInk = fromHsv(rng.uniform(80, 160), rng.uniform(0.3, 0.7), rng.uniform(0.2, 0.55));
    Scatter sc;
    sc.pitch = rng.uniform(22.0, 50.0);
    sc.jitter = rng.uniform(0.3, 0.7);
    sc.key = rng.key();
    const double size = sc.pitch * rng.uniform(0.28, 0.42);
    const int petals = rng.integer(5, 8);
    const std::uint64_t key = rng.key();
    sc.reach = 2.3 * size;
    PrintMap map = [sc, size, petals, key](double u, double v) {
        const double wu = u + 0.04 * size * fbm(key, u, v, size * 0.3, 2);
        return sc.visit(wu, v, [&](double x, double y, std::int64_t id) {
            const double s = size * (0.7 + 0.5 * hash01(sc.key, id, 3));
            if (std::hypot(x, y) > 1.85 * s) return -1;
            double fx = x, fy = y;
            rotate(fx, fy, 6.28 * hash01(sc.key, id, 4));
            const int f = flower(fx, fy, s, petals, 0.0);
            if (f == 1) return 2;
            if (f == 0) return std::hypot(fx, fy) < 0.55 * s ? 1 : 0;
            // Leaves round the bloom, beneath its petals.
            static const double kLeafCos[3] = {1.0, std::cos(2.1), std::cos(4.2)};
            static const double kLeafSin[3] = {0.0, std::sin(2.1), std::sin(4.2)};
            double lx = x, ly = y;
            rotate(lx, ly, 6.28 * hash01(sc.key, id, 6));
            for (int l = 0; l < 3; ++l) {
                const double ax = kLeafCos[l] * lx - kLeafSin[l] * ly, ay = kLeafSin[l] * lx + kLeafCos[l] * ly;
                if (leaf(ax - 0.6 * s, ay, 1.2 * s)) return 3;
            }
            return -1;
        });
    };
    return printed(rng, ground, {petal, petalShade, centre, leafInk}, map, rng.uniform(0.05, 0.2), rng.uniform(0.0, 0.4));
}

// The teardrop with a curled tip, filled with rings of other inks.
int boteh(double x, double y, double r, int rings)
{
    // Bend the plane so the tail curls, then a drop: round at the origin, pointed towards +y.
    const double bend = 0.35 * std::max(0.0, y) / r;
    rotate(x, y, -bend);
    double outline;
    if (y <= 0) {
        outline = std::hypot(x, y) / r;
    } else {
        const double t = y / (2.2 * r);
        if (t >= 1.0) return -1;
        const double half = r * std::sqrt(std::max(0.0, 1.0 - t)) * (1.0 - t * 0.3);
        outline = half > 1e-9 ? std::max(std::fabs(x + 0.3 * r * t * t) / half, 0.0) : 2.0;
        outline = std::max(outline, t);
    }
    if (outline >= 1.0) return -1;
    return std::min(rings - 1, static_cast<int>(outline * rings));
}

Cloth paisley(Rng& rng)
{
    const Lin ground = rng.chance(0.4) ? darkGround(rng) : anyDye(rng);
    const int n = rng.integer(2, 4);
    const std::vector<Lin> inks = distinctInks(rng, ground, n, 0.18);
    Scatter sc;
    sc.pitch = rng.uniform(10.0, 40.0);
    sc.jitter = rng.uniform(0.1, 0.5);
    sc.key = rng.key();
    const double size = sc.pitch * rng.uniform(0.2, 0.3);
    const bool dotsAround = rng.chance(0.6);
    sc.reach = 2.7 * size;
    PrintMap map = [sc, size, n, dotsAround](double u, double v) {
        return sc.visit(u, v, [&](double x, double y, std::int64_t id) {
            rotate(x, y, (hash01(sc.key, id, 4) - 0.5) * 2.5);
            const int ring = boteh(x, y, size, n + 1);
            if (ring >= 0) return n - 1 - ring % n;
            if (dotsAround) {  // a halo of small dots
                const double th = std::atan2(y, x);
                const double d = std::hypot(x, y);
                const double slot = std::fmod(th / (2 * kPi) * 14.0 + 14.0, 1.0);
                if (std::fabs(d - 1.35 * size) < 0.1 * size && std::fabs(slot - 0.5) < 0.2) return 0;
            }
            return -1;
        });
    };
    return printed(rng, ground, inks, map, rng.uniform(0.03, 0.12), rng.uniform(0.0, 0.3));
}

Cloth zebra(Rng& rng)
{
    const Lin light = rng.chance(0.7) ? neutral(rng, 0.8, 0.95) : lightGround(rng);
    const Lin dark = rng.chance(0.7) ? neutral(rng, 0.03, 0.12) : darkGround(rng);
    const double period = rng.uniform(5.0, 18.0);
    const double warp = rng.uniform(0.4, 1.2) * period;
    const double angle = rng.uniform(0, kPi);
    const double ca = std::cos(angle), sa = std::sin(angle);
    const std::uint64_t key = rng.key();
    const double duty = rng.uniform(0.35, 0.6);
    PrintMap map = [=](double u, double v) {
        const double a = u * ca + v * sa, b = -u * sa + v * ca;
        const double w = a + warp * fbm(key, a * 0.5, b, period * 2.5, 3);
        const double t = w / period - std::floor(w / period);
        const double local = duty + 0.15 * fbm(key ^ 7, u, v, period, 2);
        return t < local ? 0 : -1;
    };
    return printed(rng, light, {dark}, map, rng.uniform(0.05, 0.2), 0.0);
}

// Patches parted by a network of light lines.
Cloth giraffe(Rng& rng)
{
    const Lin ground = fromHsv(rng.uniform(35, 50), rng.uniform(0.1, 0.35), rng.uniform(0.75, 0.92));
    const Lin patch = fromHsv(rng.uniform(18, 35), rng.uniform(0.5, 0.85), rng.uniform(0.3, 0.6));
    const double size = rng.uniform(8.0, 22.0);
    const double line = rng.uniform(0.06, 0.16);
    const std::uint64_t key = rng.key();
    PrintMap map = [=](double u, double v) {
        const double wu = u + 0.12 * size * fbm(key ^ 1, u, v, size * 0.4, 2);
        const double wv = v + 0.12 * size * fbm(key ^ 2, u, v, size * 0.4, 2);
        const Cell c = worley(key, wu / size, wv / size, 0.85);
        return c.f2 - c.f1 > line ? 0 : -1;
    };
    return printed(rng, ground, {patch}, map, rng.uniform(0.05, 0.2), 0.0);
}

Cloth camouflage(Rng& rng)
{
    const int scheme = rng.integer(0, 2);
    std::vector<Lin> c;
    if (scheme == 0) {  // woodland
        c = {fromHsv(rng.uniform(60, 80), 0.4, 0.45), fromHsv(rng.uniform(25, 35), 0.55, 0.35),
             fromHsv(rng.uniform(90, 120), 0.45, 0.3), neutral(rng, 0.05, 0.12)};
    } else if (scheme == 1) {  // desert
        c = {fromHsv(rng.uniform(35, 45), 0.3, 0.8), fromHsv(rng.uniform(25, 35), 0.45, 0.6),
             fromHsv(rng.uniform(20, 30), 0.5, 0.4)};
    } else {  // urban or coloured
        c = {neutral(rng, 0.6, 0.8), neutral(rng, 0.35, 0.5), neutral(rng, 0.1, 0.25)};
        if (rng.chance(0.5)) c.push_back(anyDye(rng));
    }
    const double scale = rng.uniform(8.0, 30.0);
    const std::uint64_t key = rng.key();
    const int inks = static_cast<int>(c.size()) - 1;
    PrintMap map = [=](double u, double v) {
        int ink = -1;
        for (int k = 0; k < inks; ++k) {
            const double s = scale * (1.0 - 0.2 * k);
            if (fbm(key + static_cast<std::uint64_t>(k) * 31u, u, v, s, 4) > 0.08 + 0.05 * k) ink = k;
        }
        return ink;
    };
    return printed(rng, c[0], std::vector<Lin>(c.begin() + 1, c.end()), map, rng.uniform(0.05, 0.2), 0.0);
}

// Folded, bound and dyed: a spiral or rings of colours bleeding into each other.
Cloth tieDye(Rng& rng)
{
    const Lin ground = lightGround(rng);
    const int n = rng.integer(2, 5);
    std::vector<Lin> inks;
    const double hue0 = rng.uniform(0, 360);
    for (int k = 0; k < n; ++k)
        inks.push_back(fromHsv(hue0 + k * rng.uniform(40, 120), rng.uniform(0.5, 0.95), rng.uniform(0.45, 0.9)));
    const double cx = rng.uniform(-40, 40) + 100.0, cy = rng.uniform(-40, 40) + 100.0;
    const double arms = rng.chance(0.6) ? rng.integer(1, 4) : 0.0;
    const double ring = rng.uniform(6.0, 20.0);
    const double white = rng.uniform(0.1, 0.3);
    const std::uint64_t key = rng.key();
    PrintMap map = [=](double u, double v) {
        const double x = u - cx, y = v - cy;
        const double r = std::hypot(x, y);
        const double th = std::atan2(y, x) / (2 * kPi);
        double t = r / ring + arms * th + 0.6 * fbm(key, u, v, 8.0, 4) + 0.25 * valueNoise(key ^ 3, u * 1.5, v * 1.5);
        t -= std::floor(t);
        if (t < white) return -1;  // where the binding kept the dye out
        return std::min(n - 1, static_cast<int>((t - white) / (1.0 - white) * n));
    };
    return printed(rng, ground, inks, map, rng.uniform(0.3, 0.8), 0.0);
}

// Flat shapes of a few inks scattered on a grid: squares, triangles, rings, bars.
Cloth geometric(Rng& rng)
{
    const Lin ground = anyDye(rng);
    const int n = rng.integer(2, 4);
    const std::vector<Lin> inks = distinctInks(rng, ground, n, 0.2);
    Scatter sc;
    sc.pitch = rng.uniform(6.0, 25.0);
    sc.jitter = rng.uniform(0.0, 0.5);
    sc.halfDrop = rng.chance(0.5);
    sc.key = rng.key();
    const double size = sc.pitch * rng.uniform(0.25, 0.45);
    sc.reach = 1.9 * size;
    PrintMap map = [sc, size, n](double u, double v) {
        return sc.visit(u, v, [&](double x, double y, std::int64_t id) {
            const int shape = static_cast<int>(hash01(sc.key, id, 7) * 4);
            const int ink = static_cast<int>(hash01(sc.key, id, 5) * n);
            rotate(x, y, hash01(sc.key, id, 4) * kPi);
            const double s = size * (0.7 + 0.6 * hash01(sc.key, id, 3));
            bool in = false;
            switch (shape) {
            case 0: in = std::fabs(x) < s * 0.8 && std::fabs(y) < s * 0.8; break;
            case 1: in = y > -0.6 * s && y < 0.9 * s - 1.7 * std::fabs(x); break;
            case 2: { const double d = std::hypot(x, y); in = d < s && d > 0.55 * s; } break;
            default: in = std::fabs(x) < 1.3 * s && std::fabs(y) < 0.25 * s; break;
            }
            return in ? ink : -1;
        });
    };
    return printed(rng, ground, inks, map, rng.uniform(0.02, 0.08), rng.uniform(0.0, 0.3));
}

// Small figures repeated: hearts, stars, fish, anchors.
Cloth conversational(Rng& rng)
{
    const Lin ground = rng.chance(0.5) ? lightGround(rng) : darkGround(rng);
    const int n = rng.integer(1, 3);
    const std::vector<Lin> inks = distinctInks(rng, ground, n, 0.25);
    Scatter sc;
    sc.pitch = rng.uniform(7.0, 20.0);
    sc.jitter = rng.uniform(0.0, 0.4);
    sc.key = rng.key();
    const double size = sc.pitch * rng.uniform(0.2, 0.35);
    const int figA = rng.integer(0, 3), figB = rng.integer(0, 3);
    const bool tossed = rng.chance(0.5);
    sc.reach = 1.6 * size;
    PrintMap map = [=](double u, double v) {
        return sc.visit(u, v, [&](double x, double y, std::int64_t id) {
            if (tossed) rotate(x, y, hash01(sc.key, id, 4) * 2 * kPi);
            const int fig = hash01(sc.key, id, 8) < 0.5 ? figA : figB;
            const int ink = static_cast<int>(hash01(sc.key, id, 5) * n);
            const double a = x / size, b = -y / size;
            bool in = false;
            switch (fig) {
            case 0: {  // heart
                const double q = a * a + b * b - 0.55;
                in = q * q * q - a * a * b * b * b < 0.0;
            } break;
            case 1: {  // five-pointed star
                const double th = std::atan2(b, a), r = std::hypot(a, b);
                in = r < 0.45 + 0.4 * std::pow(std::fabs(std::cos(2.5 * th)), 3.0);
            } break;
            case 2:  // fish: a body and a tail
                in = (a * a / 0.8 + b * b / 0.2 < 1.0) || (a > 0.8 && a < 1.3 && std::fabs(b) < (a - 0.8) * 1.1);
                break;
            default:  // anchor: shank, stock and a curved arm
                in = (std::fabs(a) < 0.09 && b > -0.8 && b < 0.8) || (std::fabs(b - 0.55) < 0.08 && std::fabs(a) < 0.4) ||
                     (std::fabs(std::hypot(a, b + 0.2) - 0.6) < 0.09 && b < -0.3);
                break;
            }
            return in ? ink : -1;
        });
    };
    return printed(rng, ground, inks, map, rng.uniform(0.02, 0.06), rng.uniform(0.0, 0.2));
}

// Resist-dyed weft: diamonds and chevrons whose edges feather thread by thread.
Cloth ikat(Rng& rng)
{
    const Lin ground = rng.chance(0.5) ? lightGround(rng) : anyDye(rng);
    const int n = rng.integer(1, 3);
    const std::vector<Lin> inks = distinctInks(rng, ground, n, 0.25);
    const double pw = rng.uniform(12.0, 40.0), ph = pw * rng.uniform(0.8, 2.0);
    const double thread = rng.uniform(0.3, 0.6);
    const double feather = rng.uniform(0.5, 2.5);
    const std::uint64_t key = rng.key();
    PrintMap map = [=](double u, double v) {
        const auto t = static_cast<std::int64_t>(std::floor(v / thread));
        const double x = u + feather * (2.0 * hash01(key, t) - 1.0);  // each weft pick dyed a little off
        const double fx = x / pw - std::floor(x / pw), fy = v / ph - std::floor(v / ph);
        const double d = std::fabs(fx - 0.5) * 2.0 + std::fabs(fy - 0.5) * 2.0;
        if (d < 0.45) return n > 1 ? 1 : 0;
        if (d < 0.75) return 0;
        if (n > 2 && d > 1.6) return 2;
        return -1;
    };
    return printed(rng, ground, inks, map, 0.1, 0.0);
}

} // namespace


void addMotifKinds(std::vector<KindDef>& out)
{
    out.push_back({"ditsy floral", 4, ditsyFloral});
    out.push_back({"large floral", 4, largeFloral});
    out.push_back({"paisley", 4, paisley});
    out.push_back({"leopard", 4, leopard});
    out.push_back({"zebra", 4, zebra});
    out.push_back({"giraffe", 4, giraffe});
    out.push_back({"camouflage", 4, camouflage});
    out.push_back({"tie-dye", 4, tieDye});
    out.push_back({"geometric print", 4, geometric});
    out.push_back({"conversational print", 4, conversational});
    out.push_back({"ikat", 4, ikat});
}

} // namespace vestiscop::bench::atelier

// SPDX-License-Identifier: GPL-3.0-or-later
// The fabrics of a real wardrobe that the basic families lack: woven checks
// whose pattern comes from the yarns (houndstooth, windowpane, tattersall,
// tartan in a twill), dots from pin size to scattered, printed motifs
// (florals, paisley, animal skins, geometric shapes, camouflage), wide and
// knitted stripes, and plains with a texture of their own (heather, jersey,
// denim). They are drawn with a relief that only darkens, as the shadows
// between threads do, and most of them with wrinkles.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "Garment.h"

namespace vestiscop::bench {

namespace {

constexpr double Pi = std::numbers::pi;

double uniform(std::mt19937& random, double lo, double hi)
{
    return std::uniform_real_distribution<double>(lo, hi)(random);
}

int uniformInt(std::mt19937& random, int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(random);
}

double wrapped(double v, double period)
{
    double u = std::fmod(v, period);
    return u < 0 ? u + period : u;
}

double wrapCentred(double d, double period)
{
    d = wrapped(d, period);
    return d >= period / 2 ? d - period : d;
}

// A repeatable value in 0..1 for two integers.
double hashUnit(std::uint32_t seed, std::int64_t a, std::int64_t b)
{
    std::uint64_t h = static_cast<std::uint64_t>(a) * 0x9E3779B97F4A7C15ull ^
                      static_cast<std::uint64_t>(b) * 0xC2B2AE3D27D4EB4Full ^ (std::uint64_t{seed} << 17);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return static_cast<double>(h >> 11) / static_cast<double>(1ull << 53);
}

// Bands of a sett in threads or millimetres.
int bandOf(const std::vector<Band>& sett, double position)
{
    double period = 0;
    for (const Band& band : sett)
        period += band.widthMm;
    double u = wrapped(position, period);
    for (const Band& band : sett) {
        if (u < band.widthMm)
            return band.colour;
        u -= band.widthMm;
    }
    return sett.back().colour;
}

// ------------------------------------------------------------ yarn-dyed

// Cloth woven from coloured yarns: the warp sett runs across x, the weft
// sett across y, and the weave (plain, 2/2 twill or a warp-faced 3/1 twill)
// decides which yarn shows at each crossing.
class YarnDyed : public Surface {
public:
    using Weave = bench::Weave;

    YarnDyed(std::vector<Rgb> colours, std::vector<Band> warp, std::vector<Band> weft, Weave weave)
        : m_colours(std::move(colours)), m_warp(std::move(warp)), m_weft(std::move(weft)), m_weave(weave)
    {
    }

    Rgb colourAt(double x, double y) const override
    {
        Rgb warp;
        Rgb weft;
        yarns(x, y, warp, weft);
        return {(warp.r + weft.r) / 2, (warp.g + weft.g) / 2, (warp.b + weft.b) / 2};
    }

    bool yarns(double x, double y, Rgb& warp, Rgb& weft) const override
    {
        warp = m_colours[static_cast<std::size_t>(bandOf(m_warp, x))];
        weft = m_colours[static_cast<std::size_t>(bandOf(m_weft, y))];
        return true;
    }

    bool warpOnTop(std::int64_t column, std::int64_t row) const override { return warpShows(m_weave, column, row); }

private:
    std::vector<Rgb> m_colours;
    std::vector<Band> m_warp;
    std::vector<Band> m_weft;
    Weave m_weave;
};

// Heather: each yarn spun of lighter and darker fibres, so every short
// length of thread has one of two shades of the colour.
class Heather : public Surface {
public:
    Heather(Rgb light, Rgb dark, double threadMm, std::uint32_t seed)
        : m_light(light), m_dark(dark), m_threadMm(threadMm), m_seed(seed)
    {
    }
    Rgb colourAt(double x, double y) const override { return pick(x, y); }
    bool yarns(double x, double y, Rgb& warp, Rgb& weft) const override
    {
        const auto column = static_cast<std::int64_t>(std::floor(x / m_threadMm));
        const auto row = static_cast<std::int64_t>(std::floor(y / m_threadMm));
        warp = hashUnit(m_seed, column, static_cast<std::int64_t>(std::floor(y / 1.1))) < 0.5 ? m_light : m_dark;
        weft = hashUnit(m_seed + 1, row, static_cast<std::int64_t>(std::floor(x / 0.9))) < 0.5 ? m_light : m_dark;
        return true;
    }

private:
    Rgb pick(double x, double y) const
    {
        return hashUnit(m_seed, static_cast<std::int64_t>(x * 3), static_cast<std::int64_t>(y * 3)) < 0.5 ? m_light
                                                                                                           : m_dark;
    }
    Rgb m_light;
    Rgb m_dark;
    double m_threadMm;
    std::uint32_t m_seed;
};

// Jersey: one colour, rows of V-shaped knit loops in the relief.
class Jersey : public Surface {
public:
    Jersey(Rgb colour, double waleMm, double courseMm, double depth, double angle)
        : m_colour(colour), m_wale(waleMm), m_course(courseMm), m_depth(depth), m_angle(angle)
    {
    }
    Rgb colourAt(double, double) const override { return m_colour; }
    double shade(double x, double y) const override
    {
        const double u = x * std::cos(m_angle) + y * std::sin(m_angle);
        const double v = -x * std::sin(m_angle) + y * std::cos(m_angle);
        const double across = wrapped(u, m_wale) / m_wale;  // 0..1 over one wale
        const double slant = std::abs(across - 0.5);        // the two legs of the V
        const double along = wrapped(v + slant * m_course, m_course) / m_course;
        return 1 - m_depth * (0.5 + 0.5 * std::cos(along * 2 * Pi)) * (0.4 + 1.2 * std::abs(across - 0.5));
    }

private:
    Rgb m_colour;
    double m_wale;
    double m_course;
    double m_depth;
    double m_angle;
};

// ------------------------------------------------------------- printed

// A print of shapes on a square tile that repeats. Later shapes cover
// earlier ones. Shapes are found through a grid of cells over the tile.
struct Shape {
    enum class Form { Ellipse, Ring, Polygon, Teardrop };
    Form form = Form::Ellipse;
    double x = 0;
    double y = 0;
    double rx = 1;     // ellipse and ring radii; polygon and teardrop size
    double ry = 1;
    double angle = 0;
    double inner = 0;  // ring: inner radius as a fraction; polygon: side count
    int colour = 1;

    double reach() const { return std::max(rx, ry) * (form == Form::Teardrop ? 2.6 : 1.0); }

    bool contains(double dx, double dy) const
    {
        const double u = dx * std::cos(angle) + dy * std::sin(angle);
        const double v = -dx * std::sin(angle) + dy * std::cos(angle);
        switch (form) {
        case Form::Ellipse:
            return u * u / (rx * rx) + v * v / (ry * ry) <= 1;
        case Form::Ring: {
            const double e = u * u / (rx * rx) + v * v / (ry * ry);
            return e <= 1 && e >= inner * inner;
        }
        case Form::Polygon: {
            const double sides = inner;
            const double rho = std::hypot(u, v);
            const double sector = 2 * Pi / sides;
            const double phi = wrapped(std::atan2(v, u), sector) - sector / 2;
            return rho * std::cos(phi) <= rx * std::cos(Pi / sides);
        }
        case Form::Teardrop: {
            // A round body of radius rx and a tail that narrows to a point
            // over 2.5 radii and curls to one side.
            if (u * u + v * v <= rx * rx)
                return true;
            if (u < 0 || u > 2.5 * rx)
                return false;
            const double t = u / (2.5 * rx);
            const double centre = ry * rx * t * t;
            return std::abs(v - centre) <= rx * (1 - t) * std::sqrt(1 - t * 0.3);
        }
        }
        return false;
    }
};

class ShapePrint : public Surface {
public:
    ShapePrint(std::vector<Rgb> colours, std::vector<Shape> shapes, double tileMm)
        : m_colours(std::move(colours)), m_shapes(std::move(shapes)), m_tile(tileMm)
    {
        m_cells = std::max(1, static_cast<int>(m_tile / 4));
        m_cellMm = m_tile / m_cells;
        m_grid.assign(static_cast<std::size_t>(m_cells) * m_cells, {});
        for (std::size_t i = 0; i < m_shapes.size(); ++i) {
            const Shape& s = m_shapes[i];
            const double r = s.reach();
            const int x0 = static_cast<int>(std::floor((s.x - r) / m_cellMm));
            const int x1 = static_cast<int>(std::floor((s.x + r) / m_cellMm));
            const int y0 = static_cast<int>(std::floor((s.y - r) / m_cellMm));
            const int y1 = static_cast<int>(std::floor((s.y + r) / m_cellMm));
            for (int cy = y0; cy <= y1 && cy < y0 + m_cells; ++cy)
                for (int cx = x0; cx <= x1 && cx < x0 + m_cells; ++cx) {
                    const int gx = (cx % m_cells + m_cells) % m_cells;
                    const int gy = (cy % m_cells + m_cells) % m_cells;
                    auto& cell = m_grid[static_cast<std::size_t>(gy) * m_cells + gx];
                    if (cell.empty() || cell.back() != i)
                        cell.push_back(i);
                }
        }
    }

    Rgb colourAt(double x, double y) const override
    {
        const double u = wrapped(x, m_tile);
        const double v = wrapped(y, m_tile);
        const int cx = std::min(m_cells - 1, static_cast<int>(u / m_cellMm));
        const int cy = std::min(m_cells - 1, static_cast<int>(v / m_cellMm));
        int colour = 0;
        for (const std::size_t i : m_grid[static_cast<std::size_t>(cy) * m_cells + cx]) {
            const Shape& s = m_shapes[i];
            if (s.contains(wrapCentred(u - s.x, m_tile), wrapCentred(v - s.y, m_tile)))
                colour = s.colour;
        }
        return m_colours[static_cast<std::size_t>(colour)];
    }

private:
    std::vector<Rgb> m_colours;
    std::vector<Shape> m_shapes;
    double m_tile;
    int m_cells = 1;
    double m_cellMm = 1;
    std::vector<std::vector<std::size_t>> m_grid;
};

// Giraffe: patches of a Voronoi tiling, separated by ground-coloured gaps.
class Giraffe : public Surface {
public:
    Giraffe(std::vector<Rgb> colours, double cellMm, double gapMm, std::uint32_t seed)
        : m_colours(std::move(colours)), m_cell(cellMm), m_gap(gapMm), m_seed(seed)
    {
    }
    Rgb colourAt(double x, double y) const override
    {
        const auto gx = static_cast<std::int64_t>(std::floor(x / m_cell));
        const auto gy = static_cast<std::int64_t>(std::floor(y / m_cell));
        double d1 = 1e300;
        double d2 = 1e300;
        for (std::int64_t j = gy - 1; j <= gy + 1; ++j)
            for (std::int64_t i = gx - 1; i <= gx + 1; ++i) {
                const double sx = (i + 0.15 + 0.7 * hashUnit(m_seed, i, j)) * m_cell;
                const double sy = (j + 0.15 + 0.7 * hashUnit(m_seed + 3, i, j)) * m_cell;
                const double d = std::hypot(x - sx, y - sy);
                if (d < d1) {
                    d2 = d1;
                    d1 = d;
                } else if (d < d2) {
                    d2 = d;
                }
            }
        return m_colours[(d2 - d1) < m_gap ? 0u : 1u];
    }

private:
    std::vector<Rgb> m_colours;
    double m_cell;
    double m_gap;
    std::uint32_t m_seed;
};

// A smooth random field from a few waves, about -1..1.
struct WaveField {
    double kx[6]{};
    double ky[6]{};
    double phase[6]{};

    WaveField(std::mt19937& random, double minMm, double maxMm)
    {
        for (int i = 0; i < 6; ++i) {
            const double length = uniform(random, minMm, maxMm);
            const double direction = uniform(random, 0, Pi);
            kx[i] = 2 * Pi / length * std::cos(direction);
            ky[i] = 2 * Pi / length * std::sin(direction);
            phase[i] = uniform(random, 0, 2 * Pi);
        }
    }
    double at(double x, double y) const
    {
        double v = 0;
        for (int i = 0; i < 6; ++i)
            v += std::sin(kx[i] * x + ky[i] * y + phase[i]);
        return v / 2.4;
    }
};

// Camouflage: three or four colours where two smooth fields cross levels.
class Camouflage : public Surface {
public:
    Camouflage(std::vector<Rgb> colours, WaveField first, WaveField second)
        : m_colours(std::move(colours)), m_first(first), m_second(second)
    {
    }
    Rgb colourAt(double x, double y) const override
    {
        const double a = m_first.at(x, y);
        const double b = m_second.at(x, y);
        std::size_t k = a > 0.15 ? 1 : 0;
        if (b > 0.35)
            k = 2;
        if (m_colours.size() > 3 && a < -0.55)
            k = 3;
        return m_colours[k];
    }

private:
    std::vector<Rgb> m_colours;
    WaveField m_first;
    WaveField m_second;
};

// Zebra: dark stripes that bend, split and end, their direction wandering
// over the hide.
class Zebra : public Surface {
public:
    Zebra(std::vector<Rgb> colours, double periodMm, double angle, WaveField bend, WaveField width)
        : m_colours(std::move(colours)), m_period(periodMm), m_angle(angle), m_bend(bend), m_width(width)
    {
    }
    Rgb colourAt(double x, double y) const override
    {
        const double along = x * std::cos(m_angle) + y * std::sin(m_angle);
        const double phase = along / m_period + 1.3 * m_bend.at(x, y);
        const double level = 0.25 * m_width.at(x, y);
        return m_colours[std::sin(2 * Pi * phase) > level ? 1u : 0u];
    }

private:
    std::vector<Rgb> m_colours;
    double m_period;
    double m_angle;
    WaveField m_bend;
    WaveField m_width;
};

// ------------------------------------------------------------ palettes

Rgb scaled(const Rgb& c, double f)
{
    return {std::clamp(c.r * f, 0.0, 255.0), std::clamp(c.g * f, 0.0, 255.0), std::clamp(c.b * f, 0.0, 255.0)};
}

// A ground and pattern colours 30 Lab units apart at least, the ground
// drawn from the given choices.
std::vector<Rgb> onGround(std::mt19937& random, const std::vector<std::uint32_t>& grounds, int others)
{
    const Rgb ground = rgbOf(grounds[static_cast<std::size_t>(uniformInt(random, 0, static_cast<int>(grounds.size()) - 1))]);
    std::vector<Rgb> colours{ground};
    while (static_cast<int>(colours.size()) < others + 1) {
        const Rgb c = pickGarmentColours(random, 1).front();
        bool distinct = true;
        for (const Rgb& have : colours)
            distinct = distinct && labDistanceOf(have, c) >= 30;
        if (distinct)
            colours.push_back(c);
    }
    return colours;
}

const std::vector<std::uint32_t> DarkGrounds = {0x1C1C1E, 0x1F2A44, 0x6D1A2A, 0x1E4D2B, 0x4A4A50};
const std::vector<std::uint32_t> LightGrounds = {0xF2F2EE, 0xD8C8A8, 0x9EC3E6, 0xF0A0C0, 0xC6C6C8, 0xEFE6D2};

std::vector<Band> evenSett(int first, int second, double a, double b)
{
    return {{first, a}, {second, b}};
}

} // namespace

const std::vector<FabricFamily>& wardrobeFamilies()
{
    static const std::vector<FabricFamily> families = {
        {"heather", Kind::Plain},
        {"jersey", Kind::Plain},
        {"denim", Kind::Plain},
        {"awning 20-40mm", Kind::Stripes},
        {"breton", Kind::Stripes},
        {"shirting stripe", Kind::Stripes},
        {"houndstooth", Kind::Check},
        {"windowpane", Kind::Check},
        {"tattersall", Kind::Check},
        {"tartan twill", Kind::Check},
        {"pin dots", Kind::Dots},
        {"dots on dark", Kind::Dots},
        {"scattered dots", Kind::Dots},
        {"floral", Kind::Motif},
        {"paisley", Kind::Motif},
        {"leopard", Kind::Motif},
        {"giraffe", Kind::Motif},
        {"zebra", Kind::Motif},
        {"geometric", Kind::Motif},
        {"camouflage", Kind::Motif},
    };
    return families;
}

std::vector<FabricFamily> patternFamilies()
{
    std::vector<FabricFamily> all = fabricFamilies();
    const auto& more = wardrobeFamilies();
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

Fabric makeWardrobeFabric(const std::string& family, std::uint32_t seed)
{
    std::mt19937 random(seed ^ 0x3A7D0BE5u);
    Fabric f;
    f.family = family;
    f.threadMm = uniform(random, 0.2, 0.4);
    f.relief = uniform(random, 0.04, 0.2);
    f.reliefDarkens = true;
    f.yarnSeed = static_cast<std::uint32_t>(random());
    f.wrinkleSeed = static_cast<std::uint32_t>(random());
    f.wrinkle = uniformInt(random, 0, 2) == 0 ? 0.0 : uniform(random, 0.03, 0.12);
    const double horizontal = Pi / 2;
    const auto yarnDyed = [&](std::vector<Rgb> colours, std::vector<Band> warp, std::vector<Band> weft,
                              YarnDyed::Weave weave, double threadMm) {
        // Setts are given in threads; the yarns are threadMm thick.
        for (Band& b : warp)
            b.widthMm *= threadMm;
        for (Band& b : weft)
            b.widthMm *= threadMm;
        f.colours = colours;
        f.threadMm = threadMm;
        f.surface = std::make_shared<YarnDyed>(colours, warp, weft, weave);
    };
    const auto threads = [](double mm, double threadMm) { return std::max(1.0, std::round(mm / threadMm)); };
    const auto shapes = [&](std::vector<Rgb> colours, std::vector<Shape> list, double tile) {
        f.colours = colours;
        f.surface = std::make_shared<ShapePrint>(colours, std::move(list), tile);
    };

    if (family == "heather") {
        f.kind = Kind::Plain;
        const Rgb base = pickGarmentColours(random, 1).front();
        const double spread = uniform(random, 0.08, 0.16);
        f.colours = {base};
        f.surface = std::make_shared<Heather>(scaled(base, 1 + spread), scaled(base, 1 - spread), f.threadMm,
                                              static_cast<std::uint32_t>(random()));
    } else if (family == "jersey") {
        f.kind = Kind::Plain;
        f.colours = pickGarmentColours(random, 1);
        f.surface = std::make_shared<Jersey>(f.colours[0], uniform(random, 0.7, 1.2), uniform(random, 0.5, 0.9),
                                             uniform(random, 0.06, 0.15), uniform(random, -0.05, 0.05));
    } else if (family == "denim") {
        f.kind = Kind::Plain;
        const std::vector<std::uint32_t> indigo = {0x1F2A44, 0x2A3F6A, 0x35507E, 0x22304F};
        const Rgb warp = rgbOf(indigo[static_cast<std::size_t>(uniformInt(random, 0, 3))]);
        const Rgb weft = rgbOf(uniformInt(random, 0, 1) == 0 ? 0xE8E2D0 : 0xC8C4BC);
        yarnDyed({warp, weft}, {{0, 1}}, {{1, 1}}, YarnDyed::Weave::Twill31, uniform(random, 0.18, 0.28));
        f.colours = {warp};
    } else if (family == "awning 20-40mm") {
        f.kind = Kind::Stripes;
        f.colours = pickGarmentColours(random, 2);
        f.angle = uniformInt(random, 0, 1) == 0 ? 0 : horizontal;
        const double width = uniform(random, 20, 40);
        f.sett = {{0, width}, {1, width * uniform(random, 0.8, 1.25)}};
    } else if (family == "breton") {
        f.kind = Kind::Stripes;
        f.colours = onGround(random, {0xF2F2EE, 0xEFE6D2}, 1);
        if (uniformInt(random, 0, 1) == 0)
            f.colours[1] = rgbOf(uniformInt(random, 0, 1) == 0 ? 0x1F2A44 : 0xC0282D);
        f.angle = horizontal;
        const double stripe = uniform(random, 2, 6);
        f.sett = {{0, stripe * uniform(random, 1.5, 3)}, {1, stripe}};
        f.surface = std::make_shared<Jersey>(Rgb{}, uniform(random, 0.7, 1.2), uniform(random, 0.5, 0.9),
                                             uniform(random, 0.04, 0.1), 0);
        // The knit relief over printed stripes: the surface shades, the
        // colours come from the sett.
        struct Knit : Surface {
            Fabric plain;
            std::shared_ptr<const Surface> loops;
            Rgb colourAt(double x, double y) const override { return plain.colourAt(x, y); }
            double shade(double x, double y) const override { return loops->shade(x, y); }
        };
        auto knit = std::make_shared<Knit>();
        knit->plain = f;
        knit->plain.surface.reset();
        knit->loops = f.surface;
        f.surface = knit;
    } else if (family == "shirting stripe") {
        f.kind = Kind::Stripes;
        std::vector<Rgb> colours = onGround(random, {0xF2F2EE, 0x9EC3E6, 0xEFE6D2}, 1);
        const double threadMm = uniform(random, 0.12, 0.22);
        const double stripe = threads(uniform(random, 1, 3), threadMm);
        const double gap = threads(uniform(random, 2, 8), threadMm);
        yarnDyed(colours, evenSett(0, 1, gap, stripe), {{0, 1}}, YarnDyed::Weave::Twill31, threadMm);
        f.angle = 0;
    } else if (family == "houndstooth") {
        f.kind = Kind::Check;
        std::vector<Rgb> colours = onGround(random, LightGrounds, 1);
        if (labDistanceOf(colours[0], colours[1]) < 45)
            colours[1] = rgbOf(0x1C1C1E);
        // The classic weave: four dark and four light yarns both ways in a
        // 2/2 twill; one tooth is eight yarns.
        const double toothMm = uniform(random, 3, 10);
        yarnDyed(colours, {{0, 4}, {1, 4}}, {{0, 4}, {1, 4}}, YarnDyed::Weave::Twill22, toothMm / 8);
    } else if (family == "windowpane") {
        f.kind = Kind::Check;
        std::vector<Rgb> colours = onGround(random, LightGrounds, 1);
        const double threadMm = uniform(random, 0.2, 0.3);
        const double line = threads(uniform(random, 1.2, 3), threadMm);
        const double pane = threads(uniform(random, 15, 35), threadMm);
        yarnDyed(colours, evenSett(0, 1, pane, line), evenSett(0, 1, pane * uniform(random, 0.8, 1.2), line),
                 YarnDyed::Weave::Plain, threadMm);
    } else if (family == "tattersall") {
        f.kind = Kind::Check;
        std::vector<Rgb> colours = onGround(random, {0xF2F2EE, 0xEFE6D2, 0xD8C8A8}, 2);
        const double threadMm = uniform(random, 0.2, 0.3);
        const double line = threads(uniform(random, 1, 2), threadMm);
        const double gap = threads(uniform(random, 4, 10), threadMm);
        const std::vector<Band> sett = {{0, gap}, {1, line}, {0, gap}, {2, line}};
        yarnDyed(colours, sett, sett, YarnDyed::Weave::Plain, threadMm);
    } else if (family == "tartan twill") {
        f.kind = Kind::Check;
        std::vector<Rgb> colours = pickGarmentColours(random, 3);
        const double threadMm = uniform(random, 0.3, 0.6);
        std::vector<Band> sett;
        const int bands = uniformInt(random, 4, 6);
        for (int i = 0; i < bands; ++i)
            sett.push_back({i % 3, threads(uniform(random, 3, 14), threadMm)});
        yarnDyed(colours, sett, sett, YarnDyed::Weave::Twill22, threadMm);
    } else if (family == "pin dots" || family == "dots on dark") {
        f.kind = Kind::Dots;
        const bool pin = family == "pin dots";
        f.colours = pin ? pickGarmentColours(random, 2) : onGround(random, DarkGrounds, 1);
        if (!pin && labDistanceOf(f.colours[0], f.colours[1]) < 45)
            f.colours[1] = rgbOf(0xF2F2EE);
        f.dotMm = pin ? uniform(random, 0.9, 1.8) : uniform(random, 2, 8);
        f.pitchMm = f.dotMm * (pin ? uniform(random, 2.2, 4) : uniform(random, 1.6, 4));
        f.halfDrop = uniformInt(random, 0, 1) != 0;
    } else if (family == "scattered dots") {
        f.kind = Kind::Dots;
        std::vector<Rgb> colours = pickGarmentColours(random, 2);
        const double dot = uniform(random, 2, 7);
        const double tile = uniform(random, 70, 100);
        const int wanted = static_cast<int>(tile * tile / (dot * dot * uniform(random, 6, 14)));
        std::vector<Shape> list;
        for (int attempt = 0; attempt < wanted * 30 && static_cast<int>(list.size()) < wanted; ++attempt) {
            Shape s;
            s.x = uniform(random, 0, tile);
            s.y = uniform(random, 0, tile);
            s.rx = s.ry = dot / 2;
            bool apart = true;
            for (const Shape& o : list)
                apart = apart && std::hypot(wrapCentred(s.x - o.x, tile), wrapCentred(s.y - o.y, tile)) > dot * 1.6;
            if (apart)
                list.push_back(s);
        }
        shapes(colours, list, tile);
    } else if (family == "floral") {
        f.kind = Kind::Motif;
        std::vector<Rgb> colours = onGround(random, LightGrounds, 2);
        colours.push_back(rgbOf(0x2E7D32));
        const double tile = uniform(random, 80, 120);
        const int flowers = uniformInt(random, 10, 18);
        std::vector<Shape> list;
        for (int i = 0; i < flowers; ++i) {
            const double x = uniform(random, 0, tile);
            const double y = uniform(random, 0, tile);
            const double size = uniform(random, 5, 15);
            for (int leaf = 0; leaf < 2; ++leaf) {
                const double a = uniform(random, 0, 2 * Pi);
                list.push_back({Shape::Form::Ellipse, x + std::cos(a) * size * 1.3, y + std::sin(a) * size * 1.3,
                                size * 0.7, size * 0.3, a, 0, 3});
            }
            const int petals = uniformInt(random, 5, 7);
            const double turn = uniform(random, 0, Pi);
            for (int p = 0; p < petals; ++p) {
                const double a = turn + 2 * Pi * p / petals;
                list.push_back({Shape::Form::Ellipse, x + std::cos(a) * size * 0.55, y + std::sin(a) * size * 0.55,
                                size * 0.5, size * 0.28, a, 0, 1});
            }
            list.push_back({Shape::Form::Ellipse, x, y, size * 0.25, size * 0.25, 0, 0, 2});
        }
        shapes(colours, list, tile);
    } else if (family == "paisley") {
        f.kind = Kind::Motif;
        std::vector<Rgb> colours = pickGarmentColours(random, 3);
        const double tile = uniform(random, 70, 110);
        const int count = uniformInt(random, 7, 12);
        std::vector<Shape> list;
        for (int i = 0; i < count; ++i) {
            const double x = uniform(random, 0, tile);
            const double y = uniform(random, 0, tile);
            const double r = uniform(random, 5, 11);
            const double a = uniform(random, 0, 2 * Pi);
            const double curl = uniform(random, -0.5, 0.5);
            list.push_back({Shape::Form::Teardrop, x, y, r, curl, a, 0, 1});
            list.push_back({Shape::Form::Teardrop, x, y, r * 0.65, curl, a, 0, 2});
            list.push_back({Shape::Form::Teardrop, x, y, r * 0.35, curl, a, 0, 1});
            for (int d = 0; d < 6; ++d) {
                const double b = a + Pi * 0.5 + Pi * d / 5;
                list.push_back({Shape::Form::Ellipse, x + std::cos(b) * r * 1.35, y + std::sin(b) * r * 1.35, r * 0.14,
                                r * 0.14, 0, 0, 2});
            }
        }
        shapes(colours, list, tile);
    } else if (family == "leopard") {
        f.kind = Kind::Motif;
        std::vector<Rgb> colours = {rgbOf(uniformInt(random, 0, 1) == 0 ? 0xD8B070 : 0xC89A58),
                                    rgbOf(0x1C1C1E), rgbOf(0x8A5A2B)};
        const double tile = uniform(random, 70, 100);
        const int rosettes = uniformInt(random, 14, 24);
        std::vector<Shape> list;
        for (int i = 0; i < rosettes; ++i) {
            const double x = uniform(random, 0, tile);
            const double y = uniform(random, 0, tile);
            const double r = uniform(random, 3, 6);
            list.push_back({Shape::Form::Ellipse, x, y, r, r * uniform(random, 0.7, 1), uniform(random, 0, Pi), 0, 2});
            const int spots = uniformInt(random, 3, 5);
            const double turn = uniform(random, 0, 2 * Pi);
            for (int s = 0; s < spots; ++s) {
                const double a = turn + 2 * Pi * (s + uniform(random, -0.15, 0.15)) / spots;
                list.push_back({Shape::Form::Ellipse, x + std::cos(a) * r, y + std::sin(a) * r,
                                r * uniform(random, 0.45, 0.8), r * uniform(random, 0.2, 0.35), a + Pi / 2, 0, 1});
            }
        }
        for (int i = 0; i < rosettes / 2; ++i)
            list.push_back({Shape::Form::Ellipse, uniform(random, 0, tile), uniform(random, 0, tile),
                            uniform(random, 0.8, 2), uniform(random, 0.6, 1.5), uniform(random, 0, Pi), 0, 1});
        shapes(colours, list, tile);
    } else if (family == "giraffe") {
        f.kind = Kind::Motif;
        f.colours = {rgbOf(uniformInt(random, 0, 1) == 0 ? 0xEFE6D2 : 0xD8C8A8),
                     rgbOf(uniformInt(random, 0, 1) == 0 ? 0x8A4A20 : 0x6B4226)};
        f.surface = std::make_shared<Giraffe>(f.colours, uniform(random, 14, 28), uniform(random, 1.5, 4),
                                              static_cast<std::uint32_t>(random()));
    } else if (family == "zebra") {
        f.kind = Kind::Motif;
        f.colours = {rgbOf(0xF2F2EE), rgbOf(0x1C1C1E)};
        const double period = uniform(random, 8, 16);
        f.surface = std::make_shared<Zebra>(f.colours, period, uniform(random, 0, Pi), WaveField(random, 25, 60),
                                            WaveField(random, 20, 50));
    } else if (family == "geometric") {
        f.kind = Kind::Motif;
        std::vector<Rgb> colours = pickGarmentColours(random, uniformInt(random, 2, 3));
        const double tile = uniform(random, 60, 100);
        const int count = uniformInt(random, 10, 22);
        std::vector<Shape> list;
        for (int i = 0; i < count; ++i) {
            Shape s;
            const int form = uniformInt(random, 0, 3);
            s.form = form == 0 ? Shape::Form::Ring : Shape::Form::Polygon;
            s.inner = form == 0 ? uniform(random, 0.5, 0.75) : std::vector<double>{3, 4, 6}[static_cast<std::size_t>(form - 1)];
            s.x = uniform(random, 0, tile);
            s.y = uniform(random, 0, tile);
            s.rx = s.ry = uniform(random, 3, 12);
            s.angle = uniform(random, 0, Pi);
            s.colour = 1 + i % (static_cast<int>(colours.size()) - 1);
            list.push_back(s);
        }
        shapes(colours, list, tile);
    } else if (family == "camouflage") {
        f.kind = Kind::Motif;
        const bool desert = uniformInt(random, 0, 1) == 0;
        f.colours = desert ? std::vector<Rgb>{rgbOf(0xD8C8A8), rgbOf(0xA0522D), rgbOf(0x6B6B2A), rgbOf(0x4A3A2A)}
                           : std::vector<Rgb>{rgbOf(0x6B6B2A), rgbOf(0x1E4D2B), rgbOf(0x6B4226), rgbOf(0x1C1C1E)};
        f.surface = std::make_shared<Camouflage>(f.colours, WaveField(random, 25, 70), WaveField(random, 25, 70));
    } else {
        throw std::invalid_argument("unknown fabric family " + family);
    }
    return f;
}

} // namespace vestiscop::bench

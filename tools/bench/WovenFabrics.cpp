// SPDX-License-Identifier: GPL-3.0-or-later
// Plain cloth whose colour a person names by its dyed yarn: denim and
// chambray (a dyed warp over an undyed weft), oxford and end-on-end
// shirting (dyed and white ends), and the dark and sandy suiting and
// trouser twills whose threads' shadows and lighter tops a flatbed shows
// plainly. Each fabric's colour 0 is the colour a person names.

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "Garment.h"

namespace vestiscop::bench {

namespace {

double uniform(std::mt19937& random, double lo, double hi)
{
    return std::uniform_real_distribution<double>(lo, hi)(random);
}

// One of the anchors, each channel moved by up to jitter levels.
Rgb near(std::mt19937& random, const std::vector<std::uint32_t>& anchors, double jitter)
{
    const Rgb c = rgbOf(anchors[std::uniform_int_distribution<std::size_t>(0, anchors.size() - 1)(random)]);
    const auto move = [&](double v) { return std::clamp(v + uniform(random, -jitter, jitter), 0.0, 255.0); };
    return {move(c.r), move(c.g), move(c.b)};
}

// Two yarns: the warp ends alternate through warpEnds (one colour per end),
// every weft pick is the weft colour; the weave decides which shows.
class TwoYarns : public Surface {
public:
    TwoYarns(std::vector<Rgb> warpEnds, Rgb weft, double threadMm, Weave weave)
        : m_warp(std::move(warpEnds)), m_weft(weft), m_threadMm(threadMm), m_weave(weave)
    {
    }
    Rgb colourAt(double x, double y) const override
    {
        Rgb warp;
        Rgb weft;
        yarns(x, y, warp, weft);
        return {(warp.r + weft.r) / 2, (warp.g + weft.g) / 2, (warp.b + weft.b) / 2};
    }
    bool yarns(double x, double /*y*/, Rgb& warp, Rgb& weft) const override
    {
        const auto end = static_cast<std::int64_t>(std::floor(x / m_threadMm));
        const auto n = static_cast<std::int64_t>(m_warp.size());
        warp = m_warp[static_cast<std::size_t>(((end % n) + n) % n)];
        weft = m_weft;
        return true;
    }
    bool warpOnTop(std::int64_t column, std::int64_t row) const override { return warpShows(m_weave, column, row); }

private:
    std::vector<Rgb> m_warp;
    Rgb m_weft;
    double m_threadMm;
    Weave m_weave;
};

const std::vector<std::uint32_t> Indigo = {0x1F2A44, 0x2A3F6A, 0x35507E, 0x22304F, 0x1B2F5C, 0x2C4A7A, 0x3A5A8C};
const std::vector<std::uint32_t> Ecru = {0xE8E2D0, 0xC8C4BC, 0xDCD6C4, 0xF0ECE0};
const std::vector<std::uint32_t> ChambrayBlue = {0x5A7FB0, 0x6F8FC0, 0x4F72A8, 0x7A9CCB, 0x6282B4};
const std::vector<std::uint32_t> ShirtDyes = {0x9EC3E6, 0xF0A0C0, 0xA8C8E8, 0xC0A8DC, 0x3F6FB0, 0xD04A7A,
                                              0x6F7F9F, 0x8A6FB0, 0x5FA878, 0xE89060};
// Navy of worsted suiting, sRGB L* 15-23 (darker is black to the eye).
const std::vector<std::uint32_t> Navy = {0x1C2A4A, 0x1F2A44, 0x202B4F, 0x1E2C52, 0x24305A, 0x1A2540};
const std::vector<std::uint32_t> Beige = {0xD8C8A8, 0xCDB992, 0xC8B48C, 0xD6C4A0, 0xBFA886, 0xD2BE96};
const std::vector<std::uint32_t> Khaki = {0xC3B091, 0xBDA777, 0xB5A26F, 0xC2B280, 0xA99A6B, 0xB8A878};

} // namespace

const std::vector<FabricFamily>& wovenColourFamilies()
{
    static const std::vector<FabricFamily> families = {
        {"denim", Kind::Plain},         {"chambray", Kind::Plain},        {"oxford", Kind::Plain},
        {"end-on-end", Kind::Plain},    {"navy suiting", Kind::Plain},    {"beige gabardine", Kind::Plain},
        {"khaki chino", Kind::Plain},
    };
    return families;
}

Fabric makeWovenColourFabric(const std::string& family, std::uint32_t seed)
{
    std::mt19937 random(seed ^ 0x7E0A11D5u);
    Fabric f;
    f.family = family;
    f.kind = Kind::Plain;
    f.reliefDarkens = true;
    f.relief = uniform(random, 0.08, 0.25);
    f.yarnSeed = static_cast<std::uint32_t>(random());
    f.wrinkleSeed = static_cast<std::uint32_t>(random());
    f.wrinkle = uniform(random, 0, 1) < 0.5 ? 0.0 : uniform(random, 0.03, 0.1);
    Rgb named;
    std::vector<Rgb> warp;
    Rgb weft;
    Weave weave = Weave::Plain;
    if (family == "denim") {
        named = near(random, Indigo, 8);
        warp = {named};
        weft = near(random, Ecru, 6);
        weave = Weave::Twill31;
        f.threadMm = uniform(random, 0.18, 0.32);
    } else if (family == "chambray") {
        named = near(random, ChambrayBlue, 10);
        warp = {named};
        weft = near(random, {0xF2F2EE, 0xE8E4DA}, 5);
        f.threadMm = uniform(random, 0.12, 0.22);
    } else if (family == "oxford") {
        named = near(random, ShirtDyes, 10);
        warp = {named, named};
        weft = near(random, {0xF4F4F0, 0xECEAE4}, 4);
        f.threadMm = uniform(random, 0.15, 0.25);
    } else if (family == "end-on-end") {
        named = near(random, ShirtDyes, 10);
        warp = {named, near(random, {0xF4F4F0}, 4)};
        weft = near(random, {0xF4F4F0, 0xECEAE4}, 4);
        f.threadMm = uniform(random, 0.12, 0.2);
    } else if (family == "navy suiting") {
        named = near(random, Navy, 5);
        warp = {named};
        // A weft a shade lighter or greyer, as worsted suiting often has.
        weft = {named.r * uniform(random, 1.0, 1.25), named.g * uniform(random, 1.0, 1.25),
                named.b * uniform(random, 0.95, 1.15)};
        weave = Weave::Twill22;
        f.threadMm = uniform(random, 0.12, 0.22);
    } else if (family == "beige gabardine" || family == "khaki chino") {
        named = near(random, family == "beige gabardine" ? Beige : Khaki, 6);
        warp = {named};
        const double lighter = uniform(random, 1.0, 1.1);
        weft = {std::min(255.0, named.r * lighter), std::min(255.0, named.g * lighter),
                std::min(255.0, named.b * lighter)};
        weave = family == "beige gabardine" ? Weave::Twill31 : Weave::Twill22;
        f.threadMm = uniform(random, 0.15, 0.3);
    } else {
        throw std::invalid_argument("not a woven colour family: " + family);
    }
    f.colours = {named};
    f.surface = std::make_shared<TwoYarns>(warp, weft, f.threadMm, weave);
    return f;
}

} // namespace vestiscop::bench

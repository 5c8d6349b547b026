// SPDX-License-Identifier: GPL-3.0-or-later
#include "AtelierWardrobe.h"

#include "Kinds.h"
#include "Scanner.h"

#include <stdexcept>

namespace vestiscop::bench::atelier {

namespace {

const std::vector<KindDef>& table()
{
    static const std::vector<KindDef> defs = [] {
        std::vector<KindDef> d;
        addPlainKinds(d);
        addStripeKinds(d);
        addCheckKinds(d);
        addDotKinds(d);
        addMotifKinds(d);
        addTwoYarnKinds(d);  // last: the kinds before keep their index and so their seeds
        return d;
    }();
    return defs;
}

const KindDef& find(const std::string& kind)
{
    for (const KindDef& d : table())
        if (d.name == kind) return d;
    throw std::invalid_argument("unknown fabric kind: " + kind);
}

std::uint64_t nameKey(const std::string& s)
{
    std::uint64_t h = 1469598103934665603ULL;
    for (unsigned char ch : s) h = (h ^ ch) * 1099511628211ULL;
    return h;
}

} // namespace

const std::vector<std::string>& kinds()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const KindDef& d : table()) n.push_back(d.name);
        return n;
    }();
    return names;
}

int patternOf(const std::string& kind) { return find(kind).pattern; }

Swatch render(const std::string& kind, std::uint32_t seed, int width, int height, double dpi)
{
    const KindDef& def = find(kind);
    if (width <= 0 || height <= 0 || !(dpi > 0)) throw std::invalid_argument("swatch size must be positive");
    Rng rng(mix64(nameKey(kind)) ^ (static_cast<std::uint64_t>(seed) * 0x9e3779b97f4a7c15ULL));
    const Cloth cloth = def.build(rng);
    Swatch s;
    s.kind = def.name;
    s.pattern = def.pattern;
    s.mottled = cloth.mottled;
    scan(cloth, rng, width, height, dpi, s);
    return s;
}

std::uint32_t seedFor(bool check, int kindIndex, int i)
{
    return (check ? 2000000u : 1000000u) + static_cast<std::uint32_t>(kindIndex) * 1000u + static_cast<std::uint32_t>(i);
}

} // namespace vestiscop::bench::atelier

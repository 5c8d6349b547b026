// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop_bench woven SOURCE: whether woven plain cloth is named in the
// hue a person says, the hue of its dyed yarn (denim blue, not grey).
//
// SOURCE is ours (WovenFabrics.cpp), atelier (the second renderer's woven
// kinds) or both; --split and --per-family choose the scans. "plains" are
// the other plain cloths of both pattern corpora, named by the same rule
// as the rest below, to see what else a change of the colour measure moves. The
// configured analysis names each scan; its largest colour is right when
//   - denim and navy cloth: a blue (basic term modrá);
//   - beige cloth: béžová, písková, šedobéžová or velbloudí;
//   - khaki cloth: khaki, písková, béžová, olivová, šedobéžová or velbloudí;
//   - the rest (chambray, oxford, end-on-end, piqué in any dye): the basic
//     term the same analysis, without DyedYarn, gives an even patch of the
//     dyed yarn's colour.
// Basic terms of the detailed names come from tools/colors/vocabulary.tsv.
// With [Color] BorderTerms, "either" also counts a colour right by the
// second word it is told with near a border ("světle šedá do modra").

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "BenchCommands.h"
#include "FabricBench.h"
#include "Garment.h"
#include "atelier/AtelierWardrobe.h"
#include "color/BorderTerms.h"
#include "fabric/FabricFindings.h"

namespace vestiscop::bench {

namespace {

struct WovenScan {
    std::string family;
    Rgb named;
    std::function<std::unique_ptr<imaging::RgbImage>()> make;
};

const std::vector<std::string> AtelierWoven = {"denim",           "chambray",    "oxford",
                                               "navy suiting",    "beige gabardine", "khaki chino",
                                               "end-on-end shirting", "two-yarn pique"};

// An even patch of one colour with a scanner's noise.
std::unique_ptr<imaging::RgbImage> patchOf(const Rgb& c, int w, int h, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 2);
    auto image = imaging::RgbImage::create(w, h);
    const auto byte = [&](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v + noise(random)), 0L, 255L)); };
    for (int y = 0; y < h; ++y) {
        std::uint8_t* out = image->row(y);
        for (int x = 0; x < w; ++x) {
            out[3 * x] = byte(c.b);
            out[3 * x + 1] = byte(c.g);
            out[3 * x + 2] = byte(c.r);
        }
    }
    return image;
}

std::vector<WovenScan> wovenScans(const std::string& source, Split split, int perFamily,
                                  const foundation::AllSettings& s)
{
    std::vector<WovenScan> scans;
    if (source == "ours" || source == "both") {
        const auto& families = wovenColourFamilies();
        for (std::size_t f = 0; f < families.size(); ++f)
            for (int i = 0; i < perFamily; ++i) {
                const std::uint32_t seed = baseSeed(split, 6) + static_cast<std::uint32_t>(f * 100 + i);
                const Fabric fabric = makeWovenColourFabric(families[f].name, seed);
                std::mt19937 random(seed ^ 0x5CA11EDu);
                Scan scan = randomScan(random, s.scan.xRes, s.scan.yRes, s.texture.width, s.texture.height);
                scans.push_back({"ours " + families[f].name, fabric.colours[0],
                                 [fabric, scan] { return render(fabric, scan); }});
            }
    }
    if (source == "atelier" || source == "both") {
        const auto& kinds = atelier::kinds();
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            if (std::find(AtelierWoven.begin(), AtelierWoven.end(), kinds[k]) == AtelierWoven.end())
                continue;
            for (int i = 0; i < perFamily; ++i) {
                const std::uint32_t seed = atelier::seedFor(split == Split::Check, static_cast<int>(k), i);
                const double dpi = std::sqrt(s.scan.xRes * s.scan.yRes);
                const atelier::Swatch probe = atelier::render(kinds[k], seed, 16, 16, dpi);
                const auto& c = probe.namedColours.front();
                scans.push_back({"atelier " + kinds[k], Rgb{c[0], c[1], c[2]}, [kind = kinds[k], seed, dpi, &s] {
                                     return imageOfSwatch(atelier::render(kind, seed, s.texture.width, s.texture.height, dpi));
                                 }});
            }
        }
    }
    // Every other plain cloth of both pattern corpora (mottled ones aside),
    // to see that nothing else changes its hue.
    if (source == "plains") {
        for (const CorpusCase& c : patternCorpus(split, perFamily, true)) {
            if (c.fabric.kind != Kind::Plain || c.fabric.family == "heather" || c.fabric.family == "denim")
                continue;
            Scan scan = c.scan;
            scan.xDpi = s.scan.xRes;
            scan.yDpi = s.scan.yRes;
            scan.width = s.texture.width;
            scan.height = s.texture.height;
            scans.push_back({"ours " + c.fabric.family, c.fabric.colours[0],
                             [fabric = c.fabric, scan] { return render(fabric, scan); }});
        }
        const auto& kinds = atelier::kinds();
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            if (atelier::patternOf(kinds[k]) != 0 ||
                std::find(AtelierWoven.begin(), AtelierWoven.end(), kinds[k]) != AtelierWoven.end())
                continue;
            for (int i = 0; i < perFamily; ++i) {
                const std::uint32_t seed = atelier::seedFor(split == Split::Check, static_cast<int>(k), i);
                const double dpi = std::sqrt(s.scan.xRes * s.scan.yRes);
                const atelier::Swatch probe = atelier::render(kinds[k], seed, 16, 16, dpi);
                if (probe.mottled)
                    continue;
                const auto& c = probe.namedColours.front();
                scans.push_back({"atelier " + kinds[k], Rgb{c[0], c[1], c[2]}, [kind = kinds[k], seed, dpi, &s] {
                                     return imageOfSwatch(atelier::render(kind, seed, s.texture.width, s.texture.height, dpi));
                                 }});
            }
        }
    }
    if (scans.empty())
        throw std::invalid_argument("woven SOURCE: ours, atelier, both or plains");
    return scans;
}

std::map<std::string, std::string> basicTermsOfNames()
{
    std::map<std::string, std::string> terms;
    std::ifstream in(VESTISCOP_SOURCE_DIR "/tools/colors/vocabulary.tsv");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name;
        std::string term;
        if (std::getline(fields, name, '\t') && std::getline(fields, term, '\t'))
            terms[name] = term;
    }
    return terms;
}

bool contains(const std::string& text, const char* word)
{
    return text.find(word) != std::string::npos;
}

bool namedRight(const std::string& family, const std::string& told, const std::string& toldTerm,
                const std::string& referenceTerm)
{
    const auto oneOf = [&](std::initializer_list<const char*> names) {
        return std::any_of(names.begin(), names.end(), [&](const char* n) { return told == n; });
    };
    if (contains(family, "denim") || contains(family, "navy"))
        return toldTerm == "modrá";
    if (contains(family, "beige"))
        return oneOf({"béžová", "písková", "šedobéžová", "velbloudí"});
    if (contains(family, "khaki"))
        return oneOf({"khaki", "písková", "béžová", "olivová", "šedobéžová", "velbloudí"});
    return toldTerm == referenceTerm;
}

double chromaOf(const color::ColorCluster& c)
{
    return std::hypot(static_cast<double>(c.meanA()), static_cast<double>(c.meanB()));
}

} // namespace

int runWoven(const Options& options)
{
    if (options.arguments.size() < 2)
        throw std::invalid_argument("woven SOURCE");
    const Setup setup = loadSetup(options.config);
    const auto& s = setup.settings;
    const auto names = color::ColorNameTable::load(tablePath(setup, s.color.definitions));
    const auto terms = basicTermsOfNames();
    const auto termOf = [&](const std::string& name) {
        const auto it = terms.find(name);
        return it != terms.end() ? it->second : name;
    };
    const auto scans = wovenScans(options.arguments[1], options.split, options.perFamily, s);
    // With [Color] BorderTerms, the second word a colour near a border gets.
    std::optional<color::BorderTerms> borders;
    if (!s.color.borderTerms.empty())
        borders.emplace(names, color::ColorNameTable::load(tablePath(setup, s.color.borderTerms)));
    struct Told {
        std::string name;
        std::string second;  // the border's other term, or empty
        std::string reference;
        std::string measured;  // BENCH_VERBOSE: the findings' colours and pattern
        double chroma = 0;
        double referenceChroma = 0;
    };
    std::vector<Told> told(scans.size());
    const bool verbose = std::getenv("BENCH_VERBOSE") != nullptr;
    forEachCase(scans.size(), [&](std::size_t i, unsigned) {
        auto analyser = configuredAnalyser(setup, s.texture, names);
        analyser->setViewsWanted(false);
        analyser->analyze(scans[i].make());
        const color::ColorCluster& largest = analyser->result().colors.front();
        told[i].name = largest.color->name;
        if (borders && !largest.mottled) {
            told[i].second = borders->alternative({static_cast<std::uint8_t>(largest.meanL()),
                                                   static_cast<std::int8_t>(largest.meanA()),
                                                   static_cast<std::int8_t>(largest.meanB())});
            if (told[i].second == borders->termOf(*largest.color))
                told[i].second.clear();
        }
        told[i].chroma = chromaOf(analyser->result().colors.front());
        if (const fabric::FabricFindings* f = analyser->result().findings; f != nullptr && verbose) {
            char text[160];
            std::snprintf(text, sizeof text, "pattern %d%s:", f->pattern, f->mottled ? " mottled" : "");
            told[i].measured = text;
            const color::ColorCluster& c = analyser->result().colors.front();
            std::snprintf(text, sizeof text, " told (%d %d %d)%s;", c.meanL(), c.meanA(), c.meanB(),
                          f->dyedColours.empty() ? "" : " dyed");
            told[i].measured += text;
            for (const fabric::ClothColour& c : f->colours) {
                std::snprintf(text, sizeof text, " (%.0f %.0f %.0f) %.2f", c.l, c.a, c.b, c.share);
                told[i].measured += text;
            }
        }
        // The even patch as the configuration without the dyed yarn names it.
        foundation::TextureSettings plain = s.texture;
        plain.dyedYarn = false;
        auto reference = configuredAnalyser(setup, plain, names);
        reference->setViewsWanted(false);
        reference->analyze(patchOf(scans[i].named, s.texture.width, s.texture.height, static_cast<std::uint32_t>(i)));
        told[i].reference = reference->result().colors.front().color->name;
        told[i].referenceChroma = chromaOf(reference->result().colors.front());
    });
    std::printf("Woven cloth named in the hue of its dyed yarn, %s part, %d scans a family:\n",
                splitName(options.split), options.perFamily);
    std::printf("  %-28s %8s %8s %10s  %s\n", "family", "right", "either", "chroma", "wrong names (times)");
    int right = 0;
    int rightEither = 0;
    for (std::size_t first = 0; first < scans.size();) {
        std::size_t last = first;
        int good = 0;
        int either = 0;  // right by the name or by its second word
        double chroma = 0;
        double reference = 0;
        std::map<std::string, int> wrong;
        for (; last < scans.size() && scans[last].family == scans[first].family; ++last) {
            const Told& t = told[last];
            const bool right = namedRight(scans[last].family, t.name, termOf(t.name), termOf(t.reference));
            good += right ? 1 : 0;
            either += right || (!t.second.empty() &&
                                namedRight(scans[last].family, t.second, t.second, termOf(t.reference)))
                          ? 1
                          : 0;
            if (!right) {
                ++wrong[t.name + (t.second.empty() ? "" : " + " + t.second) + " (dyed " + t.reference + ")"];
                if (verbose)
                    std::printf("    %s: %s, dyed (%.0f %.0f %.0f) %s; %s\n", scans[last].family.c_str(),
                                t.name.c_str(), scans[last].named.r, scans[last].named.g, scans[last].named.b,
                                t.reference.c_str(), t.measured.c_str());
            }
            chroma += t.chroma;
            reference += t.referenceChroma;
        }
        const int n = static_cast<int>(last - first);
        std::string misses;
        for (const auto& [name, times] : wrong)
            misses += name + " " + std::to_string(times) + "; ";
        std::printf("  %-28s %8s %8s %4.0f of %-3.0f  %s\n", scans[first].family.c_str(), percent(good, n).c_str(),
                    percent(either, n).c_str(), chroma / n, reference / n, misses.c_str());
        right += good;
        rightEither += either;
        first = last;
    }
    std::printf("  all: %s (%d of %zu), by either word %s; chroma: the told colour's mean, of an even patch of the "
                "dyed yarn\n",
                percent(right, static_cast<int>(scans.size())).c_str(), right, scans.size(),
                percent(rightEither, static_cast<int>(scans.size())).c_str());
    return 0;
}

} // namespace vestiscop::bench

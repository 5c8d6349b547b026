// SPDX-License-Identifier: GPL-3.0-or-later
#include "Corpus.h"

#include <stdexcept>

namespace vestiscop::bench {

std::uint32_t baseSeed(Split split, std::uint32_t purpose)
{
    return (split == Split::Tune ? 100000u : 200000u) + purpose * 10000u;
}

Split parseSplit(const std::string& text)
{
    if (text == "tune")
        return Split::Tune;
    if (text == "check")
        return Split::Check;
    throw std::invalid_argument("split must be tune or check: " + text);
}

const char* splitName(Split split)
{
    return split == Split::Tune ? "tune" : "check";
}

std::vector<CorpusCase> patternCorpus(Split split, int perFamily, bool wardrobe)
{
    std::vector<CorpusCase> cases;
    const auto families = wardrobe ? patternFamilies() : fabricFamilies();
    for (std::size_t f = 0; f < families.size(); ++f) {
        for (int i = 0; i < perFamily; ++i) {
            const std::uint32_t seed = baseSeed(split, 1) + static_cast<std::uint32_t>(f * 100 + i);
            CorpusCase c{makeFabric(families[f].name, seed), {}};
            std::mt19937 random(seed ^ 0x5CA11EDu);
            c.scan = randomScan(random, 100, 100, 512, 512);
            cases.push_back(c);
        }
    }
    return cases;
}

std::vector<GarmentScans> recognitionCorpus(Split split, int count, int scans)
{
    std::vector<GarmentScans> garments;
    const auto& families = fabricFamilies();
    for (int i = 0; i < count; ++i) {
        const std::uint32_t seed = baseSeed(split, 2) + static_cast<std::uint32_t>(i);
        GarmentScans g{makeFabric(families[static_cast<std::size_t>(i) % families.size()].name, seed), {}};
        std::mt19937 random(seed ^ 0x5CA11EDu);
        for (int s = 0; s < scans; ++s)
            g.scans.push_back(randomScan(random, 100, 100, 512, 512));
        garments.push_back(g);
    }
    return garments;
}

std::vector<GarmentScans> rescanCorpus(Split split, int count, int scans, double maxShiftMm, double maxTurnDegrees,
                                       int first)
{
    // The seeds of one purpose span 10000 (baseSeed).
    if (first < 0 || first + count > 10000)
        throw std::invalid_argument("re-scan garments beyond the part's seeds");
    std::vector<GarmentScans> garments;
    const auto& families = fabricFamilies();
    for (int i = first; i < first + count; ++i) {
        const std::uint32_t seed = baseSeed(split, 3) + static_cast<std::uint32_t>(i);
        GarmentScans g{makeFabric(families[static_cast<std::size_t>(i) % families.size()].name, seed), {}};
        std::mt19937 random(seed ^ 0x5CA11EDu);
        for (int s = 0; s < scans; ++s)
            g.scans.push_back(randomScan(random, 100, 100, 512, 512, maxShiftMm, maxTurnDegrees));
        garments.push_back(g);
    }
    return garments;
}

std::vector<GarmentScans> weaveTwinCorpus(Split split, int pairs, int scans, double maxShiftMm, double maxTurnDegrees)
{
    std::vector<GarmentScans> garments;
    for (int i = 0; i < pairs; ++i) {
        const std::uint32_t seed = baseSeed(split, 5) + static_cast<std::uint32_t>(i);
        const Fabric first = makeFabric("plain", seed);
        // The second: another plain fabric's weave, the first one's colour.
        Fabric second = makeFabric("plain", seed ^ 0x7E1Bu);
        second.colours = first.colours;
        for (const Fabric& fabric : {first, second}) {
            GarmentScans g{fabric, {}};
            std::mt19937 random(seed ^ (garments.size() % 2 == 0 ? 0x5CA11EDu : 0x7717u));
            for (int s = 0; s < scans; ++s)
                g.scans.push_back(randomScan(random, 100, 100, 512, 512, maxShiftMm, maxTurnDegrees));
            garments.push_back(g);
        }
    }
    return garments;
}

bool surveyColourHeldOut(std::size_t index)
{
    return index % 3 == 2;
}

int surveyColourFold(std::size_t index, int folds)
{
    return static_cast<int>((index / 3) % static_cast<std::size_t>(folds));
}

} // namespace vestiscop::bench

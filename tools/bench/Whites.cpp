// SPDX-License-Identifier: GPL-3.0-or-later
#include "Whites.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>

#include "BasicTerms.h"
#include "color/ColorAnalyzer.h"
#include "foundation/Exception.h"

namespace vestiscop::bench {

namespace {

double uniform(std::mt19937& random, double lo, double hi)
{
    return std::uniform_real_distribution<double>(lo, hi)(random);
}

} // namespace

Rgb darkened(const Rgb& colour, double shadow)
{
    const auto channel = [shadow](double v) {
        return 255 * std::pow(std::pow(v / 255, 2.2) * (1 - shadow), 1 / 2.2);
    };
    return {channel(colour.r), channel(colour.g), channel(colour.b)};
}

std::vector<WhiteCase> whiteCorpus(Split split, int count)
{
    static const char* const kinds[] = {"bílá", "smetanová", "světle šedá"};
    std::vector<WhiteCase> cases;
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < count; ++i) {
            const auto seed = static_cast<std::uint32_t>((split == Split::Tune ? 130000 : 230000) + k * 1000 + i);
            std::mt19937 random(seed);
            WhiteCase c;
            c.expected = kinds[k];
            Rgb base;
            if (k == 0) {
                // Bleached or optically brightened whites, a touch warm or cool.
                const double v = uniform(random, 238, 255);
                base = {v, v - uniform(random, 0, 3), v - uniform(random, -3, 4)};
            } else if (k == 1) {
                // Cream, ivory, ecru: white with yellow in it.
                const double v = uniform(random, 242, 255);
                base = {v, v - uniform(random, 3, 12), v - uniform(random, 22, 50)};
            } else {
                // Light grey and grey melange.
                const double v = uniform(random, 170, 205);
                base = {v, v + uniform(random, -2, 2), v + uniform(random, -2, 4)};
            }
            c.shadow = uniform(random, 0, 0.2);
            c.fabric = makeFabric("plain", seed);
            c.fabric.family = std::string("white ") + kinds[k];
            c.fabric.colours[0] = darkened(base, c.shadow);
            c.scan = randomScan(random, 100, 100, 512, 512);
            cases.push_back(c);
        }
    return cases;
}

void measureWhites(const foundation::AllSettings& settings, const color::ColorNameTable& names, Split split,
                   int count)
{
    color::ColorAnalyzer analyzer(settings.color, settings.texture, names);
    // A table of the basic terms only should say bílá for cream and šedá
    // for light grey.
    bool basic = true;
    for (const color::ColorName& entry : names.entries())
        basic = basic && basicTermIndex(entry.name) >= 0;
    const std::map<std::string, std::string> basicOf = {
        {"bílá", "bílá"}, {"smetanová", "bílá"}, {"světle šedá", "šedá"}};
    struct Tally {
        int right = 0;
        int total = 0;
        std::map<std::string, int> heard;
        double lab[3] = {0, 0, 0};
        int minL = 255;
        int maxL = 0;
    };
    std::map<std::string, Tally> tallies;
    for (WhiteCase c : whiteCorpus(split, count)) {
        c.scan.xDpi = settings.scan.xRes;
        c.scan.yDpi = settings.scan.yRes;
        c.scan.width = settings.texture.width;
        c.scan.height = settings.texture.height;
        Tally& t = tallies[c.expected];
        ++t.total;
        std::string heard = "(chyba)";
        try {
            analyzer.analyze(render(c.fabric, c.scan));
            const color::ColorCluster& first = analyzer.colors().front();
            heard = first.color->name;
            t.lab[0] += first.meanL();
            t.lab[1] += first.meanA();
            t.lab[2] += first.meanB();
            t.minL = std::min(t.minL, first.meanL());
            t.maxL = std::max(t.maxL, first.meanL());
        } catch (const foundation::VisionError&) {
        }
        ++t.heard[heard];
        // Tables before smetanová called cream krémová: the same answer.
        t.right += heard == (basic ? basicOf.at(c.expected) : c.expected) ||
                           (c.expected == "smetanová" && heard == "krémová")
                       ? 1
                       : 0;
    }
    std::printf("White, cream and light grey fabrics, %s part: %d of each, weave shadows up to 20 %% of the light\n",
                splitName(split), count);
    int right = 0;
    int total = 0;
    double share[3] = {0, 0, 0};
    int k = 0;
    for (const char* kind : {"bílá       ", "smetanová  ", "světle šedá"}) {
        const Tally& t = tallies[std::string(kind).substr(0, std::string(kind).find_last_not_of(' ') + 1)];
        right += t.right;
        total += t.total;
        share[k++] = t.total == 0 ? 0.0 : 100.0 * t.right / t.total;
        std::printf("  %s right %5.1f%%  mean Lab %.0f %.0f %.0f, L %d-%d  heard:", kind, share[k - 1],
                    t.lab[0] / t.total, t.lab[1] / t.total, t.lab[2] / t.total, t.minL, t.maxL);
        for (const auto& [name, n] : t.heard)
            std::printf(" %s %d", name.c_str(), n);
        std::printf("\n");
    }
    std::printf("RESULT whites %s white %.1f cream %.1f grey %.1f all %.1f\n", splitName(split), share[0], share[1],
                share[2], total == 0 ? 0.0 : 100.0 * right / total);
}

} // namespace vestiscop::bench

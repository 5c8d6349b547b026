// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop_bench naming: the basic terms of the survey colours.

#include "BenchCommands.h"

namespace vestiscop::bench {

namespace {

// ---------------------------------------------------------------- naming

struct SurveyColour {
    std::string name;
    std::uint32_t rgb;
};

std::vector<SurveyColour> loadSurvey(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error(path + ": cannot open");
    std::vector<SurveyColour> colours;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || line.size() != tab + 8 || line[tab + 1] != '#')
            throw std::runtime_error(path + ": expected name<TAB>#rrggbb: " + line);
        colours.push_back({line.substr(0, tab), static_cast<std::uint32_t>(std::stoul(line.substr(tab + 2), nullptr, 16))});
    }
    return colours;
}

} // namespace

int runNaming(const Options& options)
{
    if (options.arguments.size() < 4 || options.arguments.size() > 5)
        throw std::invalid_argument("naming SURVEY.tsv SURVEY-MAP NAMES-MAP [TABLE]");
    if (options.folds > 0 && options.split != Split::Tune)
        throw std::invalid_argument("--fold splits the tuning part: --split tune");
    const Setup setup = loadSetup(options.config);
    const auto survey = loadSurvey(options.arguments[1]);
    const auto surveyMap = loadTermMap(options.arguments[2]);
    const auto namesMap = loadTermMap(options.arguments[3]);
    const std::string table =
        tablePath(setup, options.arguments.size() == 5 ? options.arguments[4] : setup.settings.color.definitions);
    const color::ColorNameTable names = color::ColorNameTable::load(table);
    for (const color::ColorName& entry : names.entries())
        if (namesMap.find(entry.name) == namesMap.end() || namesMap.at(entry.name) == "-")
            throw std::runtime_error(options.arguments[3] + ": no basic term for our colour name " + entry.name);

    // A uniform patch needs no large region: 160 x 160 pixels is 4 cm at
    // 100 dpi, plenty of weave and noise for the clustering.
    foundation::TextureSettings region{160, 160};
    const std::unique_ptr<analysis::Analyser> analyzer = configuredAnalyser(setup, region, names);
    const std::size_t termCount = basicTerms().size();
    std::vector<std::vector<int>> confusion(termCount, std::vector<int>(termCount + 1, 0));
    int good = 0;
    int total = 0;
    int pairGood = 0;  // names between two basic terms: either is right
    int pairTotal = 0;
    int unmapped = 0;
    int leftOut = 0;
    std::vector<std::string> misses;
    for (std::size_t i = 0; i < survey.size(); ++i) {
        if (surveyColourHeldOut(i) != (options.split == Split::Check) ||
            (options.folds > 0 && surveyColourFold(i, options.folds) != options.fold))
            continue;
        const auto mapped = surveyMap.find(survey[i].name);
        if (mapped == surveyMap.end()) {
            ++unmapped;
            continue;
        }
        const std::vector<int> expected = termIndices(mapped->second);
        if (expected.empty()) {
            ++leftOut;
            continue;
        }
        Fabric fabric = makeFabric("plain", 300000u + static_cast<std::uint32_t>(i));
        fabric.colours[0] = rgbOf(survey[i].rgb);
        std::mt19937 random(static_cast<std::uint32_t>(i) * 7919u + 17u);
        Scan scan = randomScan(random, setup.settings.scan.xRes, setup.settings.scan.yRes, region.width, region.height);
        int got = static_cast<int>(termCount);
        std::string ourName = "(chyba)";
        try {
            analyzer->analyze(render(fabric, scan));
            ourName = analyzer->result().colors.front().color->name;
            got = basicTermIndex(namesMap.at(ourName));
        } catch (const foundation::VisionError&) {
        }
        const bool right = std::find(expected.begin(), expected.end(), got) != expected.end();
        if (expected.size() == 1) {
            ++confusion[static_cast<std::size_t>(expected[0])][static_cast<std::size_t>(got)];
            ++total;
            good += right ? 1 : 0;
        } else {
            ++pairTotal;
            pairGood += right ? 1 : 0;
        }
        if (!right)
            misses.push_back(survey[i].name + " (" + mapped->second + ") -> " + ourName);
    }
    std::printf("Colour naming, %s part of the survey list, table %s, %s analysis\n", splitName(options.split),
                std::filesystem::path(table).filename().c_str(), setup.improved ? "improved" : "standard");
    std::printf("  scored %d colours of one basic term and %d between two, %d left out, %d not in the map\n", total,
                pairTotal, leftOut, unmapped);
    std::printf("  basic term right: %d of %d = %s\n", good, total, percent(good, total).c_str());
    std::printf("  between two terms, one of the two: %d of %d = %s\n", pairGood, pairTotal,
                percent(pairGood, pairTotal).c_str());
    std::printf("  confusion (rows: survey term, columns: our term, in the same order)\n  %s", padded("", 9).c_str());
    for (const char* term : {"čer", "bíl", "šed", "čvn", "ora", "žlu", "zel", "mod", "fia", "růž", "hně", "chyba"})
        std::printf(" %s", padded(term, 4).c_str());
    std::printf("\n");
    for (std::size_t r = 0; r < termCount; ++r) {
        std::printf("  %s", padded(basicTerms()[r], 9).c_str());
        for (const int n : confusion[r])
            std::printf(" %4d", n);
        std::printf("\n");
    }
    if (std::getenv("BENCH_VERBOSE") != nullptr)
        for (const std::string& miss : misses)
            std::printf("  miss: %s\n", miss.c_str());
    std::printf("RESULT naming %s %.1f pair %.1f\n", splitName(options.split), total == 0 ? 0.0 : 100.0 * good / total,
                pairTotal == 0 ? 0.0 : 100.0 * pairGood / pairTotal);
    return 0;
}

} // namespace vestiscop::bench

// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop_bench naming: the basic terms of the survey colours.

#include "BenchCommands.h"
#include "color/BorderTerms.h"

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

color::LabPixel meanLab(const color::ColorCluster& c)
{
    return {static_cast<std::uint8_t>(c.meanL()), static_cast<std::int8_t>(c.meanA()), static_cast<std::int8_t>(c.meanB())};
}

// How much further the nearest entry of another basic term lies than the
// nearest entry (BorderTerms' rule), and that term: for trying margins.
struct Border {
    double gap = 1e9;
    int other = -1;
};

Border borderOf(const color::ColorNameTable& names, const color::BorderTerms& borders, color::LabPixel lab)
{
    const auto distance = [&lab](const color::ColorName& e) {
        const int dl = int{e.lab.l} - int{lab.l};
        const int da = int{e.lab.a} - int{lab.a};
        const int db = int{e.lab.b} - int{lab.b};
        return std::sqrt(static_cast<double>(dl * dl + da * da + db * db));
    };
    const color::ColorName& nearest = names.nearest(lab);
    const std::string& term = borders.termOf(nearest);
    Border border;
    double otherDistance = 1e9;
    for (const color::ColorName& e : names.entries())
        if (borders.termOf(e) != term && distance(e) < otherDistance) {
            otherDistance = distance(e);
            border.other = basicTermIndex(borders.termOf(e));
        }
    border.gap = otherDistance - distance(nearest);
    return border;
}

} // namespace

int runNaming(const Options& options)
{
    // --border TERMS_TABLE: a second word at a border between basic terms
    // (color/BorderTerms.h), TERMS_TABLE the basic table of the same entries.
    std::vector<std::string> arguments;
    std::string bordersTable;
    for (std::size_t i = 0; i < options.arguments.size(); ++i) {
        if (options.arguments[i] == "--border" && i + 1 < options.arguments.size())
            bordersTable = options.arguments[++i];
        else
            arguments.push_back(options.arguments[i]);
    }
    if (arguments.size() < 4 || arguments.size() > 5)
        throw std::invalid_argument("naming SURVEY.tsv SURVEY-MAP NAMES-MAP [TABLE] [--border TERMS_TABLE]");
    if (options.folds > 0 && options.split != Split::Tune)
        throw std::invalid_argument("--fold splits the tuning part: --split tune");
    const Setup setup = loadSetup(options.config);
    const auto survey = loadSurvey(arguments[1]);
    const auto surveyMap = loadTermMap(arguments[2]);
    const auto namesMap = loadTermMap(arguments[3]);
    const std::string table =
        tablePath(setup, arguments.size() == 5 ? arguments[4] : setup.settings.color.definitions);
    const color::ColorNameTable names = color::ColorNameTable::load(table);
    std::unique_ptr<color::BorderTerms> borders;
    if (!bordersTable.empty())
        borders = std::make_unique<color::BorderTerms>(names,
                                                       color::ColorNameTable::load(tablePath(setup, bordersTable)));
    // Per scored colour: the terms a person accepts, our first word's term
    // and the border, to count the second word at other margins.
    struct Scored {
        std::vector<int> expected;
        int got;
        Border border;
    };
    std::vector<Scored> scored;
    int secondRight = 0;  // with the second word: names between two terms, either word right
    int needless = 0;     // one-term colours given a second word
    for (const color::ColorName& entry : names.entries())
        if (namesMap.find(entry.name) == namesMap.end() || namesMap.at(entry.name) == "-")
            throw std::runtime_error(arguments[3] + ": no basic term for our colour name " + entry.name);

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
        std::string second;
        try {
            analyzer->analyze(render(fabric, scan));
            const color::ColorCluster& colour = analyzer->result().colors.front();
            ourName = colour.color->name;
            got = basicTermIndex(namesMap.at(ourName));
            if (borders) {
                second = borders->alternative(meanLab(colour));
                scored.push_back({expected, got, borderOf(names, *borders, meanLab(colour))});
            }
        } catch (const foundation::VisionError&) {
        }
        const bool right = std::find(expected.begin(), expected.end(), got) != expected.end();
        const bool secondGood =
            !second.empty() && std::find(expected.begin(), expected.end(), basicTermIndex(second)) != expected.end();
        if (expected.size() == 1)
            needless += second.empty() ? 0 : 1;
        else
            secondRight += right || secondGood ? 1 : 0;
        if (!second.empty())
            ourName += " / " + second;
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
    if (borders) {
        std::printf("  with a second word at a border (margin %.1f): between two terms, either word right: %d of %d = %s;"
                    " one-term colours given a second word: %d of %d = %s\n",
                    color::BorderTerms::Margin, secondRight, pairTotal, percent(secondRight, pairTotal).c_str(), needless,
                    total, percent(needless, total).c_str());
        std::printf("  other margins: between two terms, either word right; one-term colours given a second word\n");
        for (double margin = 0; margin <= 8.01; margin += 0.5) {
            int pairs = 0;
            int pairsRight = 0;
            int ones = 0;
            int onesSecond = 0;
            for (const Scored& s : scored) {
                const bool hasSecond = s.border.gap < margin;
                const auto accepted = [&s](int term) {
                    return std::find(s.expected.begin(), s.expected.end(), term) != s.expected.end();
                };
                if (s.expected.size() == 1) {
                    ++ones;
                    onesSecond += hasSecond ? 1 : 0;
                } else {
                    ++pairs;
                    pairsRight += accepted(s.got) || (hasSecond && accepted(s.border.other)) ? 1 : 0;
                }
            }
            std::printf("  margin %4.1f: %3d of %3d = %s  %3d of %3d = %s\n", margin, pairsRight, pairs,
                        percent(pairsRight, pairs).c_str(), onesSecond, ones, percent(onesSecond, ones).c_str());
        }
        std::printf("RESULT naming-border %s pair %.1f second %.1f\n", splitName(options.split),
                    pairTotal == 0 ? 0.0 : 100.0 * secondRight / pairTotal, total == 0 ? 0.0 : 100.0 * needless / total);
    }
    if (std::getenv("BENCH_VERBOSE") != nullptr)
        for (const std::string& miss : misses)
            std::printf("  miss: %s\n", miss.c_str());
    std::printf("RESULT naming %s %.1f pair %.1f\n", splitName(options.split), total == 0 ? 0.0 : 100.0 * good / total,
                pairTotal == 0 ? 0.0 : 100.0 * pairGood / pairTotal);
    return 0;
}

} // namespace vestiscop::bench

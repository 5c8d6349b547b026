// SPDX-License-Identifier: GPL-3.0-or-later
// Measures how well the shipped configuration names colours, classifies
// patterns and recognises garments, driving the analysis in this process.
//
//   vestiscop_bench [--config FILE] [--split tune|check] [--per-family N] [--fold K/N] [--rounds N] COMMAND
//
//   naming SURVEY.tsv SURVEY-MAP NAMES-MAP [TABLE]
//       Names a uniform noisy patch of every mapped survey colour (the
//       part of the list that --split selects) and compares the basic term
//       of our name with the basic term of the survey name; names between
//       two basic terms are scored apart (either term is right). With
//       --fold K/N only fold K of N of the tuning part is scored (a table
//       fitted without it: make_color_table --fold K/N).
//   pattern        Pattern text per fabric family, with the confusion matrix.
//   sweep          Pattern accuracy per class while one setting at a time
//                  (XRes/YRes, Filter, LumaScale, ClusterThr, HistSmooth,
//                  MaxBins) moves away from the configured value.
//   grid           Pattern accuracy per class for every combination of
//                  XRes/YRes, Filter, ClusterThr and HistSmooth around the
//                  defaults, ranked by the worst class (for tuning).
//   whites         White, cream and light grey fabrics named bílá,
//                  smetanová and světle šedá (Whites.h).
//   fit [DEPTH]    Fits the improved analysis's pattern rules (FabricBench.cpp).
//   fabric [NAMES-MAP]
//                  The standard and the improved analysis side by side.
//   recognition [grid | from TABLE]
//                  Catalogue of garments added from one scan each; how
//                  re-scans and unrelated garments are matched. With "grid"
//                  also a search over the [Matching] values; with "from
//                  TABLE" the garments are added with another colour table
//                  (a catalogue made before the table changed). When the
//                  configuration names [Matching] Signatures, the same
//                  scans are also matched that way (the configured matching).
//   rescans [standard|improved] [grid] [cap] [weave] [misses]
//                  40 garments added from one scan each and 10 never added,
//                  re-scanned shifted by up to 20 mm and turned by up to 3
//                  degrees: the classic matching and the signature matching
//                  side by side, before and after corrections, with the
//                  analysis the configuration names or the one given. With
//                  "grid" also a search over the signature matching's values,
//                  with "misses" every re-scan not matched right, with
//                  "cap" a search over the spectrum's cap, the motifs'
//                  spectrum weight and the ambiguity margin. On the
//                  tuning part, --rounds N repeats it all on N sets of 50
//                  garments (the first set is the one of --rounds 1), each
//                  with its own catalogue of 40, and adds up the counts: a
//                  tuning part large enough to show misses; --catalogue K
//                  puts K of those sets into one catalogue (K x 40 known
//                  garments, K x 10 unknown), so that garments of one
//                  colour and kind meet. "weave" searches the weave's
//                  weight and blur tolerance. BENCH_PAIRS=FILE writes the
//                  distance terms of every scan to every known garment.
//                  The checking part is always the one set.
//
// The configuration defaults to data/vestiscop.cfg of the source tree; the
// colour table is its Definitions path, relative to the configuration's
// folder. Figures go to standard output as aligned text tables.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "BasicTerms.h"
#include "Corpus.h"
#include "FabricBench.h"
#include "Garment.h"
#include "Whites.h"
#include "catalog/GarmentCatalog.h"
#include "signature/GarmentSignature.h"
#include "signature/Recognizer.h"
#include "analysis/Analyser.h"
#include "color/ColorAnalyzer.h"
#include "color/ColorNameTable.h"
#include "pattern/PatternKind.h"
#include "foundation/Exception.h"
#include "foundation/IniFile.h"
#include "foundation/MessageCatalog.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"

using namespace vestiscop;
using namespace vestiscop::bench;

namespace {

struct Options {
    std::string config = VESTISCOP_SOURCE_DIR "/data/vestiscop.cfg";
    Split split = Split::Check;
    int perFamily = 8;
    int fold = -1;  // --fold K/N: fold K of N of the survey's tuning part
    int folds = 0;
    int rounds = 1;  // --rounds N: rescans on N sets of garments (tuning part only)
    int catalogue = 1;  // --catalogue K: rescans with K sets in one catalogue (tuning part only)
    std::vector<std::string> arguments;
};

struct Setup {
    foundation::AllSettings settings;
    std::string dataDir;
    bool improved = false;  // [Texture] Analysis = improved
};

Setup loadSetup(const std::string& config)
{
    Setup setup;
    foundation::IniFile ini(config, ';');
    foundation::readAllSettings(ini, setup.settings);
    setup.dataDir = std::filesystem::path(ini.path()).parent_path().string() + "/";
    ini.setSection("Texture");
    setup.improved = ini.readRaw("Analysis") == "improved";
    return setup;
}

// The analysis the configuration names, as the program builds it: the
// improved one when [Texture] Analysis says so.
std::unique_ptr<analysis::Analyser> configuredAnalyser(const Setup& setup, const foundation::TextureSettings& region,
                                                       const color::ColorNameTable& names)
{
    const auto& s = setup.settings;
    return analysis::makeAnalyser(setup.improved, s.color, region, s.scan, names);
}

std::string tablePath(const Setup& setup, const std::string& definitions)
{
    return std::filesystem::path(definitions).is_absolute() ? definitions : setup.dataDir + definitions;
}

const int PatternCount = 5;
const int AnalysisFailed = PatternCount;  // the extra column of a confusion matrix

std::string patternText(int code)
{
    return code == AnalysisFailed ? "(chyba)" : foundation::loadString(1000 + code);
}

// Analyses one image; the pattern code, or AnalysisFailed.
int analysePattern(color::ColorAnalyzer& analyzer, std::unique_ptr<imaging::RgbImage> image)
{
    try {
        analyzer.analyze(std::move(image));
        return analyzer.pattern();
    } catch (const foundation::VisionError&) {
        return AnalysisFailed;
    }
}

// Pads to a width in characters (the texts are UTF-8).
std::string padded(const std::string& text, std::size_t width)
{
    std::size_t chars = 0;
    for (const char c : text)
        chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return text + std::string(chars < width ? width - chars : 0, ' ');
}

std::string percent(int good, int total)
{
    char text[32];
    std::snprintf(text, sizeof text, "%5.1f%%", total == 0 ? 0.0 : 100.0 * good / total);
    return text;
}

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

// --------------------------------------------------------------- pattern

struct RenderedCase {
    const CorpusCase* source;
    std::unique_ptr<imaging::RgbImage> image;
};

// Renders every case, the cases shared out among the processors (drawing a
// scan touches nothing but its own fabric and image).
std::vector<RenderedCase> renderCorpus(const std::vector<CorpusCase>& corpus, double xDpi, double yDpi, int width,
                                       int height)
{
    std::vector<RenderedCase> rendered(corpus.size());
    const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
    {
        std::vector<std::jthread> threads;
        for (unsigned w = 0; w < workers; ++w)
            threads.emplace_back([&, w] {
                for (std::size_t i = w; i < corpus.size(); i += workers) {
                    Scan scan = corpus[i].scan;
                    scan.xDpi = xDpi;
                    scan.yDpi = yDpi;
                    scan.width = width;
                    scan.height = height;
                    rendered[i] = {&corpus[i], render(corpus[i].fabric, scan)};
                }
            });
    }
    return rendered;
}

std::unique_ptr<imaging::RgbImage> copyOf(const imaging::RgbImage& image)
{
    auto copy = imaging::RgbImage::create(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(image.row(y), image.rowBytes(), copy->row(y));
    return copy;
}

std::vector<int> classifyAll(const std::vector<RenderedCase>& cases, const foundation::ColorSettings& colour,
                             const foundation::TextureSettings& texture, const color::ColorNameTable& names)
{
    color::ColorAnalyzer analyzer(colour, texture, names);
    std::vector<int> results;
    for (const RenderedCase& c : cases)
        results.push_back(analysePattern(analyzer, copyOf(*c.image)));
    return results;
}

// Accuracy per expected class (percent), in class order.
std::vector<double> classAccuracy(const std::vector<RenderedCase>& cases, const std::vector<int>& results,
                                  const std::function<bool(const Fabric&)>& counts = {})
{
    std::vector<int> good(PatternCount, 0);
    std::vector<int> total(PatternCount, 0);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Fabric& fabric = cases[i].source->fabric;
        if (counts && !counts(fabric))
            continue;
        const int expected = static_cast<int>(fabric.kind);
        ++total[expected];
        good[expected] += results[i] == expected ? 1 : 0;
    }
    std::vector<double> accuracy;
    for (int k = 0; k < PatternCount; ++k)
        accuracy.push_back(total[k] == 0 ? 0.0 : 100.0 * good[k] / total[k]);
    return accuracy;
}

bool stripesFrom3mm(const Fabric& fabric)
{
    return fabric.kind != Kind::Stripes ||
           (fabric.family != "pinstripe 1mm" && fabric.family != "stripes 2mm");
}

int runPattern(const Options& options)
{
    const Setup setup = loadSetup(options.config);
    const auto& s = setup.settings;
    const color::ColorNameTable names = color::ColorNameTable::load(tablePath(setup, s.color.definitions));
    const auto corpus = patternCorpus(options.split, options.perFamily);
    const auto cases = renderCorpus(corpus, s.scan.xRes, s.scan.yRes, s.texture.width, s.texture.height);
    const auto results = classifyAll(cases, s.color, s.texture, names);

    std::printf("Pattern, %s part: %d fabrics per family at %g x %g dpi, region %d x %d\n", splitName(options.split),
                options.perFamily, s.scan.xRes, s.scan.yRes, s.texture.width, s.texture.height);
    std::printf("  %-20s %-14s %7s   %s\n", "family", "expected", "right", " Bez Prou Kost Punt Nezn chyba");
    std::map<std::string, std::vector<int>> rows;
    std::vector<std::string> order;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string& family = cases[i].source->fabric.family;
        if (rows.find(family) == rows.end()) {
            rows[family] = std::vector<int>(PatternCount + 1, 0);
            order.push_back(family);
        }
        ++rows[family][static_cast<std::size_t>(results[i])];
    }
    for (const std::string& family : order) {
        const auto& row = rows[family];
        int expected = 0;
        for (const FabricFamily& f : patternFamilies())
            if (f.name == family)
                expected = static_cast<int>(f.kind);
        int total = 0;
        for (const int n : row)
            total += n;
        std::printf("  %-20s %s %7s  ", family.c_str(), padded(patternText(expected), 14).c_str(),
                    percent(row[static_cast<std::size_t>(expected)], total).c_str());
        for (const int n : row)
            std::printf(" %4d", n);
        std::printf("\n");
    }
    const auto all = classAccuracy(cases, results);
    const auto wide = classAccuracy(cases, results, stripesFrom3mm);
    std::printf("  per class:");
    for (int k = 0; k < PatternCount; ++k)
        std::printf("  %s %.1f%%", patternText(k).c_str(), all[static_cast<std::size_t>(k)]);
    std::printf("\n  stripes 3 mm and wider: %.1f%%\n", wide[1]);
    std::printf("RESULT pattern %s plain %.1f stripes3 %.1f check %.1f dots %.1f motif %.1f stripesAll %.1f\n",
                splitName(options.split), all[0], wide[1], all[2], all[3], all[4], all[1]);
    return 0;
}

// ----------------------------------------------------------------- sweep

struct SweepPoint {
    std::string axis;
    std::string value;
    foundation::AllSettings settings;
};

std::vector<SweepPoint> sweepPoints(const foundation::AllSettings& shipped)
{
    std::vector<SweepPoint> points;
    const auto add = [&](const std::string& axis, double value, const std::function<void(foundation::AllSettings&)>& set) {
        SweepPoint p{axis, "", shipped};
        set(p.settings);
        char text[32];
        std::snprintf(text, sizeof text, "%g", value);
        p.value = text;
        points.push_back(p);
    };
    for (const double dpi : {100.0, 150.0, 200.0, 300.0})
        add("XRes/YRes", dpi, [dpi](auto& s) { s.scan.xRes = s.scan.yRes = dpi; });
    for (const double v : {0.0, 1.0, 1.5, 2.0, 3.0})
        add("Filter", v, [v](auto& s) { s.color.filter = v; });
    for (const double v : {1.0, 1.5, 2.0})
        add("LumaScale", v, [v](auto& s) { s.color.lumaScale = v; });
    for (const double v : {0.01, 0.02, 0.03, 0.05})
        add("ClusterThr", v, [v](auto& s) { s.color.clusterThr = v; });
    for (const double v : {0.25, 1.0, 4.0, 16.0})
        add("HistSmooth", v, [v](auto& s) { s.color.histSmooth = v; });
    for (const double v : {6.0, 8.0, 12.0, 16.0})
        add("MaxBins", v, [v](auto& s) { s.color.maxBins = static_cast<int>(v); });
    return points;
}

bool sameAnalysis(const foundation::AllSettings& a, const foundation::AllSettings& b)
{
    return a.scan.xRes == b.scan.xRes && a.scan.yRes == b.scan.yRes && a.color.filter == b.color.filter &&
           a.color.lumaScale == b.color.lumaScale && a.color.clusterThr == b.color.clusterThr &&
           a.color.histSmooth == b.color.histSmooth && a.color.maxBins == b.color.maxBins;
}

int runSweep(const Options& options)
{
    const Setup setup = loadSetup(options.config);
    const auto& shipped = setup.settings;
    const color::ColorNameTable names = color::ColorNameTable::load(tablePath(setup, shipped.color.definitions));
    const auto corpus = patternCorpus(options.split, options.perFamily);
    std::map<double, std::vector<RenderedCase>> byDpi;
    std::printf("Sweep, %s part, %d fabrics per family; accuracy per class in %%; * = configured value\n",
                splitName(options.split), options.perFamily);
    std::printf("  %-11s %6s  %6s %6s %6s %6s %6s  %6s\n", "setting", "value", "plain", "str>=3", "check", "dots",
                "motif", "mean");
    std::vector<double> best(PatternCount + 1, -1);
    std::vector<std::string> bestAt(PatternCount + 1);
    std::vector<double> atShipped;
    std::map<std::string, std::vector<double>> cache;  // one line per distinct setting
    for (const SweepPoint& p : sweepPoints(shipped)) {
        const double dpi = p.settings.scan.xRes;
        auto& cases = byDpi[dpi];
        if (cases.empty())
            cases = renderCorpus(corpus, p.settings.scan.xRes, p.settings.scan.yRes, shipped.texture.width,
                                 shipped.texture.height);
        const auto results = classifyAll(cases, p.settings.color, shipped.texture, names);
        auto acc = classAccuracy(cases, results, stripesFrom3mm);
        double mean = 0;
        for (const double a : acc)
            mean += a / PatternCount;
        acc.push_back(mean);
        const bool isShipped = sameAnalysis(p.settings, shipped);
        if (isShipped)
            atShipped = acc;
        std::printf("  %-11s %5s%s ", p.axis.c_str(), p.value.c_str(), isShipped ? "*" : " ");
        for (std::size_t k = 0; k < acc.size(); ++k) {
            std::printf(" %6.1f", acc[k]);
            if (acc[k] > best[k]) {
                best[k] = acc[k];
                bestAt[k] = p.axis + " " + p.value;
            }
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    static const char* const labels[] = {"plain", "stripes>=3mm", "check", "dots", "motif", "mean"};
    std::printf("  class         configured   best  (at)\n");
    bool within = true;
    for (std::size_t k = 0; k <= PatternCount; ++k) {
        std::printf("  %-13s %9.1f %7.1f  (%s)\n", labels[k], atShipped.empty() ? -1.0 : atShipped[k], best[k],
                    bestAt[k].c_str());
        if (k < PatternCount && !atShipped.empty() && atShipped[k] + 3 < best[k])
            within = false;
    }
    std::printf("RESULT sweep %s within3 %s short", splitName(options.split), within ? "yes" : "no");
    for (std::size_t k = 0; k < PatternCount; ++k)
        std::printf(" %.1f", atShipped.empty() ? best[k] : std::max(0.0, best[k] - atShipped[k]));
    std::printf("\n");
    return 0;
}

// ------------------------------------------------------------------ grid

// Pattern accuracy per class for every combination of the settings that
// moved a class in the sweep, to find values that are good for every class
// at once rather than for one. For choosing the defaults on the tuning part;
// not part of ./bench.sh.
int runGrid(const Options& options)
{
    const Setup setup = loadSetup(options.config);
    const auto& shipped = setup.settings;
    const color::ColorNameTable names = color::ColorNameTable::load(tablePath(setup, shipped.color.definitions));
    const auto corpus = patternCorpus(options.split, options.perFamily);
    std::printf("Grid, %s part, %d fabrics per family; accuracy per class in %%\n", splitName(options.split),
                options.perFamily);
    std::printf("  %5s %6s %6s %6s  %6s %6s %6s %6s %6s  %6s\n", "dpi", "Filter", "Thr", "Smooth", "plain", "str>=3",
                "check", "dots", "motif", "mean");
    struct Row {
        double dpi, filter, threshold, smooth;
        std::vector<double> accuracy;  // per class, then the mean
    };
    std::vector<Row> rows;
    for (const double dpi : {150.0, 200.0, 250.0}) {
        const auto cases = renderCorpus(corpus, dpi, dpi, shipped.texture.width, shipped.texture.height);
        for (const double filter : {1.0, 1.5, 2.0, 3.0})
            for (const double threshold : {0.01, 0.015, 0.02, 0.03})
                for (const double smooth : {1.0, 4.0}) {
                    foundation::ColorSettings colour = shipped.color;
                    colour.filter = filter;
                    colour.clusterThr = threshold;
                    colour.histSmooth = smooth;
                    Row row{dpi, filter, threshold, smooth,
                            classAccuracy(cases, classifyAll(cases, colour, shipped.texture, names), stripesFrom3mm)};
                    double mean = 0;
                    for (const double a : row.accuracy)
                        mean += a / PatternCount;
                    row.accuracy.push_back(mean);
                    std::printf("  %5g %6g %6g %6g ", dpi, filter, threshold, smooth);
                    for (const double a : row.accuracy)
                        std::printf(" %6.1f", a);
                    std::printf("\n");
                    std::fflush(stdout);
                    rows.push_back(row);
                }
    }
    // Ranked by the largest shortfall of any class from that class's best
    // in the grid, then by the mean.
    const auto classes = static_cast<std::size_t>(PatternCount);
    std::vector<double> best(classes, 0);
    for (const Row& row : rows)
        for (std::size_t k = 0; k < classes; ++k)
            best[k] = std::max(best[k], row.accuracy[k]);
    auto shortfall = [&](const Row& row) {
        double worst = 0;
        for (std::size_t k = 0; k < classes; ++k)
            worst = std::max(worst, best[k] - row.accuracy[k]);
        return worst;
    };
    std::sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        return shortfall(a) != shortfall(b) ? shortfall(a) < shortfall(b) : a.accuracy.back() > b.accuracy.back();
    });
    std::printf("  best per class:");
    for (const double b : best)
        std::printf(" %.1f", b);
    std::printf("\n  ten best combinations (largest shortfall from a class's best, mean):\n");
    for (std::size_t i = 0; i < rows.size() && i < 10; ++i)
        std::printf("  %5g %6g %6g %6g  shortfall %5.1f  mean %5.1f\n", rows[i].dpi, rows[i].filter, rows[i].threshold,
                    rows[i].smooth, shortfall(rows[i]), rows[i].accuracy.back());
    return 0;
}

// ----------------------------------------------------------- recognition

struct MatchCounts {
    int right = 0;
    int wrong = 0;
    int rejected = 0;
    int rescans = 0;
    int strangerMatched = 0;
    int strangerScans = 0;

    // Counts one scan's match; a garment never added has no slot (-1).
    // True when a known garment's scan was not matched to it, so that the
    // replay corrects it as a user would.
    bool count(int found, int slot)
    {
        if (slot < 0) {
            ++strangerScans;
            strangerMatched += found >= 0 ? 1 : 0;
            return false;
        }
        ++rescans;
        if (found == slot) {
            ++right;
            return false;
        }
        ++(found < 0 ? rejected : wrong);
        return true;
    }
};

// A catalogue file of its own in memory-backed storage where there is
// one, so that the durable writes of the catalogue cost nothing.
std::string scratchCatalogue()
{
    const std::string dir = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    return dir + "/vestiscop-bench-" + std::to_string(::getpid()) + ".dat";
}

// The first `known` garments are added from scan 0; every later scan of
// them should be matched to them; the scans of the others to nothing. A
// scan that is not matched right is corrected into its garment, as a user
// who tells the program which garment it is.
MatchCounts replay(const std::vector<std::vector<color::ColorAnalysis>>& records, int known,
                   const foundation::MatchingSettings& matching, const std::vector<GarmentScans>* explain = nullptr)
{
    foundation::MatchingSettings settings = matching;
    settings.materials = scratchCatalogue();
    std::filesystem::remove(settings.materials);
    MatchCounts counts;
    {
        catalog::GarmentCatalog catalogue(settings);
        std::vector<int> slot(records.size(), -1);
        for (int g = 0; g < known; ++g)
            slot[static_cast<std::size_t>(g)] = catalogue.add(records[static_cast<std::size_t>(g)][0], "g" + std::to_string(g));
        const std::size_t scans = records.front().size();
        for (std::size_t s = 1; s < scans; ++s) {
            for (std::size_t g = 0; g < records.size(); ++g) {
                double similarity = 0;
                const int found = catalogue.findMatch(records[g][s], similarity);
                if (!counts.count(found, slot[g]))
                    continue;
                if (explain != nullptr) {
                    const auto lab = [](const color::LabPixel& p) {
                        return std::to_string(p.l) + " " + std::to_string(p.a) + " " + std::to_string(p.b);
                    };
                    const color::ColorAnalysis& r = records[g][s];
                    std::printf("    garment %zu (%s) scan %zu: A %s %.2f, B %s -> %s\n", g,
                                (*explain)[g].fabric.family.c_str(), s, lab(r.colorA).c_str(), r.shareA,
                                lab(r.colorB).c_str(),
                                found < 0 ? "rejected"
                                          : ("garment " + std::to_string(found) + " (" +
                                             (*explain)[static_cast<std::size_t>(found)].fabric.family + ")")
                                                .c_str());
                }
                catalogue.correct(slot[g], records[g][s]);
            }
        }
        // The strangers' first scans too.
        for (std::size_t g = static_cast<std::size_t>(known); g < records.size(); ++g) {
            double similarity = 0;
            counts.count(catalogue.findMatch(records[g][0], similarity), -1);
        }
    }
    std::filesystem::remove(settings.materials);
    return counts;
}

// The same replay through the matching that the configuration's [Matching]
// Signatures names, with each scan's signature beside its record.
MatchCounts replaySignatures(const std::vector<std::vector<color::ColorAnalysis>>& records,
                             const std::vector<std::vector<signature::GarmentSignature>>& signatures, int known,
                             const foundation::AllSettings& all, signature::RecognitionSettings recognition)
{
    foundation::MatchingSettings matching = all.matching;
    matching.materials = scratchCatalogue();
    recognition.signatures = matching.materials + ".sig";
    std::filesystem::remove(matching.materials);
    std::filesystem::remove(recognition.signatures);
    MatchCounts counts;
    {
        catalog::GarmentCatalog catalogue(matching);
        signature::Recognizer recognizer(catalogue, matching, recognition, all.color, all.scan);
        std::vector<int> slot(records.size(), -1);
        for (std::size_t g = 0; g < static_cast<std::size_t>(known); ++g)
            slot[g] = recognizer.add(records[g][0], signatures[g][0], "g" + std::to_string(g));
        const auto match = [&](std::size_t g, std::size_t s) {
            double similarity = 0;
            return recognizer.findMatch(records[g][s], signatures[g][s], similarity);
        };
        for (std::size_t s = 1; s < records.front().size(); ++s)
            for (std::size_t g = 0; g < records.size(); ++g) {
                if (counts.count(match(g, s), slot[g]))
                    recognizer.correct(slot[g], records[g][s], signatures[g][s]);
            }
        for (std::size_t g = static_cast<std::size_t>(known); g < records.size(); ++g)
            counts.count(match(g, 0), -1);
    }
    std::filesystem::remove(matching.materials);
    std::filesystem::remove(recognition.signatures);
    return counts;
}

double score(const MatchCounts& c)
{
    const double right = 100.0 * c.right / c.rescans;
    const double wrong = 100.0 * c.wrong / c.rescans;
    const double stranger = 100.0 * c.strangerMatched / c.strangerScans;
    // A wrong name is worse than none: the user trusts it.
    return right - 4 * wrong - stranger;
}

void printCounts(const char* label, const MatchCounts& c)
{
    std::printf("  %-28s right %s  wrong %s  rejected %s  unrelated matched %s (%d + %d + %d of %d; %d of %d)\n",
                label, percent(c.right, c.rescans).c_str(), percent(c.wrong, c.rescans).c_str(),
                percent(c.rejected, c.rescans).c_str(), percent(c.strangerMatched, c.strangerScans).c_str(), c.right,
                c.wrong, c.rejected, c.rescans, c.strangerMatched, c.strangerScans);
}

int runRecognition(const Options& options)
{
    const Setup setup = loadSetup(options.config);
    const auto& s = setup.settings;
    const color::ColorNameTable names = color::ColorNameTable::load(tablePath(setup, s.color.definitions));
    const int garments = 40;
    const int known = 30;
    const int scans = 5;
    const auto corpus = recognitionCorpus(options.split, garments, scans);
    const std::unique_ptr<analysis::Analyser> analyzer = configuredAnalyser(setup, s.texture, names);
    // "from TABLE": the garments were added with another colour table (an
    // older catalogue), the re-scans use the configured one.
    const bool older = options.arguments.size() == 3 && options.arguments[1] == "from";
    const color::ColorNameTable addedNames = older ? color::ColorNameTable::load(tablePath(setup, options.arguments[2])) : names;

    foundation::IniFile ini(options.config, ';');
    const signature::RecognitionSettings recognition = signature::readRecognitionSettings(ini);
    const std::unique_ptr<analysis::Analyser> addedAnalyzer = configuredAnalyser(setup, s.texture, addedNames);
    std::vector<std::vector<color::ColorAnalysis>> records;
    std::vector<std::vector<signature::GarmentSignature>> signatures;
    for (const GarmentScans& g : corpus) {
        records.emplace_back();
        signatures.emplace_back();
        for (Scan scan : g.scans) {
            const bool added = records.size() <= static_cast<std::size_t>(known) && records.back().empty();
            analysis::Analyser& scanAnalyzer = older && added ? *addedAnalyzer : *analyzer;
            scan.xDpi = s.scan.xRes;
            scan.yDpi = s.scan.yRes;
            scan.width = s.texture.width;
            scan.height = s.texture.height;
            color::ColorAnalysis record;
            signature::GarmentSignature sig;
            try {
                scanAnalyzer.analyze(render(g.fabric, scan));
                record = scanAnalyzer.result().record;
                if (!recognition.signatures.empty())
                    sig = signature::describe(scanAnalyzer.result(), s.color, s.scan);
            } catch (const foundation::VisionError&) {
                record.valid = 1;  // an empty record: matches nothing near
            }
            records.back().push_back(record);
            signatures.back().push_back(sig);
        }
    }
    std::printf("Recognition, %s part: %d garments added from one scan, %d re-scans each; %d unrelated garments, %d scans "
                "each; %s analysis\n",
                splitName(options.split), known, scans - 1, garments - known, scans, setup.improved ? "improved" : "standard");
    const MatchCounts shipped =
        replay(records, known, s.matching, std::getenv("BENCH_VERBOSE") != nullptr ? &corpus : nullptr);
    printCounts("configured [Matching]", shipped);
    std::printf("RESULT recognition %s right %.1f wrong %.1f rejected %.1f unrelated %.1f\n", splitName(options.split),
                100.0 * shipped.right / shipped.rescans, 100.0 * shipped.wrong / shipped.rescans,
                100.0 * shipped.rejected / shipped.rescans, 100.0 * shipped.strangerMatched / shipped.strangerScans);
    if (!recognition.signatures.empty()) {
        // What the configuration itself does: the same scans, signatures on.
        const MatchCounts c = replaySignatures(records, signatures, known, s, recognition);
        printCounts("configured, signatures on", c);
        std::printf("RESULT signature-recognition %s right %.1f wrong %.1f rejected %.1f unrelated %.1f\n",
                    splitName(options.split), 100.0 * c.right / c.rescans, 100.0 * c.wrong / c.rescans,
                    100.0 * c.rejected / c.rescans, 100.0 * c.strangerMatched / c.strangerScans);
    }
    if (std::find(options.arguments.begin(), options.arguments.end(), "grid") == options.arguments.end())
        return 0;

    foundation::MatchingSettings best = s.matching;
    MatchCounts bestCounts = shipped;
    // Of equally good settings the first found stays, so the values nearest
    // to the plain defaults (equal weights, share 400, decay 3) come first.
    for (const double lab : {1.0, 0.5, 2.0})
        for (const double share : {400.0, 100.0, 1600.0, 0.0})
            for (const double second : {1.0, 0.5})
                for (const double maxDistance : {400.0, 200.0, 800.0, 100.0, 1600.0, 3200.0})
                    for (const double minSimilarity : {0.5, 0.35, 0.65, 0.2})
                        for (const double decay : {3.0, 1.0, 6.0}) {
                            foundation::MatchingSettings m = s.matching;
                            m.color1Weight = {lab, 1, 1, share};
                            m.color2Weight = {lab * second, second, second, share};
                            m.maxDistance = maxDistance;
                            m.minSimilarity = minSimilarity;
                            m.mergeDecay = decay;
                            const MatchCounts c = replay(records, known, m);
                            if (score(c) > score(bestCounts)) {
                                bestCounts = c;
                                best = m;
                            }
                        }
    std::printf("  best of the grid: Color1Weight = %g %g %g %g  Color2Weight = %g %g %g %g  MaxDistance = %g  "
                "MinSimilarity = %g  MergeDecay = %g\n",
                best.color1Weight[0], best.color1Weight[1], best.color1Weight[2], best.color1Weight[3],
                best.color2Weight[0], best.color2Weight[1], best.color2Weight[2], best.color2Weight[3],
                best.maxDistance, best.minSimilarity, best.mergeDecay);
    printCounts("best of the grid", bestCounts);
    return 0;
}


// ------------------------------------------------------- re-scans
//
// Each garment has 7 scans: 0 adds the known ones, 1-3 are the first round
// of re-scans, 4-6 the second. The second round is measured twice: once
// with the catalogue as added, once after every first-round re-scan that
// was not matched right was corrected into its garment.

struct ScanParts {
    color::ColorAnalysis record;
    signature::GarmentSignature signature;
};

struct RoundCounts {
    int right = 0;
    int wrong = 0;
    int rejected = 0;
    int total = 0;
    std::vector<int> rightPerGarment;
    void count(int found, int expected, int garment)
    {
        ++total;
        if (found == expected) {
            ++right;
            ++rightPerGarment[static_cast<std::size_t>(garment)];
        } else {
            ++(found < 0 ? rejected : wrong);
        }
    }
    RoundCounts& operator+=(const RoundCounts& c)
    {
        right += c.right;
        wrong += c.wrong;
        rejected += c.rejected;
        total += c.total;
        return *this;
    }
};

struct RescanCounts {
    RoundCounts first, secondAsAdded, secondCorrected;
    int strangerMatched = 0;
    int strangerScans = 0;
    int corrected = 0;
    int garmentsWorse = 0;  // garments whose second round lost right matches through corrections
    std::vector<double> ownDistance, otherDistance;
    RescanCounts& operator+=(const RescanCounts& c)
    {
        first += c.first;
        secondAsAdded += c.secondAsAdded;
        secondCorrected += c.secondCorrected;
        strangerMatched += c.strangerMatched;
        strangerScans += c.strangerScans;
        corrected += c.corrected;
        garmentsWorse += c.garmentsWorse;
        ownDistance.insert(ownDistance.end(), c.ownDistance.begin(), c.ownDistance.end());
        otherDistance.insert(otherDistance.end(), c.otherDistance.begin(), c.otherDistance.end());
        return *this;
    }
    // Every re-scan of a known garment without corrections: the first and
    // the later ones.
    RoundCounts all() const
    {
        RoundCounts c = first;
        return c += secondAsAdded;
    }
};

// The scans of each set of garments (--rounds), each set its own catalogue.
using ScanSets = std::vector<std::vector<std::vector<ScanParts>>>;

constexpr int RescanGarments = 50;
constexpr int RescanKnown = 40;
constexpr int RescanScans = 7;
constexpr int WeaveTwinPairs = 10;

RescanCounts replayRescans(const std::vector<std::vector<ScanParts>>& scans, const foundation::AllSettings& all,
                           const signature::RecognitionSettings& recognition, int known = RescanKnown)
{
    RescanCounts counts;
    for (RoundCounts* r : {&counts.first, &counts.secondAsAdded, &counts.secondCorrected})
        r->rightPerGarment.assign(scans.size(), 0);
    for (const bool correcting : {false, true}) {
        foundation::MatchingSettings matching = all.matching;
        matching.materials = scratchCatalogue();
        signature::RecognitionSettings settings = recognition;
        if (!settings.signatures.empty())
            settings.signatures = matching.materials + ".sig";
        std::filesystem::remove(matching.materials);
        std::filesystem::remove(matching.materials + ".sig");
        {
            catalog::GarmentCatalog catalogue(matching);
            signature::Recognizer recognizer(catalogue, matching, settings, all.color, all.scan);
            std::vector<int> slot(scans.size(), -1);
            for (int g = 0; g < known; ++g) {
                const ScanParts& p = scans[static_cast<std::size_t>(g)][0];
                slot[static_cast<std::size_t>(g)] = recognizer.add(p.record, p.signature, "g" + std::to_string(g));
            }
            const auto match = [&](const ScanParts& p) {
                double similarity = 0;
                return recognizer.findMatch(p.record, p.signature, similarity);
            };
            for (std::size_t g = 0; g < scans.size(); ++g) {
                for (int s = 1; s < RescanScans; ++s) {
                    const ScanParts& p = scans[g][static_cast<std::size_t>(s)];
                    if (slot[g] < 0) {
                        if (!correcting) {
                            ++counts.strangerScans;
                            counts.strangerMatched += match(p) >= 0 ? 1 : 0;
                        }
                        continue;
                    }
                    const int found = match(p);
                    if (s <= 3) {
                        if (!correcting)
                            counts.first.count(found, slot[g], static_cast<int>(g));
                        if (correcting && found != slot[g]) {
                            recognizer.correct(slot[g], p.record, p.signature);
                            ++counts.corrected;
                        }
                    } else {
                        (correcting ? counts.secondCorrected : counts.secondAsAdded).count(found, slot[g], static_cast<int>(g));
                    }
                }
            }
            if (correcting) {
                // Unknown garments against the corrected catalogue too.
                for (std::size_t g = known; g < scans.size(); ++g) {
                    ++counts.strangerScans;
                    counts.strangerMatched += match(scans[g][0]) >= 0 ? 1 : 0;
                }
            } else if (!settings.signatures.empty()) {
                // Where the re-scans lie: from their own garment, and from the nearest other.
                for (std::size_t g = 0; g < scans.size(); ++g) {
                    for (int s = g < static_cast<std::size_t>(known) ? 1 : 0; s < RescanScans; ++s) {
                        const auto& sig = scans[g][static_cast<std::size_t>(s)].signature;
                        double other = 1e9;
                        for (std::size_t h = 0; h < static_cast<std::size_t>(known); ++h) {
                            const double d = signature::signatureDistance(sig, scans[h][0].signature, settings.weights);
                            if (h == g)
                                counts.ownDistance.push_back(d);
                            else
                                other = std::min(other, d);
                        }
                        counts.otherDistance.push_back(other);
                    }
                }
            }
        }
        std::filesystem::remove(matching.materials);
        std::filesystem::remove(matching.materials + ".sig");
    }
    for (std::size_t g = 0; g < scans.size(); ++g)
        counts.garmentsWorse += counts.secondCorrected.rightPerGarment[g] < counts.secondAsAdded.rightPerGarment[g] ? 1 : 0;
    return counts;
}

RescanCounts replaySets(const ScanSets& sets, const foundation::AllSettings& all,
                        const signature::RecognitionSettings& recognition, int known = RescanKnown)
{
    RescanCounts sum;
    for (const auto& scans : sets)
        sum += replayRescans(scans, all, recognition, known);
    return sum;
}

std::string roundText(const RoundCounts& r)
{
    return "right " + percent(r.right, r.total) + "  wrong " + percent(r.wrong, r.total) + "  rejected " +
           percent(r.rejected, r.total) + " (" + std::to_string(r.right) + " + " + std::to_string(r.wrong) + " + " +
           std::to_string(r.rejected) + " of " + std::to_string(r.total) + ")";
}

void printRescans(const char* label, const RescanCounts& c)
{
    std::printf("  %s\n", label);
    std::printf("    first re-scans                    %s\n", roundText(c.first).c_str());
    std::printf("    later re-scans, no corrections    %s\n", roundText(c.secondAsAdded).c_str());
    std::printf("    all re-scans, no corrections      %s\n", roundText(c.all()).c_str());
    std::printf("    later re-scans, %2d corrections    %s\n", c.corrected, roundText(c.secondCorrected).c_str());
    std::printf("    garments recognised less after corrections: %d\n", c.garmentsWorse);
    std::printf("    unknown garments matched          %s (%d of %d)\n", percent(c.strangerMatched, c.strangerScans).c_str(),
                c.strangerMatched, c.strangerScans);
}

double rescanScore(const RescanCounts& c)
{
    const double total = c.first.total + c.secondAsAdded.total + c.secondCorrected.total;
    const double right = 100.0 * (c.first.right + c.secondAsAdded.right + c.secondCorrected.right) / total;
    const double wrong = 100.0 * (c.first.wrong + c.secondAsAdded.wrong + c.secondCorrected.wrong) / total;
    const double stranger = c.strangerScans > 0 ? 100.0 * c.strangerMatched / c.strangerScans : 0.0;
    return right - 10 * wrong - 5 * stranger - 5 * c.garmentsWorse;
}

void printQuantiles(const char* label, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("    %-34s", label);
    for (const double q : {0.0, 0.01, 0.05, 0.5, 0.95, 0.99, 1.0})
        std::printf(" %7.2f", v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))]);
    std::printf("\n");
}

// How the first scans of the known garments (the first `known` of scans)
// are matched by the given weights, without corrections: for every other
// scan the nearest and second-nearest garment's distance, own or not.
struct Nearest {
    double own = 1e9;     // from its own garment (1e9 for an unknown one)
    double best = 1e9;    // the nearest other garment
    double second = 1e9;  // the next other garment
};

std::vector<Nearest> nearestDistances(const std::vector<std::vector<ScanParts>>& scans, int known,
                                      const signature::DistanceWeights& weights)
{
    std::vector<Nearest> out;
    for (std::size_t g = 0; g < scans.size(); ++g) {
        for (std::size_t k = g < static_cast<std::size_t>(known) ? 1 : 0; k < scans[g].size(); ++k) {
            Nearest n;
            for (std::size_t h = 0; h < static_cast<std::size_t>(known); ++h) {
                const double d = signature::signatureDistance(scans[g][k].signature, scans[h][0].signature, weights);
                if (h == g) {
                    n.own = d;
                } else if (d < n.best) {
                    n.second = n.best;
                    n.best = d;
                } else if (d < n.second) {
                    n.second = d;
                }
            }
            out.push_back(n);
        }
    }
    return out;
}

std::vector<Nearest> nearestDistances(const ScanSets& sets, int known, const signature::DistanceWeights& weights)
{
    std::vector<Nearest> out;
    for (const auto& scans : sets) {
        const auto n = nearestDistances(scans, known, weights);
        out.insert(out.end(), n.begin(), n.end());
    }
    return out;
}

struct StaticCounts {
    int right = 0;
    int wrong = 0;
    int stranger = 0;
};

StaticCounts countAt(const std::vector<Nearest>& nearest, double maxDistance, double margin)
{
    StaticCounts c;
    for (const Nearest& n : nearest) {
        const bool known = n.own < 1e9;
        const double first = std::min(n.own, n.best);
        const double second = !known || n.own > n.best ? std::min(n.own, n.second) : n.best;
        if (!(first <= maxDistance && second - first >= margin))
            continue;
        if (!known)
            ++c.stranger;
        else if (n.own <= n.best)
            ++c.right;
        else
            ++c.wrong;
    }
    return c;
}

// Texture weights on the tuning part: for each combination, the largest
// acceptance distance at which no scan is matched wrong and no unknown
// garment is matched, and how many re-scans (of the 40 garments and of the
// weave pairs) are right there.
void weightGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
                const signature::RecognitionSettings& recognition, int knownCount)
{
    struct Row {
        signature::DistanceWeights w;
        double maxDistance;
        StaticCounts main, pairs;
    };
    std::vector<Row> rows;
    for (const double weave : {0.0, 2.0, 4.0, 8.0, 16.0})
        for (const double layout : {0.0, 0.25, 0.5, 1.0})
            for (const double contrast : {4.0, 2.0})
            for (const double floor : {1e-5, 3e-6, 1e-6}) {
                signature::DistanceWeights w = recognition.weights;
                w.weaveFloor = floor;
                w.weaveWeight = weave;
                w.layoutWeight = layout;
                w.contrastWeight = contrast;
                const auto main = nearestDistances(scans, knownCount, w);
                const auto pairs = nearestDistances(twins, static_cast<int>(twins.size()), w);
                Row row{w, 0, {}, {}};
                for (double t = 4; t <= 30; t += 0.5) {
                    const StaticCounts m = countAt(main, t, recognition.ambiguityMargin);
                    const StaticCounts p = countAt(pairs, t, recognition.ambiguityMargin);
                    if (std::getenv("BENCH_VERBOSE") != nullptr)
                        std::printf("    weave %g layout %g contrast %g at %g: %d/%d/%d pairs %d/%d\n", weave, layout,
                                    contrast, t, m.right, m.wrong, m.stranger, p.right, p.wrong);
                    // Nothing wrong among the 40 garments and the unknown
                    // ones; the weave pairs are reported at that distance.
                    if (m.wrong + m.stranger > 0)
                        break;
                    row = Row{w, t, m, p};
                }
                rows.push_back(row);
            }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.main.right + a.pairs.right - 10 * a.pairs.wrong > b.main.right + b.pairs.right - 10 * b.pairs.wrong;
    });
    std::printf("  texture weights, best first (re-scans right of 240 and of 120 weave-pair re-scans, at the largest "
                "acceptance distance with no scan of the 50 garments matched wrong):\n");
    for (std::size_t i = 0; i < rows.size() && i < 25; ++i)
        std::printf("    weave %4g (floor %g) layout %4g contrast %g: acceptance %4.1f  right %3d + %3d (pairs wrong %d)\n",
                    rows[i].w.weaveWeight, rows[i].w.weaveFloor, rows[i].w.layoutWeight, rows[i].w.contrastWeight, rows[i].maxDistance,
                    rows[i].main.right, rows[i].pairs.right, rows[i].pairs.wrong);
}

// The cap on the spectrum's terms, the acceptance distance and the
// ambiguity margin on the tuning part, without corrections (one example per
// garment, every re-scan). The floor of unknown scans is what the shipped
// values match at distance 8 already (garments the colours and the texture
// cannot tell apart at all); a distance is allowed while no scan is matched
// wrong and no further unknown scan is matched. Best: the most right.
void capGrid(const ScanSets& scans, const signature::RecognitionSettings& recognition, int knownCount)
{
    const int floor = countAt(nearestDistances(scans, knownCount, recognition.weights), 8, recognition.ambiguityMargin).stranger;
    std::printf("  spectrum cap grid (every re-scan, no corrections; unknown scans matched at distance 8 with the shipped "
                "values: %d)\n", floor);
    struct Best {
        double cap, motif, margin, distance;
        StaticCounts c;
    } best{0, 1, 0, 0, {}};
    for (const double cap : {1e300, 16.0, 14.0, 12.0, 10.0, 8.0})
    for (const double motif : {1.0, 0.75, 0.5, 0.35, 0.25}) {
        signature::DistanceWeights w = recognition.weights;
        w.spectrumCap = cap;
        w.motifSpectrumScale = motif;
        const auto nearest = nearestDistances(scans, knownCount, w);
        for (const double margin : {1.0, 0.5, 2.0}) {
            double distance = 0;
            StaticCounts at;
            for (double t = 8; t <= 24; t += 0.5) {
                const StaticCounts c = countAt(nearest, t, margin);
                if (c.wrong > 0 || c.stranger > floor)
                    break;
                distance = t;
                at = c;
            }
            std::printf("    cap %6g motif %4g margin %3g: acceptance %4.1f right %d wrong %d unknown %d\n",
                        cap > 1e299 ? 0.0 : cap, motif, margin, distance, at.right, at.wrong, at.stranger);
            if (at.right > best.c.right)
                best = Best{cap, motif, margin, distance, at};
        }
    }
    std::printf("  best: cap %g motif %g margin %g acceptance %g right %d\n", best.cap > 1e299 ? 0.0 : best.cap,
                best.motif, best.margin, best.distance, best.c.right);
}

// The weave's blur tolerance and weight on the tuning part, without
// corrections: for each, the largest acceptance distance at which at most
// 0.5 % of the re-scans are matched wrong and no unknown scan is matched
// beyond those the shipped values match at distance 8 already; the re-scans
// right there, and the weave pairs' right and wrong at that distance.
void weaveGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
               const signature::RecognitionSettings& recognition, int knownCount)
{
    const int floor = countAt(nearestDistances(scans, knownCount, recognition.weights), 8, recognition.ambiguityMargin).stranger;
    std::printf("  weave grid (every re-scan, no corrections; unknown scans matched at 8 with the shipped values: %d)\n", floor);
    for (const double blur : {0.0, 0.002, 0.004, 0.0063, 0.01, 0.02})
        for (const double weight : {2.0, 4.0, 8.0, 16.0}) {
            signature::DistanceWeights w = recognition.weights;
            w.weaveBlur = blur;
            w.weaveWeight = weight;
            const auto nearest = nearestDistances(scans, knownCount, w);
            const auto pairs = nearestDistances(twins, static_cast<int>(twins.size()), w);
            double distance = 0;
            StaticCounts at, pairsAt;
            for (double t = 4; t <= 24; t += 0.5) {
                const StaticCounts c = countAt(nearest, t, recognition.ambiguityMargin);
                if (c.wrong > static_cast<int>(0.005 * static_cast<double>(nearest.size())) || c.stranger > floor)
                    break;
                distance = t;
                at = c;
                pairsAt = countAt(pairs, t, recognition.ambiguityMargin);
            }
            const StaticCounts shipped = countAt(nearest, recognition.maxDistance, recognition.ambiguityMargin);
            const StaticCounts pairsShipped = countAt(pairs, recognition.maxDistance, recognition.ambiguityMargin);
            std::printf("    blur %6.4f weight %4g: acceptance %4.1f right %d wrong %d unknown %d, pairs %d/%d | at %g: right %d "
                        "wrong %d unknown %d, pairs %d/%d\n",
                        blur, weight, distance, at.right, at.wrong, at.stranger, pairsAt.right, pairsAt.wrong,
                        recognition.maxDistance, shipped.right, shipped.wrong, shipped.stranger, pairsShipped.right,
                        pairsShipped.wrong);
        }
}

int runRescans(const Options& options)
{
    const Setup setup = loadSetup(options.config);
    const auto& s = setup.settings;
    foundation::IniFile ini(options.config, ';');
    signature::RecognitionSettings recognition = signature::readRecognitionSettings(ini);
    if (recognition.signatures.empty())
        recognition.signatures = "on";
    const color::ColorNameTable names = color::ColorNameTable::load(tablePath(setup, s.color.definitions));
    if (options.rounds < 1 || options.rounds > 20 || (options.rounds > 1 && options.split != Split::Tune))
        throw std::invalid_argument("--rounds 1-20 enlarges the tuning part only: --split tune");
    if (options.catalogue < 1 || options.rounds % options.catalogue != 0 || (options.catalogue > 1 && options.split != Split::Tune))
        throw std::invalid_argument("--catalogue K pools K of the --rounds sets (a divisor) on the tuning part only");
    std::vector<std::vector<GarmentScans>> corpus;
    for (int r = 0; r < options.rounds; ++r)
        corpus.push_back(rescanCorpus(options.split, RescanGarments, RescanScans, 20, 3, r * RescanGarments));
    // The analysis the configuration names ([Texture] Analysis), unless the
    // command line names one.
    ini.setSection("Texture");
    std::string analysis = ini.readRaw("Analysis");
    for (const std::string& a : options.arguments)
        if (a == "standard" || a == "improved")
            analysis = a;
    Setup chosen = setup;
    chosen.improved = analysis == "improved";
    const bool improved = chosen.improved;
    const std::unique_ptr<analysis::Analyser> analyzer = configuredAnalyser(chosen, s.texture, names);
    const auto analyse = [&](const std::vector<GarmentScans>& garments) {
        std::vector<std::vector<ScanParts>> all;
        for (const GarmentScans& g : garments) {
            all.emplace_back();
            for (Scan scan : g.scans) {
                scan.xDpi = s.scan.xRes;
                scan.yDpi = s.scan.yRes;
                scan.width = s.texture.width;
                scan.height = s.texture.height;
                ScanParts parts;
                try {
                    analyzer->analyze(render(g.fabric, scan));
                    parts.record = analyzer->result().record;
                    parts.signature = signature::describe(analyzer->result(), s.color, s.scan);
                } catch (const foundation::VisionError&) {
                    parts.record.valid = 1;  // an empty record: matches nothing near
                }
                all.back().push_back(parts);
            }
        }
        return all;
    };
    // BENCH_CACHE=DIR keeps the analysed scans between runs of one build
    // (for trying weights; the cache is not checked against the code).
    const auto cached = [&](const std::string& name, const std::vector<GarmentScans>& garments) {
        static_assert(std::is_trivially_copyable_v<ScanParts>);
        const char* dir = std::getenv("BENCH_CACHE");
        const std::string path = dir == nullptr ? std::string()
                                                : std::string(dir) + "/" + name + "-" + splitName(options.split) + "-" +
                                                      (improved ? "improved" : "standard") + ".bin";
        std::vector<std::vector<ScanParts>> all(garments.size(), std::vector<ScanParts>(RescanScans));
        if (!path.empty()) {
            std::ifstream in(path, std::ios::binary);
            bool ok = static_cast<bool>(in);
            for (auto& g : all)
                ok = ok && in.read(reinterpret_cast<char*>(g.data()), static_cast<std::streamsize>(g.size() * sizeof(ScanParts)));
            if (ok)
                return all;
        }
        all = analyse(garments);
        if (!path.empty()) {
            std::ofstream out(path, std::ios::binary);
            for (const auto& g : all)
                out.write(reinterpret_cast<const char*>(g.data()), static_cast<std::streamsize>(g.size() * sizeof(ScanParts)));
        }
        return all;
    };
    ScanSets scans;
    for (int r = 0; r < options.rounds; ++r)
        scans.push_back(cached(r == 0 ? std::string("rescans") : "rescans" + std::to_string(r), corpus[static_cast<std::size_t>(r)]));
    // Plain garments of one colour that differ only in weave, every one of
    // them added: whether the matching tells the two of a pair apart.
    const std::vector<std::vector<ScanParts>> twinScans =
        cached("weave-pairs", weaveTwinCorpus(options.split, WeaveTwinPairs, RescanScans, 20, 3));
    // --catalogue K: K sets in one catalogue (their known garments first),
    // so that garments of one colour and kind meet more often.
    int knownCount = RescanKnown;
    if (options.catalogue > 1) {
        ScanSets pooled;
        std::vector<std::vector<GarmentScans>> pooledCorpus;
        for (std::size_t r = 0; r + static_cast<std::size_t>(options.catalogue) <= scans.size();
             r += static_cast<std::size_t>(options.catalogue)) {
            pooled.emplace_back();
            pooledCorpus.emplace_back();
            for (const bool knownPart : {true, false})
                for (std::size_t q = r; q < r + static_cast<std::size_t>(options.catalogue); ++q)
                    for (std::size_t g = knownPart ? 0 : RescanKnown; g < (knownPart ? RescanKnown : scans[q].size()); ++g) {
                        pooled.back().push_back(scans[q][g]);
                        pooledCorpus.back().push_back(corpus[q][g]);
                    }
        }
        scans = std::move(pooled);
        corpus = std::move(pooledCorpus);
        knownCount = RescanKnown * options.catalogue;
    }
    std::printf("Re-scans, %s part, %s analysis: %d garments added from one scan, %d never added; each scanned %d "
                "more times, shifted up to 20 mm and turned up to 3 degrees",
                splitName(options.split), improved ? "improved" : "standard", knownCount,
                static_cast<int>(scans.front().size()) - knownCount, RescanScans - 1);
    if (options.rounds > 1)
        std::printf("; %d such sets, each its own catalogue, counts added up", options.rounds);
    std::printf("\n");
    signature::RecognitionSettings classicSettings;
    const RescanCounts classic = replaySets(scans, s, classicSettings, knownCount);
    const RescanCounts signatures = replaySets(scans, s, recognition, knownCount);
    printRescans("classic matching (two leading colours)", classic);
    printRescans("signature matching", signatures);
    const RescanCounts twins = replayRescans(twinScans, s, recognition, WeaveTwinPairs * 2);
    std::printf("  %d plain garments, pairs of one colour in two weaves, signature matching:\n", WeaveTwinPairs * 2);
    std::printf("    re-scans                          %s\n", roundText(twins.first).c_str());
    std::printf("    later re-scans, no corrections    %s\n", roundText(twins.secondAsAdded).c_str());
    std::printf("  signature distances, quantiles 0 1 5 50 95 99 100 %%:\n");
    printQuantiles("re-scan from its own garment", signatures.ownDistance);
    printQuantiles("any scan from the nearest other", signatures.otherDistance);
    // BENCH_PAIRS=FILE writes every scan's distance terms to every known
    // garment's first scan, one line each, for looking at them elsewhere.
    if (const char* pairsPath = std::getenv("BENCH_PAIRS")) {
        std::FILE* out = std::fopen(pairsPath, "w");
        const auto only = [](auto set) {
            signature::DistanceWeights w{};
            w.orientationWeight = w.periodWeight = w.spectrumWeight = w.variationWeight = 0;
            w.contrastWeight = w.patternWeight = w.weaveWeight = w.layoutWeight = w.sizeWeight = 0;
            w.motifSpectrumScale = 1;
            set(w);
            return w;
        };
        const auto base = recognition.weights;
        const auto spectral = only([&](signature::DistanceWeights& w) {
            w.orientationWeight = base.orientationWeight;
            w.periodWeight = base.periodWeight;
            w.spectrumWeight = base.spectrumWeight;
            w.variationWeight = base.variationWeight;
        });
        const auto contrastOnly = only([](signature::DistanceWeights& w) { w.contrastWeight = 1; });
        const auto weaveOnly = only([&](signature::DistanceWeights& w) {
            w.weaveWeight = 1;
            w.weaveFloor = base.weaveFloor;
        });
        for (std::size_t r = 0; out != nullptr && r < scans.size(); ++r) {
            const auto& set = scans[r];
            for (std::size_t g = 0; g < set.size(); ++g) {
                for (int k = g < static_cast<std::size_t>(knownCount) ? 1 : 0; k < RescanScans; ++k) {
                    const auto& sig = set[g][static_cast<std::size_t>(k)].signature;
                    const auto longShareOf = [](const signature::GarmentSignature& x) {
                        double share = 0;
                        for (int o = 0; o < signature::OrientationBins; ++o)
                            share += x.texture[static_cast<std::size_t>(5 * signature::OrientationBins + o)] +
                                     x.texture[static_cast<std::size_t>(6 * signature::OrientationBins + o)];
                        return share;
                    };
                    const double longShare = longShareOf(sig);
                    for (std::size_t h = 0; h < static_cast<std::size_t>(knownCount); ++h) {
                        const auto& ref = set[h][0].signature;
                        std::fprintf(out, "%zu %zu %d %zu \"%s\" \"%s\" %.4f %.4f %d %.4f %d %.4f %d %d %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f\n",
                                     r, g, k, h, corpus[r][g].fabric.family.c_str(), corpus[r][h].fabric.family.c_str(),
                                     signature::colourDistance(sig, ref, base), signature::textureDistance(sig, ref, spectral),
                                     sig.pattern == pattern::patternKind::Unknown && ref.pattern == pattern::patternKind::Unknown ? 1 : 0,
                                     signature::textureDistance(sig, ref, contrastOnly), sig.pattern != ref.pattern ? 1 : 0,
                                     signature::textureDistance(sig, ref, weaveOnly), sig.pattern, ref.pattern, sig.contrast,
                                     ref.contrast, longShare, sig.minorityRunX, sig.minorityRunY,
                                     sig.hasLayout ? sig.layout[8] : 0.0, longShareOf(ref), ref.minorityRunX, ref.minorityRunY,
                                     ref.hasLayout ? ref.layout[8] : 0.0, sig.minorityShare, ref.minorityShare);
                    }
                }
            }
        }
        if (out != nullptr)
            std::fclose(out);
    }
    const bool misses = std::find(options.arguments.begin(), options.arguments.end(), "misses") != options.arguments.end();
    if (misses || std::getenv("BENCH_VERBOSE") != nullptr) {
        const auto describeSig = [](const signature::GarmentSignature& g) {
            std::string t = "p" + std::to_string(g.pattern) + " c" + std::to_string(static_cast<int>(g.contrast * 10)) +
                            " m" + std::to_string(static_cast<int>(g.minorityShare * 100)) + " " +
                            std::to_string(g.minorityRunX).substr(0, 4) + "x" + std::to_string(g.minorityRunY).substr(0, 4) + " [";
            for (int i = 0; i < g.colourCount; ++i) {
                const auto& c = g.colours[static_cast<std::size_t>(i)];
                char b[64];
                std::snprintf(b, sizeof b, "%.0f %.0f %.0f %.2f; ", c.l, c.a, c.b, c.share);
                t += b;
            }
            return t + "]";
        };
        const auto& w = recognition.weights;
        std::map<std::string, int> missesPerFamily;
        for (std::size_t r = 0; r < scans.size(); ++r) {
            const auto& set = scans[r];
            const auto family = [&](std::size_t g) { return corpus[r][g].fabric.family.c_str(); };
            for (std::size_t g = 0; g < set.size(); ++g) {
                for (int k = g < static_cast<std::size_t>(knownCount) ? 1 : 0; k < RescanScans; ++k) {
                    const auto& sig = set[g][static_cast<std::size_t>(k)].signature;
                    // The nearest other garment, and the own one.
                    std::size_t other = 0;
                    double otherDistance = 1e9, own = 1e9;
                    for (std::size_t h = 0; h < static_cast<std::size_t>(knownCount); ++h) {
                        const double d = signature::signatureDistance(sig, set[h][0].signature, w);
                        if (h == g)
                            own = d;
                        else if (d < otherDistance) {
                            otherDistance = d;
                            other = h;
                        }
                    }
                    const bool known = g < static_cast<std::size_t>(knownCount);
                    const bool right = known && own <= recognition.maxDistance &&
                                       otherDistance - own >= recognition.ambiguityMargin;
                    const bool strangerOk = !known && otherDistance > recognition.maxDistance;
                    if (misses && (known ? right : strangerOk))
                        continue;
                    ++missesPerFamily[family(g)];
                    const auto terms = [&](const signature::GarmentSignature& ref) {
                        return "colour " + std::to_string(signature::colourDistance(sig, ref, w)).substr(0, 5) +
                               " texture " + std::to_string(signature::textureDistance(sig, ref, w)).substr(0, 5);
                    };
                    std::printf("    MISS set %zu garment %zu/%d (%s%s): own %.2f (%s), nearest other %zu (%s) %.2f (%s)\n"
                                "      scan %s\n      own  %s\n      othr %s\n",
                                r, g, k, family(g), known ? "" : ", unknown", own,
                                known ? terms(set[g][0].signature).c_str() : "-", other, family(other), otherDistance,
                                terms(set[other][0].signature).c_str(), describeSig(sig).c_str(),
                                known ? describeSig(set[g][0].signature).c_str() : "-",
                                describeSig(set[other][0].signature).c_str());
                }
            }
        }
        std::printf("  misses per family (no corrections, one example per garment):");
        for (const auto& [f, n] : missesPerFamily)
            std::printf(" %s %d", f.c_str(), n);
        std::printf("\n");
    }
    for (const auto& [name, c] : {std::pair{"classic", &classic}, std::pair{"signature", &signatures}}) {
        const RoundCounts& f = c->first;
        const RoundCounts every = c->all();
        std::printf("RESULT rescans %s %s right %.1f wrong %.1f rejected %.1f later-right %.1f later-right-corrected %.1f "
                    "worse %d unrelated %.1f analysis %s all-right %.1f all-wrong %.1f all-rejected %.1f\n",
                    splitName(options.split), name, 100.0 * f.right / f.total, 100.0 * f.wrong / f.total,
                    100.0 * f.rejected / f.total, 100.0 * c->secondAsAdded.right / c->secondAsAdded.total,
                    100.0 * c->secondCorrected.right / c->secondCorrected.total, c->garmentsWorse,
                    100.0 * c->strangerMatched / c->strangerScans, improved ? "improved" : "standard",
                    100.0 * every.right / every.total, 100.0 * every.wrong / every.total,
                    100.0 * every.rejected / every.total);
    }
    if (std::find(options.arguments.begin(), options.arguments.end(), "cap") != options.arguments.end())
        capGrid(scans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "weave") != options.arguments.end())
        weaveGrid(scans, twinScans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "grid") == options.arguments.end())
        return 0;

    weightGrid(scans, twinScans, recognition, knownCount);
    signature::RecognitionSettings best = recognition;
    RescanCounts bestCounts = signatures;
    // The acceptance distance: where wrong matches and unknown garments
    // begin, for choosing it on the tuning part.
    for (const double maxDistance : {8.0, 10.0, 12.0, 13.0, 14.0, 15.0, 16.0, 18.0, 20.0}) {
        signature::RecognitionSettings r = recognition;
        r.maxDistance = maxDistance;
        const RescanCounts c = replaySets(scans, s, r, knownCount);
        std::printf("  grid: maxDistance %g: first %d/%d/%d later %d/%d/%d corrected %d/%d/%d worse %d unknown %d\n",
                    maxDistance, c.first.right, c.first.wrong, c.first.rejected, c.secondAsAdded.right,
                    c.secondAsAdded.wrong, c.secondAsAdded.rejected, c.secondCorrected.right, c.secondCorrected.wrong,
                    c.secondCorrected.rejected, c.garmentsWorse, c.strangerMatched);
        if (rescanScore(c) > rescanScore(bestCounts)) {
            bestCounts = c;
            best = r;
        }
    }
    std::printf("  best of the grid: maxDistance %g\n", best.maxDistance);
    printRescans("best of the grid", bestCounts);
    return 0;
}

int usage()
{
    std::fputs("usage: vestiscop_bench [--config FILE] [--split tune|check] [--per-family N] [--fold K/N] [--rounds N] "
               "[--catalogue K] "
               "naming|pattern|sweep|grid|recognition|whites|rescans|fit|fabric ...\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--config" && i + 1 < argc)
            options.config = argv[++i];
        else if (a == "--split" && i + 1 < argc)
            options.split = parseSplit(argv[++i]);
        else if (a == "--per-family" && i + 1 < argc)
            options.perFamily = std::stoi(argv[++i]);
        else if (a == "--rounds" && i + 1 < argc)
            options.rounds = std::stoi(argv[++i]);
        else if (a == "--catalogue" && i + 1 < argc)
            options.catalogue = std::stoi(argv[++i]);
        else if (a == "--fold" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%d/%d", &options.fold, &options.folds) != 2 || options.folds < 2 ||
                options.fold < 0 || options.fold >= options.folds)
                return usage();
        }
        else
            options.arguments.push_back(a);
    }
    if (options.arguments.empty())
        return usage();
    try {
        const std::string& command = options.arguments.front();
        if (command == "naming")
            return runNaming(options);
        if (command == "pattern")
            return runPattern(options);
        if (command == "sweep")
            return runSweep(options);
        if (command == "grid")
            return runGrid(options);
        if (command == "recognition")
            return runRecognition(options);
        if (command == "whites") {
            const Setup setup = loadSetup(options.config);
            const std::string table = options.arguments.size() > 1 ? options.arguments[1] : setup.settings.color.definitions;
            measureWhites(setup.settings, color::ColorNameTable::load(tablePath(setup, table)), options.split,
                          options.perFamily);
            return 0;
        }
        if (command == "rescans")
            return runRescans(options);
        if (command == "fit" || command == "fabric") {
            const FabricBenchOptions fabricOptions{options.config, options.split, options.perFamily, options.arguments};
            return command == "fit" ? runFit(fabricOptions) : runFabricComparison(fabricOptions);
        }
        return usage();
    } catch (const foundation::Exception& e) {
        std::fprintf(stderr, "vestiscop_bench: %s\n", e.message(foundation::MessageCatalog::builtin(), 2).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vestiscop_bench: %s\n", e.what());
    }
    return 1;
}

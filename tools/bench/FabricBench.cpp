// SPDX-License-Identifier: GPL-3.0-or-later
// The fabric analysis in the benchmark:
//
//   vestiscop_bench [--split tune] [--per-family N] fit [DEPTH [MINLEAF [PLAIN [MOTIF]]]]
//       Measures the fabric features of every scan of the corpus part and
//       fits the pattern rules (a decision tree, Gini impurity, every class
//       weighted alike but plain PLAIN times, default 2, and motifs MOTIF
//       times, default 1; a leaf holds at least MINLEAF % of a class's
//       weight, or with "default" 0.05 / N, about half a scan of the
//       largest class);
//       prints the tree as the source of fabric/PatternRulesTable.inc. Fit
//       on the tuning part only.
//   vestiscop_bench --split tune [--per-family N] fit cv [FOLDS]
//       Cross-validation inside the corpus part: the fabrics of every family
//       are dealt into FOLDS folds (default 6) by their number, and every
//       depth, minimum leaf and motif weight of a small grid is fitted on all
//       folds but one and scored on that one. Prints the scores per class,
//       best first (fewest plain fabrics called patterned, then the worst
//       class, then the mean), to choose the fit's values by.
//   vestiscop_bench --split tune [--per-family N] fit cv FOLDS DEPTH MINLEAF PLAIN MOTIF
//       The same for the one point given, with the held-out answers per
//       family: which kinds each class is confused with.
//   BENCH_CACHE=DIR keeps the measured features between runs of one build.
//   vestiscop_bench [--split check] [--per-family N] fabric [NAMES-MAP]
//       The standard and the improved analysis side by side on the same
//       scans: the pattern per family and per class, and for fabrics of two
//       colours whether the basic terms of both colours are among the
//       reported ones (NAMES-MAP defaults to tools/colors/vocabulary.tsv).

#include "BenchText.h"
#include "FabricBench.h"

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <thread>

#include "BasicTerms.h"
#include "Garment.h"
#include "analysis/Analyser.h"
#include "color/ColorAnalyzer.h"
#include "color/ColorConversion.h"
#include "fabric/FabricAnalysis.h"
#include "fabric/PatternRules.h"
#include "foundation/Exception.h"
#include "foundation/IniFile.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"

namespace vestiscop::bench {

namespace {

constexpr int Classes = 5;
constexpr int Failed = Classes;

struct Loaded {
    foundation::AllSettings settings;
    std::unique_ptr<color::ColorNameTable> names;
};

Loaded load(const std::string& config)
{
    Loaded l;
    foundation::IniFile ini(config, ';');
    foundation::readAllSettings(ini, l.settings);
    std::filesystem::path table = l.settings.color.definitions;
    if (!table.is_absolute())
        table = std::filesystem::path(ini.path()).parent_path() / table;
    l.names = std::make_unique<color::ColorNameTable>(color::ColorNameTable::load(table.string()));
    return l;
}

std::unique_ptr<imaging::RgbImage> renderAt(const CorpusCase& c, const foundation::AllSettings& s)
{
    Scan scan = c.scan;
    scan.xDpi = s.scan.xRes;
    scan.yDpi = s.scan.yRes;
    scan.width = s.texture.width;
    scan.height = s.texture.height;
    return render(c.fabric, scan);
}

// ------------------------------------------------------------ the tree

struct Sample {
    fabric::FeatureVector x;
    int y = 0;
    double weight = 1;
};

struct Fitter {
    int maxDepth = 6;
    double minLeafWeight = 0;
    std::vector<fabric::RuleNode> nodes;

    static double gini(const std::array<double, Classes>& w)
    {
        double total = 0;
        double sq = 0;
        for (const double v : w)
            total += v;
        for (const double v : w)
            sq += v * v;
        return total > 0 ? total - sq / total : 0;  // weighted impurity
    }

    int leaf(const std::vector<const Sample*>& samples)
    {
        std::array<double, Classes> w{};
        for (const Sample* s : samples)
            w[static_cast<std::size_t>(s->y)] += s->weight;
        const int kind = static_cast<int>(std::max_element(w.begin(), w.end()) - w.begin());
        nodes.push_back({-1, 0, 0, 0, kind});
        return static_cast<int>(nodes.size()) - 1;
    }

    int grow(std::vector<const Sample*> samples, int depth)
    {
        std::array<double, Classes> all{};
        for (const Sample* s : samples)
            all[static_cast<std::size_t>(s->y)] += s->weight;
        const double impurity = gini(all);
        if (depth >= maxDepth || impurity <= 1e-12)
            return leaf(samples);
        int bestFeature = -1;
        double bestThreshold = 0;
        double bestImpurity = impurity - 1e-9;
        for (int f = 0; f < fabric::FeatureCount; ++f) {
            std::vector<const Sample*> sorted = samples;
            std::stable_sort(sorted.begin(), sorted.end(), [f](const Sample* p, const Sample* q) {
                return p->x[static_cast<std::size_t>(f)] < q->x[static_cast<std::size_t>(f)];
            });
            std::array<double, Classes> left{};
            double leftWeight = 0;
            double totalWeight = 0;
            for (const double v : all)
                totalWeight += v;
            for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
                left[static_cast<std::size_t>(sorted[i]->y)] += sorted[i]->weight;
                leftWeight += sorted[i]->weight;
                const double a = sorted[i]->x[static_cast<std::size_t>(f)];
                const double b = sorted[i + 1]->x[static_cast<std::size_t>(f)];
                if (!(a < b) || leftWeight < minLeafWeight || totalWeight - leftWeight < minLeafWeight)
                    continue;
                std::array<double, Classes> right{};
                for (int k = 0; k < Classes; ++k)
                    right[static_cast<std::size_t>(k)] = all[static_cast<std::size_t>(k)] - left[static_cast<std::size_t>(k)];
                const double split = gini(left) + gini(right);
                if (split < bestImpurity) {
                    bestImpurity = split;
                    bestFeature = f;
                    bestThreshold = (a + b) / 2;
                }
            }
        }
        if (bestFeature < 0)
            return leaf(samples);
        const int index = static_cast<int>(nodes.size());
        nodes.push_back({bestFeature, bestThreshold, 0, 0, 0});
        std::vector<const Sample*> below;
        std::vector<const Sample*> above;
        for (const Sample* s : samples)
            (s->x[static_cast<std::size_t>(bestFeature)] < bestThreshold ? below : above).push_back(s);
        const int b = grow(below, depth + 1);
        const int a = grow(above, depth + 1);
        nodes[static_cast<std::size_t>(index)].below = b;
        nodes[static_cast<std::size_t>(index)].above = a;
        return index;
    }
};

std::vector<Sample> measureSamples(const FabricBenchOptions& options, const Loaded& setup)
{
    const auto& s = setup.settings;
    const auto corpus = patternCorpus(options.split, options.perFamily, true);
    std::vector<Sample> samples(corpus.size());
    // BENCH_CACHE=DIR keeps the features between runs (for trying the fit's
    // values; the cache is not checked against the code).
    const char* dir = std::getenv("BENCH_CACHE");
    const std::string path = dir == nullptr ? std::string()
                                            : std::string(dir) + "/fit-features-" + splitName(options.split) + "-" +
                                                  std::to_string(options.perFamily) + ".bin";
    static_assert(std::is_trivially_copyable_v<Sample>);
    if (!path.empty()) {
        std::ifstream in(path, std::ios::binary);
        if (in && in.read(reinterpret_cast<char*>(samples.data()),
                          static_cast<std::streamsize>(samples.size() * sizeof(Sample))))
            return samples;
    }
    forEachCase(corpus.size(), [&](std::size_t i, unsigned) {
        fabric::FabricAnalysis analysis(*setup.names, s.scan.xRes, s.scan.yRes);
        analysis.measure(*renderAt(corpus[i], s));
        samples[i].x = analysis.findings().features;
        samples[i].y = static_cast<int>(corpus[i].fabric.kind);
    });
    if (!path.empty()) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(samples.size() * sizeof(Sample)));
    }
    return samples;
}

// Every class weighs the same in the fit, whatever its number of families
// and scans; plain weighs plainWeight times, as calling a plain garment
// patterned is the worst of the mistakes, and motifs motifWeight times (the
// most varied class: eight families of prints that share little).
void weighClasses(std::vector<Sample>& samples, double plainWeight, double motifWeight)
{
    std::array<double, Classes> perClass{};
    for (const Sample& x : samples)
        ++perClass[static_cast<std::size_t>(x.y)];
    for (Sample& x : samples)
        x.weight = (x.y == 0 ? plainWeight : x.y == 4 ? motifWeight : 1.0) / perClass[static_cast<std::size_t>(x.y)];
}

std::vector<fabric::RuleNode> fitTree(const std::vector<const Sample*>& samples, int maxDepth, double minLeafWeight)
{
    Fitter fitter;
    fitter.maxDepth = maxDepth;
    fitter.minLeafWeight = minLeafWeight;
    fitter.grow(samples, 0);
    return fitter.nodes;
}

// The minimum leaf weight: MINLEAF % of a class's weight (1), or by default
// the weight the first fits used (0.05 / perFamily: about half a scan of the largest class, stripes).
double minLeafFor(double minLeafPercent, int perFamily)
{
    return minLeafPercent >= 0 ? minLeafPercent / 100 : 0.5 / static_cast<double>(perFamily * 10);
}

// MINLEAF as given: a percentage, or "default" for the first fits' weight.
double minLeafArgument(const std::string& text)
{
    return text == "default" ? -1 : std::stod(text);
}

int runCrossValidation(const FabricBenchOptions& options, const std::vector<Sample>& measured)
{
    if (options.split != Split::Tune)
        throw std::invalid_argument("fit cv chooses the fit's values: --split tune");
    const int folds = options.arguments.size() >= 3 ? std::stoi(options.arguments[2]) : 6;
    if (folds < 2 || folds > options.perFamily)
        throw std::invalid_argument("fit cv FOLDS: 2 to --per-family");
    struct Score {
        int depth;
        double minLeaf;
        double plainWeight;
        double motifWeight;
        std::array<int, Classes> right{};
        std::array<int, Classes> total{};
        double worst = 0;
        double mean = 0;
    };
    std::vector<Score> scores;
    // With the fit's values given, that one point and its held-out answers
    // per family (where the classes are confused).
    const bool one = options.arguments.size() >= 7;
    if (one)
        scores.push_back({std::stoi(options.arguments[3]), minLeafArgument(options.arguments[4]),
                          std::stod(options.arguments[5]), std::stod(options.arguments[6])});
    else
        for (const double motifWeight : {1.0, 1.5, 2.0, 3.0, 4.0})
            for (const double minLeaf : {-1.0, 0.5, 1.0, 2.0, 3.0, 5.0})
                for (const int depth : {4, 5, 6, 7, 8, 10, 12})
                    scores.push_back({depth, minLeaf, 2.0, motifWeight});
    // The held-out answer of every scan, for the one point.
    std::vector<int> answers(measured.size(), Failed);
    forEachCase(scores.size(), [&](std::size_t g, unsigned) {
        Score& score = scores[g];
        for (int fold = 0; fold < folds; ++fold) {
            // The scans of a family follow one another; fabric i of a family
            // is in fold i % folds, so every fold holds every family.
            std::vector<Sample> training;
            std::vector<std::size_t> held;
            for (std::size_t i = 0; i < measured.size(); ++i)
                if (static_cast<int>(i % static_cast<std::size_t>(options.perFamily)) % folds == fold)
                    held.push_back(i);
                else
                    training.push_back(measured[i]);
            weighClasses(training, score.plainWeight, score.motifWeight);
            std::vector<const Sample*> all;
            for (const Sample& x : training)
                all.push_back(&x);
            const auto tree = fitTree(all, score.depth, minLeafFor(score.minLeaf, options.perFamily - options.perFamily / folds));
            for (const std::size_t i : held) {
                const Sample& x = measured[i];
                const int answer = fabric::evaluateRules(tree, x.x);
                if (one)
                    answers[i] = answer;
                ++score.total[static_cast<std::size_t>(x.y)];
                score.right[static_cast<std::size_t>(x.y)] += answer == x.y ? 1 : 0;
            }
        }
        score.worst = 100;
        for (int k = 1; k < Classes; ++k) {
            const double a = 100.0 * score.right[static_cast<std::size_t>(k)] / score.total[static_cast<std::size_t>(k)];
            score.worst = std::min(score.worst, a);
            score.mean += a / (Classes - 1);
        }
    });
    std::stable_sort(scores.begin(), scores.end(), [](const Score& p, const Score& q) {
        const int plainP = p.total[0] - p.right[0];
        const int plainQ = q.total[0] - q.right[0];
        if (plainP != plainQ)
            return plainP < plainQ;
        if (p.worst != q.worst)
            return p.worst > q.worst;
        return p.mean > q.mean;
    });
    std::printf("Cross-validation of the pattern rules, %s part, %d fabrics per family in %d folds (%zu scans)\n",
                splitName(options.split), options.perFamily, folds, measured.size());
    std::printf("  depth minleaf%% plain motif   Bez vzoru  Proužek   Kostka   Puntík  Neznámý   worst    mean\n");
    for (const Score& score : scores) {
        char leaf[16];
        if (score.minLeaf < 0)
            std::snprintf(leaf, sizeof leaf, "%8s", "default");
        else
            std::snprintf(leaf, sizeof leaf, "%8.1f", score.minLeaf);
        std::printf("  %5d %s %5.0f %5.1f", score.depth, leaf, score.plainWeight, score.motifWeight);
        for (int k = 0; k < Classes; ++k)
            std::printf(" %s", percent(score.right[static_cast<std::size_t>(k)], score.total[static_cast<std::size_t>(k)]).c_str());
        std::printf("  %5.1f%%  %5.1f%%\n", score.worst, score.mean);
    }
    if (one) {
        std::printf("Held-out answers per family:  Bez Prou Kost Punt Nezn chyba\n");
        const auto families = patternFamilies();
        for (std::size_t f = 0; f < families.size(); ++f) {
            std::array<int, Classes + 1> row{};
            for (int i = 0; i < options.perFamily; ++i) {
                const std::size_t k = f * static_cast<std::size_t>(options.perFamily) + static_cast<std::size_t>(i);
                const int a = answers[k];
                ++row[static_cast<std::size_t>(a >= 0 && a < Classes ? a : Failed)];
            }
            std::printf("  %-28s", families[f].name.c_str());
            for (const int v : row)
                std::printf(" %4d", v);
            std::printf("\n");
        }
    }
    return 0;
}

} // namespace

int runFit(const FabricBenchOptions& options)
{
    const Loaded setup = load(options.config);
    const auto& s = setup.settings;
    std::vector<Sample> samples = measureSamples(options, setup);
    if (options.arguments.size() >= 2 && options.arguments[1] == "cv")
        return runCrossValidation(options, samples);
    Fitter fitter;
    if (options.arguments.size() >= 2)
        fitter.maxDepth = std::stoi(options.arguments[1]);
    const double minLeafPercent = options.arguments.size() >= 3 ? minLeafArgument(options.arguments[2]) : -1;
    const double plainWeight = options.arguments.size() >= 4 ? std::stod(options.arguments[3]) : 2;
    const double motifWeight = options.arguments.size() >= 5 ? std::stod(options.arguments[4]) : 1;
    weighClasses(samples, plainWeight, motifWeight);
    fitter.minLeafWeight = minLeafFor(minLeafPercent, options.perFamily);
    std::vector<const Sample*> all;
    for (const Sample& x : samples)
        all.push_back(&x);
    fitter.grow(all, 0);

    std::array<int, Classes> right{};
    std::array<int, Classes> total{};
    for (const Sample& x : samples) {
        ++total[static_cast<std::size_t>(x.y)];
        right[static_cast<std::size_t>(x.y)] += fabric::evaluateRules(fitter.nodes, x.x) == x.y ? 1 : 0;
    }
    std::printf("// The pattern rules of the fabric analysis, fitted on the %s part of the\n", splitName(options.split));
    std::printf("// benchmark corpus (%zu scans, %d of each of %zu fabric families, at %g x %g dpi,\n", samples.size(),
                options.perFamily, patternFamilies().size(), s.scan.xRes, s.scan.yRes);
    std::printf("// region %d x %d) by\n//   vestiscop_bench --split %s --per-family %d fit %d", s.texture.width,
                s.texture.height, splitName(options.split), options.perFamily, fitter.maxDepth);
    for (std::size_t i = 2; i < options.arguments.size(); ++i)
        std::printf(" %s", options.arguments[i].c_str());
    if (options.arguments.size() <= 2) {
        std::printf("\n// A decision tree of depth %d at most (Gini impurity, every class weighted\n// alike, plain twice). ",
                    fitter.maxDepth);
    } else {
        std::printf("\n// A decision tree of depth %d at most (Gini impurity, every class weighted\n// alike but plain %g "
                    "times and motifs %g times, a leaf at least %s of a class).\n// ",
                    fitter.maxDepth, plainWeight, motifWeight,
                    minLeafPercent >= 0 ? (options.arguments[2] + " %").c_str() : "0.05 / N");
    }
    std::printf("Right on the fitting scans:");
    for (int k = 0; k < Classes; ++k)
        std::printf(" %s", percent(right[static_cast<std::size_t>(k)], total[static_cast<std::size_t>(k)]).c_str());
    std::printf("\n// (plain, stripes, check, dots, motif). Generated; refit rather than edit.\n");
    std::printf("constexpr RuleNode FittedRules[] = {\n");
    for (std::size_t i = 0; i < fitter.nodes.size(); ++i) {
        const fabric::RuleNode& n = fitter.nodes[i];
        if (n.feature < 0)
            std::printf("    {-1, 0, 0, 0, %d},  // %zu: %s\n", n.kind, i, foundation::loadString(1000 + n.kind).c_str());
        else
            std::printf("    {%d, %.17g, %d, %d, 0},  // %zu: %s\n", n.feature, n.threshold, n.below, n.above, i,
                        fabric::featureName(n.feature));
    }
    std::printf("};\n");
    return 0;
}

int runFabricComparison(const FabricBenchOptions& options)
{
    const Loaded setup = load(options.config);
    const auto& s = setup.settings;
    const std::string mapPath = options.arguments.size() >= 2
                                    ? options.arguments[1]
                                    : std::string(VESTISCOP_SOURCE_DIR) + "/tools/colors/vocabulary.tsv";
    const auto termOf = loadTermMap(mapPath);
    auto corpus = patternCorpus(options.split, options.perFamily, true);
    // BENCH_FAMILY=NAME measures only the families whose name holds NAME.
    if (const char* only = std::getenv("BENCH_FAMILY"))
        std::erase_if(corpus, [&](const CorpusCase& c) { return c.fabric.family.find(only) == std::string::npos; });

    struct Outcome {
        int classic = Failed;
        int improved = Failed;
        bool classicColours = false;
        bool improvedColours = false;
        bool classicStrict = false;  // the dyed colours' own terms only
        bool improvedStrict = false;
        bool twoColours = false;
        std::string wanted;  // for BENCH_VERBOSE: the terms wanted and what each analysis said
        std::string classicSaid;
        std::string improvedSaid;
    };
    std::vector<Outcome> outcomes(corpus.size());
    const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::unique_ptr<analysis::Analyser>> classic;
    std::vector<std::unique_ptr<analysis::Analyser>> improved;
    for (unsigned w = 0; w < workers; ++w) {
        classic.push_back(analysis::makeAnalyser(false, s.color, s.texture, s.scan, *setup.names));
        improved.push_back(analysis::makeAnalyser(true, s.color, s.texture, s.scan, *setup.names));
    }
    const auto termsOf = [&](const analysis::ScanResult& a) {
        std::set<std::string> terms;
        for (const color::ColorCluster& c : a.colors)
            if (color::isReported(c, s.color.reportThr))
                terms.insert(termOf.at(c.color->name));
        return terms;
    };
    // The basic terms a person may use for a dyed colour: those the table
    // gives to at least a tenth of the colours within Delta E 3 of it (a
    // difference the scan and the measurement cannot resolve). A colour on
    // the border between two terms may rightly be called by either, as the
    // naming benchmark scores names between two terms.
    const auto termsNear = [&](const color::LabPixel& lab) {
        constexpr int Radius = 3;
        std::map<std::string, int> votes;
        int points = 0;
        for (int dl = -Radius; dl <= Radius; ++dl)
            for (int da = -Radius; da <= Radius; ++da)
                for (int db = -Radius; db <= Radius; ++db) {
                    if (dl * dl + da * da + db * db > Radius * Radius)
                        continue;
                    const color::LabPixel q{static_cast<std::uint8_t>(std::clamp(lab.l + dl, 0, 255)),
                                            static_cast<std::int8_t>(std::clamp(lab.a + da, -128, 127)),
                                            static_cast<std::int8_t>(std::clamp(lab.b + db, -128, 127))};
                    ++votes[termOf.at(setup.names->nearest(q).name)];
                    ++points;
                }
        std::set<std::string> terms;
        for (const auto& [term, n] : votes)
            if (10 * n >= points)
                terms.insert(term);
        return terms;
    };
    forEachCase(corpus.size(), [&](std::size_t i, unsigned w) {
        const Fabric& fabric = corpus[i].fabric;
        const auto image = renderAt(corpus[i], s);
        Outcome& o = outcomes[i];
        std::vector<std::string> own;            // the term of each dyed colour
        std::vector<std::set<std::string>> near;  // and the terms a person may use for it
        for (const Rgb& c : fabric.colours) {
            const color::RgbPixel pixel{static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(c.g),
                                        static_cast<std::uint8_t>(c.r)};
            const color::LabPixel lab = color::rgbToLab(pixel, color::AnalysisGamma);
            own.push_back(termOf.at(setup.names->nearest(lab).name));
            near.push_back(termsNear(lab));
            o.wanted += own.back();
            for (const std::string& t : near.back())
                if (t != own.back())
                    o.wanted += "/" + t;
            o.wanted += " (" + std::to_string(lab.l) + " " + std::to_string(lab.a) + " " + std::to_string(lab.b) + ") ";
        }
        o.twoColours = fabric.kind != Kind::Plain && fabric.colours.size() == 2;
        const auto run = [&](analysis::Analyser& a, int& kind, bool& colours, bool& strict, std::string& said) {
            auto copy = imaging::RgbImage::create(image->width(), image->height());
            for (int y = 0; y < image->height(); ++y)
                std::copy_n(image->row(y), image->rowBytes(), copy->row(y));
            try {
                a.analyze(std::move(copy));
                kind = a.result().pattern;
                const auto got = termsOf(a.result());
                strict = true;
                colours = true;
                for (std::size_t k = 0; k < own.size(); ++k) {
                    strict = strict && got.count(own[k]) > 0;
                    colours = colours && std::any_of(near[k].begin(), near[k].end(),
                                                     [&](const std::string& t) { return got.count(t) > 0; });
                }
                for (const color::ColorCluster& c : a.result().colors) {
                    char share[48];
                    std::snprintf(share, sizeof share, "%.0f%% (%d %d %d) ", c.share * 100, c.meanL(), c.meanA(),
                                  c.meanB());
                    said += share + c.color->name + ", ";
                }
            } catch (const foundation::VisionError&) {
                kind = Failed;
            }
        };
        run(*classic[w], o.classic, o.classicColours, o.classicStrict, o.classicSaid);
        run(*improved[w], o.improved, o.improvedColours, o.improvedStrict, o.improvedSaid);
    });

    std::printf("Standard and improved analysis, %s part: %d fabrics per family at %g x %g dpi, region %d x %d\n",
                splitName(options.split), options.perFamily, s.scan.xRes, s.scan.yRes, s.texture.width,
                s.texture.height);
    std::printf("  %-20s %-14s %9s %9s   improved: Bez Prou Kost Punt Nezn chyba   colours std/impr\n", "family",
                "expected", "standard", "improved");
    std::array<int, Classes> total{};
    std::array<int, Classes> classicRight{};
    std::array<int, Classes> improvedRight{};
    int twoColour = 0;
    int classicColours = 0;
    int improvedColours = 0;
    int classicStrict = 0;
    int improvedStrict = 0;
    for (const FabricFamily& family : patternFamilies()) {
        int n = 0;
        int c = 0;
        int m = 0;
        int twoHere = 0;
        int classicColoursHere = 0;
        int improvedColoursHere = 0;
        std::array<int, Classes + 1> row{};
        for (std::size_t i = 0; i < corpus.size(); ++i) {
            if (corpus[i].fabric.family != family.name)
                continue;
            const Outcome& o = outcomes[i];
            const int expected = static_cast<int>(family.kind);
            ++n;
            c += o.classic == expected ? 1 : 0;
            m += o.improved == expected ? 1 : 0;
            ++row[static_cast<std::size_t>(o.improved)];
            if (o.twoColours) {
                ++twoHere;
                classicColoursHere += o.classicColours ? 1 : 0;
                improvedColoursHere += o.improvedColours ? 1 : 0;
                classicStrict += o.classicStrict ? 1 : 0;
                improvedStrict += o.improvedStrict ? 1 : 0;
                if (!o.improvedColours && std::getenv("BENCH_VERBOSE") != nullptr)
                    std::printf("  colours missed: %s wanted %s| standard %s| improved %s\n", family.name.c_str(),
                                o.wanted.c_str(), o.classicSaid.c_str(), o.improvedSaid.c_str());
            }
        }
        if (n == 0)
            continue;
        const auto k = static_cast<std::size_t>(family.kind);
        total[k] += n;
        classicRight[k] += c;
        improvedRight[k] += m;
        std::printf("  %-20s %s %9s %9s  ", family.name.c_str(),
                    padded(foundation::loadString(1000 + static_cast<int>(family.kind)), 14).c_str(),
                    percent(c, n).c_str(), percent(m, n).c_str());
        for (const int v : row)
            std::printf(" %4d", v);
        if (twoHere > 0)
            std::printf("   %s %s", percent(classicColoursHere, twoHere).c_str(),
                        percent(improvedColoursHere, twoHere).c_str());
        std::printf("\n");
        twoColour += twoHere;
        classicColours += classicColoursHere;
        improvedColours += improvedColoursHere;
    }
    std::printf("  per class (standard -> improved):");
    for (int k = 0; k < Classes; ++k)
        std::printf("  %s %s -> %s", foundation::loadString(1000 + k).c_str(),
                    percent(classicRight[static_cast<std::size_t>(k)], total[static_cast<std::size_t>(k)]).c_str(),
                    percent(improvedRight[static_cast<std::size_t>(k)], total[static_cast<std::size_t>(k)]).c_str());
    std::printf("\n  both colours of two-colour fabrics among the reported ones: standard %s, improved %s (%d fabrics)\n",
                percent(classicColours, twoColour).c_str(), percent(improvedColours, twoColour).c_str(), twoColour);
    std::printf("  the same with only the term of each dyed colour itself (no border terms): standard %s, improved %s\n",
                percent(classicStrict, twoColour).c_str(), percent(improvedStrict, twoColour).c_str());
    const auto pct = [](int a, int b) { return b == 0 ? 0.0 : 100.0 * a / b; };
    for (const char* which : {"standard", "improved"}) {
        const bool std = which[0] == 's';
        const auto& r = std ? classicRight : improvedRight;
        std::printf("RESULT fabric %s %s plain %.1f stripes %.1f check %.1f dots %.1f motif %.1f colours %.1f "
                    "strict %.1f\n",
                    splitName(options.split), which, pct(r[0], total[0]), pct(r[1], total[1]), pct(r[2], total[2]),
                    pct(r[3], total[3]), pct(r[4], total[4]), pct(std ? classicColours : improvedColours, twoColour),
                    pct(std ? classicStrict : improvedStrict, twoColour));
    }
    return 0;
}

} // namespace vestiscop::bench

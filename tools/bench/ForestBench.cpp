// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop_bench forest: the pattern forest (fabric/PatternForest.h) fitted
// on one renderer's scans and checked on the other's.
//
//   forest fit SOURCE [TREES DEPTH FEATURES MINLEAF]
//       Fits the forest on the --split part of SOURCE (ours, atelier or
//       both) and prints it as the source of fabric/PatternForestTable.inc;
//       the out-of-bag answers go to standard error.
//   forest cross TUNING [TREES DEPTH FEATURES MINLEAF]
//       Fits on the tuning part of each source and of both (TUNING scans of
//       each family), and checks each fit on the checking part of each
//       source (--per-family scans of each family): per class, per family
//       and how the confidence sorts right from wrong answers.
//   forest check SOURCE
//       The configured analysis (PatternModel = forest) on the --split part
//       of SOURCE: the same table, and how many mottled plains were told as
//       one colour.
//
// "ours" is the benchmark's own wardrobe (WardrobeFabrics.cpp and the
// standard families); "atelier" the second renderer (atelier/), written
// apart from ours so that rules fitted on one can be checked on the other.

#include "BenchCommands.h"
#include "atelier/AtelierWardrobe.h"
#include "fabric/FabricAnalysis.h"
#include "fabric/PatternForest.h"

#include <numeric>
#include <random>

namespace vestiscop::bench {

namespace {

constexpr int Classes = fabric::ForestClasses;
const char* const ClassNames[Classes] = {"plain", "stripes", "check", "dots", "motif", "mottled"};

struct Labelled {
    std::string family;
    int label = 0;  // 0..4 the pattern kind, 5 a mottled plain
    std::function<std::unique_ptr<imaging::RgbImage>()> make;
};

std::vector<Labelled> labelledScans(const std::string& source, Split split, int perFamily,
                                    const foundation::AllSettings& s)
{
    std::vector<Labelled> scans;
    if (source == "ours" || source == "both") {
        for (const CorpusCase& c : patternCorpus(split, perFamily, true)) {
            const int label = c.fabric.family == "heather" ? fabric::MottledPlain : static_cast<int>(c.fabric.kind);
            scans.push_back({"ours " + c.fabric.family, label, [c, &s] {
                                 Scan scan = c.scan;
                                 scan.xDpi = s.scan.xRes;
                                 scan.yDpi = s.scan.yRes;
                                 scan.width = s.texture.width;
                                 scan.height = s.texture.height;
                                 return render(c.fabric, scan);
                             }});
        }
    }
    if (source == "atelier" || source == "both") {
        const auto& kinds = atelier::kinds();
        for (std::size_t k = 0; k < kinds.size(); ++k)
            for (int i = 0; i < perFamily; ++i) {
                const std::string kind = kinds[k];
                const std::uint32_t seed = atelier::seedFor(split == Split::Check, static_cast<int>(k), i);
                // The label needs the swatch (a kind may be mottled or not).
                const atelier::Swatch probe = atelier::render(kind, seed, 16, 16, s.scan.xRes);
                scans.push_back({"atelier " + kind, probe.mottled ? fabric::MottledPlain : probe.pattern, [kind, seed, &s] {
                                     return imageOfSwatch(atelier::render(kind, seed, s.texture.width, s.texture.height,
                                                                       std::sqrt(s.scan.xRes * s.scan.yRes)));
                                 }});
            }
    }
    if (scans.empty())
        throw std::invalid_argument("source must be ours, atelier or both: " + source);
    return scans;
}

struct Sample {
    fabric::FeatureVector x{};
    int y = 0;
    int family = 0;
    double weight = 1;
};

struct Measured {
    std::vector<Sample> samples;
    std::vector<std::string> families;
};

// The features of every scan of a source's part. BENCH_CACHE=DIR keeps them
// between runs (not checked against the code: empty it after a change).
Measured measureSource(const std::string& source, Split split, int perFamily, const Setup& setup,
                       const color::ColorNameTable& names)
{
    if (source == "both") {
        // Each source's features on their own, so that both share their caches.
        Measured m = measureSource("ours", split, perFamily, setup, names);
        Measured more = measureSource("atelier", split, perFamily, setup, names);
        const int offset = static_cast<int>(m.families.size());
        for (Sample x : more.samples) {
            x.family += offset;
            m.samples.push_back(x);
        }
        m.families.insert(m.families.end(), more.families.begin(), more.families.end());
        return m;
    }
    const auto& s = setup.settings;
    const auto scans = labelledScans(source, split, perFamily, s);
    Measured m;
    m.samples.resize(scans.size());
    for (std::size_t i = 0; i < scans.size(); ++i) {
        const auto at = std::find(m.families.begin(), m.families.end(), scans[i].family);
        m.samples[i].family = static_cast<int>(at - m.families.begin());
        if (at == m.families.end())
            m.families.push_back(scans[i].family);
        m.samples[i].y = scans[i].label;
    }
    const char* dir = std::getenv("BENCH_CACHE");
    const std::string path = dir == nullptr ? std::string()
                                            : std::string(dir) + "/forest-" + source + "-" + splitName(split) + "-" +
                                                  std::to_string(perFamily) + ".bin";
    std::vector<fabric::FeatureVector> features(scans.size());
    if (!path.empty()) {
        std::ifstream in(path, std::ios::binary);
        if (in && in.read(reinterpret_cast<char*>(features.data()),
                          static_cast<std::streamsize>(features.size() * sizeof(fabric::FeatureVector)))) {
            for (std::size_t i = 0; i < scans.size(); ++i)
                m.samples[i].x = features[i];
            return m;
        }
    }
    forEachCase(scans.size(), [&](std::size_t i, unsigned) {
        fabric::FabricAnalysis analysis(names, s.scan.xRes, s.scan.yRes, s.color.reportThr);
        analysis.measure(*scans[i].make());
        features[i] = analysis.findings().features;
    });
    for (std::size_t i = 0; i < scans.size(); ++i)
        m.samples[i].x = features[i];
    if (!path.empty()) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(features.data()),
                  static_cast<std::streamsize>(features.size() * sizeof(fabric::FeatureVector)));
    }
    return m;
}

// Every class weighs the same, plain (mottled too) twice, as calling plain
// cloth patterned is the worst mistake; within a class every family alike.
void weigh(std::vector<Sample>& samples)
{
    std::map<std::pair<int, int>, int> perFamily;
    std::array<std::map<int, int>, Classes> familiesOf{};
    for (const Sample& x : samples) {
        ++perFamily[{x.y, x.family}];
        familiesOf[static_cast<std::size_t>(x.y)][x.family] = 1;
    }
    for (Sample& x : samples) {
        const double classWeight = x.y == 0 || x.y == fabric::MottledPlain ? 2.0 : 1.0;
        x.weight = classWeight / static_cast<double>(familiesOf[static_cast<std::size_t>(x.y)].size()) /
                   perFamily[{x.y, x.family}];
    }
}

struct ForestValues {
    int trees = 40;
    int depth = 8;
    int features = 5;   // tried at each split
    int minLeaf = 3;    // scans in a leaf at least
};

ForestValues forestValues(const std::vector<std::string>& arguments, std::size_t first)
{
    ForestValues v;
    int* fields[] = {&v.trees, &v.depth, &v.features, &v.minLeaf};
    for (std::size_t i = 0; i < 4 && first + i < arguments.size(); ++i)
        *fields[i] = std::stoi(arguments[first + i]);
    return v;
}

struct Forest {
    std::vector<fabric::ForestNode> nodes;
    std::vector<std::int32_t> roots;
};

class TreeGrower {
public:
    TreeGrower(const ForestValues& values, std::mt19937& random) : m_values(values), m_random(random) {}

    // Grows a tree at the end of nodes from the samples; indices are the
    // tree's own (0 = its root).
    void grow(std::vector<const Sample*> samples, std::vector<fabric::ForestNode>& nodes)
    {
        m_base = nodes.size();
        m_nodes = &nodes;
        node(std::move(samples), 0);
    }

private:
    static double gini(const std::array<double, Classes>& w, double total)
    {
        double sq = 0;
        for (const double v : w)
            sq += v * v;
        return total > 0 ? total - sq / total : 0;
    }

    int leaf(const std::array<double, Classes>& w, double total)
    {
        fabric::ForestNode n;
        for (std::size_t k = 0; k < w.size(); ++k)
            n.shares[k] = static_cast<float>(total > 0 ? w[k] / total : 0);
        m_nodes->push_back(n);
        return static_cast<int>(m_nodes->size() - 1 - m_base);
    }

    int node(std::vector<const Sample*> samples, int depth)
    {
        std::array<double, Classes> all{};
        double total = 0;
        for (const Sample* s : samples) {
            all[static_cast<std::size_t>(s->y)] += s->weight;
            total += s->weight;
        }
        const double impurity = gini(all, total);
        if (depth >= m_values.depth || impurity <= 1e-12 || static_cast<int>(samples.size()) < 2 * m_values.minLeaf)
            return leaf(all, total);
        std::vector<int> order(fabric::FeatureCount);
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), m_random);
        int bestFeature = -1;
        double bestThreshold = 0;
        double best = impurity - 1e-9;
        for (int t = 0; t < m_values.features && t < fabric::FeatureCount; ++t) {
            const int f = order[static_cast<std::size_t>(t)];
            std::stable_sort(samples.begin(), samples.end(), [f](const Sample* p, const Sample* q) {
                return p->x[static_cast<std::size_t>(f)] < q->x[static_cast<std::size_t>(f)];
            });
            std::array<double, Classes> left{};
            double leftWeight = 0;
            for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
                left[static_cast<std::size_t>(samples[i]->y)] += samples[i]->weight;
                leftWeight += samples[i]->weight;
                const double a = samples[i]->x[static_cast<std::size_t>(f)];
                const double b = samples[i + 1]->x[static_cast<std::size_t>(f)];
                if (!(a < b) || static_cast<int>(i + 1) < m_values.minLeaf ||
                    static_cast<int>(samples.size() - i - 1) < m_values.minLeaf)
                    continue;
                std::array<double, Classes> right{};
                for (std::size_t k = 0; k < right.size(); ++k)
                    right[k] = all[k] - left[k];
                const double split = gini(left, leftWeight) + gini(right, total - leftWeight);
                if (split < best) {
                    best = split;
                    bestFeature = f;
                    bestThreshold = (a + b) / 2;
                }
            }
        }
        if (bestFeature < 0)
            return leaf(all, total);
        const std::size_t at = m_nodes->size();
        m_nodes->push_back({bestFeature, bestThreshold, 0, 0, {}});
        std::vector<const Sample*> below;
        std::vector<const Sample*> above;
        for (const Sample* s : samples)
            (s->x[static_cast<std::size_t>(bestFeature)] < bestThreshold ? below : above).push_back(s);
        const int b = node(std::move(below), depth + 1);
        const int a = node(std::move(above), depth + 1);
        (*m_nodes)[at].below = b;
        (*m_nodes)[at].above = a;
        return static_cast<int>(at - m_base);
    }

    ForestValues m_values;
    std::mt19937& m_random;
    std::vector<fabric::ForestNode>* m_nodes = nullptr;
    std::size_t m_base = 0;
};

// Fits on samples (weighed); outOfBag[i], when given, gets the verdict of
// the trees that did not draw sample i.
Forest fitForest(const std::vector<Sample>& samples, const ForestValues& values,
                 std::vector<fabric::PatternVerdict>* outOfBag = nullptr)
{
    Forest forest;
    std::mt19937 random(20261210);
    std::vector<std::vector<std::int32_t>> unused(samples.size());
    std::uniform_int_distribution<std::size_t> draw(0, samples.size() - 1);
    for (int t = 0; t < values.trees; ++t) {
        std::vector<const Sample*> bag;
        std::vector<bool> drawn(samples.size(), false);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const std::size_t j = draw(random);
            bag.push_back(&samples[j]);
            drawn[j] = true;
        }
        forest.roots.push_back(static_cast<std::int32_t>(forest.nodes.size()));
        TreeGrower(values, random).grow(std::move(bag), forest.nodes);
        for (std::size_t i = 0; i < samples.size(); ++i)
            if (!drawn[i])
                unused[i].push_back(t);
    }
    if (outOfBag != nullptr) {
        outOfBag->resize(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i) {
            Forest some;
            for (const std::int32_t t : unused[i]) {
                const std::size_t first = static_cast<std::size_t>(forest.roots[static_cast<std::size_t>(t)]);
                const std::size_t last = static_cast<std::size_t>(t) + 1 < forest.roots.size()
                                             ? static_cast<std::size_t>(forest.roots[static_cast<std::size_t>(t) + 1])
                                             : forest.nodes.size();
                some.roots.push_back(static_cast<std::int32_t>(some.nodes.size()));
                some.nodes.insert(some.nodes.end(), forest.nodes.begin() + static_cast<std::ptrdiff_t>(first),
                                  forest.nodes.begin() + static_cast<std::ptrdiff_t>(last));
            }
            (*outOfBag)[i] = fabric::decidePattern(some.nodes, some.roots, samples[i].x);
        }
    }
    return forest;
}

bool rightAnswer(const fabric::PatternVerdict& v, int label)
{
    return label == fabric::MottledPlain ? v.kind == 0 && v.mottled : v.kind == label && !(label == 0 && v.mottled);
}

// Right answers per class and family, and how the confidence parts right from wrong.
struct Tally {
    std::array<int, Classes> right{};
    std::array<int, Classes> total{};
    std::map<std::string, std::pair<int, int>> families;
    std::map<std::string, std::array<int, Classes>> answers;  // per family, what it was called
    int sure = 0, sureRight = 0, missed = 0, missedUnsure = 0;

    void add(const std::string& family, int label, const fabric::PatternVerdict& v)
    {
        const bool ok = rightAnswer(v, label);
        ++total[static_cast<std::size_t>(label)];
        right[static_cast<std::size_t>(label)] += ok ? 1 : 0;
        ++answers[family][static_cast<std::size_t>(v.kind == 0 && v.mottled ? fabric::MottledPlain : v.kind)];
        auto& f = families[family];
        f.first += ok ? 1 : 0;
        ++f.second;
        const bool isSure = v.confidence >= fabric::SureConfidence;
        sure += isSure ? 1 : 0;
        sureRight += isSure && ok ? 1 : 0;
        missed += ok ? 0 : 1;
        missedUnsure += !ok && !isSure ? 1 : 0;
    }

    void print(std::FILE* out, const char* title, bool perFamily) const
    {
        int all = 0;
        int allRight = 0;
        std::fprintf(out, "%s\n  ", title);
        for (int k = 0; k < Classes; ++k) {
            std::fprintf(out, " %s %s", ClassNames[k], percent(right[static_cast<std::size_t>(k)], total[static_cast<std::size_t>(k)]).c_str());
            all += total[static_cast<std::size_t>(k)];
            allRight += right[static_cast<std::size_t>(k)];
        }
        std::fprintf(out, "  all %s (%d scans)\n", percent(allRight, all).c_str(), all);
        std::fprintf(out, "   sure (>= %.2f): %s of answers, right %s; misses unsure %s (%d of %d)\n", fabric::SureConfidence,
                    percent(sure, all).c_str(), percent(sureRight, sure).c_str(), percent(missedUnsure, missed).c_str(),
                    missedUnsure, missed);
        if (!perFamily)
            return;
        for (const auto& [family, f] : families)
            if (f.first < f.second) {
                std::fprintf(out, "    %-36s %s (%d of %d):", family.c_str(), percent(f.first, f.second).c_str(), f.first,
                             f.second);
                const auto& called = answers.at(family);
                for (int k = 0; k < Classes; ++k)
                    if (called[static_cast<std::size_t>(k)] > 0)
                        std::fprintf(out, " %s %d", ClassNames[k], called[static_cast<std::size_t>(k)]);
                std::fprintf(out, "\n");
            }
    }
};

void printForest(const Forest& forest, const std::string& command, std::size_t scans)
{
    std::printf("// The pattern forest of the fabric analysis, fitted by\n//   %s\n", command.c_str());
    std::printf("// on %zu scans. Generated; refit rather than edit.\n", scans);
    std::printf("constexpr ForestNode ForestNodes[] = {\n");
    for (const fabric::ForestNode& n : forest.nodes) {
        if (n.feature >= 0) {
            std::printf("    {%d, %.17g, %d, %d, {}},\n", n.feature, n.threshold, n.below, n.above);
            continue;
        }
        std::printf("    {-1, 0, 0, 0, {");
        for (std::size_t k = 0; k < n.shares.size(); ++k)
            std::printf("%s%.4g", k == 0 ? "" : ", ", static_cast<double>(n.shares[k]));
        std::printf("}},\n");
    }
    std::printf("};\nconstexpr std::int32_t ForestRoots[] = {");
    for (std::size_t t = 0; t < forest.roots.size(); ++t)
        std::printf("%s%d,", t % 16 == 0 ? "\n    " : " ", forest.roots[t]);
    std::printf("\n};\n");
}

std::string commandLine(const Options& options)
{
    std::string line = std::string("vestiscop_bench --split ") + splitName(options.split) + " --per-family " +
                       std::to_string(options.perFamily);
    for (const std::string& a : options.arguments)
        line += " " + a;
    return line;
}

int runFit(const Options& options, const Setup& setup, const color::ColorNameTable& names)
{
    if (options.arguments.size() < 3)
        throw std::invalid_argument("forest fit SOURCE [TREES DEPTH FEATURES MINLEAF]");
    Measured m = measureSource(options.arguments[2], options.split, options.perFamily, setup, names);
    weigh(m.samples);
    std::vector<fabric::PatternVerdict> outOfBag;
    const Forest forest = fitForest(m.samples, forestValues(options.arguments, 3), &outOfBag);
    Tally tally;
    for (std::size_t i = 0; i < m.samples.size(); ++i)
        tally.add(m.families[static_cast<std::size_t>(m.samples[i].family)], m.samples[i].y, outOfBag[i]);
    tally.print(stderr, "Out of bag, on the fitting part:", true);
    printForest(forest, commandLine(options), m.samples.size());
    return 0;
}

int runCross(const Options& options, const Setup& setup, const color::ColorNameTable& names)
{
    if (options.arguments.size() < 3)
        throw std::invalid_argument("forest cross TUNING [TREES DEPTH FEATURES MINLEAF]");
    const int tuning = std::stoi(options.arguments[2]);
    const ForestValues values = forestValues(options.arguments, 3);
    const char* const sources[] = {"ours", "atelier", "both"};
    std::map<std::string, Measured> tune;
    std::map<std::string, Measured> check;
    for (const char* s : {"ours", "atelier"}) {
        tune[s] = measureSource(s, Split::Tune, tuning, setup, names);
        check[s] = measureSource(s, Split::Check, options.perFamily, setup, names);
    }
    for (const char* fitOn : sources) {
        Measured fitting;
        for (const char* s : {"ours", "atelier"})
            if (std::string(fitOn) == s || std::string(fitOn) == "both")
                for (Sample x : tune[s].samples) {
                    // Family numbers of the two sources apart, for weighing.
                    if (std::string(s) == "atelier")
                        x.family += 1000;
                    fitting.samples.push_back(x);
                }
        weigh(fitting.samples);
        const Forest forest = fitForest(fitting.samples, values);
        for (const char* s : {"ours", "atelier"}) {
            Tally tally;
            const Measured& m = check[s];
            for (const Sample& x : m.samples)
                tally.add(m.families[static_cast<std::size_t>(x.family)], x.y,
                          fabric::decidePattern(forest.nodes, forest.roots, x.x));
            const std::string title = std::string("Fitted on the tuning part of ") + fitOn + ", checked on " + s + ":";
            tally.print(stdout, title.c_str(), true);
        }
    }
    return 0;
}

int runCheck(const Options& options, const Setup& setup, const color::ColorNameTable& names)
{
    if (options.arguments.size() < 3)
        throw std::invalid_argument("forest check SOURCE");
    const auto& s = setup.settings;
    const auto scans = labelledScans(options.arguments[2], options.split, options.perFamily, s);
    std::vector<fabric::PatternVerdict> verdicts(scans.size());
    std::vector<int> colours(scans.size(), 0);
    forEachCase(scans.size(), [&](std::size_t i, unsigned) {
        auto analyser = configuredAnalyser(setup, s.texture, names);
        analyser->setViewsWanted(false);
        analyser->analyze(scans[i].make());
        const analysis::ScanResult& r = analyser->result();
        fabric::PatternVerdict& v = verdicts[i];
        v.kind = r.pattern;
        if (r.findings != nullptr) {
            v.confidence = r.findings->patternConfidence;
            v.mottled = r.findings->mottled;
        }
        for (const color::ColorCluster& c : r.colors)
            colours[i] += color::isReported(c, s.color.reportThr) ? 1 : 0;
    });
    Tally tally;
    int mottled = 0;
    int mottledOne = 0;
    for (std::size_t i = 0; i < scans.size(); ++i) {
        tally.add(scans[i].family, scans[i].label, verdicts[i]);
        if (scans[i].label == fabric::MottledPlain) {
            ++mottled;
            mottledOne += verdicts[i].kind == 0 && colours[i] == 1 ? 1 : 0;
        }
    }
    const std::string title = std::string("The configured analysis on the ") + splitName(options.split) + " part of " +
                              options.arguments[2] + ":";
    tally.print(stdout, title.c_str(), true);
    std::printf("  mottled plains told plain with one colour: %s (%d of %d)\n", percent(mottledOne, mottled).c_str(),
                mottledOne, mottled);
    return 0;
}

} // namespace

int runForest(const Options& options)
{
    const Setup setup = loadSetup(options.config);
    const auto names = color::ColorNameTable::load(tablePath(setup, setup.settings.color.definitions));
    const std::string what = options.arguments.size() > 1 ? options.arguments[1] : "";
    if (what == "fit")
        return runFit(options, setup, names);
    if (what == "cross")
        return runCross(options, setup, names);
    if (what == "check")
        return runCheck(options, setup, names);
    throw std::invalid_argument("forest fit|cross|check");
}

} // namespace vestiscop::bench

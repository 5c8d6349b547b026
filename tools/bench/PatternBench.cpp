// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop_bench pattern, sweep and grid: the pattern classification and its settings.

#include "BenchCommands.h"

namespace vestiscop::bench {

namespace {

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

} // namespace

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

namespace {

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

} // namespace

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

namespace {

// ------------------------------------------------------------------ grid

// Pattern accuracy per class for every combination of the settings that
// moved a class in the sweep, to find values that are good for every class
// at once rather than for one. For choosing the defaults on the tuning part;
// not part of ./bench.sh.

} // namespace

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

} // namespace vestiscop::bench

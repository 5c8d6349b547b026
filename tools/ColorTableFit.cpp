// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColorTableFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

#include "BasicTerms.h"
#include "Corpus.h"
#include "color/ColorConversion.h"

namespace vestiscop::tools {

namespace {

bool hasLab(const std::vector<color::ColorName>& entries, const color::LabPixel& lab)
{
    for (const color::ColorName& e : entries)
        if (e.lab == lab)
            return true;
    return false;
}

// The data lines of a tab-separated file, split into fields, each with
// its line number for messages.
struct Line {
    int number;
    std::vector<std::string> fields;
};

std::vector<Line> readFields(const std::string& path, std::size_t count)
{
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error(path + ": cannot open");
    std::vector<Line> lines;
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (text.empty() || text.front() == '#')
            continue;
        Line line{number, {}};
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = text.find('\t', start);
            line.fields.push_back(text.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        if (line.fields.size() != count || line.fields[0].empty())
            throw std::runtime_error(path + ":" + std::to_string(number) + ": expected " + std::to_string(count) +
                                     " fields separated by tabs");
        lines.push_back(std::move(line));
    }
    return lines;
}

color::LabPixel labOfHex(const std::string& hex, const std::string& where)
{
    if (hex.size() != 7 || hex[0] != '#' || hex.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
        throw std::runtime_error(where + "expected #rrggbb: " + hex);
    const auto value = static_cast<std::uint32_t>(std::stoul(hex.substr(1), nullptr, 16));
    const color::RgbPixel rgb{static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>((value >> 8) & 0xFF),
                              static_cast<std::uint8_t>(value >> 16)};
    return color::rgbToLab(rgb, color::AnalysisGamma);
}

} // namespace

namespace {

using Point = std::array<double, 3>;

Point pointOf(const color::LabPixel& p)
{
    return {static_cast<double>(p.l), static_cast<double>(p.a), static_cast<double>(p.b)};
}

double distance2(const Point& p, const Point& q)
{
    const double dl = p[0] - q[0];
    const double da = p[1] - q[1];
    const double db = p[2] - q[2];
    return dl * dl + da * da + db * db;
}

// k centres of the points: the first point and then each time the point
// furthest from the centres so far, refined by 20 rounds of moving each
// centre to the mean of the points nearest to it.
std::vector<Point> centres(const std::vector<Point>& points, std::size_t k)
{
    std::vector<Point> c{points.front()};
    while (c.size() < k) {
        std::size_t furthest = 0;
        double furthestDistance = -1;
        for (std::size_t i = 0; i < points.size(); ++i) {
            double nearest = distance2(points[i], c.front());
            for (const Point& q : c)
                nearest = std::min(nearest, distance2(points[i], q));
            if (nearest > furthestDistance) {
                furthestDistance = nearest;
                furthest = i;
            }
        }
        c.push_back(points[furthest]);
    }
    for (int round = 0; round < 20; ++round) {
        std::vector<Point> sum(c.size(), Point{0, 0, 0});
        std::vector<int> count(c.size(), 0);
        for (const Point& p : points) {
            std::size_t best = 0;
            for (std::size_t j = 1; j < c.size(); ++j)
                if (distance2(p, c[j]) < distance2(p, c[best]))
                    best = j;
            for (std::size_t d = 0; d < 3; ++d)
                sum[best][d] += p[d];
            ++count[best];
        }
        for (std::size_t j = 0; j < c.size(); ++j)
            if (count[j] > 0)
                for (std::size_t d = 0; d < 3; ++d)
                    c[j][d] = sum[j][d] / count[j];
    }
    return c;
}

int rounded(double v, int low, int high)
{
    return static_cast<int>(std::clamp(std::floor(v + 0.5), static_cast<double>(low), static_cast<double>(high)));
}

struct Entry {
    Point at;
    int term;
    std::string name;
    bool fixed;
};

bool accepts(const NamedColour& c, int term)
{
    return c.accepted.empty() ? c.term == term : std::find(c.accepted.begin(), c.accepted.end(), term) != c.accepted.end();
}

bool nearOtherFabric(const NamedColour& c, const std::vector<NamedColour>& fabrics)
{
    for (const NamedColour& f : fabrics) {
        const bool other = c.name.empty() ? !accepts(c, f.term) : f.name != c.name;
        if (other && distance2(pointOf(f.lab), pointOf(c.lab)) < FabricRadius * FabricRadius)
            return true;
    }
    return false;
}

bool nearFabricEntry(const std::vector<Entry>& entries, const Point& p, const std::string& name)
{
    for (const Entry& e : entries)
        if (e.fixed && e.name != name && distance2(e.at, p) < FabricRadius * FabricRadius)
            return true;
    return false;
}

} // namespace

std::vector<color::ColorName> fitTable(const std::vector<NamedColour>& fabrics, const std::vector<NamedColour>& survey,
                                       const std::vector<NamedColour>& others)
{
    std::vector<Entry> entries;
    for (const NamedColour& f : fabrics)
        entries.push_back({pointOf(f.lab), f.term, f.name, true});
    std::vector<const NamedColour*> samples;
    std::map<std::string, std::vector<const NamedColour*>> byName;
    for (const NamedColour& s : survey)
        if (!nearOtherFabric(s, fabrics)) {
            byName[s.name].push_back(&s);
            samples.push_back(&s);
        }
    for (const NamedColour& o : others)
        if (!nearOtherFabric(o, fabrics))
            samples.push_back(&o);
    for (const auto& [name, colours] : byName) {
        std::vector<Point> points;
        for (const NamedColour* c : colours)
            points.push_back(pointOf(c->lab));
        const std::size_t k = std::max<std::size_t>(1, (colours.size() + EntryColours / 2) / EntryColours);
        for (const Point& p : centres(points, k))
            entries.push_back({p, colours.front()->term, name, false});
    }

    std::mt19937 random(1);
    for (int epoch = 0; epoch < Epochs; ++epoch) {
        for (std::size_t i = samples.size(); i > 1; --i)
            std::swap(samples[i - 1], samples[random() % i]);
        const double rate = Rate * (1 - static_cast<double>(epoch) / Epochs);
        for (const NamedColour* s : samples) {
            const Point x = pointOf(s->lab);
            Entry* right = nullptr;
            Entry* wrong = nullptr;
            double dRight = 0;
            double dWrong = 0;
            for (Entry& e : entries) {
                const double d = distance2(e.at, x);
                if (accepts(*s, e.term)) {
                    if (right == nullptr || d < dRight) {
                        right = &e;
                        dRight = d;
                    }
                } else if (wrong == nullptr || d < dWrong) {
                    wrong = &e;
                    dWrong = d;
                }
            }
            if (right == nullptr || wrong == nullptr)
                continue;
            // mu < 0 when the colour is named right; the sigmoid's slope
            // makes the colours near the border count most.
            const double sum = dRight + dWrong;
            const double mu = (dRight - dWrong) / (sum + 1e-9);
            const double sigmoid = 1 / (1 + std::exp(-4 * mu));
            const double slope = 4 * sigmoid * (1 - sigmoid);
            const double toward = rate * slope * dWrong / (sum * sum + 1e-9) * 100;
            const double away = rate * slope * dRight / (sum * sum + 1e-9) * 100;
            Point r = right->at;
            Point w = wrong->at;
            for (std::size_t d = 0; d < 3; ++d) {
                r[d] += toward * (x[d] - right->at[d]);
                w[d] -= away * (x[d] - wrong->at[d]);
            }
            // The fabric colours own their neighbourhood: no entry of another
            // name moves into it (a šedá entry drawn up to the light grey
            // cloth would take its name, světle šedá, from it).
            if (!right->fixed && !nearFabricEntry(entries, r, right->name))
                right->at = r;
            if (!wrong->fixed && !nearFabricEntry(entries, w, wrong->name))
                wrong->at = w;
        }
    }

    std::vector<color::ColorName> table;
    for (const Entry& e : entries) {
        const color::LabPixel lab{static_cast<std::uint8_t>(rounded(e.at[0], 0, 100)),
                                  static_cast<std::int8_t>(rounded(e.at[1], -128, 127)),
                                  static_cast<std::int8_t>(rounded(e.at[2], -128, 127))};
        if (!hasLab(table, lab))
            table.push_back({lab, e.name});
    }
    return table;
}

bool creamZone(const color::LabPixel& lab)
{
    // Beige, ivory and cream as the flatbed sees them: light, with the
    // yellow a little greenish (scanned-fabrics.tsv: cream L 89-96, a -4,
    // b 15-17; the survey's creams up to b 36 at L 100).
    const double hue = std::atan2(static_cast<double>(lab.b), static_cast<double>(lab.a)) * 180 / 3.141592653589793;
    return lab.l >= 84 && hue >= 75 && hue <= 125;
}

std::vector<NamedColour> seenChromaColours()
{
    std::vector<int> coloured;
    for (int t = 0; t < static_cast<int>(bench::basicTerms().size()); ++t)
        if (bench::basicTerms()[static_cast<std::size_t>(t)] != "černá" &&
            bench::basicTerms()[static_cast<std::size_t>(t)] != "bílá" &&
            bench::basicTerms()[static_cast<std::size_t>(t)] != "šedá")
            coloured.push_back(t);
    std::vector<NamedColour> colours;
    const double chroma = SeenChroma + 2;
    for (int l = SeenFrom; l <= 95; l += 5)
        for (int degrees = 0; degrees < 360; degrees += 15) {
            const double h = degrees * 3.141592653589793 / 180;
            const color::LabPixel lab{static_cast<std::uint8_t>(l),
                                      static_cast<std::int8_t>(rounded(chroma * std::cos(h), -128, 127)),
                                      static_cast<std::int8_t>(rounded(chroma * std::sin(h), -128, 127))};
            std::vector<int> accepted = coloured;
            if (creamZone(lab))
                accepted.push_back(bench::basicTermIndex("bílá"));
            colours.push_back({lab, "", accepted.front(), accepted});
        }
    // And the grey axis where a person sees black, so that the dark blues,
    // browns and greens pulled towards it stop short of the blacks.
    const int black = bench::basicTermIndex("černá");
    for (int l = 0; l <= BlackLightness; l += 2)
        colours.push_back({color::LabPixel{static_cast<std::uint8_t>(l), 0, 0}, "", black, {black}});
    return colours;
}

std::map<std::string, std::string> loadVocabulary(const std::string& path)
{
    std::map<std::string, std::string> vocabulary;
    for (const Line& line : readFields(path, 3)) {
        const std::string where = path + ":" + std::to_string(line.number) + ": ";
        if (bench::basicTermIndex(line.fields[1]) < 0)
            throw std::runtime_error(where + "not a basic colour term: " + line.fields[1]);
        if (!vocabulary.emplace(line.fields[0], line.fields[1]).second)
            throw std::runtime_error(where + "name given twice: " + line.fields[0]);
    }
    return vocabulary;
}

std::vector<SurveyEntry> loadSurveyNames(const std::string& path)
{
    std::vector<SurveyEntry> entries;
    for (const Line& line : readFields(path, 4))
        entries.push_back({line.fields[0], labOfHex(line.fields[1], path + ":" + std::to_string(line.number) + ": "),
                           line.fields[2]});
    return entries;
}

std::vector<NamedColour> loadFabricColours(const std::string& path)
{
    std::vector<NamedColour> colours;
    for (const Line& line : readFields(path, 3)) {
        std::istringstream numbers(line.fields[1]);
        int l = 0;
        int a = 0;
        int b = 0;
        std::string rest;
        if (!(numbers >> l >> a >> b) || (numbers >> rest) || l < 0 || l > 100 || a < -128 || a > 127 || b < -128 ||
            b > 127)
            throw std::runtime_error(path + ":" + std::to_string(line.number) + ": expected L a b: " + line.fields[1]);
        colours.push_back({{static_cast<std::uint8_t>(l), static_cast<std::int8_t>(a), static_cast<std::int8_t>(b)},
                           line.fields[0], -1, {}});
    }
    return colours;
}

std::vector<NamedColour> loadOtherColours(const std::string& path)
{
    std::vector<NamedColour> colours;
    for (const Line& line : readFields(path, 4)) {
        const std::string where = path + ":" + std::to_string(line.number) + ": ";
        std::vector<int> terms = bench::termIndices(line.fields[3]);
        if (terms.empty() || std::find(terms.begin(), terms.end(), -1) != terms.end())
            throw std::runtime_error(where + "not a basic colour term: " + line.fields[3]);
        colours.push_back({labOfHex(line.fields[1], where), "", terms.front(), terms});
    }
    return colours;
}

std::vector<color::ColorName> fitFromFiles(const std::string& vocabularyPath, const std::string& surveyPath,
                                           const std::string& fabricsPath, const std::string& surveyTermsPath,
                                           const std::string& othersPath, bool basicTerms, Fold fold)
{
    const auto vocabulary = loadVocabulary(vocabularyPath);
    const auto termOf = [&](const std::string& name, const std::string& file) {
        const auto it = vocabulary.find(name);
        if (it == vocabulary.end())
            throw std::runtime_error(file + ": not in " + vocabularyPath + ": " + name);
        return bench::basicTermIndex(it->second);
    };
    std::vector<NamedColour> fabrics = loadFabricColours(fabricsPath);
    for (NamedColour& f : fabrics)
        f.term = termOf(f.name, fabricsPath);
    const auto surveyTerms = bench::loadTermMap(surveyTermsPath);
    const auto surveyEntries = loadSurveyNames(surveyPath);
    std::vector<NamedColour> survey;
    for (std::size_t i = 0; i < surveyEntries.size(); ++i) {
        const SurveyEntry& e = surveyEntries[i];
        NamedColour c{e.lab, e.czechName, termOf(e.czechName, surveyPath), {}};
        const auto mapped = surveyTerms.find(e.surveyName);
        if (mapped != surveyTerms.end())
            c.accepted = bench::termIndices(mapped->second);
        if (!c.accepted.empty() && std::find(c.accepted.begin(), c.accepted.end(), c.term) == c.accepted.end())
            throw std::runtime_error(surveyPath + ": " + e.surveyName + " is named " + e.czechName + ", but " +
                                     surveyTermsPath + " gives it " + mapped->second);
        if (!bench::surveyColourHeldOut(i) && (fold.folds == 0 || bench::surveyColourFold(i, fold.folds) != fold.leaveOut))
            survey.push_back(std::move(c));
    }
    std::vector<NamedColour> others = loadOtherColours(othersPath);
    for (NamedColour& c : seenChromaColours())
        others.push_back(std::move(c));
    auto entries = fitTable(fabrics, survey, others);
    if (!basicTerms)
        return entries;
    // The same entries under their basic terms, so both tables draw the
    // borders between basic terms alike.
    std::vector<color::ColorName> basic;
    for (const color::ColorName& e : entries)
        basic.push_back({e.lab, vocabulary.at(e.name)});
    return basic;
}

} // namespace vestiscop::tools

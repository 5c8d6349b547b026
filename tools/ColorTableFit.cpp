// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColorTableFit.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "BasicTerms.h"
#include "Corpus.h"
#include "color/ColorConversion.h"

namespace vestiscop::tools {

namespace {

int distance2(const color::LabPixel& p, const color::LabPixel& q)
{
    const int dl = static_cast<int>(p.l) - q.l;
    const int da = static_cast<int>(p.a) - q.a;
    const int db = static_cast<int>(p.b) - q.b;
    return dl * dl + da * da + db * db;
}

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

std::vector<color::ColorName> fitTable(const std::vector<NamedColour>& fabrics, const std::vector<NamedColour>& survey)
{
    std::vector<color::ColorName> entries;
    for (const NamedColour& f : fabrics)
        if (!hasLab(entries, f.lab))
            entries.push_back({f.lab, f.name});
    for (const NamedColour& s : survey) {
        bool owned = false;
        for (const NamedColour& f : fabrics)
            owned = owned || (f.name != s.name && distance2(f.lab, s.lab) < FabricRadius * FabricRadius);
        if (!owned && !hasLab(entries, s.lab))
            entries.push_back({s.lab, s.name});
    }
    return entries;
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
                           line.fields[0]});
    }
    return colours;
}

std::vector<color::ColorName> fitFromFiles(const std::string& vocabularyPath, const std::string& surveyPath,
                                           const std::string& fabricsPath, bool basicTerms)
{
    const auto vocabulary = loadVocabulary(vocabularyPath);
    const auto label = [&](const std::string& name, const std::string& file) {
        const auto it = vocabulary.find(name);
        if (it == vocabulary.end())
            throw std::runtime_error(file + ": not in " + vocabularyPath + ": " + name);
        return basicTerms ? it->second : name;
    };
    std::vector<NamedColour> fabrics = loadFabricColours(fabricsPath);
    for (NamedColour& f : fabrics)
        f.name = label(f.name, fabricsPath);
    const auto surveyEntries = loadSurveyNames(surveyPath);
    std::vector<NamedColour> survey;
    for (std::size_t i = 0; i < surveyEntries.size(); ++i) {
        const std::string name = label(surveyEntries[i].czechName, surveyPath);
        if (!bench::surveyColourHeldOut(i))
            survey.push_back({surveyEntries[i].lab, name});
    }
    return fitTable(fabrics, survey);
}

} // namespace vestiscop::tools

// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop_bench decisions: colours of the kinds a Czech speaker decided
// how to name (tools/colors/decision-checks.tsv), named as the naming
// benchmark names survey colours.

#include <set>
#include <sstream>

#include "BenchCommands.h"

namespace vestiscop::bench {

namespace {

struct CheckColour {
    std::string kind;
    std::uint32_t rgb = 0;
    std::set<std::string> right;
    std::set<std::string> wrong;  // empty with anyOtherWrong
    bool anyOtherWrong = false;
};

// "a,=term,b": the names, each "=term" expanded to every name of that term.
std::set<std::string> expandNames(const std::string& list, const std::map<std::string, std::string>& namesMap,
                                  bool& any, const std::string& where)
{
    std::set<std::string> names;
    std::istringstream in(list);
    std::string token;
    while (std::getline(in, token, ',')) {
        if (token == "*") {
            any = true;
        } else if (!token.empty() && token.front() == '=') {
            const std::string term = token.substr(1);
            if (basicTermIndex(term) < 0)
                throw std::runtime_error(where + "not a basic colour term: " + term);
            for (const auto& [name, mapped] : namesMap)
                if (mapped == term)
                    names.insert(name);
        } else if (namesMap.count(token) == 0) {
            throw std::runtime_error(where + "not one of our colour names: " + token);
        } else {
            names.insert(token);
        }
    }
    return names;
}

std::vector<CheckColour> loadChecks(const std::string& path, const std::map<std::string, std::string>& namesMap)
{
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error(path + ": cannot open");
    std::vector<CheckColour> checks;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line.front() == '#')
            continue;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        std::vector<std::string> fields;
        std::istringstream split(line);
        std::string field;
        while (std::getline(split, field, '\t'))
            fields.push_back(field);
        if (fields.size() != 5 || fields[1].size() != 7 || fields[1][0] != '#')
            throw std::runtime_error(where + "expected kind, #rrggbb, L a b, right names, wrong names");
        CheckColour c;
        c.kind = fields[0];
        c.rgb = static_cast<std::uint32_t>(std::stoul(fields[1].substr(1), nullptr, 16));
        bool any = false;
        c.right = expandNames(fields[3], namesMap, any, where);
        c.wrong = expandNames(fields[4], namesMap, c.anyOtherWrong, where);
        checks.push_back(std::move(c));
    }
    return checks;
}

// A name's own basic term, or the name when it is one (the basic table).
std::string termOfName(const std::string& name, const std::map<std::string, std::string>& namesMap)
{
    const auto it = namesMap.find(name);
    return it == namesMap.end() ? name : it->second;
}

} // namespace

int runDecisions(const Options& options)
{
    if (options.arguments.size() < 3 || options.arguments.size() > 4)
        throw std::invalid_argument("decisions CHECKS.tsv NAMES-MAP [TABLE]");
    const Setup setup = loadSetup(options.config);
    const auto namesMap = loadTermMap(options.arguments[2]);
    const auto checks = loadChecks(options.arguments[1], namesMap);
    const std::string table =
        tablePath(setup, options.arguments.size() == 4 ? options.arguments[3] : setup.settings.color.definitions);
    const color::ColorNameTable names = color::ColorNameTable::load(table);
    // The basic table names by basic terms: a term is right when a right
    // name has it, and wrong when only wrong names have it.
    bool basic = true;
    for (const color::ColorName& entry : names.entries())
        basic = basic && basicTermIndex(entry.name) >= 0;

    foundation::TextureSettings region{160, 160};
    const std::unique_ptr<analysis::Analyser> analyzer = configuredAnalyser(setup, region, names);
    struct Count {
        int total = 0;
        int right = 0;
        int wrong = 0;
        std::map<std::string, int> otherNames;
        std::map<std::string, int> wrongNames;
    };
    std::vector<std::string> kinds;
    std::map<std::string, Count> counts;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const CheckColour& c = checks[i];
        if (counts.count(c.kind) == 0)
            kinds.push_back(c.kind);
        Count& count = counts[c.kind];
        Fabric fabric = makeFabric("plain", 500000u + static_cast<std::uint32_t>(i));
        fabric.colours[0] = rgbOf(c.rgb);
        std::mt19937 random(static_cast<std::uint32_t>(i) * 7919u + 29u);
        Scan scan = randomScan(random, setup.settings.scan.xRes, setup.settings.scan.yRes, region.width, region.height);
        std::string ours = "(chyba)";
        try {
            analyzer->analyze(render(fabric, scan));
            ours = analyzer->result().colors.front().color->name;
        } catch (const foundation::VisionError&) {
        }
        bool right = false;
        bool wrong = false;
        if (basic) {
            std::set<std::string> rightTerms;
            std::set<std::string> wrongTerms;
            for (const std::string& n : c.right)
                rightTerms.insert(termOfName(n, namesMap));
            for (const std::string& n : c.wrong)
                wrongTerms.insert(termOfName(n, namesMap));
            right = rightTerms.count(ours) > 0;
            wrong = !right && (c.anyOtherWrong || wrongTerms.count(ours) > 0);
        } else {
            wrong = c.wrong.count(ours) > 0 || (c.anyOtherWrong && c.right.count(ours) == 0);
            right = !wrong && c.right.count(ours) > 0;
        }
        ++count.total;
        count.right += right ? 1 : 0;
        count.wrong += wrong ? 1 : 0;
        if (wrong)
            ++count.wrongNames[ours];
        else if (!right)
            ++count.otherNames[ours];
    }
    std::printf("Colours decided by a Czech speaker (%s), table %s, %s analysis\n",
                std::filesystem::path(options.arguments[1]).filename().c_str(),
                std::filesystem::path(table).filename().c_str(), setup.improved ? "improved" : "standard");
    std::printf("  %s %6s %7s %7s  the wrong kind / other names given\n", padded("kind", 11).c_str(), "colours", "right",
                "wrong");
    int allWrong = 0;
    for (const std::string& kind : kinds) {
        const Count& n = counts[kind];
        allWrong += n.wrong;
        std::string detail;
        for (const auto& [name, k] : n.wrongNames)
            detail += (detail.empty() ? "" : ", ") + name + " " + std::to_string(k);
        if (!n.otherNames.empty())
            detail += " /";
        for (const auto& [name, k] : n.otherNames)
            detail += " " + name + " " + std::to_string(k);
        std::printf("  %s %6d %7s %7d  %s\n", padded(kind, 11).c_str(), n.total, percent(n.right, n.total).c_str(),
                    n.wrong, detail.c_str());
    }
    std::printf("RESULT decisions %s wrong %d\n", std::filesystem::path(table).filename().c_str(), allWrong);
    return 0;
}

} // namespace vestiscop::bench

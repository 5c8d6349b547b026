// SPDX-License-Identifier: GPL-3.0-or-later
#include "BasicTerms.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace vestiscop::bench {

const std::vector<std::string>& basicTerms()
{
    static const std::vector<std::string> terms = {"černá",    "bílá",   "šedá",  "červená", "oranžová", "žlutá",
                                                   "zelená",   "modrá",  "fialová", "růžová", "hnědá"};
    return terms;
}

int basicTermIndex(const std::string& term)
{
    const auto& terms = basicTerms();
    const auto it = std::find(terms.begin(), terms.end(), term);
    return it == terms.end() ? -1 : static_cast<int>(it - terms.begin());
}

std::map<std::string, std::string> loadTermMap(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error(path + ": cannot open");
    std::map<std::string, std::string> map;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        const auto where = [&] { return path + ":" + std::to_string(number) + ": "; };
        const std::size_t tab = line.find('\t');
        const std::size_t noteTab = tab == std::string::npos ? tab : line.find('\t', tab + 1);
        if (tab == std::string::npos || tab == 0 ||
            (noteTab != std::string::npos && line.find('\t', noteTab + 1) != std::string::npos))
            throw std::runtime_error(where() + "expected name<TAB>term");
        const std::string name = line.substr(0, tab);
        const std::string term = line.substr(tab + 1, noteTab == std::string::npos ? noteTab : noteTab - tab - 1);
        const std::size_t slash = term.find('/');
        const bool valid = term == "-" || basicTermIndex(term) >= 0 ||
                           (slash != std::string::npos && basicTermIndex(term.substr(0, slash)) >= 0 &&
                            basicTermIndex(term.substr(slash + 1)) >= 0 && term.substr(0, slash) != term.substr(slash + 1));
        if (!valid)
            throw std::runtime_error(where() + "not a basic colour term: " + term);
        if (!map.emplace(name, term).second)
            throw std::runtime_error(where() + "name given twice: " + name);
    }
    return map;
}

std::vector<int> termIndices(const std::string& mapped)
{
    if (mapped == "-")
        return {};
    const std::size_t slash = mapped.find('/');
    if (slash == std::string::npos)
        return {basicTermIndex(mapped)};
    return {basicTermIndex(mapped.substr(0, slash)), basicTermIndex(mapped.substr(slash + 1))};
}

} // namespace vestiscop::bench

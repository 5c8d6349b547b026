// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The eleven basic colour terms and the tables that map other colour names
// onto them: our own Czech names (so that "tmavě modrá" counts as modrá)
// and the names of the public colour survey list that the naming benchmark
// scores against.

#include <map>
#include <string>
#include <vector>

namespace vestiscop::bench {

// černá, bílá, šedá, červená, oranžová, žlutá, zelená, modrá, fialová,
// růžová, hnědá: the order of the confusion matrices.
const std::vector<std::string>& basicTerms();
int basicTermIndex(const std::string& term);  // -1 when not a basic term

// A mapping file: one "name<TAB>term" a line (UTF-8); term is a basic term
// or "-" for a name that has no single basic term and is left out of the
// scoring. Blank lines and lines starting with '#' are skipped. Throws
// std::runtime_error naming the file and line for anything else, including
// a term that is neither "-" nor one of the eleven, and a name given twice.
std::map<std::string, std::string> loadTermMap(const std::string& path);

} // namespace vestiscop::bench

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

// A mapping file: one "name<TAB>term" a line (UTF-8), optionally followed
// by "<TAB>note"; term is a basic term, two basic terms "term/term" for a
// name that lies between them (either is right for it), or "-" for a name
// left out of the scoring. Blank lines and lines starting with '#' are
// skipped. Throws std::runtime_error naming the file and line for anything
// else, including a term that is not one of the eleven, a pair of one term
// twice, and a name given twice.
std::map<std::string, std::string> loadTermMap(const std::string& path);

// The basic term indices of a mapped term: one, two for "term/term", none
// for "-".
std::vector<int> termIndices(const std::string& mapped);

} // namespace vestiscop::bench

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Builds a colour table from colours people have named: the colour survey
// list with a Czech name for each colour, and a few colours measured on
// scans of fabrics. The table's entries are chosen so that its nearest
// entry gives every fitted colour the name it was given.

#include <map>
#include <string>
#include <vector>

#include "color/ColorNameTable.h"
#include "color/LabPixel.h"

namespace vestiscop::tools {

// A named colour to fit, in the analysis's own byte Lab.
struct NamedColour {
    color::LabPixel lab;
    std::string name;
};

// Survey colours nearer than this (Lab units) to a fabric colour of another
// name are left out of the fitting: there the scans of real fabrics decide
// (a flatbed sees a white shirt darker than a monitor shows white).
constexpr int FabricRadius = 8;

// The entries, in the order the table lists them: every fabric colour,
// then every survey colour, each Lab once (of two colours with one Lab the
// first stays). The table names every colour as its nearest named colour:
// a survey colour as it was named, a fabric colour likewise, and any other
// colour as the nearest of them. Smoothing the survey's odd names away (a
// vote of the nearest three, or editing out colours their neighbours call
// otherwise) and condensing the entries to those at the borders were tried;
// on the tuning part split in two (fit on one half, check on the other)
// each named fewer colours right than every colour as it was named.
std::vector<color::ColorName> fitTable(const std::vector<NamedColour>& fabrics, const std::vector<NamedColour>& survey);

// ---- the data files (UTF-8, '#' starts a comment line, fields by tabs)

// vocabulary.tsv: name, basic term, note. Returns name -> basic term.
// Throws std::runtime_error (file:line: reason) for a malformed line, a
// term that is not one of the eleven basic terms, or a name given twice.
std::map<std::string, std::string> loadVocabulary(const std::string& path);

// survey-cs.tsv: survey name, #rrggbb, Czech name, how chosen; every line,
// in the list's order (index 0 is the first colour line).
struct SurveyEntry {
    std::string surveyName;
    color::LabPixel lab;
    std::string czechName;
};
std::vector<SurveyEntry> loadSurveyNames(const std::string& path);

// scanned-fabrics.tsv: Czech name, "L a b", note.
std::vector<NamedColour> loadFabricColours(const std::string& path);

// The whole command: the survey's tuning part (held-out colours left out)
// and the fabric colours, named by their Czech name, or with basicTerms by
// the vocabulary's basic term. Every name must be in the vocabulary.
std::vector<color::ColorName> fitFromFiles(const std::string& vocabularyPath, const std::string& surveyPath,
                                           const std::string& fabricsPath, bool basicTerms);

} // namespace vestiscop::tools

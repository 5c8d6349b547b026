// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Builds a colour table from colours people have named: the colour survey
// list with a Czech name for each colour, a few colours measured on scans
// of fabrics, and colours of other lists known only by their basic term.
// The table's entries are placed so that its nearest entry gives as many
// of these colours as it can a name of a basic term they were given.

#include <map>
#include <string>
#include <vector>

#include "color/ColorNameTable.h"
#include "color/LabPixel.h"

namespace vestiscop::tools {

// A named colour to fit, in the analysis's own byte Lab: its Czech name
// (empty for a colour known only by its basic term), the basic term of
// that name, and the basic terms a person would accept for it (one, or two
// for a colour between two terms; the name's own term is one of them).
struct NamedColour {
    color::LabPixel lab;
    std::string name;
    int term = -1;
    std::vector<int> accepted;
};

// Survey colours nearer than this (Lab units) to a fabric colour of another
// name are left out of the fitting: there the scans of real fabrics decide
// (a flatbed sees a white shirt darker than a monitor shows white).
constexpr int FabricRadius = 8;

// How the entries are placed. Each name gets one entry per EntryColours of
// its survey colours (at least one), at the centres of its colours (k-means);
// then, for Epochs passes over the survey colours and the other lists'
// colours in a shuffled order, the nearest entry of an accepted term moves
// towards the colour and the nearest entry of another term away from it,
// the more the nearer the two are (generalised learning vector
// quantisation; the rate falls from Rate to nothing). The borders between
// basic terms so settle where most colours fall on their side, rather than
// wherever a single odd survey name lies. Chosen by cross-validation on the
// tuning part alone (tools/colors/cross-validate.sh: fit on four fifths,
// name the fifth as the naming benchmark does): one basic term 94.7 %, two
// terms 98.4 %, against 91.3 % / 95.7 % for an entry per survey colour.
// With the seen-chroma colours (no grey of a hue one sees) and the names a
// native speaker decided for clothes: 93.5 % and 97.3 %, the price of
// greys with a faint blue cast now told as šedomodrá.
constexpr int EntryColours = 4;
constexpr int Epochs = 20;
constexpr double Rate = 0.5;

// A colour of more chroma than this (byte Lab, sqrt(a*a + b*b)) has a hue a
// person sees: it is never named černá, šedá or bílá, save the pale
// yellowish off-whites (creamZone) that are smetanová, a bílá name.
constexpr double SeenChroma = 12;
bool creamZone(const color::LabPixel& lab);

// Colours just over SeenChroma all round the grey axis (every 15 degrees of
// hue, L 10 to 95 by 5), each known only as "any term but the neutral ones"
// (in the cream zone bílá too). Fitted with the other lists' colours, they
// pull the coloured entries close enough to the grey axis that the neutral
// entries name no colour a person sees as coloured. With them the grey
// axis up to BlackLightness, known as černá: there a person says black.
constexpr int BlackLightness = 16;
constexpr int SeenFrom = 20;
std::vector<NamedColour> seenChromaColours();

// The entries, in the order the table lists them: every fabric colour
// (they stay where they were measured), then the entries of each name in
// the names' order, each Lab once (of two entries with one Lab the first
// stays). Survey colours are placed as entries of their name; colours of
// the other lists (no name) only move the borders.
std::vector<color::ColorName> fitTable(const std::vector<NamedColour>& fabrics, const std::vector<NamedColour>& survey,
                                       const std::vector<NamedColour>& others);

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

// other-lists.tsv: name, #rrggbb, list, basic term or "term/term" (colours
// of other public colour name lists whose name says its basic term).
std::vector<NamedColour> loadOtherColours(const std::string& path);

// The whole command: the survey's tuning part (held-out colours left out)
// with the basic terms of surveyTermsPath (tools/bench/survey-basic-terms.tsv),
// the fabric colours and the other lists' colours; the table names by the
// Czech names, or with basicTerms by the vocabulary's basic term. Every
// name must be in the vocabulary. For cross-validation inside the tuning
// part, leaveOut (0..folds-1) leaves the tuning colours of that fold out
// too (bench::surveyColourFold).
struct Fold {
    int leaveOut = -1;
    int folds = 0;
};
std::vector<color::ColorName> fitFromFiles(const std::string& vocabularyPath, const std::string& surveyPath,
                                           const std::string& fabricsPath, const std::string& surveyTermsPath,
                                           const std::string& othersPath, bool basicTerms, Fold fold = {});

} // namespace vestiscop::tools

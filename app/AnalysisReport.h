// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The words the user is given for one analysis, the same in the window's
// fields and in the command-line program's output: one colour line per
// colour that reaches ReportThr, the pattern's name, the similarity label.
// All texts UTF-8.

#include <string>
#include <vector>

#include "color/BorderTerms.h"
#include "color/ColorCluster.h"
#include "fabric/FabricFindings.h"
#include "pattern/PatternKind.h"

namespace vestiscop::app {

// A fraction in whole percent, rounded as floor(fraction * 100 + 0.5).
int percentOf(double fraction);

// "%d%% %s (%d %d %d)" for each colour, in list order, whose share is at
// least reportThr: the share in percent, the colour's name and its mean Lab
// cut to bytes (L unsigned, a and b signed). The window joins the lines for
// its colour field; no colour above the threshold gives no line.
// With border terms, a colour near the border of two basic terms is told
// with the other one too (colourName).
std::vector<std::string> colorFieldLines(const std::vector<color::ColorCluster>& colors, double reportThr,
                                         const color::BorderTerms* borders = nullptr);

// The name of a pattern kind ("Bez vzoru", "Proužek", ...).
std::string patternText(pattern::PatternKind kind);
// The pattern as told: its name, or where the pattern forest is not sure of
// it (confidence under fabric::SureConfidence) a guess with its likeliest
// alternative, "Asi proužek, možná motiv". Findings may be null (the
// standard analysis).
std::string patternText(pattern::PatternKind kind, const fabric::FabricFindings* findings);

// A colour's name as told: the table's name, or for a mottled yarn mix
// "%s melír" with the name's adjectives in the masculine ("šedá" gives
// "šedý melír"; names that do not decline stay as they are).
// With border terms, a colour that lies near the border of its basic term
// and another is told with that one too, as a Czech speaker says it:
// "tmavě modrá, skoro černá" towards black or white, "modrá do zelena"
// towards another hue (the term's adverb: its final "á" turned to "a").
// A mottled mix keeps its one name.
std::string colourName(const color::ColorCluster& colour, const color::BorderTerms* borders = nullptr);
// The basic term of that other side; empty where there is none, without
// border terms, and for a mottled mix.
std::string borderTerm(const color::ColorCluster& colour, const color::BorderTerms* borders);

// "na %d%%" with the similarity in percent.
std::string similarityText(double similarity);

} // namespace vestiscop::app

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A second basic colour term for a colour near the border between two: a
// teal that a naming table calls "tyrkysová" (modrá) lies close to the
// greens, and a listener is better served by "modrá, or zelená" than by a
// single word that half of the people would dispute.

#include <string>
#include <vector>

#include "color/ColorNameTable.h"
#include "color/LabPixel.h"

namespace vestiscop::color {

// The basic colour term of every entry of a naming table, taken from a second table that lists the same
// entries (same Lab, same order) under their basic terms (data/barvy-zakladni.txt for data/barvy.txt; the
// basic table for itself).
class BorderTerms {
public:
    // How much further (Lab units, Euclidean) the nearest entry of another
    // basic term may lie than the nearest entry for that term to be told
    // as well. Chosen on the colour survey's tuning part, cross-validated
    // (tools/colors/cross-validate.sh ... border): of the margins that give
    // at most one in ten one-term colours a needless second word, the
    // smallest with the most names between two terms right by either word.
    // At 4.5: 183 of 185 of those right (97.3 % without the second word),
    // 6.9 % of one-term colours get a second word.
    static constexpr double Margin = 4.5;

    // Throws ParseError 0 when the two tables do not list the same entries in the same order.
    BorderTerms(const ColorNameTable& names, const ColorNameTable& terms);

    // The basic term of the other side when lab lies near the border between the basic term of
    // names.nearest(lab) and another basic term; empty otherwise. lab as given to nearest().
    std::string alternative(LabPixel lab) const;

    // entry must be one of names' entries (the same name at the same Lab);
    // throws std::invalid_argument otherwise.
    const std::string& termOf(const ColorName& entry) const;

private:
    std::vector<ColorName> m_entries;  // names' entries
    std::vector<std::string> m_terms;  // the basic term of each
};

} // namespace vestiscop::color

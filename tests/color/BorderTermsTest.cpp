// SPDX-License-Identifier: GPL-3.0-or-later
// The second basic term at a border between two.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "color/BorderTerms.h"
#include "foundation/Exception.h"

namespace vestiscop::color {
namespace {

LabPixel lab(int l, int a, int b)
{
    return LabPixel{static_cast<std::uint8_t>(l), static_cast<std::int8_t>(a), static_cast<std::int8_t>(b)};
}

// Two blues, a turquoise counted as blue, and two greens; the turquoise
// and the green face each other across the blue-green border.
const std::vector<ColorName> Names = {{lab(30, 0, -40), "tmavě modrá"}, {lab(50, 0, -50), "modrá"},
                                      {lab(55, -30, -20), "tyrkysová"}, {lab(55, -50, 20), "zelená"},
                                      {lab(30, -40, 10), "tmavě zelená"}};
const std::vector<ColorName> Terms = {{lab(30, 0, -40), "modrá"}, {lab(50, 0, -50), "modrá"},
                                      {lab(55, -30, -20), "modrá"}, {lab(55, -50, 20), "zelená"},
                                      {lab(30, -40, 10), "zelená"}};

// The cases below put a colour just off the middle of the blue-green border
// (the green entry 1.8 Lab units further than the turquoise) and well
// inside a term (the other term over 20 units further).
static_assert(BorderTerms::Margin > 1.8 && BorderTerms::Margin < 20);

TEST(BorderTerms, RefusesTablesThatDoNotListTheSameEntries)
{
    std::vector<ColorName> shorter(Terms.begin(), Terms.end() - 1);
    std::vector<ColorName> moved = Terms;
    moved[2].lab = lab(55, -30, -21);
    std::vector<ColorName> reordered = Terms;
    std::swap(reordered[0], reordered[1]);
    for (const auto& terms : {shorter, moved, reordered})
        EXPECT_THROW(BorderTerms(ColorNameTable(Names), ColorNameTable(terms)), foundation::ParseError);
}

TEST(BorderTerms, TellsTheOtherTermOnlyNearABorderBetweenTwoTerms)
{
    const BorderTerms borders{ColorNameTable(Names), ColorNameTable(Terms)};
    const BorderTerms basic{ColorNameTable(Terms), ColorNameTable(Terms)};
    struct Case {
        const char* what;
        LabPixel colour;
        const char* expected;
    };
    const Case cases[] = {
        {"on a blue entry", lab(50, 0, -50), ""},
        {"in the middle of the blues", lab(40, 0, -45), ""},  // near the border of two blues only
        {"on the turquoise", lab(55, -30, -20), ""},
        {"half-way, the turquoise first of equals", lab(55, -40, 0), "zelená"},
        {"just on the blue side", lab(55, -40, -1), "zelená"},
        {"just on the green side", lab(55, -40, 1), "modrá"},
        {"well on the blue side", lab(55, -35, -10), ""},
        {"well on the green side", lab(55, -45, 10), ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(borders.alternative(c.colour), c.expected) << c.what;
        EXPECT_EQ(basic.alternative(c.colour), c.expected) << c.what << ", basic table with itself";
    }
}

TEST(BorderTerms, GivesTheBasicTermOfEachEntry)
{
    const ColorNameTable names(Names);
    const ColorNameTable terms(Terms);
    const BorderTerms borders(names, terms);
    const BorderTerms basic(terms, terms);
    for (std::size_t i = 0; i < Names.size(); ++i) {
        EXPECT_EQ(borders.termOf(names.entries()[i]), Terms[i].name) << Names[i].name;
        EXPECT_EQ(borders.termOf(names.nearest(Names[i].lab)), Terms[i].name) << Names[i].name;
        EXPECT_EQ(basic.termOf(terms.entries()[i]), Terms[i].name) << Names[i].name;
    }
    EXPECT_THROW((void)borders.termOf(ColorName{lab(50, 0, -50), "tyrkysová"}), std::invalid_argument);
}

TEST(BorderTerms, ATableOfOneTermHasNoBorders)
{
    const std::vector<ColorName> blues(Terms.begin(), Terms.begin() + 3);
    const BorderTerms borders{ColorNameTable(blues), ColorNameTable(blues)};
    EXPECT_EQ(borders.alternative(lab(55, -40, 0)), "");
}

} // namespace
} // namespace vestiscop::color

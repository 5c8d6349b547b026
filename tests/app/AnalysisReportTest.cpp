// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of one analysis, as the window's fields and the command-line
// program show them.

#include <gtest/gtest.h>

#include <vector>

#include "app/AnalysisReport.h"

namespace {

using namespace vestiscop;

color::ColorCluster cluster(const color::ColorName& name, double share, int count, int l, int a, int b)
{
    color::ColorCluster c;
    c.count = count;
    c.share = share;
    c.sumL = static_cast<std::int64_t>(l) * count;
    c.sumA = static_cast<std::int64_t>(a) * count;
    c.sumB = static_cast<std::int64_t>(b) * count;
    c.color = &name;
    return c;
}

TEST(AnalysisReport, PercentRoundsHalvesUp)
{
    EXPECT_EQ(app::percentOf(0.96875), 97);
    EXPECT_EQ(app::percentOf(0.625), 63);
    EXPECT_EQ(app::percentOf(0.125), 13);
    EXPECT_EQ(app::percentOf(0.994), 99);
    EXPECT_EQ(app::percentOf(0.0), 0);
    EXPECT_EQ(app::percentOf(1.0), 100);
    EXPECT_EQ(app::similarityText(0.96875), "na 97%");
    EXPECT_EQ(app::similarityText(0.875), "na 88%");
}

TEST(AnalysisReport, ListsColoursFromTheThresholdOnInListOrder)
{
    const color::ColorName red{{53, 80, 67}, "červená"};
    const color::ColorName grey{{50, 0, 0}, "šedá"};
    const color::ColorName blue{{32, 79, -108}, "modrá"};
    const std::vector<color::ColorCluster> colors = {
        cluster(red, 0.75, 3, 53, 79, 66),
        cluster(grey, 0.05, 7, 50, -1, 0),      // exactly at the threshold: reported
        cluster(blue, 0.0499, 5, 32, 70, -100),  // below it: left out
    };
    EXPECT_EQ(app::colorFieldLines(colors, 0.05),
              (std::vector<std::string>{"75% červená (53 79 66)", "5% šedá (50 -1 0)"}));
    EXPECT_TRUE(app::colorFieldLines(colors, 0.8).empty());
}

// Sparse dots of 4 % are told with their real share: the improved analysis
// marks the colour of the pattern's pieces.
TEST(AnalysisReport, AColourOfThePatternsPiecesIsListedUnderTheThreshold)
{
    const color::ColorName ecru{{80, 0, 21}, "šedobéžová"};
    const color::ColorName black{{7, 1, -2}, "černá"};
    std::vector<color::ColorCluster> colors = {cluster(ecru, 0.96, 96, 80, 0, 21), cluster(black, 0.04, 4, 7, 1, -2)};
    EXPECT_EQ(app::colorFieldLines(colors, 0.05), std::vector<std::string>{"96% šedobéžová (80 0 21)"});
    colors[1].formsPattern = true;
    EXPECT_EQ(app::colorFieldLines(colors, 0.05),
              (std::vector<std::string>{"96% šedobéžová (80 0 21)", "4% černá (7 1 -2)"}));
}

TEST(AnalysisReport, MeanIsTruncatedAndCutToItsByte)
{
    const color::ColorName any{{0, 0, 0}, "x"};
    color::ColorCluster c = cluster(any, 1.0, 4, 0, 0, 0);
    c.sumL = 4 * 300 + 3;  // mean 300.75: truncated to 300, then 300 - 256
    c.sumA = -4 * 5 - 3;   // mean -5.75: truncated toward zero
    c.sumB = 4 * 200;      // as a signed byte
    EXPECT_EQ(app::colorFieldLines({c}, 0.0), std::vector<std::string>{"100% x (44 -5 -56)"});
}

TEST(AnalysisReport, PatternNames)
{
    const std::vector<std::string> names = {"Bez vzoru", "Proužek", "Kostka", "Puntík", "Neznámý motiv"};
    for (int kind = 0; kind < 5; ++kind)
        EXPECT_EQ(app::patternText(kind), names[static_cast<std::size_t>(kind)]);
}

// Only the pattern forest's unsure answers are told as a guess; the
// standard analysis and the single tree tell the kind as before.
TEST(AnalysisReport, AnUnsurePatternIsToldAsAGuessWithItsAlternative)
{
    struct Case {
        bool forest;
        double confidence;
        bool hasAlternative;
        pattern::PatternKind alternative;
        const char* expected;
    };
    const Case cases[] = {
        {true, 0.55, true, pattern::patternKind::Unknown, "Asi proužek, možná motiv"},
        {true, 0.79, true, pattern::patternKind::None, "Asi proužek, možná bez vzoru"},
        {true, 0.8, true, pattern::patternKind::Unknown, "Proužek"},
        {true, 0.3, false, pattern::patternKind::None, "Proužek"},
        {false, 0.1, true, pattern::patternKind::Check, "Proužek"},
    };
    for (const Case& c : cases) {
        fabric::FabricFindings findings;
        findings.forest = c.forest;
        findings.patternConfidence = c.confidence;
        findings.hasAlternative = c.hasAlternative;
        findings.alternative = c.alternative;
        EXPECT_EQ(app::patternText(pattern::patternKind::Stripes, &findings), c.expected) << c.confidence;
    }
    EXPECT_EQ(app::patternText(pattern::patternKind::Stripes, nullptr), "Proužek");
}

TEST(AnalysisReport, AMottledColourIsNamedAsAMixInTheMasculine)
{
    const struct {
        const char* table;
        const char* told;
    } cases[] = {
        {"šedá", "šedý melír"},
        {"světle šedá", "světle šedý melír"},
        {"námořnická modrá", "námořnický modrý melír"},
        {"khaki", "khaki melír"},
        {"bordó", "bordó melír"},
        {"lahvově zelená", "lahvově zelený melír"},
    };
    for (const auto& c : cases) {
        const color::ColorName name{{50, 0, 0}, c.table};
        color::ColorCluster colour = cluster(name, 1.0, 4, 50, 1, -2);
        EXPECT_EQ(app::colourName(colour), c.table);
        colour.mottled = true;
        EXPECT_EQ(app::colourName(colour), c.told);
        EXPECT_EQ(app::colorFieldLines({colour}, 0.05), std::vector<std::string>{std::string("100% ") + c.told + " (50 1 -2)"});
    }
}

// A colour near the border of its basic term and another is told with the
// other too; one in the middle of its term, or a mottled mix, is not.
TEST(AnalysisReport, AColourNearABorderIsToldWithTheOtherTerm)
{
    const color::ColorNameTable names({{{20, 10, -30}, "tmavě modrá"},
                                       {{8, 0, 0}, "černá"},
                                       {{50, -40, -10}, "tyrkysová"},
                                       {{50, -50, 20}, "zelená"},
                                       {{50, 0, -40}, "modrá"}});
    const color::ColorNameTable terms({{{20, 10, -30}, "modrá"},
                                       {{8, 0, 0}, "černá"},
                                       {{50, -40, -10}, "modrá"},
                                       {{50, -50, 20}, "zelená"},
                                       {{50, 0, -40}, "modrá"}});
    const color::BorderTerms borders(names, terms);
    const struct {
        int entry;  // the name the analysis gave
        int l, a, b;
        bool mottled;
        const char* told;
        const char* other;
    } cases[] = {
        {0, 20, 10, -30, false, "tmavě modrá", ""},
        {0, 14, 5, -15, false, "tmavě modrá, skoro černá", "černá"},
        {2, 50, -45, 5, false, "tyrkysová do zelena", "zelená"},
        {4, 50, 0, -40, false, "modrá", ""},
        {2, 50, -45, 5, true, "tyrkysový melír", ""},
    };
    for (const auto& c : cases) {
        color::ColorCluster colour = cluster(names.entries()[static_cast<std::size_t>(c.entry)], 1.0, 4, c.l, c.a, c.b);
        colour.mottled = c.mottled;
        EXPECT_EQ(app::colourName(colour, &borders), c.told);
        EXPECT_EQ(app::borderTerm(colour, &borders), c.other);
        EXPECT_EQ(app::colourName(colour, nullptr), c.mottled ? c.told : names.entries()[static_cast<std::size_t>(c.entry)].name);
    }
    // Shades told under one name whose mean lies nearer an entry of another
    // term: that term is no second word to the name.
    const color::ColorCluster merged = cluster(names.entries()[3], 1.0, 4, 50, -44, 4);
    EXPECT_EQ(app::colourName(merged, &borders), "zelená");
}

} // namespace

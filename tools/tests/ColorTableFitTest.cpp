// SPDX-License-Identifier: GPL-3.0-or-later
// The colour table fitting: every colour it was given is named as it was
// named, scanned fabrics decide where they lie, and the held-out part of
// the survey never reaches the table.

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "ColorTableFit.h"
#include "color/ColorNameTable.h"

namespace vestiscop::tools {
namespace {

const std::string Colors = std::string(VESTISCOP_SOURCE_DIR) + "/tools/colors/";

color::LabPixel lab(int l, int a, int b)
{
    return {static_cast<std::uint8_t>(l), static_cast<std::int8_t>(a), static_cast<std::int8_t>(b)};
}

struct Heard {
    color::LabPixel lab;
    const char* name;
};

// Basic terms by number, as the fitting sees them.
constexpr int Red = 3;
constexpr int Green = 6;
constexpr int Grey = 2;
constexpr int Pink = 9;

NamedColour named(color::LabPixel at, const char* name, int term, std::vector<int> accepted = {})
{
    return {at, name, term, std::move(accepted)};
}

NamedColour termOnly(color::LabPixel at, std::vector<int> terms)
{
    return {at, "", terms.front(), terms};
}

// The seen-chroma colours by a blue of mid lightness, the only coloured
// entry of a case (the rest would pull it all round the grey axis).
std::vector<NamedColour> seenChromaColoursOnTheBlueSide()
{
    std::vector<NamedColour> blue;
    for (const NamedColour& c : seenChromaColours())
        if (c.lab.b < -10 && c.lab.l >= 40 && c.lab.l <= 60)
            blue.push_back(c);
    return blue;
}

struct FitCase {
    const char* label;
    std::vector<NamedColour> fabrics;
    std::vector<NamedColour> survey;
    std::vector<NamedColour> others;
    std::size_t entries;       // how many the table keeps
    std::vector<Heard> heard;  // what the table then names some colours
};

class FitTable : public testing::TestWithParam<FitCase> {};

TEST_P(FitTable, NamesColoursByTheirTermsNearestEntries)
{
    const FitCase& c = GetParam();
    const auto entries = fitTable(c.fabrics, c.survey, c.others);
    EXPECT_EQ(entries.size(), c.entries);
    const color::ColorNameTable table(entries);
    for (const Heard& h : c.heard)
        EXPECT_EQ(table.nearest(h.lab).name, h.name) << int{h.lab.l} << " " << int{h.lab.a} << " " << int{h.lab.b};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitTable,
    testing::Values(
        // One entry per four colours of a name, at their centre; a colour
        // between names is named as the nearest entry.
        FitCase{"entries at the centres of a name",
                {},
                {named(lab(50, 40, 0), "red", Red), named(lab(52, 42, 0), "red", Red), named(lab(50, 38, 2), "red", Red),
                 named(lab(48, 40, -2), "red", Red), named(lab(50, -40, 0), "green", Green),
                 named(lab(60, 0, 0), "grey", Grey)},
                {},
                3,
                {{lab(50, 40, 0), "red"}, {lab(50, -40, 0), "green"}, {lab(50, 25, 0), "red"}, {lab(58, -5, 0), "grey"}}},
        // A survey colour of another name near a fabric colour is left out
        // (the survey's light grey is how white cloth scans); the fabric
        // colour stays where it was measured.
        FitCase{"fabric owns its neighbourhood",
                {named(lab(88, 0, 0), "white", 1)},
                {named(lab(87, -3, 3), "light grey", Grey), named(lab(75, 0, 0), "light grey", Grey),
                 named(lab(92, 0, 0), "white", 1)},
                {},
                3,
                {{lab(88, 0, 0), "white"}, {lab(87, -3, 3), "white"}, {lab(84, 0, 0), "white"},
                 {lab(78, 0, 0), "light grey"}}},
        // Colours known only by their basic term move the border: two of
        // them called red on the pink side of the half-way point (L 50)
        // push the pink entry back, so they are named red.
        FitCase{"other lists move the border",
                {},
                {named(lab(40, 50, 0), "red", Red), named(lab(60, 50, 0), "pink", Pink)},
                {termOnly(lab(52, 50, 0), {Red}), termOnly(lab(53, 50, 0), {Red}), termOnly(lab(68, 50, 0), {Pink})},
                2,
                {{lab(52, 50, 0), "red"}, {lab(53, 50, 0), "red"}, {lab(68, 50, 0), "pink"}}},
        // Without them the same two entries split at half-way.
        FitCase{"half-way without them",
                {},
                {named(lab(40, 50, 0), "red", Red), named(lab(60, 50, 0), "pink", Pink)},
                {},
                2,
                {{lab(49, 50, 0), "red"}, {lab(52, 50, 0), "pink"}}},
        // Colours between two terms may land in either: the same two
        // colours, red or pink, leave the border half-way.
        FitCase{"between two terms",
                {},
                {named(lab(40, 50, 0), "red", Red), named(lab(60, 50, 0), "pink", Pink)},
                {termOnly(lab(52, 50, 0), {Red, Pink}), termOnly(lab(53, 50, 0), {Red, Pink})},
                2,
                {{lab(49, 50, 0), "red"}, {lab(52, 50, 0), "pink"}}},
        // An entry of another name does not move into a fabric colour's
        // neighbourhood, however many colours of its term lie there: the
        // grey entry stops 8 units short of the light grey cloth.
        FitCase{"no entry moves into a fabric's neighbourhood",
                {named(lab(70, 0, 0), "light grey", Grey)},
                {named(lab(55, 0, 0), "grey", Grey)},
                {termOnly(lab(63, 0, 0), {Grey}), termOnly(lab(63, 1, 0), {Grey}), termOnly(lab(63, 0, 1), {Grey}),
                 termOnly(lab(50, 30, 0), {Red})},
                2,
                {{lab(67, 0, 0), "light grey"}, {lab(60, 0, 0), "grey"}}},
        // The colours just over the seen chroma pull a coloured entry in
        // towards the grey axis (here a grey cloth that stays put): a blue
        // of chroma 16 is blue, not grey (half-way between the two entries
        // would be chroma 20).
        FitCase{"a seen hue is not grey",
                {named(lab(50, 0, 0), "grey", Grey)},
                {named(lab(50, 0, -40), "blue", 7)},
                seenChromaColoursOnTheBlueSide(),
                2,
                {{lab(50, 0, -16), "blue"}, {lab(50, 0, -5), "grey"}}},
        // Two entries that round to one Lab: the first one names it.
        FitCase{"same Lab", {named(lab(30, 5, 5), "x", Grey)}, {named(lab(30, 5, 5), "y", Grey)}, {}, 1,
                {{lab(30, 5, 5), "x"}}}),
    [](const testing::TestParamInfo<FitCase>& info) {
        std::string name = info.param.label;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

std::vector<color::ColorName> fitShipped(const std::string& survey, bool basic)
{
    return fitFromFiles(Colors + "vocabulary.tsv", survey, Colors + "scanned-fabrics.tsv",
                        std::string(VESTISCOP_SOURCE_DIR) + "/tools/bench/survey-basic-terms.tsv",
                        Colors + "other-lists.tsv", basic);
}

// The held-out colours (every third) are not read into the table: changing
// their names changes nothing, changing a fitted one does.
TEST(FitFromFiles, LeavesTheHeldOutColoursOut)
{
    const auto shipped = fitShipped(Colors + "survey-cs.tsv", false);
    const auto dir = std::filesystem::temp_directory_path() / ("color-table-fit-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto rewrite = [&](std::size_t index, const std::string& name, const std::string& path) {
        std::ifstream in(Colors + "survey-cs.tsv");
        std::ofstream out(path);
        std::string line;
        std::size_t colour = 0;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] != '#' && colour++ == index) {
                const auto tab = line.find('\t', line.find('\t') + 1);
                line = line.substr(0, tab + 1) + name + "\tword";
            }
            out << line << '\n';
        }
    };
    const auto same = [&](const std::vector<color::ColorName>& a) {
        if (a.size() != shipped.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!(a[i].lab == shipped[i].lab) || a[i].name != shipped[i].name)
                return false;
        return true;
    };
    // 836 is "light yellow" (held out), 837 "leaf green" (fitted); each
    // gets another name of its basic term.
    struct Change {
        std::size_t index;
        const char* name;
        bool changes;
    };
    for (const Change& c : {Change{836, "citronová", false}, Change{837, "olivová", true}}) {
        const std::string path = (dir / "survey.tsv").string();
        rewrite(c.index, c.name, path);
        EXPECT_EQ(!same(fitShipped(path, false)), c.changes) << c.index;
    }
    // Cross-validation leaves a fold of the tuning part out as well: 837
    // is in fold 4 of 5 (837 / 3 = 279), so with that fold out its name
    // changes nothing, and with another fold out it does.
    const auto withFold = [&](const std::string& survey, int leaveOut) {
        return fitFromFiles(Colors + "vocabulary.tsv", survey, Colors + "scanned-fabrics.tsv",
                            std::string(VESTISCOP_SOURCE_DIR) + "/tools/bench/survey-basic-terms.tsv",
                            Colors + "other-lists.tsv", false, Fold{leaveOut, 5});
    };
    const std::string path = (dir / "survey.tsv").string();
    rewrite(837, "olivová", path);
    for (const int leaveOut : {4, 0}) {
        const auto a = withFold(Colors + "survey-cs.tsv", leaveOut);
        const auto b = withFold(path, leaveOut);
        bool equal = a.size() == b.size();
        for (std::size_t i = 0; equal && i < a.size(); ++i)
            equal = a[i].lab == b[i].lab && a[i].name == b[i].name;
        EXPECT_EQ(equal, leaveOut == 4) << leaveOut;
    }
    std::filesystem::remove_all(dir);
}

// The basic table names with the eleven basic terms only.
TEST(FitFromFiles, BasicTableUsesTheBasicTerms)
{
    const auto basic = fitShipped(Colors + "survey-cs.tsv", true);
    const auto vocabulary = loadVocabulary(Colors + "vocabulary.tsv");
    std::set<std::string> terms;
    for (const auto& [name, term] : vocabulary)
        terms.insert(term);
    std::set<std::string> names;
    for (const color::ColorName& e : basic)
        names.insert(e.name);
    EXPECT_EQ(names, terms);
}

class BadListLine : public testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(BadListLine, IsRefusedWithItsLine)
{
    const auto& [file, line] = GetParam();
    // One file per case and process: ctest may run the cases side by side.
    std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(test.begin(), test.end(), '/', '-');
    const auto path = std::filesystem::temp_directory_path() /
                      ("color-table-fit-bad-" + std::to_string(::getpid()) + "-" + test + ".tsv");
    {
        std::ofstream out(path);
        out << "# comment\n" << line << "\n";
    }
    try {
        if (std::string(file) == "vocabulary")
            loadVocabulary(path.string());
        else if (std::string(file) == "survey")
            loadSurveyNames(path.string());
        else if (std::string(file) == "others")
            loadOtherColours(path.string());
        else
            loadFabricColours(path.string());
        ADD_FAILURE() << line;
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(":2:"), std::string::npos) << e.what();
    }
    std::filesystem::remove(path);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadListLine,
    testing::Values(std::pair{"vocabulary", "modrá\tmodrá"}, std::pair{"vocabulary", "azurová\tazurová\tnote"},
                    std::pair{"survey", "blue\t0343df\tmodrá\tword"}, std::pair{"survey", "blue\t#0343dg\tmodrá\tword"},
                    std::pair{"fabrics", "bílá\t92 0\tnote"}, std::pair{"fabrics", "bílá\t101 0 0\tnote"},
                    std::pair{"fabrics", "bílá\t92 0 0 1\tnote"}, std::pair{"others", "red\t#ff0000\tlist\tred"},
                    std::pair{"others", "red\t#ff0000\tlist\t-"}, std::pair{"others", "red\t#ff000\tlist\tčervená"}));

} // namespace
} // namespace vestiscop::tools

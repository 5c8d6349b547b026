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

struct FitCase {
    const char* label;
    std::vector<NamedColour> fabrics;
    std::vector<NamedColour> survey;
    std::size_t entries;       // how many the table keeps
    std::vector<Heard> heard;  // what the table then names some colours
};

class FitTable : public testing::TestWithParam<FitCase> {};

TEST_P(FitTable, NamesColoursAsTheNearestNamedColour)
{
    const FitCase& c = GetParam();
    const auto entries = fitTable(c.fabrics, c.survey);
    EXPECT_EQ(entries.size(), c.entries);
    const color::ColorNameTable table(entries);
    for (const Heard& h : c.heard)
        EXPECT_EQ(table.nearest(h.lab).name, h.name) << int{h.lab.l} << " " << int{h.lab.a} << " " << int{h.lab.b};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitTable,
    testing::Values(
        // Every colour as it was named, and a colour between them as the nearest.
        FitCase{"survey colours",
                {},
                {{lab(50, 40, 0), "red"}, {lab(52, 42, 0), "red"}, {lab(50, -40, 0), "green"}, {lab(60, 0, 0), "grey"}},
                4,
                {{lab(52, 42, 0), "red"}, {lab(50, -40, 0), "green"}, {lab(50, 30, 0), "red"}, {lab(58, -5, 0), "grey"}}},
        // A survey colour of another name near a fabric colour is left out
        // (the survey's light grey is how white cloth scans); one of the same
        // name, and one of another name further away, stay.
        FitCase{"fabric owns its neighbourhood",
                {{lab(88, 0, 0), "white"}},
                {{lab(87, -3, 3), "light grey"}, {lab(75, 0, 0), "light grey"}, {lab(90, 0, 0), "white"},
                 {lab(80, 0, 0), "light grey"}},
                4,
                {{lab(87, -3, 3), "white"}, {lab(84, 0, 0), "white"}, {lab(80, 0, 0), "light grey"}}},
        // The fabric colour comes first and so names its own Lab.
        FitCase{"fabric first", {{lab(70, 0, 0), "a"}}, {{lab(70, 0, 0), "a"}, {lab(70, 0, 0), "b"}}, 1,
                {{lab(70, 0, 0), "a"}}},
        // Two colours with one Lab and two names: the first one names it.
        FitCase{"same Lab", {}, {{lab(30, 5, 5), "x"}, {lab(30, 5, 5), "y"}, {lab(60, 5, 5), "y"}}, 2,
                {{lab(30, 5, 5), "x"}, {lab(60, 5, 5), "y"}}}),
    [](const testing::TestParamInfo<FitCase>& info) {
        std::string name = info.param.label;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

// The held-out colours (every third) are not read into the table: changing
// their names changes nothing, changing a fitted one does.
TEST(FitFromFiles, LeavesTheHeldOutColoursOut)
{
    const auto shipped = fitFromFiles(Colors + "vocabulary.tsv", Colors + "survey-cs.tsv",
                                      Colors + "scanned-fabrics.tsv", false);
    const auto dir = std::filesystem::temp_directory_path() / ("color-table-fit-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto rewrite = [&](std::size_t index, const std::string& path) {
        std::ifstream in(Colors + "survey-cs.tsv");
        std::ofstream out(path);
        std::string line;
        std::size_t colour = 0;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] != '#' && colour++ == index) {
                const auto tab = line.find('\t', line.find('\t') + 1);
                line = line.substr(0, tab + 1) + "lilková\tword";
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
    // 836 is "light yellow" (held out), 837 "leaf green" (fitted).
    for (const auto& [index, changes] : {std::pair<std::size_t, bool>{836, false}, {837, true}}) {
        const std::string path = (dir / "survey.tsv").string();
        rewrite(index, path);
        const auto fitted = fitFromFiles(Colors + "vocabulary.tsv", path, Colors + "scanned-fabrics.tsv", false);
        EXPECT_EQ(!same(fitted), changes) << index;
    }
    std::filesystem::remove_all(dir);
}

// The basic table names with the eleven basic terms only.
TEST(FitFromFiles, BasicTableUsesTheBasicTerms)
{
    const auto basic = fitFromFiles(Colors + "vocabulary.tsv", Colors + "survey-cs.tsv",
                                    Colors + "scanned-fabrics.tsv", true);
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
                    std::pair{"fabrics", "bílá\t92 0 0 1\tnote"}));

} // namespace
} // namespace vestiscop::tools

// SPDX-License-Identifier: GPL-3.0-or-later
// The colour definitions file and the nearest-entry rule.

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "color/ColorNameTable.h"
#include "foundation/Exception.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::color {
namespace {

ColorNameTable loadText(const std::string& contents)
{
    // ctest runs the cases of this file as parallel processes: each has its own directory.
    const testsupport::ScratchDirectory dir;
    dir.write("case.txt", contents);
    return ColorNameTable::load(dir.file("case.txt"));
}

ColorName entry(const char* name, int l, int a, int b)
{
    return ColorName{LabPixel{static_cast<std::uint8_t>(l), static_cast<std::int8_t>(a), static_cast<std::int8_t>(b)},
                     name};
}

TEST(ColorNameTableLoad, ReadsDefinitionsInFileOrderSkippingCommentsAndBlankLines)
{
    const ColorNameTable table = loadText("; barvy\n"
                                          "\n"
                                          "   \t \n"
                                          "černá = 0 0 0\n"
                                          ";bílá = 100 0 0\n"
                                          "tmavě červená = 35 50 30\n"
                                          "modrá\t=\t40 -10 -60");  // no line feed after the last line
    ASSERT_EQ(table.entries().size(), 3u);
    EXPECT_EQ(table.entries()[0].name, "černá");
    EXPECT_EQ(table.entries()[0].lab, (LabPixel{0, 0, 0}));
    EXPECT_EQ(table.entries()[1].name, "tmavě červená");
    EXPECT_EQ(table.entries()[1].lab, (LabPixel{35, 50, 30}));
    EXPECT_EQ(table.entries()[2].name, "modrá");
    EXPECT_EQ(table.entries()[2].lab, (LabPixel{40, -10, -60}));
}

TEST(ColorNameTableLoad, JoinsNameTokensWithOneBlank)
{
    const ColorNameTable table = loadText("a b = 1 2 3\n"
                                          "a  \t \tb = 1 2 3\n"
                                          "\"námořnická  modrá\" = 20 5 -40\n"
                                          "x=y = 1 2 3\n"
                                          "= 7 8 9\r\n");
    ASSERT_EQ(table.entries().size(), 5u);
    EXPECT_EQ(table.entries()[0].name, "a b");
    EXPECT_EQ(table.entries()[1].name, "a b");
    EXPECT_EQ(table.entries()[2].name, "námořnická  modrá");  // quoted: inner blanks kept
    EXPECT_EQ(table.entries()[3].name, "x=y");                 // "=" glued to words is part of the name
    EXPECT_EQ(table.entries()[4].name, "");
    EXPECT_EQ(table.entries()[4].lab, (LabPixel{7, 8, 9}));
}

TEST(ColorNameTableLoad, WrapsOutOfRangeNumbersIntoTheByte)
{
    const ColorNameTable table = loadText("x = 300 200 -129\ny = -1 +5 -0\n");
    EXPECT_EQ(table.entries()[0].lab, (LabPixel{44, -56, 127}));
    EXPECT_EQ(table.entries()[1].lab, (LabPixel{255, 5, 0}));
}

TEST(ColorNameTableLoad, ReadsALineThatIsNotUtf8AsWindows1250)
{
    // "tmavě červená" in Windows-1250 beside a UTF-8 line in the same file.
    const ColorNameTable table = loadText("tmav\xec \xe8" "erven\xe1 = 35 50 30\n"
                                          "šedá = 54 0 0\n");
    ASSERT_EQ(table.entries().size(), 2u);
    EXPECT_EQ(table.entries()[0].name, "tmavě červená");
    EXPECT_EQ(table.entries()[1].name, "šedá");
}

struct BadLine {
    const char* what;
    const char* text;
    int code;
};

class ColorNameTableRejects : public testing::TestWithParam<BadLine> {};

TEST_P(ColorNameTableRejects, TheWholeFileWithTheParseErrorCode)
{
    const std::string text = std::string("dobrá = 1 2 3\n") + GetParam().text + "\n";
    try {
        loadText(text);
        FAIL() << "loaded";
    } catch (const foundation::ParseError& e) {
        EXPECT_STREQ(e.name(), "ParseError");
        EXPECT_EQ(e.code(), GetParam().code);
    }
}

INSTANTIATE_TEST_SUITE_P(
    MalformedLines, ColorNameTableRejects,
    testing::Values(BadLine{"fourthNumber", "x = 1 2 3 4", 2}, BadLine{"trailingWord", "x = 1 2 3 navíc", 2},
                    BadLine{"gluedText", "x = 1 2 3x", 2}, BadLine{"twoNumbers", "x = 1 2", 0},
                    BadLine{"noEquals", "x 1 2 3", 0}, BadLine{"notANumber", "x = 1 b 3", 1},
                    BadLine{"unclosedQuote", "\"x = 1 2 3", 0},
                    // Only column 1 makes a comment: this is a (bad) definition.
                    BadLine{"semicolonInColumnTwo", " ; poznámka", 0}),
    [](const testing::TestParamInfo<BadLine>& info) { return std::string(info.param.what); });

TEST(ColorNameTableLoad, SemicolonInColumnTwoStartsADefinition)
{
    const ColorNameTable table = loadText(" ;x = 1 2 3\n");
    ASSERT_EQ(table.entries().size(), 1u);
    EXPECT_EQ(table.entries()[0].name, ";x");
}

TEST(ColorNameTableLoad, RefusesAFileWithoutDefinitions)
{
    try {
        loadText("; jen komentáře\n\n   \n");
        FAIL() << "loaded";
    } catch (const foundation::ParseError& e) {
        EXPECT_EQ(e.code(), 0);
    }
    EXPECT_THROW(ColorNameTable(std::vector<ColorName>{}), foundation::ParseError);
}

TEST(ColorNameTableLoad, MissingFileIsASystemErrorNamingThePath)
{
    const testsupport::ScratchDirectory dir;
    const std::string path = dir.file("does_not_exist.txt");
    try {
        ColorNameTable::load(path);
        FAIL() << "loaded";
    } catch (const foundation::SystemError& e) {
        EXPECT_EQ(e.argument(), path);
    }
}

TEST(ColorNameTableNearest, EarlierEntryWinsTies)
{
    const ColorNameTable same({entry("první", 50, 0, 0), entry("druhá", 50, 0, 0)});
    EXPECT_EQ(same.nearest(LabPixel{52, 3, -1}).name, "první");
    EXPECT_EQ(same.nearest(LabPixel{50, 0, 0}).name, "první");

    const ColorNameTable around({entry("tmavší", 50, 0, 0), entry("světlejší", 70, 0, 0)});
    EXPECT_EQ(around.nearest(LabPixel{60, 0, 0}).name, "tmavší");  // both at distance 100
    EXPECT_EQ(around.nearest(LabPixel{61, 0, 0}).name, "světlejší");
}

TEST(ColorNameTableNearest, ReadsAAndBSignedAndLUnsigned)
{
    const ColorNameTable chroma({entry("plus", 50, 100, 0), entry("minus", 50, -90, 0)});
    EXPECT_EQ(chroma.nearest(LabPixel{50, -100, 0}).name, "minus");  // 100 against 40000

    const ColorNameTable blue({entry("plus", 50, 0, 100), entry("minus", 50, 0, -90)});
    EXPECT_EQ(blue.nearest(LabPixel{50, 0, -100}).name, "minus");

    // L 130 is 30 from L 100 and 120 from L 250; read signed it would be the other way round.
    const ColorNameTable light({entry("sto", 100, 0, 0), entry("vysoká", 250, 0, 0)});
    EXPECT_EQ(light.nearest(LabPixel{130, 0, 0}).name, "sto");
}

} // namespace
} // namespace vestiscop::color

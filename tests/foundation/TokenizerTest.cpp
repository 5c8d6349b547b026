// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/Tokenizer.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::foundation {
namespace {

// Runs the call and returns the ParseError code it raised, or -1.
template <typename Call>
int parseCode(Call call)
{
    try {
        call();
    } catch (const ParseError& error) {
        return error.code();
    }
    return -1;
}

TEST(Tokenizer, QuotedTokenKeepsInnerBlankThenIntAndEnd)
{
    Tokenizer tokenizer("  \"dark blue\"  12");
    std::string token;
    std::int32_t value = 0;
    tokenizer.readToken(token).readInt(value).expectEnd();
    EXPECT_EQ(token, "dark blue");
    EXPECT_EQ(value, 12);
}

TEST(Tokenizer, QuoteInsideUnquotedTokenIsOrdinary)
{
    Tokenizer tokenizer("abc\"def");
    std::string token;
    tokenizer.readToken(token);
    EXPECT_EQ(token, "abc\"def");
    EXPECT_TRUE(tokenizer.onlySeparatorsLeft());
}

TEST(Tokenizer, QuotedTokenFollowedDirectlyByTextSplits)
{
    Tokenizer tokenizer("\"a b\"cd\tef\n");
    std::string first, second, third;
    tokenizer.readToken(first).readToken(second).readToken(third).expectEnd();
    EXPECT_EQ(first, "a b");
    EXPECT_EQ(second, "cd");
    EXPECT_EQ(third, "ef");
}

TEST(Tokenizer, EmptyQuotedToken)
{
    Tokenizer tokenizer("\"\" x");
    std::string first, second;
    tokenizer.readToken(first).readToken(second);
    EXPECT_EQ(first, "");
    EXPECT_EQ(second, "x");
}

TEST(Tokenizer, NothingLeftIsCodeZeroAndEndPasses)
{
    for (const char* text : {"", "   ", " \t\n "}) {
        SCOPED_TRACE(text);
        std::string token;
        std::int32_t number = 0;
        double real = 0;
        EXPECT_EQ(parseCode([&] { Tokenizer(text).readToken(token); }), 0);
        EXPECT_EQ(parseCode([&] { Tokenizer(text).readInt(number); }), 0);
        EXPECT_EQ(parseCode([&] { Tokenizer(text).readReal(real); }), 0);
        EXPECT_EQ(parseCode([&] { Tokenizer(text).expectEnd(); }), -1);
    }
}

TEST(Tokenizer, UnclosedQuoteIsCodeZero)
{
    std::string token = "unchanged";
    EXPECT_EQ(parseCode([&] { Tokenizer("\"abc").readToken(token); }), 0);
    EXPECT_EQ(parseCode([&] { Tokenizer("\"").readToken(token); }), 0);
}

TEST(Tokenizer, NumberThenLettersLeavesLetters)
{
    Tokenizer tokenizer("12x");
    std::int32_t value = 0;
    tokenizer.readInt(value);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(tokenizer.position(), 2u);
    EXPECT_EQ(parseCode([&] { tokenizer.expectEnd(); }), 2);
}

struct IntCase {
    const char* text;
    int code;               // expected ParseError code, -1 for none
    std::int32_t value;     // when no error
    std::size_t position;   // when no error
};

class TokenizerInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(TokenizerInt, Reads)
{
    const IntCase& c = GetParam();
    Tokenizer tokenizer(c.text);
    std::int32_t value = 12345;
    EXPECT_EQ(parseCode([&] { tokenizer.readInt(value); }), c.code);
    if (c.code < 0) {
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(tokenizer.position(), c.position);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TokenizerInt, ::testing::Values(
    IntCase{"-7", -1, -7, 2},
    IntCase{"+7", -1, 7, 2},
    IntCase{"  42  ", -1, 42, 4},
    IntCase{"007", -1, 7, 3},
    IntCase{"99999999999", -1, 2147483647, 11},
    IntCase{"2147483647", -1, 2147483647, 10},
    IntCase{"2147483648", -1, 2147483647, 10},
    IntCase{"-2147483648", -1, std::numeric_limits<std::int32_t>::min(), 11},
    IntCase{"-2147483649", -1, std::numeric_limits<std::int32_t>::min(), 11},
    IntCase{"-99999999999999999999999999", -1, std::numeric_limits<std::int32_t>::min(), 27},
    IntCase{"0x10", -1, 0, 1},
    IntCase{"1.5", -1, 1, 1},
    IntCase{"\r5", -1, 5, 2},
    IntCase{"x12", 1, 0, 0},
    IntCase{"-", 1, 0, 0},
    IntCase{"- 5", 1, 0, 0},
    IntCase{"+-5", 1, 0, 0},
    IntCase{"\r", 1, 0, 0}));

struct RealCase {
    const char* text;
    int code;
    double value;
    std::size_t position;
};

class TokenizerReal : public ::testing::TestWithParam<RealCase> {};

TEST_P(TokenizerReal, Reads)
{
    const RealCase& c = GetParam();
    Tokenizer tokenizer(c.text);
    double value = 12345;
    EXPECT_EQ(parseCode([&] { tokenizer.readReal(value); }), c.code);
    if (c.code < 0) {
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(tokenizer.position(), c.position);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TokenizerReal, ::testing::Values(
    RealCase{"2.2e0", -1, 2.2, 5},
    RealCase{"-0.25", -1, -0.25, 5},
    RealCase{"+3", -1, 3.0, 2},
    RealCase{".5", -1, 0.5, 2},
    RealCase{"5.", -1, 5.0, 2},
    RealCase{"1e3x", -1, 1000.0, 3},
    RealCase{"1e", -1, 1.0, 1},
    RealCase{"1e+", -1, 1.0, 1},
    RealCase{"300dpi", -1, 300.0, 3},
    RealCase{"1,5", -1, 1.0, 1},
    RealCase{"0x10", -1, 0.0, 1},
    RealCase{"1e-400", -1, 0.0, 6},
    RealCase{",5", 1, 0, 0},
    RealCase{".", 1, 0, 0},
    RealCase{"-.", 1, 0, 0},
    RealCase{"inf", 1, 0, 0},
    RealCase{"nan", 1, 0, 0},
    RealCase{"-infinity", 1, 0, 0},
    RealCase{"1e400", 1, 0, 0},
    RealCase{"-1e400", 1, 0, 0},
    RealCase{"abc", 1, 0, 0}));

// The decimal point stays '.' even where the user's locale writes ','.
// The build machine may have no such locale installed, so one is compiled
// into a private directory when needed.
TEST(Tokenizer, RealIgnoresLocaleDecimalComma)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    testsupport::ScratchDirectory localeDir;
    if (std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8") == nullptr) {
        const std::string command = "localedef -i cs_CZ -f UTF-8 " + localeDir.file("cs_CZ.UTF-8") + " >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            ::setenv("LOCPATH", localeDir.path().c_str(), 1);
            std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8");
            ::unsetenv("LOCPATH");
        }
    }
    if (std::string(std::localeconv()->decimal_point) != ",") {
        std::setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma available";
    }
    double value = 0;
    std::size_t position = 0;
    int code = parseCode([&] {
        Tokenizer tokenizer("2.75 ");
        tokenizer.readReal(value).expectEnd();
        position = tokenizer.position();
    });
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(code, -1);
    EXPECT_EQ(value, 2.75);
    EXPECT_EQ(position, 4u);
}

TEST(StripLineEnd, RemovesOneLineFeedOnly)
{
    std::string text = "abc\n\n";
    stripLineEnd(text);
    EXPECT_EQ(text, "abc\n");
    stripLineEnd(text);
    EXPECT_EQ(text, "abc");
    stripLineEnd(text);
    EXPECT_EQ(text, "abc");
    std::string empty;
    stripLineEnd(empty);
    EXPECT_EQ(empty, "");
}

class DataFile : public ::testing::Test {
protected:
    std::vector<std::string> load(const std::string& content)
    {
        const std::string path = m_dir.file("data.txt");
        std::ofstream(path, std::ios::binary) << content;
        std::vector<std::string> records;
        readDataFile(path, [&](Tokenizer& tokenizer) {
            std::string name;
            std::int32_t value = 0;
            tokenizer.readToken(name).readInt(value).expectEnd();
            records.push_back(name + "=" + std::to_string(value));
        });
        return records;
    }

    testsupport::ScratchDirectory m_dir;
};

TEST_F(DataFile, SkipsBlankAndFirstColumnComments)
{
    const auto records = load("; a comment\n\n   \t\nred 1\r\n;x 2\n\"light blue\" 3\nlast 4");
    EXPECT_EQ(records, (std::vector<std::string>{"red=1", "light blue=3", "last=4"}));
}

TEST_F(DataFile, IndentedSemicolonGoesToTheParser)
{
    EXPECT_EQ(load("red 1\n ;x 2\n"), (std::vector<std::string>{"red=1", ";x=2"}));
}

TEST_F(DataFile, ParseErrorEndsLoading)
{
    int calls = 0;
    const std::string path = m_dir.file("bad.txt");
    std::ofstream(path) << "a 1\nb 2 extra\nc 3\n";
    EXPECT_EQ(parseCode([&] {
        readDataFile(path, [&](Tokenizer& tokenizer) {
            ++calls;
            std::string name;
            std::int32_t value = 0;
            tokenizer.readToken(name).readInt(value).expectEnd();
        });
    }), 2);
    EXPECT_EQ(calls, 2);
}

TEST_F(DataFile, MissingFileIsReadError)
{
    const std::string path = m_dir.file("missing.txt");
    try {
        readDataFile(path, [](Tokenizer&) {});
        FAIL() << "no exception";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.code(), 3);
        EXPECT_EQ(error.argument(), path);
    }
}

} // namespace
} // namespace vestiscop::foundation

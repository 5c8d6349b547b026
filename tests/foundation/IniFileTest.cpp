// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "foundation/Exception.h"
#include "foundation/IniFile.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::foundation {
namespace {

struct Failure {
    int code = -1;
    std::string section;
    std::string entry;
    std::string path;
};

template <typename Call>
Failure iniFailure(Call call)
{
    try {
        call();
    } catch (const IniError& error) {
        return {error.code(), error.section(), error.entry(), error.path()};
    }
    return {};
}

class IniFileTest : public ::testing::Test {
protected:
    IniFile write(const std::string& content, const std::string& section = "Sec")
    {
        std::ofstream(m_path, std::ios::binary) << content;
        IniFile ini(m_path, ';');
        ini.setSection(section);
        return ini;
    }

    testsupport::ScratchDirectory m_dir;
    std::string m_path = m_dir.file("test.cfg");
};

TEST_F(IniFileTest, CommentOnlyValueIsNotFound)
{
    const IniFile ini = write("[Sec]\nKey = ; nothing here\n");
    EXPECT_EQ(ini.readRaw("Key"), "");
    const Failure failure = iniFailure([&] { ini.readString("Key"); });
    EXPECT_EQ(failure.code, 0);
    EXPECT_EQ(failure.entry, "Key");
    EXPECT_EQ(failure.section, "Sec");
    EXPECT_EQ(failure.path, m_path);
}

TEST_F(IniFileTest, BlanksBeforeCommentGoInnerBlanksStay)
{
    const IniFile ini = write("[Sec]\nKey =  a  b \t ; note\nOther=x;y\n");
    EXPECT_EQ(ini.readString("Key"), "a  b");
    EXPECT_EQ(ini.readString("Other"), "x");
}

TEST_F(IniFileTest, LongValuesComeWhole)
{
    const std::string medium(300, 'm');
    const std::string huge(1 << 20, 'h');
    const IniFile ini = write("[Sec]\nMedium=" + medium + "\nHuge = " + huge + "\n");
    EXPECT_EQ(ini.readString("Medium"), medium);
    EXPECT_EQ(ini.readString("Huge"), huge);
}

TEST_F(IniFileTest, SectionsAndKeysMatchAnyLetterCase)
{
    const IniFile ini = write("Key=before any section\n[other]\nKey=wrong\n[sEC]\nkEY = right\n[Third]\nOnly=3\n");
    EXPECT_EQ(ini.readRaw("KEY"), "right");
    EXPECT_EQ(ini.readRaw("Only"), "");
}

TEST_F(IniFileTest, QuotesAndLineEndsAndByteOrderMark)
{
    const IniFile ini = write("\xEF\xBB\xBF[Sec]\r\nDouble = \"a b\" \r\nSingle='c'\r\nMixed=\"d'\r\nLone=\"\r\n"
                              "  Indented  =  v  \r\nNoEquals\r\n;Commented=1\r\n");
    EXPECT_EQ(ini.readRaw("Double"), "a b");
    EXPECT_EQ(ini.readRaw("Single"), "c");
    EXPECT_EQ(ini.readRaw("Mixed"), "\"d'");
    EXPECT_EQ(ini.readRaw("Lone"), "\"");
    EXPECT_EQ(ini.readRaw("Indented"), "v");
    EXPECT_EQ(ini.readRaw("NoEquals"), "");
    EXPECT_EQ(ini.readRaw(";Commented"), "");
}

TEST_F(IniFileTest, FirstOfRepeatedKeysWins)
{
    const IniFile ini = write("[Sec]\nKey=1\nKey=2\n");
    EXPECT_EQ(ini.readInt("Key"), 1);
}

TEST_F(IniFileTest, MissingOrUnreadableFileReadsEmpty)
{
    IniFile missing(m_dir.file("absent.cfg"), ';');
    missing.setSection("Debug");
    EXPECT_EQ(missing.readRaw("LogFile"), "");
    EXPECT_EQ(iniFailure([&] { missing.readInt("LogFile"); }).code, 0);

    IniFile directory(m_dir.pathWithSlash(), ';');
    directory.setSection("Debug");
    EXPECT_EQ(directory.readRaw("LogFile"), "");
}

TEST_F(IniFileTest, RelativePathIsMadeAbsolute)
{
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.path());
    const IniFile ini("./sub/../vestiscop.cfg", ';');
    std::filesystem::current_path(previous);
    EXPECT_EQ(ini.path(), m_dir.file("vestiscop.cfg"));
}

struct NumberCase {
    const char* value;
    bool real;
    int code;
    double expected;
};

class IniNumber : public IniFileTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(IniNumber, ReadsOneNumber)
{
    const NumberCase& c = GetParam();
    const IniFile ini = write(std::string("[Sec]\nN=") + c.value + "\n");
    double got = 0;
    const Failure failure = iniFailure([&] { got = c.real ? ini.readReal("N") : ini.readInt("N"); });
    EXPECT_EQ(failure.code, c.code);
    if (c.code < 0) {
        EXPECT_EQ(got, c.expected);
    } else {
        EXPECT_EQ(failure.entry, "N");
        EXPECT_EQ(failure.section, "Sec");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, IniNumber, ::testing::Values(
    NumberCase{"12 \t", false, -1, 12},
    NumberCase{"12 ; comment", false, -1, 12},
    NumberCase{"-3", false, -1, -3},
    NumberCase{"0x10", false, 2, 0},
    NumberCase{"12 13", false, 2, 0},
    NumberCase{"1.5", false, 2, 0},
    NumberCase{"abc", false, 1, 0},
    NumberCase{"", false, 0, 0},
    NumberCase{"\"\"", false, 0, 0},
    NumberCase{"99999999999", false, -1, 2147483647},
    NumberCase{"2.2e0", true, -1, 2.2},
    NumberCase{"\"7.5\"", true, -1, 7.5},
    NumberCase{",5", true, 1, 0},
    NumberCase{"300dpi", true, 2, 0},
    NumberCase{"1e999", true, 1, 0},
    NumberCase{"\"1 2", true, 1, 0}));

TEST_F(IniFileTest, TokenizerStepsReportTheirOwnCode)
{
    const IniFile ini = write("[Sec]\nThree = 1 2 3\nFour = 1 2 3 4\nFive = 1 2 3 4 5\nBad = 1 x 3 4\n");
    double a, b, c, d;
    EXPECT_EQ(iniFailure([&] { ini.tokenizer("Three").readReal(a).readReal(b).readReal(c).readReal(d); }).code, 0);
    EXPECT_EQ(iniFailure([&] { ini.tokenizer("Four").readReal(a).readReal(b).readReal(c).readReal(d).expectEnd(); }).code, -1);
    EXPECT_EQ(d, 4.0);
    const Failure extra = iniFailure([&] { ini.tokenizer("Five").readReal(a).readReal(b).readReal(c).readReal(d).expectEnd(); });
    EXPECT_EQ(extra.code, 2);
    EXPECT_EQ(extra.entry, "Five");
    EXPECT_EQ(iniFailure([&] { ini.tokenizer("Bad").readReal(a).readReal(b); }).code, 1);
}

} // namespace
} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "foundation/CodePage.h"

namespace vestiscop::foundation {
namespace {

// Czech letters and their Windows-1250 bytes, from the code page's table.
struct Letter {
    const char* utf8;
    unsigned char cp1250;
};

class CzechLetter : public ::testing::TestWithParam<Letter> {};

TEST_P(CzechLetter, ConvertsBothWays)
{
    const Letter& letter = GetParam();
    const std::string byte(1, static_cast<char>(letter.cp1250));
    EXPECT_EQ(utf8ToCp1250(letter.utf8), byte);
    EXPECT_EQ(cp1250ToUtf8(byte), letter.utf8);
}

INSTANTIATE_TEST_SUITE_P(Table, CzechLetter, ::testing::Values(
    Letter{"á", 0xE1}, Letter{"č", 0xE8}, Letter{"ď", 0xEF}, Letter{"é", 0xE9}, Letter{"ě", 0xEC},
    Letter{"í", 0xED}, Letter{"ň", 0xF2}, Letter{"ó", 0xF3}, Letter{"ř", 0xF8}, Letter{"š", 0x9A},
    Letter{"ť", 0x9D}, Letter{"ú", 0xFA}, Letter{"ů", 0xF9}, Letter{"ý", 0xFD}, Letter{"ž", 0x9E},
    Letter{"Č", 0xC8}, Letter{"Ř", 0xD8}, Letter{"Š", 0x8A}, Letter{"Ť", 0x8D}, Letter{"Ů", 0xD9},
    Letter{"Ž", 0x8E}, Letter{"€", 0x80}));

TEST(CodePage, RoundTripOfCzechText)
{
    const std::string text = "Příliš žluťoučký kůň úpěl ďábelské ódy; ŽLUŤOUČKÝ KŮŇ";
    const std::string bytes = utf8ToCp1250(text);
    EXPECT_EQ(bytes.size(), 53u);  // one byte per character
    EXPECT_EQ(cp1250ToUtf8(bytes), text);
    EXPECT_EQ(utf8ToCp1250(""), "");
    EXPECT_EQ(cp1250ToUtf8(""), "");
}

TEST(CodePage, EveryDefinedByteRoundTrips)
{
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = cp1250ToUtf8(byte);
        if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98) {
            EXPECT_EQ(utf8, "?") << b;  // undefined in Windows-1250
            continue;
        }
        EXPECT_TRUE(isValidUtf8(utf8)) << b;
        EXPECT_EQ(utf8ToCp1250(utf8), byte) << b;
    }
}

TEST(CodePage, MissingCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(utf8ToCp1250("a😀b"), "a?b");
    EXPECT_EQ(utf8ToCp1250("ñ å ø"), "? ? ?");
    EXPECT_EQ(utf8ToCp1250("日本"), "??");
    // Malformed input costs one '?' per bad byte and nothing more.
    EXPECT_EQ(utf8ToCp1250("a\xFF" "b\xC3"), "a?b?");
    EXPECT_EQ(utf8ToCp1250(std::string("x\0y", 3)), std::string("x\0y", 3));
}

TEST(CodePage, Utf8Validity)
{
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ASCII"));
    EXPECT_TRUE(isValidUtf8("žluťoučký 😀 €"));
    EXPECT_FALSE(isValidUtf8("\xE8" "erven\xE1"));       // Windows-1250 text
    EXPECT_FALSE(isValidUtf8("\xC3"));                   // cut off
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));               // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));           // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));           // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));       // beyond U+10FFFF
    EXPECT_FALSE(isValidUtf8("\x80"));                   // continuation alone
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));               // cut off
    EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF"));        // U+10FFFF
}

} // namespace
} // namespace vestiscop::foundation

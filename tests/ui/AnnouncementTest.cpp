// SPDX-License-Identifier: GPL-3.0-or-later
// The words after an analysis: colours, pattern, garment, in that order,
// with the colours the screen reader has just read as the field's line left
// out.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "ui/Announcement.h"

using vestiscop::ui::analysisAnnouncement;

namespace {

struct Case {
    const char* name;
    std::vector<std::string> colors;
    std::size_t skipped;
    std::string pattern;  // the pattern's words as told
    std::string match;
    std::string expected;
};

// Test names and failure messages show the case's name, not its bytes.
void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

class AnnouncementTest : public ::testing::TestWithParam<Case> {};

TEST_P(AnnouncementTest, SaysTheAnswerInOrder)
{
    const Case& c = GetParam();
    EXPECT_EQ(analysisAnnouncement(c.colors, c.skipped, c.pattern, c.match), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnnouncementTest,
    ::testing::Values(
        Case{"AllColours", {"60% bílá", "40% modrá"}, 0, "Proužek", "Modrá košile na 97%",
             "60% bílá, 40% modrá. Vzor: Proužek. Modrá košile na 97%"},
        Case{"FirstColourAlreadyRead", {"60% bílá", "40% modrá"}, 1, "Kostka", "Neznámý oděv",
             "40% modrá. Vzor: Kostka. Neznámý oděv"},
        Case{"OneColourAlreadyRead", {"100% černá"}, 1, "Bez vzoru", "Neznámý oděv",
             "Vzor: Bez vzoru. Neznámý oděv"},
        Case{"NoColourAboveTheThreshold", {}, 1, "Puntík", "Neznámý oděv",
             "Vzor: Puntík. Neznámý oděv"},
        Case{"NoMatchText", {"70% žlutá", "30% zelená"}, 0, "Bez vzoru", "",
             "70% žlutá, 30% zelená. Vzor: Bez vzoru"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace

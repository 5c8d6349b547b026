// The words after an analysis: colours, pattern, garment, in that order,
// with the colours the screen reader has just read as the field's line left
// out.

#include <gtest/gtest.h>

#include "ui/Announcement.h"

using vestiscop::ui::analysisAnnouncement;
namespace kind = vestiscop::pattern::patternKind;

namespace {

struct Case {
    const char* what;
    std::vector<std::string> colors;
    std::size_t skipped;
    vestiscop::pattern::PatternKind pattern;
    std::string match;
    std::string expected;
};

class AnnouncementTest : public ::testing::TestWithParam<Case> {};

TEST_P(AnnouncementTest, SaysTheAnswerInOrder)
{
    const Case& c = GetParam();
    EXPECT_EQ(analysisAnnouncement(c.colors, c.skipped, c.pattern, c.match), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnnouncementTest,
    ::testing::Values(
        Case{"all colours", {"60% bílá", "40% modrá"}, 0, kind::Stripes, "Modrá košile na 97%",
             "60% bílá, 40% modrá. Vzor: Proužek. Modrá košile na 97%"},
        Case{"first colour already read", {"60% bílá", "40% modrá"}, 1, kind::Check, "Neznámý oděv",
             "40% modrá. Vzor: Kostka. Neznámý oděv"},
        Case{"one colour, already read", {"100% černá"}, 1, kind::None, "Neznámý oděv",
             "Vzor: Bez vzoru. Neznámý oděv"},
        Case{"no colour above the threshold", {}, 1, kind::Dots, "Neznámý oděv",
             "Vzor: Puntík. Neznámý oděv"},
        Case{"no match text", {"70% žlutá", "30% zelená"}, 0, kind::None, "",
             "70% žlutá, 30% zelená. Vzor: Bez vzoru"}));

} // namespace

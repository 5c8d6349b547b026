// SPDX-License-Identifier: GPL-3.0-or-later
// Names the catalogue can store exactly, and the refusal of those it would
// have to change.

#include "catalog/GarmentName.h"

#include <gtest/gtest.h>

#include <string>

namespace vestiscop::catalog {
namespace {

struct NameCase {
    std::string name;
    GarmentNameProblem problem;
    std::string refusal;
};

class GarmentNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(GarmentNameTest, StorableOrRefusedWithItsReason)
{
    const GarmentNameCheck check = checkGarmentName(GetParam().name);
    EXPECT_EQ(check.problem, GetParam().problem);
    EXPECT_EQ(garmentNameRefusal(check), GetParam().refusal);
}

INSTANTIATE_TEST_SUITE_P(
    Names, GarmentNameTest,
    ::testing::Values(
        NameCase{"Modrá košile", GarmentNameProblem::None, ""},
        NameCase{"Žluťoučký kůň – „sváteční“ € §", GarmentNameProblem::None, ""},
        NameCase{"", GarmentNameProblem::None, ""},
        NameCase{std::string(64, 'x'), GarmentNameProblem::None, ""},
        // 64 Czech letters are 128 bytes of UTF-8 but 64 characters.
        NameCase{[] { std::string s; for (int i = 0; i < 64; ++i) s += "ř"; return s; }(), GarmentNameProblem::None,
                 ""},
        NameCase{std::string(65, 'x'), GarmentNameProblem::TooLong, "Název oděvu může mít nejvýše 64 znaků"},
        NameCase{"kabát\nzimní", GarmentNameProblem::ControlCharacter,
                 "Název oděvu nesmí obsahovat konec řádku, tabulátor ani jiný řídicí znak"},
        NameCase{"kabát\tzimní", GarmentNameProblem::ControlCharacter,
                 "Název oděvu nesmí obsahovat konec řádku, tabulátor ani jiný řídicí znak"},
        NameCase{"a\r", GarmentNameProblem::ControlCharacter,
                 "Název oděvu nesmí obsahovat konec řádku, tabulátor ani jiný řídicí znak"},
        NameCase{"a\xE2\x80\xA8" "b", GarmentNameProblem::ControlCharacter,
                 "Název oděvu nesmí obsahovat konec řádku, tabulátor ani jiný řídicí znak"},
        NameCase{"tričko 🙂", GarmentNameProblem::NotStorable, "Název oděvu obsahuje znak 🙂, který katalog neumí uložit"},
        NameCase{"Ærø", GarmentNameProblem::NotStorable, "Název oděvu obsahuje znak Æ, který katalog neumí uložit"},
        NameCase{"?", GarmentNameProblem::None, ""},
        NameCase{"a\xC3", GarmentNameProblem::NotStorable, "Název oděvu není platný text v kódování UTF-8"}));

} // namespace
} // namespace vestiscop::catalog

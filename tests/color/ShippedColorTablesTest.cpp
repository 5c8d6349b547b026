// SPDX-License-Identifier: GPL-3.0-or-later
// The colour tables shipped in data/: they load, every entry can be the
// answer, and plain colours get the names a person would give them.

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "color/ColorConversion.h"
#include "color/ColorNameTable.h"

namespace vestiscop::color {
namespace {

const std::string DataDir = std::string(VESTISCOP_SOURCE_DIR) + "/data/";

std::string nameOf(const ColorNameTable& table, int red, int green, int blue)
{
    const RgbPixel pixel{static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
                         static_cast<std::uint8_t>(red)};
    return table.nearest(rgbToLab(pixel, AnalysisGamma)).name;
}

TEST(ShippedColorTables, FullTableHasDistinctReachableEntries)
{
    const ColorNameTable table = ColorNameTable::load(DataDir + "barvy.txt");
    ASSERT_GE(table.entries().size(), 30u);
    std::set<std::string> names;
    for (const ColorName& entry : table.entries()) {
        // An entry hidden behind an earlier one with the same Lab could never be named.
        EXPECT_EQ(&table.nearest(entry.lab), &entry) << entry.name;
        names.insert(entry.name);
    }
    EXPECT_EQ(names.size(), table.entries().size());
    for (const char* garment : {"béžová", "vínová", "khaki", "tyrkysová", "námořnická modrá", "tmavě modrá",
                                "světle šedá"})
        EXPECT_EQ(names.count(garment), 1u) << garment;
}

TEST(ShippedColorTables, BasicTableHasTheElevenBasicTerms)
{
    const ColorNameTable table = ColorNameTable::load(DataDir + "barvy-zakladni.txt");
    std::set<std::string> names;
    for (const ColorName& entry : table.entries())
        names.insert(entry.name);
    EXPECT_EQ(names, (std::set<std::string>{"černá", "bílá", "šedá", "červená", "oranžová", "žlutá", "zelená",
                                            "modrá", "fialová", "růžová", "hnědá"}));
}

struct Naming {
    int red, green, blue;
    const char* full;
    const char* basic;
};

class ShippedColorNames : public testing::TestWithParam<Naming> {};

TEST_P(ShippedColorNames, NamePlainColoursAsAPersonWould)
{
    static const ColorNameTable full = ColorNameTable::load(DataDir + "barvy.txt");
    static const ColorNameTable basic = ColorNameTable::load(DataDir + "barvy-zakladni.txt");
    const Naming& n = GetParam();
    EXPECT_EQ(nameOf(full, n.red, n.green, n.blue), n.full);
    EXPECT_EQ(nameOf(basic, n.red, n.green, n.blue), n.basic);
}

INSTANTIATE_TEST_SUITE_P(
    CommonColours, ShippedColorNames,
    testing::Values(Naming{0, 0, 0, "černá", "černá"}, Naming{255, 255, 255, "bílá", "bílá"},
                    Naming{5, 8, 10, "černá", "černá"}, Naming{250, 250, 248, "bílá", "bílá"},
                    Naming{130, 128, 126, "šedá", "šedá"}, Naming{210, 20, 25, "červená", "červená"},
                    Naming{250, 230, 40, "žlutá", "žlutá"}, Naming{35, 85, 205, "modrá", "modrá"},
                    Naming{40, 155, 55, "zelená", "zelená"}, Naming{115, 68, 32, "hnědá", "hnědá"},
                    Naming{25, 35, 65, "námořnická modrá", "modrá"}));

} // namespace
} // namespace vestiscop::color

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "color/ColorSettingsCheck.h"
#include "foundation/Exception.h"
#include "support/TestSettings.h"

namespace vestiscop::color {
namespace {

foundation::ColorSettings goodColour()
{
    foundation::ColorSettings s = testsupport::testColorSettings();
    s.filter = 1.0;
    return s;
}

// The key an IniError names, or "" when the check passes.
template <typename Settings, typename Check>
std::string refusedKey(const Settings& settings, Check check, const std::string& section)
{
    const foundation::IniFile ini("vestiscop.cfg", ';');
    try {
        check(settings, ini);
    } catch (const foundation::IniError& e) {
        EXPECT_EQ(e.code(), 1);
        EXPECT_EQ(e.section(), section);
        EXPECT_EQ(e.path(), ini.path());
        return e.entry();
    }
    return "";
}

std::string refused(const foundation::ColorSettings& s)
{
    return refusedKey(s, validateColorSettings, "Color");
}

std::string refused(const foundation::TextureSettings& s)
{
    return refusedKey(s, validateTextureSettings, "Texture");
}

TEST(ColorSettingsCheckTest, UsableSettingsPass)
{
    EXPECT_EQ(refused(goodColour()), "");
    auto s = goodColour();
    s.filter = 0;  // no smoothing
    s.maxBins = 0;  // every scan fails, but that is what was asked for
    EXPECT_EQ(refused(s), "");
    s.filter = -2;
    s.maxBins = 256;
    EXPECT_EQ(refused(s), "");
}

TEST(ColorSettingsCheckTest, LumaScaleMustBePositive)
{
    for (const double scale : {0.0, -1.0, -0.0, std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity()}) {
        auto s = goodColour();
        s.lumaScale = scale;
        EXPECT_EQ(refused(s), "LumaScale") << scale;
    }
    auto s = goodColour();
    s.lumaScale = 1e-3;
    EXPECT_EQ(refused(s), "");
}

TEST(ColorSettingsCheckTest, MaxBinsMustFitOneByteLabels)
{
    for (const int bins : {-1, 257, 100000}) {
        auto s = goodColour();
        s.maxBins = bins;
        EXPECT_EQ(refused(s), "MaxBins") << bins;
    }
}

TEST(ColorSettingsCheckTest, FilterMustBeANumber)
{
    auto s = goodColour();
    s.filter = std::numeric_limits<double>::infinity();
    EXPECT_EQ(refused(s), "Filter");
}

TEST(ColorSettingsCheckTest, RegionMustHavePixels)
{
    EXPECT_EQ(refused(foundation::TextureSettings{512, 512}), "");
    EXPECT_EQ(refused(foundation::TextureSettings{1, 1}), "");
    EXPECT_EQ(refused(foundation::TextureSettings{0, 512}), "Width");
    EXPECT_EQ(refused(foundation::TextureSettings{-3, 512}), "Width");
    EXPECT_EQ(refused(foundation::TextureSettings{512, 0}), "Height");
    EXPECT_EQ(refused(foundation::TextureSettings{65536, 65536}), "Height");
}

} // namespace
} // namespace vestiscop::color

// SPDX-License-Identifier: GPL-3.0-or-later
// Colour conversion: hand-worked values, the byte rounding rule, round trips,
// and the fast converter against the plain functions.

#include <cmath>
#include <cstdint>
#include <random>

#include <gtest/gtest.h>

#include "color/ColorConversion.h"
#include "color/LabConverter.h"

namespace vestiscop::color {
namespace {

struct RgbToLabCase {
    const char* what;
    RgbPixel rgb;  // blue, green, red
    int l, a, b;
};

class RgbToLab : public testing::TestWithParam<RgbToLabCase> {};

TEST_P(RgbToLab, GivesTheExpectedBytes)
{
    const RgbToLabCase& c = GetParam();
    const LabPixel lab = rgbToLab(c.rgb, AnalysisGamma);
    EXPECT_EQ(lab.l, c.l);
    EXPECT_EQ(lab.a, c.a);
    EXPECT_EQ(lab.b, c.b);
}

INSTANTIATE_TEST_SUITE_P(
    KnownColours, RgbToLab,
    testing::Values(RgbToLabCase{"black", {0, 0, 0}, 0, 0, 0}, RgbToLabCase{"white", {255, 255, 255}, 100, 0, 0},
                    RgbToLabCase{"grey", {128, 128, 128}, 54, 0, 0}, RgbToLabCase{"red", {0, 0, 255}, 49, 114, 85},
                    // Both chroma values of pure green and pure blue lie outside the byte and are clamped.
                    RgbToLabCase{"green", {0, 255, 0}, 92, -128, 127},
                    RgbToLabCase{"blue", {255, 0, 0}, 9, 127, -128}),
    [](const testing::TestParamInfo<RgbToLabCase>& info) { return std::string(info.param.what); });

TEST(RgbToXyz, BlackIsZeroAndWhiteShowsTheShortYRow)
{
    const XyzColor black = rgbToXyz(RgbPixel{0, 0, 0}, AnalysisGamma);
    EXPECT_EQ(black.x, 0.0);
    EXPECT_EQ(black.y, 0.0);
    EXPECT_EQ(black.z, 0.0);

    const XyzColor white = rgbToXyz(RgbPixel{255, 255, 255}, AnalysisGamma);
    EXPECT_DOUBLE_EQ(white.x, 1.0);
    EXPECT_DOUBLE_EQ(white.y, 0.999394);
    EXPECT_DOUBLE_EQ(white.z, 1.0);
}

TEST(RgbToXyz, ReadsRedFromByteTwoAndBlueFromByteZero)
{
    // Pure red contributes only through the first column of the matrix.
    const XyzColor red = rgbToXyz(RgbPixel{0, 0, 255}, AnalysisGamma);
    EXPECT_DOUBLE_EQ(red.x, 0.488718);
    EXPECT_DOUBLE_EQ(red.y, 0.176204);
    EXPECT_EQ(red.z, 0.0);
    const XyzColor blue = rgbToXyz(RgbPixel{255, 0, 0}, AnalysisGamma);
    EXPECT_DOUBLE_EQ(blue.x, 0.200602);
    EXPECT_DOUBLE_EQ(blue.y, 0.010205);
    EXPECT_DOUBLE_EQ(blue.z, 0.989795);
}

struct ByteCase {
    double value;
    int expected;  // as a signed byte
};

class LabComponent : public testing::TestWithParam<ByteCase> {};

TEST_P(LabComponent, ClampsThenRoundsHalfUp)
{
    // Read back as a signed byte, as a and b are; L 100 reads the same either way.
    EXPECT_EQ(static_cast<std::int8_t>(labComponentToByte(GetParam().value)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, LabComponent,
                         testing::Values(ByteCase{-128.4, -128}, ByteCase{-1000, -128}, ByteCase{127.6, 127},
                                         ByteCase{126.5, 127}, ByteCase{126.49, 126}, ByteCase{-0.5, 0},
                                         ByteCase{-0.51, -1}, ByteCase{-127.5, -127}, ByteCase{0.5, 1},
                                         ByteCase{100.0, 100}));

struct BackCase {
    LabPixel lab;
    RgbPixel rgb;
};

class LabToRgb : public testing::TestWithParam<BackCase> {};

TEST_P(LabToRgb, PaintsTheExpectedColour)
{
    EXPECT_EQ(xyzToRgb(labToXyz(GetParam().lab), AnalysisGamma), GetParam().rgb);
}

INSTANTIATE_TEST_SUITE_P(Greys, LabToRgb,
                         testing::Values(BackCase{{100, 0, 0}, {255, 255, 255}}, BackCase{{0, 0, 0}, {0, 0, 0}},
                                         BackCase{{50, 0, 0}, {118, 118, 118}}));

TEST(LabToXyz, InvertsXyzToLabOnEveryByteTriple)
{
    // The inverse before rounding: going back to Lab finds the same bytes.
    for (int l = 0; l <= 100; ++l) {
        for (int a = -128; a <= 127; a += 3) {
            for (int b = -128; b <= 127; b += 3) {
                const LabPixel lab{static_cast<std::uint8_t>(l), static_cast<std::int8_t>(a),
                                   static_cast<std::int8_t>(b)};
                ASSERT_EQ(xyzToLab(labToXyz(lab)), lab) << l << ' ' << a << ' ' << b;
            }
        }
    }
}

TEST(GammaEncode, ClampsBelowZeroAndAboveOne)
{
    EXPECT_EQ(gammaEncode(-1e-300, 2.2), 0);
    EXPECT_EQ(gammaEncode(-5.0, 2.2), 0);
    EXPECT_EQ(gammaEncode(1.0000001, 2.2), 255);
    EXPECT_EQ(gammaEncode(40.0, 2.2), 255);
    EXPECT_EQ(gammaEncode(0.0, 2.2), 0);
    EXPECT_EQ(gammaEncode(1.0, 2.2), 255);
}

TEST(GammaEncode, UndoesTheLinearisationOfEveryByte)
{
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(gammaEncode(std::pow(v / 255.0, 2.2), 2.2), v);
}

TEST(LabConverter, MatchesTheFormulasBitForBit)
{
    LabConverter converter;
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> byte(0, 255);
    // Repeats and colliding cache slots both occur among this many colours.
    for (int i = 0; i < 200000; ++i) {
        const RgbPixel pixel{static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)),
                             static_cast<std::uint8_t>(byte(random) & 0xf0)};
        ASSERT_EQ(converter.convert(pixel), rgbToLab(pixel, AnalysisGamma));
    }
    for (int v = 0; v < 256; ++v) {
        const RgbPixel grey{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v)};
        ASSERT_EQ(converter.convert(grey), rgbToLab(grey, AnalysisGamma));
        ASSERT_EQ(converter.convert(grey), rgbToLab(grey, AnalysisGamma));  // now from the cache
    }
}

} // namespace
} // namespace vestiscop::color

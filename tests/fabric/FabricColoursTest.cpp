// SPDX-License-Identifier: GPL-3.0-or-later
// The colours of the improved analysis: both colours of fine yarn-dyed
// stripes and of small dots survive, the weave does not add colours, a
// large region gives the colours of its reduced copy, and the standard
// analyser hands its colours over to the improved one (or keeps its own).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include <opencv2/imgproc.hpp>

#include "FabricImages.h"
#include "color/ColorConversion.h"
#include "fabric/FabricAnalysis.h"
#include "fabric/FabricSteps.h"

namespace vestiscop::fabric {
namespace {

using color::test::Layout;
using color::test::Rgb;

cv::Vec3d labOf(const Rgb& c)
{
    const color::LabPixel lab = color::rgbToLab(
        color::RgbPixel{static_cast<std::uint8_t>(c.blue), static_cast<std::uint8_t>(c.green),
                        static_cast<std::uint8_t>(c.red)},
        color::AnalysisGamma);
    return {static_cast<double>(lab.l), static_cast<double>(lab.a), static_cast<double>(lab.b)};
}

struct ColourCase {
    const char* name;
    color::test::Fabric fabric;
    std::size_t colours;     // expected number of colours
    double figureShareMin;   // the figure colour's share (0 for a plain)
    double figureShareMax;
};

class ColoursOfTheCloth : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColoursOfTheCloth, KeepsEveryDyedColourAndNoBlend)
{
    const ColourCase& c = GetParam();
    const auto image = color::test::weave(c.fabric, 256, 256);
    int factor = 0;
    const cv::Mat samples = regionSamples(*image, factor);
    EXPECT_EQ(factor, 1);
    const ColourClusters clusters = clusterColours(smoothedLab(samples, 1.0));
    ASSERT_EQ(clusters.centres.size(), c.colours);
    // The ground is the largest colour and measured where it was dyed.
    EXPECT_LT(cv::norm(clusters.centres[0] - labOf(c.fabric.ground)), 4.0);
    if (c.colours > 1) {
        EXPECT_LT(cv::norm(clusters.centres[1] - labOf(c.fabric.figure)), 6.0);
        EXPECT_GE(clusters.shares[1], c.figureShareMin);
        EXPECT_LE(clusters.shares[1], c.figureShareMax);
    }
    double total = 0;
    for (const double s : clusters.shares)
        total += s;
    EXPECT_NEAR(total, 1.0, 1e-9);
}

// Navy and white: what a smoothing of fine stripes would blend into one grey.
const Rgb Navy{31, 42, 68};
const Rgb White{242, 242, 238};
const Rgb Ecru{216, 200, 168};
const Rgb Black{28, 28, 30};

INSTANTIATE_TEST_SUITE_P(
    Fabrics, ColoursOfTheCloth,
    ::testing::Values(ColourCase{"plain", {Layout::Plain, Navy, White, 16, 3, 8, 1}, 1, 0, 0},
                      ColourCase{"fineStripes", {Layout::Stripes, White, Navy, 12, 3, 6, 2}, 2, 0.4, 0.55},
                      ColourCase{"smallDots", {Layout::Dots, Ecru, Black, 24, 4, 6, 3}, 2, 0.05, 0.12},
                      ColourCase{"check", {Layout::Check, Ecru, Navy, 20, 3, 6, 4}, 2, 0.4, 0.6}),
    [](const auto& info) { return std::string(info.param.name); });

// A heather: fibres of two shades 13 to 20 units apart speckle the cloth in
// specks of 2 x 2 pixels, too far apart to merge as one colour's spread but
// never a patch of their own; it is one colour.
TEST(ColoursOfTheCloth, CloseShadesSpecklingTheClothAreOneColour)
{
    auto image = imaging::RgbImage::create(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            std::uint32_t h = static_cast<std::uint32_t>(x / 2) * 73856093u ^ static_cast<std::uint32_t>(y / 2) * 19349663u;
            h ^= h >> 13;
            h *= 0x5bd1e995u;
            h ^= h >> 15;
            const bool light = (h & 1) != 0;
            std::uint8_t* p = image->pixel(x, y);
            p[0] = light ? 170 : 110;
            p[1] = light ? 105 : 66;
            p[2] = light ? 95 : 58;
        }
    int factor = 0;
    const cv::Mat lab = smoothedLab(regionSamples(*image, factor), 0.6);
    const ColourClusters clusters = clusterColours(lab);
    EXPECT_EQ(clusters.centres.size(), 1u);
}

TEST(ColoursOfTheCloth, ALargeRegionIsMeasuredOnItsReducedCopy)
{
    const color::test::Fabric stripes{Layout::Stripes, White, Navy, 24, 3, 6, 5};
    const auto large = color::test::weave(stripes, 1100, 1000);
    int factor = 0;
    const cv::Mat samples = regionSamples(*large, factor);
    EXPECT_EQ(factor, 3);
    EXPECT_EQ(samples.cols, 366);
    EXPECT_EQ(samples.rows, 333);
    const ColourClusters clusters = clusterColours(smoothedLab(samples, 0.5));
    ASSERT_EQ(clusters.centres.size(), 2u);
    EXPECT_NEAR(clusters.shares[0], 0.5, 0.08);
}

// How a colour is measured on its own pixels as scanned: the threads of its
// own yarn, not where the ground's yarn shows through, nor the shadows of
// the weave on a cloth of one colour.
struct MeasureCase {
    const char* name;
    Rgb ground;
    Rgb yarn;          // the stripe's yarn (unused for one colour)
    int groundShows;   // of every 4 pixels of the stripe, how many show the ground's yarn
    double shadow;     // every other pixel of the ground darkened by this share
};

class MeasuredColour : public ::testing::TestWithParam<MeasureCase> {};

TEST_P(MeasuredColour, IsTheYarnsOwnColour)
{
    const MeasureCase& c = GetParam();
    const bool striped = c.groundShows >= 0;
    cv::Mat bgr(96, 96, CV_8UC3);
    ColourClusters clusters;
    clusters.labels = cv::Mat::zeros(96, 96, CV_8U);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x) {
            const bool stripe = striped && x >= 32 && x < 64;
            // A 3/1 twill: the ground's weft shows on one pixel of four, on a diagonal.
            const bool groundYarn = !stripe || (x + y) % 4 < c.groundShows;
            Rgb p = groundYarn ? c.ground : c.yarn;
            if (!stripe && (x + y) % 2 == 0)
                p = {static_cast<int>(p.red * (1 - c.shadow)), static_cast<int>(p.green * (1 - c.shadow)),
                     static_cast<int>(p.blue * (1 - c.shadow))};
            bgr.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<std::uint8_t>(p.blue), static_cast<std::uint8_t>(p.green),
                                                static_cast<std::uint8_t>(p.red));
            clusters.labels.at<std::uint8_t>(y, x) = stripe ? 1 : 0;
        }
    // The smoothed centres the clustering would give: the ground and the blend.
    clusters.centres.push_back(labOf(c.ground));
    if (striped)
        clusters.centres.push_back((labOf(c.yarn) * (4 - c.groundShows) + labOf(c.ground) * c.groundShows) / 4);
    clusters.shares.assign(clusters.centres.size(), 1.0 / static_cast<double>(clusters.centres.size()));
    measureColours(bgr, clusters);
    EXPECT_LT(cv::norm(clusters.centres[0] - labOf(c.ground)), 3.0);
    if (striped) {
        EXPECT_LT(cv::norm(clusters.centres[1] - labOf(c.yarn)), 3.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cloths, MeasuredColour,
    ::testing::Values(MeasureCase{"blackTwillStripeOnWhite", White, Black, 1, 0},
                      MeasureCase{"navyPlainWeaveLineOnEcru", Ecru, Navy, 2, 0},
                      MeasureCase{"whiteStripeOnNavy", Navy, White, 1, 0},
                      MeasureCase{"whiteShadowedByTheWeave", White, White, -1, 0.2}),
    [](const auto& info) { return std::string(info.param.name); });

// Which colours form pieces of a pattern: dots do; a shade lining one
// edge, or specks under 0.15 mm^2, do not.
struct PiecesCase {
    const char* name;
    int pieces;    // squares of side pixels, spread over the region
    int side;
    bool line;     // a line one pixel wider than the opening, across the region, instead
    bool forms;
};

class FormsPieces : public ::testing::TestWithParam<PiecesCase> {};

TEST_P(FormsPieces, OnlyForDotsOfAFairSize)
{
    const PiecesCase& c = GetParam();
    ColourClusters clusters;
    clusters.centres = {{90, 0, 0}, {10, 0, 0}};
    clusters.shares = {0.9, 0.1};
    clusters.labels = cv::Mat::zeros(128, 128, CV_8U);
    if (c.line)
        clusters.labels(cv::Rect(60, 0, 4, 128)).setTo(1);
    for (int i = 0; i < c.pieces; ++i)
        clusters.labels(cv::Rect(8 + 30 * (i % 4), 8 + 30 * (i / 4), c.side, c.side)).setTo(1);
    // 0.127 mm a pixel: 0.15 mm^2 is about 9.3 pixels.
    const std::vector<bool> forms = formsPieces(clusters, 25.4 / 200);
    ASSERT_EQ(forms.size(), 2u);
    EXPECT_FALSE(forms[0]);
    EXPECT_EQ(forms[1], c.forms);
}

INSTANTIATE_TEST_SUITE_P(Layouts, FormsPieces,
                         ::testing::Values(PiecesCase{"threeDots", 3, 6, false, true},
                                           PiecesCase{"twoDots", 2, 6, false, false},
                                           PiecesCase{"specks", 8, 3, false, false},
                                           PiecesCase{"oneLine", 0, 0, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A cloth of one colour woven of a dyed and an undyed yarn is told by its
// dyed yarn; a cloth of one yarn, shadowed or noisy, keeps its lighter
// quarter. Every fourth pixel shows the other yarn (a 3/1 twill).
struct YarnCase {
    const char* name;
    Rgb face;       // three pixels of four
    Rgb other;      // the fourth
    int noise;      // +-noise levels on every channel, by a fixed hash
    bool dyed;      // a dyed yarn is found
    Rgb named;      // ... within 6 of this colour
};

class DyedYarn : public ::testing::TestWithParam<YarnCase> {};

TEST_P(DyedYarn, IsFoundOnlyOnTwoYarnCloth)
{
    const YarnCase& c = GetParam();
    cv::Mat bgr(96, 96, CV_8UC3);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x) {
            const Rgb p = (x + y) % 4 == 0 ? c.other : c.face;
            const int n = c.noise == 0 ? 0 : static_cast<int>((x * 7919u + y * 104729u) % (2u * c.noise + 1)) - c.noise;
            const auto byte = [n](int v) { return static_cast<std::uint8_t>(std::clamp(v + n, 0, 255)); };
            bgr.at<cv::Vec3b>(y, x) = cv::Vec3b(byte(p.blue), byte(p.green), byte(p.red));
        }
    ColourClusters clusters;
    clusters.labels = cv::Mat::zeros(96, 96, CV_8U);
    clusters.centres = {labOf(c.face)};
    clusters.shares = {1.0};
    measureColours(bgr, clusters, true);
    ASSERT_EQ(clusters.yarn.size(), c.dyed ? 1u : 0u);
    if (c.dyed) {
        EXPECT_LT(cv::norm(clusters.yarn[0] - labOf(c.named)), 6.0);
    }
    // Without the setting nothing changes.
    ColourClusters plain = clusters;
    plain.yarn.clear();
    plain.centres = {labOf(c.face)};
    measureColours(bgr, plain);
    EXPECT_TRUE(plain.yarn.empty());
}

const Rgb Indigo{34, 52, 98};
const Rgb Red{190, 30, 40};
const Rgb ShadowedRed{150, 24, 32};
const Rgb Grey{128, 128, 128};

INSTANTIATE_TEST_SUITE_P(
    Cloths, DyedYarn,
    ::testing::Values(YarnCase{"denim", Indigo, Ecru, 0, true, Indigo},
                      YarnCase{"denimScanned", Indigo, Ecru, 3, true, Indigo},
                      YarnCase{"redShadowed", Red, ShadowedRed, 0, false, {}},
                      YarnCase{"plumDeeperInItsShadows", Rgb{176, 90, 122}, Rgb{120, 40, 85}, 0, false, {}},
                      YarnCase{"noisyGrey", Grey, Grey, 6, false, {}},
                      YarnCase{"whiteShadowed", White, Rgb{200, 200, 197}, 2, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Which plain cloths of several measured colours are told by a dyed yarn.
struct PlainCase {
    const char* name;
    std::vector<ClothColour> colours;
    int told;  // index of the colour told over the whole cloth; -1 none
};

class DyedYarnOfPlain : public ::testing::TestWithParam<PlainCase> {};

TEST_P(DyedYarnOfPlain, OnlyOneDyedYarnOverLighterUndyedOnes)
{
    const PlainCase& c = GetParam();
    const std::vector<ClothColour> told = dyedYarnOfPlain(c.colours);
    if (c.told < 0) {
        EXPECT_TRUE(told.empty());
        return;
    }
    ASSERT_EQ(told.size(), 1u);
    const ClothColour& dyed = c.colours[static_cast<std::size_t>(c.told)];
    EXPECT_EQ(told[0].l, dyed.l);
    EXPECT_EQ(told[0].a, dyed.a);
    EXPECT_EQ(told[0].b, dyed.b);
    double shares = 0;
    for (const ClothColour& x : c.colours)
        shares += x.share;
    EXPECT_DOUBLE_EQ(told[0].share, shares);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, DyedYarnOfPlain,
    ::testing::Values(
        PlainCase{"denimEcruLarger", {{100, -4, 10, 0.51}, {9, 13, -30, 0.49}}, 1},
        PlainCase{"chambrayWhiteAndGrey", {{60, 2, -30, 0.5}, {92, 0, 2, 0.3}, {85, 0, 1, 0.2}}, 0},
        PlainCase{"oneColour", {{40, 10, -30, 1.0}}, -1},
        PlainCase{"dotsMissedByThePattern", {{90, 0, 3, 0.85}, {30, 40, 20, 0.15}}, -1},
        PlainCase{"twoDyedYarns", {{40, 10, -30, 0.5}, {80, 30, 20, 0.5}}, -1},
        PlainCase{"undyedNotLighter", {{50, 0, 2, 0.5}, {45, 20, -30, 0.5}}, -1},
        PlainCase{"greyOnGrey", {{80, 0, 2, 0.5}, {30, 1, -2, 0.5}}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vestiscop::fabric

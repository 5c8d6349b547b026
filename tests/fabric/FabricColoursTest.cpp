// SPDX-License-Identifier: GPL-3.0-or-later
// The colours of the improved analysis: both colours of fine yarn-dyed
// stripes and of small dots survive, the weave does not add colours, a
// large region gives the colours of its reduced copy, and the standard
// analyser hands its colours over to the improved one (or keeps its own).

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "FabricImages.h"
#include "color/ColorAnalyzer.h"
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

const color::ColorNameTable& names()
{
    static const color::ColorNameTable table({{{0, 0, 0}, "černá"},
                                              {{100, 0, 0}, "bílá"},
                                              {{95, 0, 2}, "bílá"},
                                              {{20, 5, -30}, "tmavě modrá"},
                                              {{80, 3, 15}, "béžová"}});
    return table;
}

foundation::ColorSettings colourSettings()
{
    foundation::ColorSettings s;
    s.filter = 2.0;
    s.lumaScale = 1.0;
    s.clusterThr = 0.02;
    s.histSmooth = 4.0;
    s.maxBins = 12;
    s.reportThr = 0.05;
    return s;
}

TEST(ImprovedAnalyser, TellsBothColoursOfFineStripesLargestFirstWithOneLinePerName)
{
    const foundation::ColorSettings settings = colourSettings();
    const foundation::TextureSettings region{200, 200};
    color::ColorAnalyzer analyzer(settings, region, names());
    analyzer.setRefinement(std::make_unique<FabricAnalysis>(names(), 200, 200));
    // Stripes of 1 mm at 200 dpi.
    analyzer.analyze(color::test::weave({Layout::Stripes, White, Navy, 16, 3, 6, 6}, 220, 210));
    const auto& colours = analyzer.colors();
    ASSERT_EQ(colours.size(), 2u);
    std::set<std::string> said;
    double total = 0;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        said.insert(colours[i].color->name);
        total += colours[i].share;
        if (i > 0) {
            EXPECT_GE(colours[i - 1].share, colours[i].share);
        }
    }
    EXPECT_EQ(said, (std::set<std::string>{"bílá", "tmavě modrá"}));
    EXPECT_NEAR(total, 1.0, 1e-4);
    // The measured mean is near the navy as scanned (stripes of 8 pixels
    // keep a little of the white after the weave filter), not the table's
    // entry (20, 5, -30).
    const cv::Vec3d navy = labOf(Navy);
    const auto& dark = colours[0].color->name == "tmavě modrá" ? colours[0] : colours[1];
    EXPECT_NEAR(dark.meanL(), navy[0], 6);
    EXPECT_NEAR(dark.meanB(), navy[2], 4);
    // The record stores the table's entries, as the standard analysis does.
    EXPECT_EQ(analyzer.analysis().colorA, colours[1].color->lab);
    EXPECT_EQ(analyzer.analysis().shareA, colours[1].share);
}

// A second analysis that finds nothing leaves the standard results.
class SilentRefinement : public color::AnalysisRefinement {
public:
    void refine(const imaging::RgbImage&, std::vector<color::ColorCluster>& colors, pattern::PatternKind&) override
    {
        colors.clear();
        ++calls;
    }
    int calls = 0;
};

TEST(ImprovedAnalyser, AnEmptyAnswerKeepsTheStandardResultsByteForByte)
{
    const foundation::ColorSettings settings = colourSettings();
    const foundation::TextureSettings region{120, 120};
    color::ColorAnalyzer standard(settings, region, names());
    color::ColorAnalyzer refined(settings, region, names());
    auto silent = std::make_unique<SilentRefinement>();
    SilentRefinement* probe = silent.get();
    refined.setRefinement(std::move(silent));
    const color::test::Fabric dots{Layout::Dots, Ecru, Black, 20, 4, 6, 7};
    standard.analyze(color::test::weave(dots, 120, 120));
    refined.analyze(color::test::weave(dots, 120, 120));
    EXPECT_EQ(probe->calls, 1);
    EXPECT_EQ(std::memcmp(&standard.analysis(), &refined.analysis(), sizeof(color::ColorAnalysis)), 0);
    EXPECT_EQ(standard.pattern(), refined.pattern());
    EXPECT_FALSE(refined.renderViews().slots[0].empty());
}

} // namespace
} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
// The improved analyser's result: its colours and record, views drawn from
// the colours it tells, and the standard answers when it fails.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "FabricImages.h"
#include "analysis/ImprovedAnalyser.h"
#include "analysis/StandardAnalyser.h"
#include "color/ColorConversion.h"
#include "foundation/Exception.h"
#include "support/TestSettings.h"

namespace vestiscop::analysis {
namespace {

using color::test::Layout;
using color::test::Rgb;

const Rgb Navy{31, 42, 68};
const Rgb White{242, 242, 238};
const Rgb Ecru{216, 200, 168};
const Rgb Black{28, 28, 30};

const color::ColorNameTable& names()
{
    static const color::ColorNameTable table({{{0, 0, 0}, "černá"},
                                              {{100, 0, 0}, "bílá"},
                                              {{95, 0, 2}, "bílá"},
                                              {{20, 5, -30}, "tmavě modrá"},
                                              {{80, 3, 15}, "béžová"}});
    return table;
}

foundation::ScanSettings scanSettings()
{
    foundation::ScanSettings s;
    s.xRes = 200;
    s.yRes = 200;
    return s;
}

color::PaletteEntry paletteEntryOf(const color::ColorCluster& c)
{
    const color::LabPixel lab{static_cast<std::uint8_t>(c.meanL()), static_cast<std::int8_t>(c.meanA()),
                              static_cast<std::int8_t>(c.meanB())};
    const color::RgbPixel rgb = color::xyzToRgb(color::labToXyz(lab), color::AnalysisGamma);
    return {rgb.blue, rgb.green, rgb.red, 0};
}

class Fixture : public ::testing::Test {
protected:
    foundation::ColorSettings colour = testsupport::shippedColorSettings();
    foundation::TextureSettings region{200, 200};
    foundation::ScanSettings scan = scanSettings();
};

using ImprovedAnalyserTest = Fixture;

TEST_F(ImprovedAnalyserTest, TellsBothColoursOfFineStripesLargestFirstWithTheirRecord)
{
    ImprovedAnalyser analyser(colour, region, scan, names());
    // Stripes of 1 mm at 200 dpi, on a scan larger than the region.
    analyser.analyze(color::test::weave({Layout::Stripes, White, Navy, 16, 3, 6, 6}, 220, 210));
    const ScanResult& result = analyser.result();
    EXPECT_EQ(result.method, Method::Improved);
    ASSERT_NE(result.findings, nullptr);
    EXPECT_EQ(result.pattern, result.findings->pattern);
    const auto& colours = result.colors;
    ASSERT_EQ(colours.size(), 2u);
    EXPECT_GE(colours[0].share, colours[1].share);
    EXPECT_NEAR(colours[0].share + colours[1].share, 1.0, 1e-4);
    EXPECT_EQ((std::set<std::string>{colours[0].color->name, colours[1].color->name}),
              (std::set<std::string>{"bílá", "tmavě modrá"}));
    // The record stores the table's entries, as the standard analysis does.
    EXPECT_EQ(result.record.valid, 1);
    EXPECT_EQ(result.record.colorA, colours[1].color->lab);
    EXPECT_EQ(result.record.shareA, colours[1].share);
    EXPECT_EQ(result.record.colorB, colours[0].color->lab);
    EXPECT_EQ(result.record.shareB, 0.0);
    // The standard steps did not run: the signature reads the findings.
    EXPECT_EQ(analyser.steps().image(), nullptr);
    EXPECT_EQ(result.analysisChannels, nullptr);
    EXPECT_EQ(result.minorityMask, nullptr);
    ASSERT_NE(result.image, nullptr);
    EXPECT_EQ(result.image->width(), 220);
}

// Without views (the command line) the result is the same but for them;
// the views come back when wanted again.
TEST_F(ImprovedAnalyserTest, WithoutViewsTellsTheSameAndDrawsNothing)
{
    const color::test::Fabric dots{Layout::Dots, Ecru, Black, 20, 4, 6, 7};
    ImprovedAnalyser drawing(colour, region, scan, names());
    drawing.analyze(color::test::weave(dots, 210, 200));
    ImprovedAnalyser blind(colour, region, scan, names());
    blind.setViewsWanted(false);
    blind.analyze(color::test::weave(dots, 210, 200));
    const ScanResult& seen = drawing.result();
    const ScanResult& told = blind.result();
    ASSERT_EQ(told.method, Method::Improved);
    ASSERT_EQ(told.colors.size(), seen.colors.size());
    for (std::size_t i = 0; i < told.colors.size(); ++i) {
        EXPECT_EQ(told.colors[i].color, seen.colors[i].color);
        EXPECT_EQ(told.colors[i].count, seen.colors[i].count);
        EXPECT_EQ(told.colors[i].sumL, seen.colors[i].sumL);
    }
    EXPECT_EQ(told.pattern, seen.pattern);
    EXPECT_EQ(told.record.colorA, seen.record.colorA);
    EXPECT_EQ(told.record.shareA, seen.record.shareA);
    EXPECT_EQ(told.record.colorB, seen.record.colorB);
    EXPECT_EQ(told.record.shareB, seen.record.shareB);
    for (const color::ViewImage& view : told.views.slots) {
        EXPECT_EQ(view.rgb, nullptr);
        EXPECT_EQ(view.indexed, nullptr);
    }
    blind.setViewsWanted(true);
    blind.analyze(color::test::weave(dots, 210, 200));
    EXPECT_NE(blind.result().views.slots[color::AnalysisViews::Chroma].rgb, nullptr);
    EXPECT_NE(blind.result().views.slots[color::AnalysisViews::Separation].indexed, nullptr);
}

// The colours' view shows the improved analysis's own Lab in the analysis
// channels: on a plain cloth every pixel is near the colour it is told as
// (told from the lighter, unsmoothed threads, shown smoothed).
TEST_F(ImprovedAnalyserTest, TheChromaViewIsItsOwnLabInTheAnalysisChannels)
{
    colour.lumaScale = 2.0;
    ImprovedAnalyser analyser(colour, region, scan, names());
    analyser.analyze(color::test::weave({Layout::Plain, Navy, Navy, 16, 3, 6, 6}, 210, 205));
    const ScanResult& result = analyser.result();
    ASSERT_EQ(result.method, Method::Improved);
    ASSERT_EQ(result.colors.size(), 1u);
    const color::ColorCluster& told = result.colors[0];
    const imaging::RgbImage* chroma = result.views.slots[color::AnalysisViews::Chroma].rgb;
    ASSERT_NE(chroma, nullptr);
    ASSERT_EQ(chroma->width(), 200);
    ASSERT_EQ(chroma->height(), 200);
    for (int y = 0; y < 200; y += 7)
        for (int x = 0; x < 200; x += 7) {
            const std::uint8_t* p = chroma->pixel(x, y);
            EXPECT_NEAR(p[0], 2.0 * told.meanL(), 8.0) << x << "," << y;
            EXPECT_NEAR(p[1], told.meanB() + 128, 10.0) << x << "," << y;
            EXPECT_NEAR(p[2], told.meanA() + 128, 10.0) << x << "," << y;
        }
}

// The separation shows each pixel in the colour it is told as, the texture
// the told dominant colour black: a sighted helper sees what is spoken.
TEST_F(ImprovedAnalyserTest, ViewsShowTheToldColoursInTheirShares)
{
    ImprovedAnalyser analyser(colour, region, scan, names());
    analyser.analyze(color::test::weave({Layout::Dots, Ecru, Black, 20, 4, 6, 7}, 200, 200));
    const ScanResult& result = analyser.result();
    ASSERT_EQ(result.method, Method::Improved);
    ASSERT_GE(result.colors.size(), 2u);

    const color::ViewImage& separation = result.views.slots[color::AnalysisViews::Separation];
    const color::ViewImage& texture = result.views.slots[color::AnalysisViews::Texture];
    ASSERT_NE(separation.indexed, nullptr);
    ASSERT_EQ(separation.palette.size(), result.colors.size());
    for (std::size_t i = 0; i < result.colors.size(); ++i)
        EXPECT_EQ(separation.palette[i], paletteEntryOf(result.colors[i])) << i;
    ASSERT_EQ(texture.indexed, separation.indexed);
    ASSERT_EQ(texture.palette.size(), result.colors.size());
    EXPECT_EQ(texture.palette[0], (color::PaletteEntry{0, 0, 0, 0}));
    for (std::size_t i = 1; i < texture.palette.size(); ++i)
        EXPECT_EQ(texture.palette[i], (color::PaletteEntry{255, 255, 255, 0}));

    // Every region pixel is one sample here, so each colour covers exactly
    // its count of pixels.
    ASSERT_EQ(separation.indexed->width(), 200);
    ASSERT_EQ(separation.indexed->height(), 200);
    std::vector<std::int32_t> pixels(result.colors.size(), 0);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const std::uint8_t index = *separation.indexed->pixel(x, y);
            ASSERT_LT(index, result.colors.size());
            ++pixels[index];
        }
    for (std::size_t i = 0; i < result.colors.size(); ++i)
        EXPECT_EQ(pixels[i], result.colors[i].count) << result.colors[i].color->name;
    EXPECT_EQ(result.views.slots[color::AnalysisViews::Picture].rgb->width(), 200);
    EXPECT_NE(result.views.slots[color::AnalysisViews::Chroma].rgb, nullptr);
}

// An improved measurement that the image library refuses.
class RefusingAnalyser : public ImprovedAnalyser {
public:
    using ImprovedAnalyser::ImprovedAnalyser;

protected:
    bool measureImproved(const imaging::RgbImage&, std::string& why) override
    {
        why = "odmítnuto";
        return false;
    }
};

TEST_F(ImprovedAnalyserTest, AFailedImprovedAnalysisToldTheStandardAnswersAndIsNoted)
{
    std::vector<std::string> notes;
    RefusingAnalyser refusing(colour, region, scan, names(), [&](const std::string& n) { notes.push_back(n); });
    StandardAnalyser standard(colour, region, names());
    const color::test::Fabric dots{Layout::Dots, Ecru, Black, 20, 4, 6, 7};
    refusing.analyze(color::test::weave(dots, 200, 200));
    standard.analyze(color::test::weave(dots, 200, 200));

    const ScanResult& got = refusing.result();
    const ScanResult& want = standard.result();
    EXPECT_EQ(got.method, Method::StandardInsteadOfImproved);
    EXPECT_EQ(got.findings, nullptr);
    EXPECT_EQ(std::memcmp(&got.record, &want.record, sizeof(color::ColorAnalysis)), 0);
    EXPECT_EQ(got.pattern, want.pattern);
    ASSERT_EQ(got.colors.size(), want.colors.size());
    for (std::size_t i = 0; i < got.colors.size(); ++i) {
        EXPECT_EQ(got.colors[i].color, want.colors[i].color);
        EXPECT_EQ(got.colors[i].count, want.colors[i].count);
    }
    EXPECT_EQ(got.views.slots[color::AnalysisViews::Separation].palette,
              want.views.slots[color::AnalysisViews::Separation].palette);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "Vylepšený rozbor obrázku selhal (odmítnuto); barvy a vzor jsou ze základního rozboru");
    // The signature measures the standard steps' channels and mask.
    EXPECT_EQ(got.image, refusing.steps().image());
    EXPECT_EQ(got.analysisChannels, refusing.steps().labImage());
    EXPECT_EQ(got.minorityMask, refusing.steps().mask());
    EXPECT_EQ(got.views.slots[color::AnalysisViews::Chroma].rgb, refusing.steps().labImage());
}

// Both analysers keep the one contract of the interface.
class EitherAnalyser : public Fixture, public ::testing::WithParamInterface<bool> {};

TEST_P(EitherAnalyser, ATooSmallImageChangesNothingAndStaysWithTheCaller)
{
    const auto analyser = makeAnalyser(GetParam(), colour, region, scan, names());
    analyser->analyze(color::test::weave({Layout::Stripes, White, Navy, 16, 3, 6, 6}, 200, 200));
    const ScanResult before = analyser->result();
    auto small = imaging::RgbImage::create(199, 200);
    try {
        analyser->analyze(std::move(small));
        ADD_FAILURE() << "no VisionError";
    } catch (const foundation::VisionError& error) {
        EXPECT_EQ(error.code(), 0);
    }
    EXPECT_NE(small, nullptr);
    const ScanResult& after = analyser->result();
    EXPECT_EQ(after.image, before.image);
    EXPECT_EQ(std::memcmp(&after.record, &before.record, sizeof(color::ColorAnalysis)), 0);
    EXPECT_FALSE(after.views.slots[color::AnalysisViews::Separation].empty());
}

INSTANTIATE_TEST_SUITE_P(StandardAndImproved, EitherAnalyser, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "improved" : "standard"; });

} // namespace
} // namespace vestiscop::analysis

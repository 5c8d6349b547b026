// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

#include "AnalyzerFixture.h"
#include "color/ColorConversion.h"
#include "color/GaussianFilter.h"
#include "foundation/Exception.h"
#include "pattern/PatternKind.h"

namespace vestiscop::color {
namespace {

using namespace test;
using imaging::RgbImage;
namespace kind = pattern::patternKind;

std::vector<std::string> names(const ColorAnalyzer& analyzer)
{
    std::vector<std::string> result;
    for (const ColorCluster& c : analyzer.colors())
        result.push_back(c.color->name);
    return result;
}

// Rows [0, split) in one colour, the rest in another, with noise.
std::unique_ptr<RgbImage> twoBlocks(Rgb top, Rgb bottom, int split, int size, std::uint32_t seed = 5)
{
    Fabric topFabric{Layout::Plain, top, top, 16, 3, 6, seed};
    Fabric bottomFabric{Layout::Plain, bottom, bottom, 16, 3, 6, seed + 1};
    auto image = weave(topFabric, size, size);
    auto lower = weave(bottomFabric, size, size);
    for (int y = split; y < size; ++y)
        std::memcpy(image->row(y), lower->row(y), image->rowBytes());
    return image;
}

// --- End to end on generated fabric ----------------------------------------

struct FabricCase {
    const char* title;
    Fabric fabric;
    double filter;
    std::vector<std::string> colours;  // largest share first
    pattern::PatternKind pattern;
};

class FabricTest : public AnalyzerFixture, public ::testing::WithParamInterface<FabricCase> {};

TEST_P(FabricTest, NamesColoursAndPattern)
{
    const FabricCase& c = GetParam();
    colorSettings.filter = c.filter;
    textureSettings.width = textureSettings.height = 128;
    analyze(c.fabric);
    EXPECT_EQ(names(analyzer()), c.colours);
    EXPECT_EQ(analyzer().pattern(), c.pattern);
    double total = 0;
    for (const ColorCluster& colour : analyzer().colors())
        total += colour.share;
    EXPECT_DOUBLE_EQ(total, 1.0);  // every pixel has a label
}

std::string fabricName(const ::testing::TestParamInfo<FabricCase>& info)
{
    return info.param.title;
}

INSTANTIATE_TEST_SUITE_P(
    Fabrics, FabricTest,
    ::testing::Values(
        FabricCase{"PlainRed", {Layout::Plain, Red, Red, 16, 3, 6, 1}, 0, {"červená"}, kind::None},
        FabricCase{"PlainGreySmoothed", {Layout::Plain, Grey, Grey, 16, 3, 8, 1}, 1.0, {"šedá"}, kind::None},
        FabricCase{"PlainBlue", {Layout::Plain, Blue, Blue, 16, 3, 6, 9}, 0, {"modrá"}, kind::None},
        FabricCase{"BlueStripes", {Layout::Stripes, White, Blue, 12, 3, 6, 2}, 0, {"bílá", "modrá"}, kind::Stripes},
        FabricCase{"RedStripesSmoothed", {Layout::Stripes, White, Red, 16, 3, 6, 2}, 1.0,
                   {"červená", "bílá", "šedá"}, kind::Stripes},
        FabricCase{"BlueCheck", {Layout::Check, White, Blue, 24, 3, 6, 3}, 0, {"bílá", "modrá"}, kind::Check},
        FabricCase{"RedCheckSmoothed", {Layout::Check, White, Red, 32, 3, 8, 3}, 1.0, {"červená", "bílá", "šedá"},
                   kind::Check},
        FabricCase{"RedDots", {Layout::Dots, White, Red, 12, 3, 6, 4}, 0, {"bílá", "červená"}, kind::Dots},
        FabricCase{"BlueDotsSmoothed", {Layout::Dots, White, Blue, 16, 3, 6, 4}, 1.0, {"bílá", "modrá"}, kind::Dots}),
    fabricName);

TEST_F(AnalyzerFixture, ColourTableReadFromAFile)
{
    const std::string path = std::string(VESTISCOP_BINARY_DIR) + "/colour_pipeline_names.txt";
    {
        std::ofstream file(path);
        file << "; two colours only\n"
                "bílá = 100 0 0\n"
                "\"tmavě modrá\" = 25 30 -80\n";
    }
    const ColorNameTable fromFile = ColorNameTable::load(path);
    ColorAnalyzer fileAnalyzer(colorSettings, textureSettings, fromFile);
    fileAnalyzer.analyze(weave({Layout::Stripes, White, Blue, 12, 3, 6, 2}, Size, Size));
    EXPECT_EQ(names(fileAnalyzer), (std::vector<std::string>{"bílá", "tmavě modrá"}));
    EXPECT_EQ(fileAnalyzer.pattern(), kind::Stripes);
}

// --- Ownership and failures -------------------------------------------------

TEST_F(AnalyzerFixture, ExactRegionSizeIsAccepted)
{
    auto image = twoBlocks(Red, White, 48, Size);
    EXPECT_NO_THROW(analyzer().analyze(std::move(image)));
    EXPECT_EQ(image, nullptr);  // taken over
}

TEST_F(AnalyzerFixture, TooSmallImageChangesNothingAndStaysWithTheCaller)
{
    analyzer().analyze(weave({Layout::Stripes, White, Blue, 12, 3, 6, 2}, Size, Size));
    const std::vector<ColorCluster> colours = analyzer().colors();
    const ColorAnalysis record = analyzer().analysis();
    const AnalysisViews views = analyzer().renderViews();

    for (const auto& [w, h] : {std::pair{Size - 1, Size}, std::pair{Size, Size - 1}}) {
        auto image = solid(Red, w, h);
        const RgbImage* raw = image.get();
        try {
            analyzer().analyze(std::move(image));
            FAIL() << "accepted " << w << " x " << h;
        } catch (const foundation::VisionError& e) {
            EXPECT_EQ(e.code(), 0);
        }
        EXPECT_EQ(image.get(), raw);
        ASSERT_EQ(analyzer().colors().size(), colours.size());
        for (std::size_t i = 0; i < colours.size(); ++i) {
            EXPECT_EQ(analyzer().colors()[i].count, colours[i].count);
            EXPECT_EQ(analyzer().colors()[i].color, colours[i].color);
        }
        EXPECT_EQ(analyzer().pattern(), kind::Stripes);
        EXPECT_EQ(0, std::memcmp(&analyzer().analysis(), &record, sizeof record));
        // The previous pictures are still there to be shown.
        EXPECT_EQ(analyzer().renderViews().slots[AnalysisViews::Picture].rgb, views.slots[AnalysisViews::Picture].rgb);
    }
}

TEST_F(AnalyzerFixture, NoClusterAllowedFailsWithCodeOne)
{
    colorSettings.maxBins = 0;
    auto image = solid(Grey, Size, Size);
    try {
        analyzer().analyze(std::move(image));
        FAIL() << "accepted with MaxBins 0";
    } catch (const foundation::VisionError& e) {
        EXPECT_EQ(e.code(), 1);
    }
    EXPECT_EQ(image, nullptr);  // the size check had passed: the image is the analyser's
    EXPECT_TRUE(analyzer().colors().empty());
    EXPECT_EQ(analyzer().analysis().valid, 0);
    for (const ViewImage& slot : analyzer().renderViews().slots)
        EXPECT_TRUE(slot.empty());
}

TEST_F(AnalyzerFixture, FailureAfterTakingTheImageKeepsResultsButNoPictures)
{
    // The same analyser first succeeds, then meets more clusters than it
    // accepts: colours, pattern and record stay, the pictures go.
    colorSettings.maxBins = 1;
    analyzer().analyze(solid(Red, Size, Size));
    const std::vector<std::string> before = names(analyzer());
    const ColorAnalysis record = analyzer().analysis();
    ASSERT_FALSE(analyzer().renderViews().slots[AnalysisViews::Picture].empty());

    try {
        analyzer().analyze(twoBlocks(Blue, White, 48, Size));
        FAIL() << "two clusters accepted with MaxBins 1";
    } catch (const foundation::VisionError& e) {
        EXPECT_EQ(e.code(), 1);
    }
    EXPECT_EQ(names(analyzer()), before);
    EXPECT_EQ(0, std::memcmp(&analyzer().analysis(), &record, sizeof record));
    for (const ViewImage& slot : analyzer().renderViews().slots)
        EXPECT_TRUE(slot.empty());

    // And the next good image brings them back.
    analyzer().analyze(solid(Blue, Size, Size));
    EXPECT_EQ(names(analyzer()), std::vector<std::string>{"modrá"});
    EXPECT_FALSE(analyzer().renderViews().slots[AnalysisViews::Picture].empty());
}

TEST_F(AnalyzerFixture, SameImageHandedOverAgain)
{
    auto image = twoBlocks(Red, White, 48, Size);
    RgbImage* raw = image.get();
    analyzer().analyze(std::move(image));
    const ColorAnalysis first = analyzer().analysis();
    // The caller hands over the image the analyser already holds; it must
    // not end up owned twice (the sanitizer build would catch a double free).
    std::unique_ptr<RgbImage> again(raw);
    analyzer().analyze(std::move(again));
    EXPECT_EQ(0, std::memcmp(&analyzer().analysis(), &first, sizeof first));
    EXPECT_EQ(analyzer().renderViews().slots[AnalysisViews::Picture].rgb->data(), raw->data());
}

// --- Region ------------------------------------------------------------------

TEST_F(AnalyzerFixture, OnlyTheTopLeftRegionIsAnalysed)
{
    const Fabric fabric{Layout::Stripes, White, Blue, 12, 3, 6, 2};
    analyzer().analyze(weave(fabric, Size, Size));
    const std::vector<ColorCluster> exact = analyzer().colors();
    const ColorAnalysis exactRecord = analyzer().analysis();
    const pattern::PatternKind exactPattern = analyzer().pattern();

    // The same fabric in the corner of a larger scan, red beyond it.
    auto large = solid(Red, Size + 30, Size + 17);
    auto corner = weave(fabric, Size, Size);
    for (int y = 0; y < Size; ++y)
        std::memcpy(large->row(y), corner->row(y), corner->rowBytes());
    analyzer().analyze(std::move(large));

    ASSERT_EQ(analyzer().colors().size(), exact.size());
    for (std::size_t i = 0; i < exact.size(); ++i) {
        EXPECT_EQ(analyzer().colors()[i].count, exact[i].count);
        EXPECT_EQ(analyzer().colors()[i].sumL, exact[i].sumL);
        EXPECT_EQ(analyzer().colors()[i].color, exact[i].color);
    }
    EXPECT_EQ(analyzer().pattern(), exactPattern);
    EXPECT_EQ(0, std::memcmp(&analyzer().analysis(), &exactRecord, sizeof exactRecord));

    const RgbImage* picture = analyzer().renderViews().slots[AnalysisViews::Picture].rgb;
    EXPECT_EQ(picture->width(), Size);
    EXPECT_EQ(picture->height(), Size);
    EXPECT_EQ(picture->stride(), Size + 30);
}

// --- Lab channels -------------------------------------------------------------

std::array<std::uint8_t, 3> labPixelBytes(const ColorAnalyzer& analyzer, int x, int y)
{
    const std::uint8_t* p = analyzer.labImage()->pixel(x, y);
    return {p[0], p[1], p[2]};
}

TEST_F(AnalyzerFixture, LabChannelsHoldScaledLightnessAndShiftedChroma)
{
    // Pure red is Lab (49, 114, 85): channels L, b + 128, a + 128.
    analyzer().analyze(solid({255, 0, 0}, Size, Size));
    EXPECT_EQ(labPixelBytes(analyzer(), 3, 4), (std::array<std::uint8_t, 3>{49, 85 + 128, 114 + 128}));
    // Pure green (92, -128, 127): -128 + 128 = 0, 127 + 128 = 255.
    analyzer().analyze(solid({0, 255, 0}, Size, Size));
    EXPECT_EQ(labPixelBytes(analyzer(), 0, 0), (std::array<std::uint8_t, 3>{92, 255, 0}));
}

TEST_F(AnalyzerFixture, LumaScaleTwoDoublesTheLightnessChannel)
{
    colorSettings.lumaScale = 2.0;
    analyzer().analyze(solid({255, 255, 255}, Size, Size));
    EXPECT_EQ(labPixelBytes(analyzer(), 0, 0)[0], 200);
    // The centre is divided back: white is named white.
    ASSERT_EQ(analyzer().clusterLab().size(), 1u);
    EXPECT_EQ(analyzer().clusterLab()[0], (LabPixel{100, 0, 0}));
    EXPECT_EQ(names(analyzer()), std::vector<std::string>{"bílá"});
}

TEST_F(AnalyzerFixture, LumaScaleAboveTheByteRangeWraps)
{
    // L 100 x 3 = 300 is stored as 44, and 44 / 3 rounds to 15: the wrap is
    // not undone, white becomes a dark colour.
    colorSettings.lumaScale = 3.0;
    analyzer().analyze(solid({255, 255, 255}, Size, Size));
    EXPECT_EQ(labPixelBytes(analyzer(), 5, 5)[0], 44);
    EXPECT_EQ(analyzer().clusterLab()[0], (LabPixel{15, 0, 0}));
    EXPECT_EQ(names(analyzer()), std::vector<std::string>{"černá"});
}

TEST_F(AnalyzerFixture, FilterZeroOrNegativeSkipsSmoothing)
{
    const Fabric fabric{Layout::Check, White, Red, 8, 3, 10, 6};
    auto image = weave(fabric, Size, Size);
    for (const double filter : {0.0, -1.0}) {
        colorSettings.filter = filter;
        ColorAnalyzer plain(colorSettings, textureSettings, table);
        plain.analyze(weave(fabric, Size, Size));
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                const std::uint8_t* rgb = image->pixel(x, y);
                const LabPixel lab = rgbToLab(RgbPixel{rgb[0], rgb[1], rgb[2]}, AnalysisGamma);
                ASSERT_EQ(plain.labImage()->pixel(x, y)[0], lab.l);
            }
    }
    // Any positive sigma smooths: the channels are those of the blurred picture.
    colorSettings.filter = 0.7;
    ColorAnalyzer smoothing(colorSettings, textureSettings, table);
    smoothing.analyze(weave(fabric, Size, Size));
    auto blurred = RgbImage::create(Size, Size);
    gaussianFilter(*image, *blurred, 0.7);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const std::uint8_t* rgb = blurred->pixel(x, y);
            const LabPixel lab = rgbToLab(RgbPixel{rgb[0], rgb[1], rgb[2]}, AnalysisGamma);
            ASSERT_EQ(smoothing.labImage()->pixel(x, y)[0], lab.l);
            ASSERT_EQ(smoothing.labImage()->pixel(x, y)[1], static_cast<std::uint8_t>(lab.b + 128));
        }
}

// --- Naming, merging, ordering ----------------------------------------------

TEST_F(AnalyzerFixture, ClustersOfOneNameMerge)
{
    // Dark and light grey stripes, both nearest to an entry called "šedá".
    table = ColorNameTable({{{35, 0, 0}, "šedá"}, {{75, 0, 0}, "šedá"}, {{50, 60, 40}, "červená"}});
    analyzer().analyze(weave({Layout::Stripes, {70, 70, 70}, {190, 190, 190}, 16, 3, 6, 3}, Size, Size));
    ASSERT_EQ(analyzer().clusterLab().size(), 2u);
    ASSERT_EQ(analyzer().colors().size(), 1u);
    const ColorCluster& grey = analyzer().colors()[0];
    const auto& counts = analyzer().clusterer().counts();
    EXPECT_EQ(grey.count, counts[0] + counts[1]);
    EXPECT_EQ(grey.count, Size * Size);
    EXPECT_EQ(grey.clusterIndex, 0);
    EXPECT_EQ(grey.share, 1.0);
    EXPECT_EQ(analyzer().clusterMap(), (std::vector<int>{0, 0}));
    const std::int64_t expectedL = static_cast<std::int64_t>(analyzer().clusterLab()[0].l) * counts[0]
                                   + static_cast<std::int64_t>(analyzer().clusterLab()[1].l) * counts[1];
    EXPECT_EQ(grey.sumL, expectedL);

    // The mask shows one colour; the pattern still sees the lighter cluster.
    const imaging::ByteImage* mask = analyzer().mask();
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            ASSERT_EQ(*mask->pixel(x, y), 0);
    EXPECT_EQ(analyzer().pattern(), kind::Stripes);

    const AnalysisViews views = analyzer().renderViews();
    EXPECT_EQ(views.slots[AnalysisViews::Separation].palette.size(), 2u);
    EXPECT_NE(views.slots[AnalysisViews::Separation].palette[0], views.slots[AnalysisViews::Separation].palette[1]);
}

TEST_F(AnalyzerFixture, EqualSharesKeepClusterOrder)
{
    // Red and white half and half: white has the lower cluster number (its
    // a channel comes first) and the exchange sort leaves equal shares be.
    analyzer().analyze(twoBlocks(Red, White, Size / 2, Size));
    EXPECT_EQ(names(analyzer()), (std::vector<std::string>{"bílá", "červená"}));
    EXPECT_EQ(analyzer().colors()[0].share, 0.5);
    EXPECT_EQ(analyzer().colors()[1].share, 0.5);
}

TEST_F(AnalyzerFixture, ExchangeSortSwapsEqualSharesPastALargerOne)
{
    // Green 25 %, grey 25 %, red 50 %, numbered in that order by their a
    // channel. Red is exchanged with green at the front, leaving grey before
    // green; a stable sort would keep green before grey.
    auto image = solid(Red, Size, Size);
    auto green = weave({Layout::Plain, Green, Green, 16, 3, 6, 8}, Size, Size);
    auto grey = weave({Layout::Plain, Grey, Grey, 16, 3, 6, 9}, Size, Size);
    auto red = weave({Layout::Plain, Red, Red, 16, 3, 6, 10}, Size, Size);
    for (int y = 0; y < Size; ++y) {
        const RgbImage& from = y < Size / 4 ? *green : y < Size / 2 ? *grey : *red;
        std::memcpy(image->row(y), from.row(y), image->rowBytes());
    }
    analyzer().analyze(std::move(image));
    ASSERT_EQ(analyzer().colors().size(), 3u);
    EXPECT_EQ(analyzer().colors()[0].clusterIndex, 2);
    EXPECT_EQ(names(analyzer()), (std::vector<std::string>{"červená", "šedá", "zelená"}));
    EXPECT_EQ(analyzer().colors()[1].share, 0.25);
    EXPECT_EQ(analyzer().colors()[2].share, 0.25);
}

// --- The record ----------------------------------------------------------------

TEST_F(AnalyzerFixture, RecordOfOneColourHoldsItTwice)
{
    analyzer().analyze(weave({Layout::Plain, Blue, Blue, 16, 3, 6, 1}, Size, Size));
    const ColorAnalysis& record = analyzer().analysis();
    EXPECT_EQ(record.valid, 1);
    EXPECT_EQ(record.colorA, (LabPixel{35, 40, -90}));  // the table entry, not the measured mean
    EXPECT_EQ(record.colorB, record.colorA);
    EXPECT_EQ(record.shareA, 1.0);
    EXPECT_EQ(record.shareB, 0.0);
}

TEST_F(AnalyzerFixture, RecordOfTwoColoursLeadsWithTheSecond)
{
    // 60 % red above 40 % white (a 100-pixel region gives exact shares).
    textureSettings.width = textureSettings.height = 100;
    analyzer().analyze(twoBlocks(Red, White, 60, 100));
    const ColorAnalysis& record = analyzer().analysis();
    EXPECT_EQ(record.colorA, (LabPixel{100, 0, 0}));
    EXPECT_EQ(record.shareA, 0.4);
    EXPECT_EQ(record.colorB, (LabPixel{45, 65, 50}));
    EXPECT_EQ(record.shareB, 0.0);
}

TEST_F(AnalyzerFixture, RecordNameIsNotTouched)
{
    analyzer().analyze(solid(Red, Size, Size));
    // The dialog's catalogue code writes names into its copies; the
    // analyser must not clear one written into its own record either.
    auto& record = const_cast<ColorAnalysis&>(analyzer().analysis());
    std::strcpy(record.name, "košile");
    analyzer().analyze(twoBlocks(Red, White, 30, Size));
    EXPECT_STREQ(analyzer().analysis().name, "košile");
    EXPECT_EQ(analyzer().analysis().colorA, (LabPixel{45, 65, 50}));
}

TEST_F(AnalyzerFixture, RecordStartsEmpty)
{
    const ColorAnalysis& record = analyzer().analysis();
    EXPECT_EQ(record.valid, 0);
    EXPECT_EQ(record.colorA, LabPixel{});
    EXPECT_EQ(record.colorB, LabPixel{});
}

// --- Mask and views --------------------------------------------------------------

TEST_F(AnalyzerFixture, MaskMarksEverythingButTheDominantColour)
{
    // White ground 2/3, red stripes 1/3.
    analyzer().analyze(twoBlocks(White, Red, 64, Size));
    ASSERT_EQ(names(analyzer()), (std::vector<std::string>{"bílá", "červená"}));
    const imaging::ByteImage* mask = analyzer().mask();
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            ASSERT_EQ(*mask->pixel(x, y), y < 64 ? 0 : 1) << x << ", " << y;
}

TEST_F(AnalyzerFixture, ViewsBeforeAnyAnalysisAreEmpty)
{
    for (const ViewImage& slot : analyzer().renderViews().slots)
        EXPECT_TRUE(slot.empty());
}

TEST_F(AnalyzerFixture, ViewImages)
{
    // A cluster of Lab (100, 0, 0) is painted white, one of (0, 0, 0) black.
    analyzer().analyze(solid({255, 255, 255}, Size, Size));
    AnalysisViews views = analyzer().renderViews();
    ASSERT_EQ(views.slots[AnalysisViews::Separation].palette.size(), 1u);
    EXPECT_EQ(views.slots[AnalysisViews::Separation].palette[0], (PaletteEntry{255, 255, 255, 0}));
    analyzer().analyze(solid({0, 0, 0}, Size, Size));
    views = analyzer().renderViews();
    EXPECT_EQ(views.slots[AnalysisViews::Separation].palette[0], (PaletteEntry{0, 0, 0, 0}));

    analyzer().analyze(twoBlocks(Blue, White, 32, Size));
    views = analyzer().renderViews();
    const ViewImage& picture = views.slots[AnalysisViews::Picture];
    const ViewImage& chroma = views.slots[AnalysisViews::Chroma];
    const ViewImage& separation = views.slots[AnalysisViews::Separation];
    const ViewImage& texture = views.slots[AnalysisViews::Texture];
    ASSERT_NE(picture.rgb, nullptr);
    EXPECT_EQ(picture.rgb->width(), Size);
    EXPECT_EQ(chroma.rgb, analyzer().labImage());
    EXPECT_EQ(separation.indexed, &analyzer().clusterer().labels());
    EXPECT_EQ(separation.palette.size(), analyzer().clusterLab().size());
    EXPECT_EQ(texture.indexed, analyzer().mask());
    EXPECT_EQ(texture.palette, (std::vector<PaletteEntry>{{0, 0, 0, 0}, {255, 255, 255, 0}}));
    // Every separation colour is its cluster's Lab painted back to RGB.
    for (std::size_t j = 0; j < separation.palette.size(); ++j) {
        const RgbPixel rgb = xyzToRgb(labToXyz(analyzer().clusterLab()[j]), AnalysisGamma);
        EXPECT_EQ(separation.palette[j], (PaletteEntry{rgb.blue, rgb.green, rgb.red, 0}));
    }
}

} // namespace
} // namespace vestiscop::color

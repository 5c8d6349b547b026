// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark's own parts: the rendered fabrics must have the sizes drawn
// in millimetres at the scan's resolution, be reproducible from their seeds,
// keep the tuning and checking parts apart, and the name mappings must
// cover every name the shipped colour tables can say.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <set>
#include <stdexcept>
#include <string>

#include "BasicTerms.h"
#include "Whites.h"
#include "Corpus.h"
#include "Garment.h"
#include "color/ColorNameTable.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::bench {
namespace {

const std::string SourceDir = VESTISCOP_SOURCE_DIR;

// A scan without anything a scanner adds, so the drawing itself shows.
Scan cleanScan(double dpi, int size)
{
    Scan scan;
    scan.xDpi = scan.yDpi = dpi;
    scan.width = scan.height = size;
    scan.blurPx = 0;
    scan.noise = 0;
    return scan;
}

Fabric twoColourStripes(double angle, double widthMm)
{
    Fabric f;
    f.kind = Kind::Stripes;
    f.colours = {rgbOf(0xFFFFFF), rgbOf(0x000000)};
    f.angle = angle;
    f.sett = {{0, widthMm}, {1, widthMm}};
    f.relief = 0;
    return f;
}

// Colour changes along row y (red channel crossing the middle).
int changesAlongRow(const imaging::RgbImage& image, int y)
{
    int changes = 0;
    for (int x = 1; x < image.width(); ++x)
        changes += (image.pixel(x, y)[2] >= 128) != (image.pixel(x - 1, y)[2] >= 128) ? 1 : 0;
    return changes;
}

int changesAlongColumn(const imaging::RgbImage& image, int x)
{
    int changes = 0;
    for (int y = 1; y < image.height(); ++y)
        changes += (image.pixel(x, y)[2] >= 128) != (image.pixel(x, y - 1)[2] >= 128) ? 1 : 0;
    return changes;
}

struct StripeCase {
    double dpi;
    double widthMm;
};

class StripeWidth : public ::testing::TestWithParam<StripeCase> {};

// 400 px at D dpi span 400 / D inches; a band of w mm changes colour every
// w / 25.4 * D pixels.
TEST_P(StripeWidth, BandsSpanTheirMillimetresAtTheResolution)
{
    const StripeCase c = GetParam();
    const auto image = render(twoColourStripes(0, c.widthMm), cleanScan(c.dpi, 400));
    const double bandPx = c.widthMm / 25.4 * c.dpi;
    const int expected = static_cast<int>(std::floor(400 / bandPx));
    const int changes = changesAlongRow(*image, 200);
    EXPECT_GE(changes, expected - 1);
    EXPECT_LE(changes, expected + 1);
    // Vertical stripes: nothing changes down a column.
    EXPECT_EQ(changesAlongColumn(*image, 200), 0);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, StripeWidth,
                         ::testing::Values(StripeCase{100, 3}, StripeCase{100, 10}, StripeCase{200, 3},
                                           StripeCase{75, 20}));

TEST(Render, QuarterTurnMakesVerticalStripesHorizontal)
{
    Scan scan = cleanScan(100, 200);
    scan.turn = std::acos(-1.0) / 2;
    const auto image = render(twoColourStripes(0, 5), scan);
    EXPECT_EQ(changesAlongRow(*image, 100), 0);
    EXPECT_GE(changesAlongColumn(*image, 100), 9);  // 200 px = 50.8 mm = ten 5 mm bands
}

TEST(Render, HorizontalStripesAtHalfPi)
{
    const auto image = render(twoColourStripes(std::acos(-1.0) / 2, 5), cleanScan(100, 200));
    EXPECT_EQ(changesAlongRow(*image, 100), 0);
    EXPECT_GE(changesAlongColumn(*image, 100), 9);
}

TEST(Render, LightSlopeBrightensOneSide)
{
    Fabric grey;
    grey.colours = {rgbOf(0x808080)};
    grey.relief = 0;
    Scan scan = cleanScan(100, 100);
    scan.lightSlope = 0.2;  // +-10 % at the edges, along x
    const auto image = render(grey, scan);
    EXPECT_NEAR(image->pixel(0, 50)[1], 128 * 0.9, 1.5);
    EXPECT_NEAR(image->pixel(99, 50)[1], 128 * 1.098, 1.5);
}

TEST(Render, SameSeedSameBytesOtherSeedOtherNoiseSameMean)
{
    const Fabric fabric = makeFabric("plain", 5);
    std::mt19937 random(1);
    Scan scan = randomScan(random, 100, 100, 64, 64);
    const auto a = render(fabric, scan);
    const auto b = render(fabric, scan);
    scan.seed += 1;
    const auto c = render(fabric, scan);
    double meanA = 0;
    double meanC = 0;
    bool differs = false;
    for (int y = 0; y < 64; ++y) {
        ASSERT_EQ(0, std::memcmp(a->row(y), b->row(y), a->rowBytes()));
        differs = differs || std::memcmp(a->row(y), c->row(y), a->rowBytes()) != 0;
        for (int x = 0; x < 64; ++x) {
            meanA += a->pixel(x, y)[1] / 4096.0;
            meanC += c->pixel(x, y)[1] / 4096.0;
        }
    }
    EXPECT_TRUE(differs);
    EXPECT_NEAR(meanA, meanC, 0.5);
}

// A dot of d mm on a square grid of p mm covers pi d^2 / 4 / p^2 of it.
TEST(Fabric, DotsCoverTheirAreaShare)
{
    Fabric dots;
    dots.kind = Kind::Dots;
    dots.colours = {rgbOf(0xFFFFFF), rgbOf(0x000000)};
    dots.dotMm = 4;
    dots.pitchMm = 10;
    int inside = 0;
    const int steps = 500;
    for (int i = 0; i < steps; ++i)
        for (int j = 0; j < steps; ++j)
            inside += dots.colourAt(i * 0.1 + 0.05, j * 0.1 + 0.05).r < 128 ? 1 : 0;
    EXPECT_NEAR(static_cast<double>(inside) / (steps * steps), std::acos(-1.0) * 16 / 4 / 100, 0.003);
}

TEST(Fabric, GinghamCrossingsMixTheYarns)
{
    const Fabric f = makeFabric("gingham 3-10mm", 11);
    const double w = f.sett[0].widthMm;
    const Rgb ground = f.colourAt(w / 2, w / 2);          // ground x ground
    const Rgb full = f.colourAt(w * 1.5, w * 1.5);        // colour x colour
    const Rgb half = f.colourAt(w * 1.5, w / 2);          // colour x ground
    EXPECT_DOUBLE_EQ(half.g, (ground.g + full.g) / 2);
    EXPECT_NE(ground.g, full.g);
}

TEST(Fabric, EveryFamilyIsReproducibleAndItsColoursDiffer)
{
    for (const FabricFamily& family : patternFamilies()) {
        const Fabric a = makeFabric(family.name, 42);
        const Fabric b = makeFabric(family.name, 42);
        EXPECT_EQ(a.kind, family.kind) << family.name;
        ASSERT_EQ(a.colours.size(), b.colours.size()) << family.name;
        for (std::size_t i = 0; i < a.colours.size(); ++i)
            EXPECT_EQ(a.colours[i].g, b.colours[i].g) << family.name;
        for (std::size_t i = 0; i < a.colours.size(); ++i)
            for (std::size_t j = i + 1; j < a.colours.size(); ++j)
                EXPECT_FALSE(a.colours[i].r == a.colours[j].r && a.colours[i].g == a.colours[j].g &&
                             a.colours[i].b == a.colours[j].b)
                    << family.name;
    }
    EXPECT_THROW(makeFabric("argyle", 1), std::invalid_argument);
}

// Yarn-dyed cloth shows the colour of the yarn on top at each crossing, not
// a blend: a houndstooth's pixels are its two colours, the light one dulled
// by a relief that only darkens (up to `relief`, never brighter).
TEST(Fabric, YarnDyedClothShowsItsYarnsAndTheReliefOnlyDarkens)
{
    const Fabric f = makeFabric("houndstooth", 5);
    ASSERT_EQ(f.colours.size(), 2u);
    ASSERT_TRUE(f.reliefDarkens);
    Fabric flat = f;
    flat.wrinkle = 0;
    Scan scan = cleanScan(400, 200);
    const auto image = render(flat, scan);
    const Rgb light = f.colours[0].g > f.colours[1].g ? f.colours[0] : f.colours[1];
    const Rgb dark = f.colours[0].g > f.colours[1].g ? f.colours[1] : f.colours[0];
    int nearLight = 0;
    int between = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const double g = image->pixel(x, y)[1];
            EXPECT_LE(g, light.g + 0.5);
            if (g >= light.g * (1 - f.relief) - 0.5)
                ++nearLight;
            else if (g > dark.g + 0.5 && g < light.g * (1 - f.relief) - 0.5)
                ++between;
        }
    // Pixels at the border of two yarns average both; most show one yarn.
    EXPECT_GT(nearLight, 200 * 200 / 4);
    EXPECT_LT(between, 200 * 200 / 3);
}

TEST(Corpus, TuningAndCheckingPartsShareNoScan)
{
    std::set<std::uint32_t> tune;
    for (const CorpusCase& c : patternCorpus(Split::Tune, 3, true))
        tune.insert(c.scan.seed);
    for (const CorpusCase& c : patternCorpus(Split::Check, 3, true))
        EXPECT_EQ(tune.count(c.scan.seed), 0u);
    for (const GarmentScans& g : recognitionCorpus(Split::Check, 10, 3))
        for (const Scan& s : g.scans)
            EXPECT_EQ(tune.count(s.seed), 0u);
    for (const GarmentScans& g : rescanCorpus(Split::Tune, 10, 3, 20, 3))
        for (const Scan& s : g.scans)
            tune.insert(s.seed);
    // The further sets of tuning garments (vestiscop_bench --rounds, at most 20 of 50).
    for (const GarmentScans& g : rescanCorpus(Split::Tune, 50, 3, 20, 3, 950))
        for (const Scan& s : g.scans)
            EXPECT_TRUE(tune.insert(s.seed).second) << "a further set repeats a scan of the first";
    for (const GarmentScans& g : rescanCorpus(Split::Check, 10, 3, 20, 3)) {
        for (const Scan& s : g.scans) {
            EXPECT_EQ(tune.count(s.seed), 0u);
            // Laid down anew: within 20 mm and 3 degrees.
            EXPECT_LE(std::abs(s.shiftXMm), 20);
            EXPECT_LE(std::abs(s.shiftYMm), 20);
            EXPECT_LE(std::abs(s.turn), 3 * std::numbers::pi / 180);
        }
    }
    EXPECT_EQ(patternCorpus(Split::Check, 3, true).size(), patternFamilies().size() * 3);
    EXPECT_EQ(patternCorpus(Split::Check, 3).size(), fabricFamilies().size() * 3);
}

TEST(Corpus, AThirdOfTheSurveyListIsHeldOut)
{
    int held = 0;
    for (std::size_t i = 0; i < 949; ++i)
        held += surveyColourHeldOut(i) ? 1 : 0;
    EXPECT_EQ(held, 316);
}

// Every name a shipped table can give has a basic term, and the basic
// table's names are the basic terms themselves.
TEST(TermMaps, CoverEveryShippedColourName)
{
    const auto names = loadTermMap(SourceDir + "/tools/colors/vocabulary.tsv");
    for (const char* table : {"barvy.txt", "barvy-zakladni.txt"}) {
        const auto loaded = color::ColorNameTable::load(SourceDir + "/data/" + table);
        for (const color::ColorName& entry : loaded.entries()) {
            const auto it = names.find(entry.name);
            ASSERT_NE(it, names.end()) << entry.name << " of " << table;
            EXPECT_GE(basicTermIndex(it->second), 0) << entry.name;
        }
    }
    const auto basic = color::ColorNameTable::load(SourceDir + "/data/barvy-zakladni.txt");
    for (const color::ColorName& entry : basic.entries())
        EXPECT_EQ(names.at(entry.name), entry.name);
}

TEST(TermMaps, SurveyMapGivesEveryNameOneTermOrTwo)
{
    const auto survey = loadTermMap(SourceDir + "/tools/bench/survey-basic-terms.tsv");
    EXPECT_EQ(survey.size(), 949u);
    EXPECT_EQ(termIndices(survey.at("navy blue")), std::vector<int>{basicTermIndex("modrá")});
    EXPECT_EQ(termIndices(survey.at("teal")), (std::vector<int>{basicTermIndex("zelená"), basicTermIndex("modrá")}));
    EXPECT_EQ(termIndices(survey.at("blue/grey")), (std::vector<int>{basicTermIndex("modrá"), basicTermIndex("šedá")}));
    EXPECT_TRUE(termIndices("-").empty());
}

// Weave shadows take a fraction of the light: in linear terms, so a white
// cloth in a fifth of shadow scans at about sRGB 230, not 204.
TEST(Whites, ShadowTakesAFractionOfTheLight)
{
    EXPECT_NEAR(darkened({255, 255, 255}, 0.2).r, 230.4, 0.1);
    EXPECT_NEAR(darkened({200, 100, 0}, 0.0).g, 100.0, 1e-9);
    EXPECT_NEAR(darkened({0, 0, 0}, 0.2).b, 0.0, 1e-9);
}

TEST(Whites, KindsInTurnAndPartsApart)
{
    const auto tune = whiteCorpus(Split::Tune, 4);
    const auto check = whiteCorpus(Split::Check, 4);
    ASSERT_EQ(tune.size(), 12u);
    std::set<std::uint32_t> seeds;
    for (const WhiteCase& c : tune) {
        seeds.insert(c.scan.seed);
        EXPECT_GE(c.shadow, 0.0);
        EXPECT_LE(c.shadow, 0.2);
    }
    for (const WhiteCase& c : check)
        EXPECT_EQ(seeds.count(c.scan.seed), 0u);
    EXPECT_EQ(tune[0].expected, "bílá");
    EXPECT_EQ(tune[4].expected, "smetanová");
    EXPECT_EQ(tune[8].expected, "světle šedá");
    // Cream is yellower than white, light grey darker than both.
    EXPECT_GT(tune[4].fabric.colours[0].r - tune[4].fabric.colours[0].b, 15.0);
    EXPECT_LT(tune[8].fabric.colours[0].g, 206.0);
}

class BadMapLine : public ::testing::TestWithParam<const char*> {};

TEST_P(BadMapLine, IsRefusedWithItsLine)
{
    // A directory of its own: ctest runs the cases side by side.
    const vestiscop::testsupport::ScratchDirectory dir;
    const auto path = std::filesystem::path(dir.path()) / "bench-term-map.tsv";
    {
        std::ofstream out(path);
        out << "# comment\n\nred\tčervená\n" << GetParam() << "\n";
    }
    try {
        loadTermMap(path.string());
        ADD_FAILURE() << GetParam();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(":4:"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, BadMapLine,
                         ::testing::Values("blue", "blue\tazurová", "red\tčervená", "\tmodrá", "a\tb\tc",
                                           "blue\tModrá", "teal\tzelená/zelená", "teal\tzelená/azurová",
                                           "teal\tzelená/", "blue\tmodrá\tnote\textra"));

} // namespace
} // namespace vestiscop::bench

// SPDX-License-Identifier: GPL-3.0-or-later
// The distance, matching and learning rules, checked against values worked
// out by hand. The catalogue lives in a temporary file; only its memory side
// matters here.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>

#include "catalog/GarmentCatalog.h"
#include "CatalogTestSupport.h"
#include "foundation/Exception.h"
#include "support/ScratchDirectory.h"
#include "support/TestSettings.h"

namespace {

using vestiscop::catalog::GarmentCatalog;
using vestiscop::color::ColorAnalysis;
using vestiscop::color::LabPixel;
using vestiscop::foundation::MatchingSettings;
using vestiscop::catalog::test::lab;
using vestiscop::catalog::test::record;
using vestiscop::testsupport::workedExampleMatching;

class Matching : public ::testing::Test {
protected:
    void TearDown() override { m_catalog.reset(); }

    GarmentCatalog& catalog()
    {
        if (!m_catalog)
            m_catalog = std::make_unique<GarmentCatalog>(settings);
        return *m_catalog;
    }
    int define(const ColorAnalysis& definition) { return catalog().add(definition, "x"); }

    vestiscop::testsupport::ScratchDirectory m_dir;
    MatchingSettings settings = workedExampleMatching(m_dir.file("materials.dat"));

private:
    std::unique_ptr<GarmentCatalog> m_catalog;
};

// The example the matching rules are explained with: the scan holds the
// definition's colours in the other order, so the crossed pairing counts.
TEST_F(Matching, WorkedExampleOneDefinitionThenANearNeighbour)
{
    define(record(lab(100, 10, 10), 0, lab(50, 0, 0), 0));
    const ColorAnalysis scan = record(lab(50, 0, 0), 0, lab(104, 10, 13), 0);
    EXPECT_DOUBLE_EQ(catalog().distance(scan, catalog().slot(0)), 25.0);

    double similarity = -7;
    EXPECT_EQ(catalog().findMatch(scan, similarity), 0);
    EXPECT_EQ(similarity, 0.96875);

    // A second definition 100 away from the first (and 45 from the scan)
    // makes 100 the scale.
    define(record(lab(110, 10, 10), 0, lab(50, 0, 0), 0));
    EXPECT_DOUBLE_EQ(catalog().distance(catalog().slot(0), catalog().slot(1)), 100.0);
    EXPECT_EQ(catalog().findMatch(scan, similarity), 0);
    EXPECT_EQ(similarity, 0.875);
}

TEST_F(Matching, NoDefinitionsLeaveTheSimilarityAlone)
{
    double similarity = -7;
    EXPECT_EQ(catalog().findMatch(record(lab(1, 2, 3), 1, lab(1, 2, 3), 0), similarity), -1);
    EXPECT_EQ(similarity, -7);

    const int slot = define(record(lab(1, 2, 3), 1, lab(1, 2, 3), 0));
    catalog().erase(slot);
    EXPECT_EQ(catalog().findMatch(record(lab(1, 2, 3), 1, lab(1, 2, 3), 0), similarity), -1);
    EXPECT_EQ(similarity, -7);
}

TEST_F(Matching, BestDistanceEqualToMaxDistanceStillMatchesAtMinSimilarity)
{
    define(record(lab(100, 0, 0), 0, lab(100, 0, 0), 0));
    double similarity = -7;
    // 20 squared is exactly MaxDistance; the similarity is then exactly 0.5,
    // which MinSimilarity 0.5 accepts.
    EXPECT_EQ(catalog().findMatch(record(lab(120, 0, 0), 0, lab(100, 0, 0), 0), similarity), 0);
    EXPECT_EQ(similarity, 0.5);

    similarity = -7;
    EXPECT_EQ(catalog().findMatch(record(lab(120, 1, 0), 0, lab(100, 0, 0), 0), similarity), -1);
    EXPECT_EQ(similarity, -7) << "a distance above MaxDistance writes no similarity";
}

TEST_F(Matching, RejectedByMinSimilarityStillWritesTheSimilarity)
{
    settings.minSimilarity = 0.6;
    define(record(lab(100, 0, 0), 0, lab(100, 0, 0), 0));
    double similarity = -7;
    EXPECT_EQ(catalog().findMatch(record(lab(120, 0, 0), 0, lab(100, 0, 0), 0), similarity), -1);
    EXPECT_EQ(similarity, 0.5);
}

// Slot 0 is far, slots 1 and 2 are both 25 from the scan and 50 from each
// other. The lower of the tied slots wins and the other one sets the scale;
// had the far slot stayed second best, the scale would be 20 (its distance
// from slot 1 is only 9) and the similarity 0.375.
TEST_F(Matching, TiedDistancesKeepTheLowerSlotAndUseTheOtherAsSecond)
{
    define(record(lab(50, 0, 0), 0, lab(58, 0, 0), 0));
    define(record(lab(55, 0, 0), 0, lab(50, 0, 0), 0));
    define(record(lab(45, 0, 0), 0, lab(50, 0, 0), 0));
    const ColorAnalysis scan = record(lab(50, 0, 0), 0, lab(50, 0, 0), 0);
    ASSERT_EQ(catalog().distance(scan, catalog().slot(1)), 25.0);
    ASSERT_EQ(catalog().distance(scan, catalog().slot(2)), 25.0);
    ASSERT_EQ(catalog().distance(catalog().slot(1), catalog().slot(2)), 50.0);

    double similarity = -7;
    EXPECT_EQ(catalog().findMatch(scan, similarity), 1);
    EXPECT_EQ(similarity, 0.75);
}

TEST_F(Matching, IdenticalDefinitionsFloorTheScaleAtTheRootOfMaxDistance)
{
    define(record(lab(70, 5, 5), 0.5, lab(30, 0, 0), 0));
    define(record(lab(70, 5, 5), 0.5, lab(30, 0, 0), 0));
    double similarity = -7;
    EXPECT_EQ(catalog().findMatch(record(lab(70, 5, 5), 0.5, lab(30, 0, 0), 0), similarity), 0);
    EXPECT_EQ(similarity, 1.0);
    // Scale 20: distance 4 gives 1 - 0.5 * 4 / 20.
    EXPECT_EQ(catalog().findMatch(record(lab(72, 5, 5), 0.5, lab(30, 0, 0), 0), similarity), 0);
    EXPECT_DOUBLE_EQ(similarity, 0.9);
}

TEST_F(Matching, MaxDistanceZeroMatchesOnlyAnIdenticalScanWithSimilarityOne)
{
    settings.maxDistance = 0;
    define(record(lab(70, 5, 5), 0.5, lab(30, 0, 0), 0));
    double similarity = -7;
    EXPECT_EQ(catalog().findMatch(record(lab(70, 5, 5), 0.5, lab(30, 0, 0), 0), similarity), 0);
    EXPECT_EQ(similarity, 1.0);
    EXPECT_EQ(catalog().findMatch(record(lab(71, 5, 5), 0.5, lab(30, 0, 0), 0), similarity), -1);
}

TEST_F(Matching, SwappedColoursWithSwappedSharesAreTheSameGarment)
{
    settings.color1Weight = {1, 2, 3, 500};
    settings.color2Weight = {3, 2, 1, 700};
    const ColorAnalysis stored = record(lab(100, 10, 10), 0.3, lab(50, -20, 0), 0.7);
    const ColorAnalysis swapped = record(lab(50, -20, 0), 0.7, lab(100, 10, 10), 0.3);
    EXPECT_EQ(catalog().distance(swapped, stored), 0.0);

    // Merging it keeps each stored colour in its own field.
    ColorAnalysis target = stored;
    catalog().merge(target, swapped);
    EXPECT_EQ(target.colorA, lab(100, 10, 10));
    EXPECT_EQ(target.colorB, lab(50, -20, 0));
    EXPECT_DOUBLE_EQ(target.shareA, 0.3);
    EXPECT_DOUBLE_EQ(target.shareB, 0.7);
}

// Straight: w1 for colour A and its share, w2 for colour B and its share.
// Crossed: both share terms use the fourth weight of w2.
TEST_F(Matching, DistanceWeighsEachPairingAsDefined)
{
    settings.color1Weight = {1, 2, 3, 1000};
    settings.color2Weight = {5, 7, 11, 10};
    const ColorAnalysis p = record(lab(10, 1, -1), 0.5, lab(200, -100, 100), 0.25);
    const ColorAnalysis straightQ = record(lab(11, 3, 2), 0.75, lab(202, -101, 97), 0.5);
    // 1 + 2*4 + 3*9 + 1000*0.0625 + 5*4 + 7*1 + 11*9 + 10*0.0625
    EXPECT_DOUBLE_EQ(catalog().distance(p, straightQ), 1 + 8 + 27 + 62.5 + 20 + 7 + 99 + 0.625);

    const ColorAnalysis crossedQ = record(lab(202, -101, 97), 0.75, lab(11, 3, 2), 0.0);
    // A against B with w1, B against A with w2, shares (0.5-0)^2 and (0.25-0.75)^2 with w2[3].
    EXPECT_DOUBLE_EQ(catalog().distance(p, crossedQ), 1 + 8 + 27 + 10 * 0.25 + 20 + 7 + 99 + 10 * 0.25);

    // The weights follow the first record's fields, so the distance is not symmetric.
    const ColorAnalysis q = record(lab(20, 1, -1), 0, lab(200, -100, 100), 0);
    const ColorAnalysis r = record(lab(200, -100, 100), 0, lab(10, 1, -1), 0);
    EXPECT_NE(catalog().distance(q, r), catalog().distance(r, q));
}

TEST_F(Matching, ColorDistanceUsesUnsignedLightnessAndSignedChroma)
{
    const std::array<double, 4> ones{1, 1, 1, 99};
    EXPECT_EQ(GarmentCatalog::colorDistance(lab(255, -128, 127), lab(0, 127, -128), ones),
              255.0 * 255 + 255.0 * 255 + 255.0 * 255);
    EXPECT_EQ(GarmentCatalog::colorDistance(lab(3, 4, 5), lab(3, 4, 5), ones), 0.0);
}

struct BlendCase {
    double decay;
    LabPixel target;
    LabPixel source;
    LabPixel expected;
};

class Blending : public Matching, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(Blending, RoundsHalvesUpwards)
{
    settings.mergeDecay = GetParam().decay;
    LabPixel t = GetParam().target;
    catalog().blend(t, GetParam().source);
    EXPECT_EQ(t, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Blending,
    ::testing::Values(
        // The worked example: 100.75, 10.5 and -10.75.
        BlendCase{3, lab(100, 10, -10), lab(103, 12, -13), lab(101, 11, -11)},
        // An exact -10.5 goes up to -10, and 10.5 to 11.
        BlendCase{1, lab(10, -10, 10), lab(11, -11, 11), lab(11, -10, 11)},
        // Decay 0 takes the source.
        BlendCase{0, lab(100, 10, -10), lab(3, -128, 127), lab(3, -128, 127)},
        // Extremes stay inside their bytes.
        BlendCase{1, lab(255, 127, -128), lab(254, 126, -127), lab(255, 127, -127)}));

TEST_F(Matching, MergeDecayZeroReplacesTheDefinitionInTheChosenPairing)
{
    settings.mergeDecay = 0;
    ColorAnalysis target = record(lab(100, 10, 10), 0.4, lab(50, 0, 0), 0.0);
    std::strcpy(target.name, "kabat");
    // Colours fit the crossed pairing.
    const ColorAnalysis scan = record(lab(52, 1, 0), 0.55, lab(98, 12, 9), 0.0);
    catalog().merge(target, scan);
    EXPECT_EQ(target.colorA, lab(98, 12, 9));
    EXPECT_EQ(target.shareA, 0.0);
    EXPECT_EQ(target.colorB, lab(52, 1, 0));
    EXPECT_EQ(target.shareB, 0.55);
    EXPECT_EQ(target.valid, 1);
    EXPECT_STREQ(target.name, "kabat");
}

TEST_F(Matching, MergeBlendsStraightWhenThatFitsBetter)
{
    ColorAnalysis target = record(lab(100, 10, 10), 0.4, lab(50, 0, 0), 0.0);
    const ColorAnalysis scan = record(lab(104, 10, 10), 0.8, lab(44, 0, 0), 0.4);
    catalog().merge(target, scan);
    EXPECT_EQ(target.colorA, lab(101, 10, 10));
    EXPECT_EQ(target.colorB, lab(49, 0, 0));  // 48.5 rounds up
    EXPECT_DOUBLE_EQ(target.shareA, (0.4 * 3 + 0.8) / 4);
    EXPECT_DOUBLE_EQ(target.shareB, (0.0 * 3 + 0.4) / 4);
}

// Both pairings fit equally: the straight one is kept, so the shares stay
// where they were. A one-colour garment (its colour in both places, shares
// 1 / 0) ties on every scan; crossing made it 0.5 / 0.5, 800 away from every
// later scan of it.
struct TieCase {
    const char* name;
    ColorAnalysis target;
    ColorAnalysis scan;
    double decay;
    double shareA;
    double shareB;
};

class MergeTie : public Matching, public ::testing::WithParamInterface<TieCase> {};

TEST_P(MergeTie, KeepsTheStraightPairing)
{
    settings.mergeDecay = GetParam().decay;
    ColorAnalysis target = GetParam().target;
    catalog().merge(target, GetParam().scan);
    EXPECT_EQ(target.shareA, GetParam().shareA);
    EXPECT_EQ(target.shareB, GetParam().shareB);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeTie,
    ::testing::Values(
        TieCase{"TwoColoursScanOfOneGreyTwice", record(lab(60, 0, 0), 0.1, lab(40, 0, 0), 0.2),
                record(lab(50, 0, 0), 0.7, lab(50, 0, 0), 0.3), 0, 0.7, 0.3},
        TieCase{"OneColourGarmentStaysOneColour", record(lab(55, 20, -30), 1.0, lab(55, 20, -30), 0.0),
                record(lab(55, 20, -30), 1.0, lab(55, 20, -30), 0.0), 1, 1.0, 0.0},
        TieCase{"OneColourGarmentWithAShiftedScan", record(lab(55, 20, -30), 1.0, lab(55, 20, -30), 0.0),
                record(lab(57, 19, -31), 1.0, lab(57, 19, -31), 0.0), 3, 1.0, 0.0}),
    [](const ::testing::TestParamInfo<TieCase>& info) { return info.param.name; });

TEST_F(Matching, CorrectedOneColourGarmentStillMatchesItsNextScan)
{
    settings = workedExampleMatching(settings.materials);
    settings.color1Weight = {1, 1, 1, 1600};
    settings.color2Weight = {1, 1, 1, 1600};
    settings.mergeDecay = 1;
    const ColorAnalysis plain = record(lab(55, 20, -30), 1.0, lab(55, 20, -30), 0.0);
    const int slot = define(plain);
    catalog().correct(slot, plain);
    double similarity = 0;
    EXPECT_EQ(catalog().findMatch(plain, similarity), slot);
    EXPECT_EQ(similarity, 1.0);
}

TEST(MatchingSettingsCheck, RefusesANegativeMergeDecay)
{
    MatchingSettings settings;
    settings.mergeDecay = -1;
    try {
        GarmentCatalog::checkSettings(settings, "/x/vestiscop.cfg");
        FAIL() << "no IniError";
    } catch (const vestiscop::foundation::IniError& error) {
        EXPECT_EQ(error.code(), 1);
        EXPECT_EQ(error.entry(), "MergeDecay");
        EXPECT_EQ(error.section(), "Matching");
        EXPECT_EQ(error.path(), "/x/vestiscop.cfg");
    }
    settings.mergeDecay = 0;
    EXPECT_NO_THROW(GarmentCatalog::checkSettings(settings, "/x/vestiscop.cfg"));
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// What a signature measures: the texture spectrum finds the orientation and
// period of stripes wherever they lie, the weave finds the threads' period
// through the scanner's noise, the extent of the pattern's parts is
// the width of a stripe, and the colour distance tolerates small shifts but
// not another colour.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "signature/GarmentSignature.h"
#include "pattern/PatternKind.h"
#include "signature/SignatureDistance.h"

namespace vestiscop::signature {
namespace {

// An image in the analysis channels (L, b + 128, a + 128) of stripes of two
// colours with the given period in pixels, contrast along angle (radians;
// 0 = vertical stripes), starting at phase (pixels).
std::unique_ptr<imaging::RgbImage> stripes(int size, double period, double angle, double phase)
{
    auto owned = imaging::RgbImage::create(size, size);
    imaging::RgbImage& image = *owned;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double t = (x * std::cos(angle) + y * std::sin(angle) + phase) / period;
            const bool dark = t - std::floor(t) < 0.5;
            std::uint8_t* p = image.pixel(x, y);
            p[0] = dark ? 30 : 80;
            p[1] = static_cast<std::uint8_t>(128 + (dark ? -20 : 10));
            p[2] = static_cast<std::uint8_t>(128 + (dark ? 5 : 0));
        }
    }
    return owned;
}

int strongestBin(const GarmentSignature& s)
{
    int best = 0;
    for (int i = 1; i < TextureBins; ++i)
        if (s.texture[static_cast<std::size_t>(i)] > s.texture[static_cast<std::size_t>(best)])
            best = i;
    return best;
}

struct StripeCase {
    const char* name;
    double periodPx;  // at 0.1 mm per pixel
    double degrees;
    int band;         // octave from 0.25 mm: 0.25-0.5, 0.5-1, 1-2, 2-4, ...
    int orientation;  // 15-degree bins from contrast along x
};

class StripeSpectrum : public ::testing::TestWithParam<StripeCase> {};

TEST_P(StripeSpectrum, FindsOrientationAndPeriodWhereverTheGarmentLies)
{
    const StripeCase& c = GetParam();
    GarmentSignature here, shifted;
    const double angle = c.degrees * std::numbers::pi / 180;
    measureTexture(*stripes(128, c.periodPx, angle, 0), 1.0, 0.1, 0.1, here);
    measureTexture(*stripes(128, c.periodPx, angle, c.periodPx * 0.37), 1.0, 0.1, 0.1, shifted);
    EXPECT_EQ(strongestBin(here) / OrientationBins, c.band);
    EXPECT_EQ(strongestBin(here) % OrientationBins, c.orientation);
    EXPECT_GT(here.contrast, 10);
    DistanceWeights weights;
    weights.patternWeight = 0;
    EXPECT_LT(textureDistance(here, shifted, weights), 1.0);
}

INSTANTIATE_TEST_SUITE_P(Cases, StripeSpectrum,
                         ::testing::Values(StripeCase{"Vertical3mm", 32, 0, 3, 0},
                                           StripeCase{"Horizontal3mm", 32, 90, 3, 6},
                                           StripeCase{"Diagonal1_6mm", 16, 45, 2, 3},
                                           StripeCase{"Vertical0_8mm", 8, 0, 1, 0}),
                         [](const ::testing::TestParamInfo<StripeCase>& info) { return info.param.name; });

TEST(TextureDistance, ATurnOfThreeDegreesCostsLittleAQuarterTurnMuch)
{
    GarmentSignature straight, turned, across;
    measureTexture(*stripes(128, 32, 0, 0), 1.0, 0.1, 0.1, straight);
    measureTexture(*stripes(128, 32, 3 * std::numbers::pi / 180, 0), 1.0, 0.1, 0.1, turned);
    measureTexture(*stripes(128, 32, std::numbers::pi / 2, 0), 1.0, 0.1, 0.1, across);
    const DistanceWeights weights;
    EXPECT_LT(textureDistance(straight, turned, weights), 0.25 * textureDistance(straight, across, weights));
}

TEST(TextureDistance, TheSpectrumsTermsStopAtTheirCapAndCountLessBetweenMotifs)
{
    GarmentSignature straight, turned, across;
    measureTexture(*stripes(128, 32, 0, 0), 1.0, 0.1, 0.1, straight);
    measureTexture(*stripes(128, 32, 3 * std::numbers::pi / 180, 0), 1.0, 0.1, 0.1, turned);
    measureTexture(*stripes(128, 32, std::numbers::pi / 2, 0), 1.0, 0.1, 0.1, across);
    DistanceWeights uncapped;
    uncapped.spectrumCap = 1e300;
    DistanceWeights capped = uncapped;
    const double small = textureDistance(straight, turned, uncapped);
    capped.spectrumCap = small + 1;
    DistanceWeights none = uncapped;
    none.spectrumCap = 0;
    const double rest = textureDistance(straight, across, none);  // the contrast's term
    ASSERT_GT(textureDistance(straight, across, uncapped), rest + small + 1);
    EXPECT_DOUBLE_EQ(textureDistance(straight, across, capped), rest + small + 1);
    EXPECT_EQ(textureDistance(straight, turned, capped), small) << "below the cap nothing changes";
    // Between two motifs the spectrum's terms count by motifSpectrumScale.
    uncapped.motifSpectrumScale = 0.5;
    const double full = textureDistance(straight, across, uncapped) - rest;
    straight.pattern = across.pattern = pattern::patternKind::Unknown;
    EXPECT_DOUBLE_EQ(textureDistance(straight, across, uncapped), rest + 0.5 * full);
}

// A signature of the improved analysis's findings and one measured on the
// standard channels compare only on what they share: not on the spectrum's
// terms, the contrast nor the extent of the pattern's parts.
TEST(TextureDistance, SignaturesMeasuredUnalikeShareNoTextureTerms)
{
    GarmentSignature straight, across;
    measureTexture(*stripes(128, 32, 0, 0), 1.0, 0.1, 0.1, straight);
    measureTexture(*stripes(128, 32, std::numbers::pi / 2, 0), 1.0, 0.1, 0.1, across);
    across.contrast *= 3;
    straight.minorityShare = across.minorityShare = 0.5;
    straight.minorityRunX = straight.minorityRunY = 1;
    across.minorityRunX = across.minorityRunY = 4;
    DistanceWeights weights;
    weights.sizeWeight = 1;
    weights.patternWeight = 0;
    weights.findingsTextureContrast = weights.textureContrast;
    weights.findingsContrastWeight = weights.contrastWeight;
    weights.findingsSpectrumScale = 1;
    weights.findingsVariationWeight = weights.variationWeight;
    weights.findingsWeaveContrast = weights.weaveContrast;
    weights.findingsSizeWeight = weights.sizeWeight;
    const double channels = textureDistance(straight, across, weights);
    ASSERT_GT(channels, 1.0);
    GarmentSignature straightFound = straight;
    GarmentSignature acrossFound = across;
    straightFound.findingsTexture = acrossFound.findingsTexture = true;
    EXPECT_EQ(textureDistance(straightFound, acrossFound, weights), channels) << "alike: every term";
    EXPECT_EQ(textureDistance(straightFound, across, weights), 0.0);
    EXPECT_EQ(textureDistance(straight, acrossFound, weights), 0.0);
    // The pattern kind is shared.
    weights.patternWeight = 1.5;
    acrossFound.pattern = straight.pattern + 1;
    EXPECT_EQ(textureDistance(straight, acrossFound, weights), 1.5);
}

// Two signatures of the improved analysis's findings weigh their texture
// with the findings' own weights; every other pairing with the standard
// ones, whatever the findings' weights are.
struct TextureWeightCase {
    const char* name;
    bool pFindings;
    bool qFindings;
    bool findingsWeights;  // whether the findings' own weights apply
};

class TextureWeightsByKind : public ::testing::TestWithParam<TextureWeightCase> {};

TEST_P(TextureWeightsByKind, OnlyTwoFindingsSignaturesUseTheFindingsWeights)
{
    const TextureWeightCase& c = GetParam();
    GarmentSignature p, q;
    measureTexture(*stripes(128, 32, 0, 0), 1.0, 0.1, 0.1, p);
    measureTexture(*stripes(128, 16, std::numbers::pi / 2, 0), 1.0, 0.1, 0.1, q);
    q.contrast *= 3;
    p.findingsTexture = c.pFindings;
    q.findingsTexture = c.qFindings;
    DistanceWeights standard;
    standard.patternWeight = 0;
    standard.weaveWeight = 0;
    // The findings' weights as the standard ones, then each moved alone.
    standard.findingsTextureContrast = standard.textureContrast;
    standard.findingsContrastWeight = standard.contrastWeight;
    standard.findingsSpectrumScale = 1;
    DistanceWeights noSpectrum = standard;
    noSpectrum.spectrumCap = 0;
    const double contrastTerm = textureDistance(p, q, noSpectrum);
    const double spectralTerm = textureDistance(p, q, standard) - contrastTerm;
    const bool alike = c.pFindings == c.qFindings;
    ASSERT_EQ(contrastTerm > 1, alike);
    ASSERT_EQ(spectralTerm > 1, alike);

    DistanceWeights contrastMoved = noSpectrum;
    contrastMoved.findingsContrastWeight = 2 * standard.contrastWeight;
    EXPECT_DOUBLE_EQ(textureDistance(p, q, contrastMoved), c.findingsWeights ? 2 * contrastTerm : contrastTerm);
    DistanceWeights spectrumMoved = standard;
    spectrumMoved.findingsSpectrumScale = 0.5;
    EXPECT_NEAR(textureDistance(p, q, spectrumMoved) - contrastTerm, c.findingsWeights ? 0.5 * spectralTerm : spectralTerm,
                1e-9);
    // A larger half-contrast counts the texture of a plainer cloth less.
    DistanceWeights halfMoved = standard;
    halfMoved.findingsTextureContrast = 1000 * standard.textureContrast;
    if (c.findingsWeights)
        EXPECT_LT(textureDistance(p, q, halfMoved) - contrastTerm, 0.1 * spectralTerm);
    else
        EXPECT_EQ(textureDistance(p, q, halfMoved), textureDistance(p, q, standard));

    // The colour variation's weight, the weave's half-contrast and the
    // parts' extent's weight, each term alone.
    p.colourVariation = {0.6, 0.2, 0.2, 0, 0, 0};
    q.colourVariation = {0.2, 0.2, 0.6, 0, 0, 0};
    p.hasWeave = q.hasWeave = true;
    p.weave = {1e-3, 1e-3, 1e-3, 1e-3, 1e-3, 1e-3};
    q.weave = {4e-3, 4e-3, 4e-3, 4e-3, 4e-3, 4e-3};
    p.minorityShare = q.minorityShare = 0.5;
    p.minorityRunX = p.minorityRunY = 1;
    q.minorityRunX = q.minorityRunY = 4;
    DistanceWeights none = standard;
    none.orientationWeight = none.periodWeight = none.spectrumWeight = none.variationWeight = 0;
    none.findingsVariationWeight = none.findingsSizeWeight = none.sizeWeight = 0;
    none.contrastWeight = none.findingsContrastWeight = none.weaveWeight = 0;
    DistanceWeights variation = none;
    variation.variationWeight = variation.findingsVariationWeight = 8;
    const double variationTerm = textureDistance(p, q, variation);
    ASSERT_EQ(variationTerm > 0.1, alike);
    variation.findingsVariationWeight = 16;
    EXPECT_DOUBLE_EQ(textureDistance(p, q, variation), c.findingsWeights ? 2 * variationTerm : variationTerm);
    DistanceWeights weave = none;
    weave.weaveWeight = 4;
    weave.weaveContrast = weave.findingsWeaveContrast = 2;
    const double weaveTerm = textureDistance(p, q, weave);
    ASSERT_GT(weaveTerm, 0.01) << "the weave is compared whatever measured the texture";
    weave.findingsWeaveContrast = 1e12;  // the weave counts whole
    const double larger = std::max(p.contrast, q.contrast);
    EXPECT_NEAR(textureDistance(p, q, weave), c.findingsWeights ? weaveTerm * (2 + larger) / 2 : weaveTerm, 1e-9);
    DistanceWeights extent = none;
    extent.findingsSizeWeight = 1;
    EXPECT_NEAR(textureDistance(p, q, extent), c.findingsWeights ? std::log(4.0) : 0.0, 1e-12);
    extent.findingsSizeWeight = 0;
    extent.sizeWeight = 1;
    EXPECT_NEAR(textureDistance(p, q, extent), alike && !c.findingsWeights ? std::log(4.0) : 0.0, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextureWeightsByKind,
                         ::testing::Values(TextureWeightCase{"BothChannels", false, false, false},
                                           TextureWeightCase{"BothFindings", true, true, true},
                                           TextureWeightCase{"FindingsAgainstChannels", true, false, false},
                                           TextureWeightCase{"ChannelsAgainstFindings", false, true, false}),
                         [](const ::testing::TestParamInfo<TextureWeightCase>& info) { return info.param.name; });

// The findings measure each pixel's distance from the ground (the largest
// colour): two findings signatures of the same colours whose largest colours
// lie further apart than findingsGroundChange (each took another colour of
// the cloth for the ground) weigh the orientation and the contrast terms by
// the ground's factors, and nothing else; every other pairing, two findings
// of one ground, and two of other colours altogether, as before.
struct GroundChangeCase {
    const char* name;
    bool pFindings;
    bool qFindings;
    double groundLightness;  // the largest colour of q: L (p's is 50), a and b as p's
    bool withColours;        // false: neither signature holds a colour
    bool sameColours;        // false: q's second colour is none of p's
    bool otherGround;        // whether the ground's factors apply
};

class GroundChange : public ::testing::TestWithParam<GroundChangeCase> {};

TEST_P(GroundChange, OnlyFindingsOfAnotherGroundWeighOrientationAndContrastByItsFactors)
{
    const GroundChangeCase& c = GetParam();
    GarmentSignature p, q;
    measureTexture(*stripes(128, 32, 0, 0), 1.0, 0.1, 0.1, p);
    measureTexture(*stripes(128, 16, std::numbers::pi / 2, 0), 1.0, 0.1, 0.1, q);
    q.contrast *= 3;
    p.colourVariation = {0.5, 0.3, 0.2, 0, 0, 0};
    q.colourVariation = {0.2, 0.3, 0.5, 0, 0, 0};
    p.findingsTexture = c.pFindings;
    q.findingsTexture = c.qFindings;
    if (c.withColours) {
        p.colourCount = q.colourCount = 2;
        p.colours[0] = {50, 0, 0, 0.55};
        p.colours[1] = {c.groundLightness, 0, 0, 0.45};
        q.colours[0] = {c.groundLightness, 0, 0, 0.55};
        q.colours[1] = c.sameColours ? MeasuredColour{50, 0, 0, 0.45} : MeasuredColour{50, 40, -30, 0.45};
    }
    DistanceWeights neutral;
    neutral.patternWeight = 0;
    neutral.weaveWeight = 0;
    neutral.findingsGroundChange = 10;
    neutral.findingsGroundOrientation = 1;
    neutral.findingsGroundContrast = 1;
    const auto only = [&](double orientation, double period, double spectrum, double variation, double contrast) {
        DistanceWeights w = neutral;
        w.orientationWeight = orientation;
        w.periodWeight = period;
        w.spectrumWeight = spectrum;
        w.variationWeight = w.findingsVariationWeight = variation;
        w.contrastWeight = w.findingsContrastWeight = contrast;
        return w;
    };
    const DistanceWeights orientationOnly = only(3, 0, 0, 0, 0);
    const DistanceWeights contrastOnly = only(0, 0, 0, 0, 4);
    const DistanceWeights groundFree = only(0, 6, 2, 8, 0);
    const double orientationTerm = textureDistance(p, q, orientationOnly);
    const double contrastTerm = textureDistance(p, q, contrastOnly);
    const double groundFreeTerms = textureDistance(p, q, groundFree);
    const bool alike = c.pFindings == c.qFindings;
    ASSERT_EQ(orientationTerm > 0.1, alike);
    ASSERT_EQ(contrastTerm > 0.1, alike);
    ASSERT_EQ(groundFreeTerms > 0.1, alike);

    const auto moved = [](DistanceWeights w) {
        w.findingsGroundOrientation = 0.25;
        w.findingsGroundContrast = 0.5;
        return w;
    };
    EXPECT_NEAR(textureDistance(p, q, moved(orientationOnly)), c.otherGround ? 0.25 * orientationTerm : orientationTerm,
                1e-12);
    EXPECT_NEAR(textureDistance(p, q, moved(contrastOnly)), c.otherGround ? 0.5 * contrastTerm : contrastTerm, 1e-12);
    EXPECT_EQ(textureDistance(p, q, moved(groundFree)), groundFreeTerms) << "the period, spectrum and variation terms";
    // Symmetric: which of the two scans is stored does not matter.
    EXPECT_NEAR(textureDistance(p, q, moved(neutral)), textureDistance(q, p, moved(neutral)), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GroundChange,
    ::testing::Values(GroundChangeCase{"FindingsOfAnotherGround", true, true, 80, true, true, true},
                      GroundChangeCase{"FindingsJustPastTheChange", true, true, 60.5, true, true, true},
                      GroundChangeCase{"FindingsWithinTheChange", true, true, 59.5, true, true, false},
                      GroundChangeCase{"FindingsOfOneGround", true, true, 50, true, true, false},
                      GroundChangeCase{"FindingsOfOtherColours", true, true, 80, true, false, false},
                      GroundChangeCase{"FindingsWithoutColours", true, true, 80, false, true, false},
                      GroundChangeCase{"ChannelsOfAnotherGround", false, false, 80, true, true, false},
                      GroundChangeCase{"FindingsAgainstChannels", true, false, 80, true, true, false}),
    [](const ::testing::TestParamInfo<GroundChangeCase>& info) { return info.param.name; });

TEST(TextureMeasure, UniformOrTooSmallRegionHasNoTexture)
{
    auto flat = imaging::RgbImage::create(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64 * 3; ++x)
            flat->row(y)[x] = 100;
    GarmentSignature s;
    measureTexture(*flat, 1.0, 0.1, 0.1, s);
    EXPECT_EQ(s.contrast, 0);
    EXPECT_EQ(strongestBin(s), 0);
    EXPECT_EQ(s.texture[0], 0);
    auto tiny = imaging::RgbImage::create(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8 * 3; ++x)
            tiny->row(y)[x] = static_cast<std::uint8_t>(x * 7);
    measureTexture(*tiny, 1.0, 0.1, 0.1, s);
    EXPECT_EQ(s.contrast, 0);
}

// A plain cloth in sRGB whose threads brighten and darken all three
// channels alike with the given period in pixels (0: no threads), and
// scanner noise of its own in each channel.
std::unique_ptr<imaging::RgbImage> cloth(int size, double threadPx, double relief, double noise, unsigned seed)
{
    auto owned = imaging::RgbImage::create(size, size);
    std::mt19937 random(seed);
    std::normal_distribution<double> grain(0, noise);
    const double base[3] = {60, 110, 170};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double weave =
                threadPx > 0 ? 1 + relief * std::cos(2 * std::numbers::pi * x / threadPx) * std::cos(2 * std::numbers::pi * y / threadPx)
                             : 1;
            for (int c = 0; c < 3; ++c)
                owned->pixel(x, y)[c] = static_cast<std::uint8_t>(std::clamp(base[c] * weave + grain(random), 0.0, 255.0));
        }
    }
    return owned;
}

struct WeaveCase {
    const char* name;
    double threadPx;  // at 0.1 mm per pixel
    int band;         // half octaves from 0.25 mm
};

class WeaveSpectrum : public ::testing::TestWithParam<WeaveCase> {};

TEST_P(WeaveSpectrum, ThreadsFillTheirBandAndTheNoiseOfEachChannelCancels)
{
    GarmentSignature threads, noiseOnly;
    // The threads' checkerboard repeats along the diagonals, at period / sqrt 2.
    measureWeave(*cloth(256, GetParam().threadPx, 0.06, 4, 1), 256, 256, 0.1, 0.1, threads);
    measureWeave(*cloth(256, 0, 0.06, 4, 2), 256, 256, 0.1, 0.1, noiseOnly);
    ASSERT_TRUE(threads.hasWeave);
    const auto strongest = std::max_element(threads.weave.begin(), threads.weave.end()) - threads.weave.begin();
    EXPECT_EQ(strongest, GetParam().band);
    double total = 0;
    double noise = 0;
    for (int b = 0; b < WeaveBands; ++b) {
        total += threads.weave[static_cast<std::size_t>(b)];
        noise += noiseOnly.weave[static_cast<std::size_t>(b)];
    }
    // The relief's energy: (0.06 / 2)^2 spread over four peaks.
    EXPECT_NEAR(total, 0.06 * 0.06 / 4, 0.06 * 0.06 / 4 * 0.3);
    EXPECT_LT(noise, 0.1 * total);
}

INSTANTIATE_TEST_SUITE_P(Cases, WeaveSpectrum,
                         ::testing::Values(WeaveCase{"Fine0_42mm", 6, 1},     // 0.42 mm along the diagonals
                                           WeaveCase{"Medium0_85mm", 12, 3},  // 0.85 mm
                                           WeaveCase{"Coarse1_7mm", 24, 5}),  // 1.7 mm
                         [](const ::testing::TestParamInfo<WeaveCase>& info) { return info.param.name; });

struct AheadCase {
    const char* name;
    bool otherImage;  // the result is of another image
    int width;        // the result's region
    int height;
    int xRes;         // of the settings the weave is measured ahead with
    bool taken;
};

class WeaveMeasuredAhead : public ::testing::TestWithParam<AheadCase> {};

TEST_P(WeaveMeasuredAhead, IsTakenOnlyForItsOwnImageAndRegionAndIsTheSame)
{
    const AheadCase& c = GetParam();
    const auto image = cloth(256, 6, 0.06, 4, 6);
    const auto other = cloth(256, 12, 0.06, 4, 7);
    foundation::ScanSettings scan;
    scan.xRes = 254;
    scan.yRes = 254;
    const fabric::FabricFindings findings;
    analysis::ScanResult result;
    result.image = c.otherImage ? other.get() : image.get();
    result.regionWidth = c.width;
    result.regionHeight = c.height;
    result.findings = &findings;
    const foundation::ColorSettings colour;
    const GarmentSignature measuredHere = describe(result, colour, scan);

    foundation::ScanSettings aheadScan = scan;
    aheadScan.xRes = c.xRes;
    WeaveAhead ahead(*image, 256, 200, aheadScan);
    GarmentSignature taken;
    taken.weave.fill(-1);
    EXPECT_EQ(ahead.takeInto(result.image, c.width, c.height, taken), c.taken);
    if (c.taken)
        EXPECT_EQ(taken.weave, measuredHere.weave);
    else
        EXPECT_EQ(taken.weave[0], -1);
    // Whatever was measured ahead, the signature is the one measured here.
    WeaveAhead again(*image, 256, 200, aheadScan);
    const GarmentSignature withAhead = describe(result, colour, scan, &again);
    EXPECT_TRUE(withAhead.hasWeave);
    EXPECT_EQ(withAhead.weave, measuredHere.weave);
}

INSTANTIATE_TEST_SUITE_P(Cases, WeaveMeasuredAhead,
                         ::testing::Values(AheadCase{"sameImageAndRegion", false, 256, 200, 254, true},
                                           AheadCase{"otherImage", true, 256, 200, 254, false},
                                           AheadCase{"otherWidth", false, 128, 200, 254, false},
                                           AheadCase{"otherHeight", false, 256, 256, 254, false},
                                           AheadCase{"noResolution", false, 256, 200, 0, false}),
                         [](const ::testing::TestParamInfo<AheadCase>& info) { return info.param.name; });

TEST(WeaveDistance, TellsWeavesApartAndIsLeftOutForASignatureWithoutOne)
{
    GarmentSignature fine, fineAgain, coarse;
    measureWeave(*cloth(256, 6, 0.06, 4, 3), 256, 256, 0.1, 0.1, fine);
    measureWeave(*cloth(256, 6, 0.06, 4, 4), 256, 256, 0.1, 0.1, fineAgain);
    measureWeave(*cloth(256, 12, 0.06, 4, 5), 256, 256, 0.1, 0.1, coarse);
    DistanceWeights weights;
    weights.weaveWeight = 1;
    EXPECT_LT(textureDistance(fine, fineAgain, weights), 0.25 * textureDistance(fine, coarse, weights));
    // A signature of the first file version has no weave: no term at all.
    GarmentSignature older = coarse;
    older.hasWeave = false;
    older.weave.fill(0);
    weights.weaveWeight = 0;
    const double without = textureDistance(fine, older, weights);
    weights.weaveWeight = 1;
    EXPECT_EQ(textureDistance(fine, older, weights), without);
}

// The weave bands of a cloth seen through a blur of the given squared
// sigma (mm^2): each band loses exp(-4 pi^2 sigma^2 f^2) of its energy at
// its centre frequency f.
GarmentSignature blurredWeave(const std::array<double, WeaveBands>& bands, double sigma2)
{
    GarmentSignature s;
    s.hasWeave = true;
    for (int b = 0; b < WeaveBands; ++b) {
        const double f2 = 1 / (ShortestPeriodMm * ShortestPeriodMm * std::exp2(b + 0.5));
        s.weave[static_cast<std::size_t>(b)] =
            bands[static_cast<std::size_t>(b)] * std::exp(-4 * std::numbers::pi * std::numbers::pi * sigma2 * f2);
    }
    return s;
}

struct BlurCase {
    const char* name;
    std::array<double, WeaveBands> p;
    std::array<double, WeaveBands> q;
    double sigma2;     // how much blurrier q is scanned than p, mm^2
    double tolerance;  // weaveBlur
    double low;
    double high;
};

class WeaveBlur : public ::testing::TestWithParam<BlurCase> {};

TEST_P(WeaveBlur, WhatABlurWithinTheToleranceExplainsCostsNothing)
{
    DistanceWeights weights;
    weights.weaveFloor = 0;
    weights.weaveBlur = GetParam().tolerance;
    GarmentSignature p = blurredWeave(GetParam().p, 0);
    const GarmentSignature q = blurredWeave(GetParam().q, GetParam().sigma2);
    const double d = weaveDifference(p, q, weights);
    EXPECT_GE(d, GetParam().low);
    EXPECT_LE(d, GetParam().high);
    EXPECT_NEAR(d, weaveDifference(q, p, weights), 1e-12) << "symmetric";
}

constexpr std::array<double, WeaveBands> fineThreads{4e-4, 2e-4, 1e-4, 5e-5, 3e-5, 2e-5};
constexpr std::array<double, WeaveBands> coarseThreads{3e-5, 5e-5, 1e-4, 4e-4, 2e-4, 1e-4};

INSTANTIATE_TEST_SUITE_P(
    Cases, WeaveBlur,
    ::testing::Values(
        BlurCase{"Identical", fineThreads, fineThreads, 0, 0.006, 0, 1e-12},
        // 0.8 against 0.5 pixels at 200 dpi: 0.0063 mm^2.
        BlurCase{"BlurWithinTheTolerance", fineThreads, fineThreads, 0.006, 0.0063, 0, 1e-9},
        BlurCase{"BlurWithoutTolerance", fineThreads, fineThreads, 0.006, 0, 0.5, 2},
        // Beyond the tolerance only the excess counts: 0.002 mm^2 of blur,
        // the mean of 4 pi^2 0.002 f^2 over the bands.
        BlurCase{"BlurBeyondTheTolerance", fineThreads, fineThreads, 0.008, 0.006, 0.28, 0.30},
        // Another weave is no blur: its energy peaks at other periods.
        BlurCase{"AnotherWeave", fineThreads, coarseThreads, 0, 0.0063, 1, 3},
        BlurCase{"AnotherWeaveBlurred", fineThreads, coarseThreads, 0.004, 0.0063, 1, 3}),
    [](const ::testing::TestParamInfo<BlurCase>& info) { return info.param.name; });

TEST(MinorityMeasure, ExtentIsTheStripeWidthAcrossAndTheRegionAlong)
{
    auto mask = imaging::ByteImage::create(100, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            *mask->pixel(x, y) = static_cast<std::uint8_t>((x / 10) % 2);  // stripes 10 pixels wide, vertical
    GarmentSignature s;
    measureMinority(*mask, 0.2, 0.1, s);
    EXPECT_DOUBLE_EQ(s.minorityShare, 0.5);
    EXPECT_DOUBLE_EQ(s.minorityRunX, 10 * 0.2);
    EXPECT_DOUBLE_EQ(s.minorityRunY, 50 * 0.1);
}

MeasuredColour lab(double l, double a, double b, double share)
{
    return {l, a, b, share};
}

struct ColourCase {
    const char* name;
    std::vector<MeasuredColour> p;
    std::vector<MeasuredColour> q;
    double low;
    double high;
};

class ColourDistance : public ::testing::TestWithParam<ColourCase> {};

GarmentSignature coloured(const std::vector<MeasuredColour>& colours)
{
    GarmentSignature s;
    s.colourCount = static_cast<int>(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i)
        s.colours[i] = colours[i];
    return s;
}

TEST_P(ColourDistance, LiesWithinItsBounds)
{
    DistanceWeights weights;
    weights.shareExponent = 1;
    weights.presenceWeight = 0;
    const double d = colourDistance(coloured(GetParam().p), coloured(GetParam().q), weights);
    EXPECT_GE(d, GetParam().low);
    EXPECT_LE(d, GetParam().high);
    EXPECT_DOUBLE_EQ(d, colourDistance(coloured(GetParam().q), coloured(GetParam().p), weights)) << "symmetric";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColourDistance,
    ::testing::Values(
        ColourCase{"Identical", {lab(50, 10, -20, 0.7), lab(80, 0, 0, 0.3)}, {lab(50, 10, -20, 0.7), lab(80, 0, 0, 0.3)}, 0, 0},
        ColourCase{"OrderDoesNotMatter", {lab(50, 10, -20, 0.7), lab(80, 0, 0, 0.3)}, {lab(80, 0, 0, 0.3), lab(50, 10, -20, 0.7)}, 0, 0},
        // One unit of L everywhere costs one unit, however the names fall.
        ColourCase{"ShiftedByOneUnit", {lab(50, 0, 0, 1)}, {lab(51, 0, 0, 1)}, 1, 1},
        // A tenth of the area moving between two colours 10 apart costs 1,
        // between two 50 apart no more than the cap.
        ColourCase{"ShareMoved", {lab(40, 0, 0, 0.5), lab(50, 0, 0, 0.5)}, {lab(40, 0, 0, 0.6), lab(50, 0, 0, 0.4)}, 0.999, 1.001},
        ColourCase{"ShareMovedFar", {lab(30, 0, 0, 0.5), lab(80, 0, 0, 0.5)}, {lab(30, 0, 0, 0.6), lab(80, 0, 0, 0.4)}, 1.999, 2.001},
        // Different colours cost at most the cap.
        ColourCase{"AnotherColourReachesTheCap", {lab(30, 60, 40, 1)}, {lab(70, -40, 10, 1)}, 20, 20},
        ColourCase{"NothingAgainstSomething", {}, {lab(50, 0, 0, 1)}, 20, 20}),
    [](const ::testing::TestParamInfo<ColourCase>& info) { return info.param.name; });

// A heather told as one mixed colour keeps its measured colours in its
// signature, and the fitted tree's pattern, so that scans of one garment
// told mottled or not stay near each other.
TEST(SignatureOfAMottledCloth, KeepsItsColoursOneByOneAndTheTreesPattern)
{
    const color::ColorName grey{{50, 0, 0}, "šedá"};
    const auto cluster = [&](int l, std::int32_t count, double share) {
        color::ColorCluster c;
        c.sumL = static_cast<std::int64_t>(l) * count;
        c.count = count;
        c.share = share;
        c.color = &grey;
        return c;
    };
    fabric::FabricFindings findings;
    findings.pattern = pattern::patternKind::None;
    findings.treePattern = pattern::patternKind::Unknown;
    analysis::ScanResult result;
    result.findings = &findings;
    result.colors = {cluster(50, 100, 1.0)};
    const foundation::ColorSettings colour;
    const foundation::ScanSettings noWeave;
    EXPECT_EQ(describe(result, colour, noWeave).colourCount, 1);
    result.separateColors = {cluster(70, 50, 0.5), cluster(30, 50, 0.5)};
    const GarmentSignature mottled = describe(result, colour, noWeave);
    EXPECT_EQ(mottled.colourCount, 2);
    EXPECT_EQ(mottled.pattern, pattern::patternKind::Unknown);
}

} // namespace
} // namespace vestiscop::signature

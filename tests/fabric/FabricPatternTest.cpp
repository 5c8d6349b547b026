// SPDX-License-Identifier: GPL-3.0-or-later
// The pattern measurements of the improved analysis and the rules that
// decide on them: stripes repeat at their period in their direction, round
// dots are many round pieces, a woven grid is told by its crossing bands
// from the patches of a print, and a rule table answers only through its
// leaves (a broken one says "unknown motif" rather than reading astray).

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <ostream>

#include "fabric/FabricAnalysis.h"
#include "fabric/FabricSpectrum.h"
#include "fabric/FabricSteps.h"
#include "fabric/PatternForest.h"
#include "fabric/PatternRules.h"

namespace vestiscop::fabric {
namespace {

constexpr double Dpi = 200;
constexpr double MmPerPx = 25.4 / Dpi;

// Two colours: stripes of equal width that repeat every periodMm along the
// direction angleDeg (0 = along x: upright stripes), or round dots of
// diameter dotMm on a square grid of periodMm.
std::unique_ptr<imaging::RgbImage> draw(int size, double periodMm, double angleDeg, double dotMm)
{
    auto image = imaging::RgbImage::create(size, size);
    const double a = angleDeg * std::numbers::pi / 180;
    std::uint32_t state = 12345;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double u = x * MmPerPx;
            const double v = y * MmPerPx;
            bool figure = false;
            if (dotMm > 0) {
                const double dx = std::fmod(u, periodMm) - periodMm / 2;
                const double dy = std::fmod(v, periodMm) - periodMm / 2;
                figure = dx * dx + dy * dy <= dotMm * dotMm / 4;
            } else {
                const double along = u * std::cos(a) + v * std::sin(a);
                figure = std::fmod(along + 1000 * periodMm, periodMm) < periodMm / 2;
            }
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>((state >> 24) % 7) - 3;
            std::uint8_t* p = image->pixel(x, y);
            p[0] = static_cast<std::uint8_t>((figure ? 140 : 235) + noise);
            p[1] = static_cast<std::uint8_t>((figure ? 60 : 235) + noise);
            p[2] = static_cast<std::uint8_t>((figure ? 30 : 232) + noise);
        }
    return image;
}

// What the spectrum keeps from one signal to the next fits every signal:
// whatever sizes were measured in between, a signal's spectrum is the
// same, and at another pixel size its repeat lies where that size puts it.
TEST(SpectrumTables, FitEverySignalWhateverWasMeasuredBefore)
{
    const auto stripes = [](int rows, int cols, int periodPx) {
        cv::Mat signal(rows, cols, CV_32F);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < cols; ++x)
                signal.at<float>(y, x) = x % periodPx < periodPx / 2 ? 20.f : 0.f;
        return signal;
    };
    const cv::Mat signal = stripes(64, 80, 8);
    const Spectrum first = spectrumOf(signal, 0.25);
    spectrumOf(stripes(40, 40, 5), 0.25);
    const Spectrum coarser = spectrumOf(signal, 0.5);
    const Spectrum again = spectrumOf(signal, 0.25);
    EXPECT_EQ(again.bins, first.bins);
    EXPECT_EQ(again.angles, first.angles);
    EXPECT_EQ(again.total, first.total);
    EXPECT_EQ(again.contrast, first.contrast);
    ASSERT_EQ(again.peaks.size(), first.peaks.size());
    for (std::size_t i = 0; i < first.peaks.size(); ++i) {
        EXPECT_EQ(again.peaks[i].power, first.peaks[i].power);
        EXPECT_EQ(again.peaks[i].fx, first.peaks[i].fx);
        EXPECT_EQ(again.peaks[i].fy, first.peaks[i].fy);
    }
    // 8 pixels of 0.25 mm repeat every 2 mm; of 0.5 mm, every 4 mm.
    ASSERT_FALSE(first.peaks.empty());
    ASSERT_FALSE(coarser.peaks.empty());
    EXPECT_NEAR(1 / std::hypot(first.peaks[0].fx, first.peaks[0].fy), 2.0, 0.1);
    EXPECT_NEAR(1 / std::hypot(coarser.peaks[0].fx, coarser.peaks[0].fy), 4.0, 0.2);
}

struct StripeCase {
    double periodMm;
    double angleDeg;
};

class RepeatOfStripes : public ::testing::TestWithParam<StripeCase> {};

TEST_P(RepeatOfStripes, IsFoundAtItsPeriodAndDirection)
{
    const StripeCase c = GetParam();
    const color::ColorNameTable names({{{50, 0, 0}, "šedá"}});
    FabricAnalysis analysis(names, Dpi, Dpi);
    analysis.measure(*draw(512, c.periodMm, c.angleDeg, 0));
    const FabricFindings& f = analysis.findings();
    ASSERT_GE(f.periodicityCount, 1);
    EXPECT_NEAR(f.periodicity[0].periodMm, c.periodMm, c.periodMm * 0.08);
    double apart = std::fmod(std::abs(f.periodicity[0].orientationDeg - c.angleDeg), 180.0);
    apart = std::min(apart, 180 - apart);
    EXPECT_LT(apart, 8.0);
    // One direction carries the edges.
    EXPECT_GT(f.features[EdgeAxis1], 0.6);
    EXPECT_LT(f.features[EdgeAxis2], 0.2);
    // Every stripe crosses the region but the corners cut off at an angle.
    EXPECT_GT(f.features[SpanningShare], 0.7);
    // The texture a signature keeps: its strongest bin at the stripes'
    // direction, and the stripes' width across them.
    const auto strongest = std::max_element(f.spectrum.begin(), f.spectrum.end()) - f.spectrum.begin();
    EXPECT_EQ(strongest % OrientationBins, std::lround(c.angleDeg / 15) % OrientationBins);
    EXPECT_GT(f.spectrumContrast, 10);
    EXPECT_NEAR(f.minorityRunShare, 0.5, 0.1);
    if (c.angleDeg == 0) {
        EXPECT_NEAR(f.minorityRunXMm, c.periodMm / 2, c.periodMm * 0.1);
    }
}

INSTANTIATE_TEST_SUITE_P(Stripes, RepeatOfStripes,
                         ::testing::Values(StripeCase{4, 0}, StripeCase{6, 90}, StripeCase{10, 45},
                                           StripeCase{3, 135}));

TEST(PiecesOfDots, AreManyRoundPiecesOfOneSizeOnALattice)
{
    const color::ColorNameTable names({{{50, 0, 0}, "šedá"}});
    FabricAnalysis analysis(names, Dpi, Dpi);
    analysis.measure(*draw(512, 6, 0, 3));
    const FabricFindings& f = analysis.findings();
    // 65 mm / 6 mm: about 10 x 10 dots, the outer ones cut by the edge.
    EXPECT_GE(f.componentCount, 64);
    EXPECT_LE(f.componentCount, 121);
    EXPECT_NEAR(f.componentSizeMm, 3, 0.4);
    EXPECT_GT(f.roundness, 0.9);
    EXPECT_LT(f.componentSizeSpread, 0.15);
    EXPECT_LT(f.layoutSpread, 0.1);
    EXPECT_LT(f.features[SpanningShare], 0.01);
}

// Cloth at 200 dpi, 65 mm square, drawn from the colour at each point in
// millimetres (turned by turnDeg about the corner) with the scanner's
// noise.
template <typename ColourAt>
std::unique_ptr<imaging::RgbImage> cloth(double turnDeg, ColourAt colourAt)
{
    constexpr int Size = 512;
    auto image = imaging::RgbImage::create(Size, Size);
    const double a = turnDeg * std::numbers::pi / 180;
    std::uint32_t state = 777;
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const double u = x * MmPerPx * std::cos(a) + y * MmPerPx * std::sin(a);
            const double v = -x * MmPerPx * std::sin(a) + y * MmPerPx * std::cos(a);
            const std::array<double, 3> rgb = colourAt(u + 100, v + 100);
            std::uint8_t* p = image->pixel(x, y);
            for (int k = 0; k < 3; ++k) {
                state = state * 1664525u + 1013904223u;
                const int noise = static_cast<int>((state >> 24) % 7) - 3;
                p[2 - k] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(std::lround(rgb[k])) + noise, 0, 255));
            }
        }
    return image;
}

using Colour = std::array<double, 3>;
const Colour Red{170, 30, 40};
const Colour Green{30, 90, 50};
const Colour Cream{235, 225, 200};

// A tartan's sett, the same for warp and weft: red 6, cream 2, green 9,
// cream 2 mm (19 mm a repeat).
const Colour& tartanBand(double mm)
{
    const double at = std::fmod(mm, 19.0);
    return at < 6 ? Red : at < 8 ? Cream : at < 17 ? Green : Cream;
}

Colour mix(const Colour& p, const Colour& q)
{
    return {(p[0] + q[0]) / 2, (p[1] + q[1]) / 2, (p[2] + q[2]) / 2};
}

// A smooth field of a few waves 23 to 61 mm long in unrelated directions.
double field(double u, double v, double phase)
{
    return std::sin(0.27 * u + 0.11 * v + phase) + std::sin(-0.09 * u + 0.21 * v + 2 * phase) +
           std::sin(0.17 * u - 0.19 * v + 1.3 + phase);
}

struct GridCase {
    const char* name;
    double turnDeg;
    std::function<Colour(double, double)> colourAt;
    double least;  // the woven-grid share lies in least..most
    double most;
};

void PrintTo(const GridCase& c, std::ostream* out)
{
    *out << c.name;
}

class WovenGridShare : public ::testing::TestWithParam<GridCase> {};

TEST_P(WovenGridShare, IsHighForCrossingBandsAndLowForPatches)
{
    const GridCase& c = GetParam();
    const color::ColorNameTable names({{{50, 0, 0}, "šedá"}});
    FabricAnalysis analysis(names, Dpi, Dpi);
    analysis.measure(*cloth(c.turnDeg, c.colourAt));
    const double share = analysis.findings().features[CrossingFit];
    EXPECT_GE(share, c.least);
    EXPECT_LE(share, c.most);
}

INSTANTIATE_TEST_SUITE_P(
    Cloths, WovenGridShare,
    ::testing::Values(
        // Where a warp band crosses a weft band their colours mix.
        GridCase{"tartan", 0, [](double u, double v) { return mix(tartanBand(u), tartanBand(v)); }, 0.9, 1},
        // Laid askew on the glass: the grid's own axes are found.
        GridCase{"tartanTurned", 20, [](double u, double v) { return mix(tartanBand(u), tartanBand(v)); }, 0.85, 1},
        // A 2/2 twill of 0.4 mm yarns shows one yarn or the other at each
        // crossing: at the grid's scale they are the mix all the same.
        GridCase{"tartanTwill", 0,
                 [](double u, double v) {
                     const auto column = static_cast<int>(u / 0.4);
                     const auto row = static_cast<int>(v / 0.4);
                     return ((column - row) % 4 + 4) % 4 < 2 ? tartanBand(u) : tartanBand(v);
                 },
                 0.85, 1},
        // Stripes are bands of one direction only.
        GridCase{"stripes", 0, [](double u, double) { return tartanBand(u); }, 0.9, 1},
        // Patches where two smooth fields cross levels (camouflage) depend on
        // both coordinates at once.
        GridCase{"patches", 0,
                 [](double u, double v) {
                     return field(u, v, 0) > 0.4 ? Green : field(v, u, 1) > 0.2 ? Red : Cream;
                 },
                 0, 0.6},
        // Small round dots on a lattice: their rows and columns explain
        // only a part (larger dots on a close lattice more).
        GridCase{"dots", 0,
                 [](double u, double v) {
                     const double du = std::fmod(u, 8.0) - 4;
                     const double dv = std::fmod(v, 8.0) - 4;
                     return du * du + dv * dv < 1.25 * 1.25 ? Red : Cream;
                 },
                 0, 0.6}),
    [](const auto& info) { return std::string(info.param.name); });

// A hand-made tree: plain below 10 of contrast, else stripes or dots by
// the strongest edge direction.
constexpr RuleNode Hand[] = {
    {Contrast, 10, 1, 2, 0},
    {-1, 0, 0, 0, pattern::patternKind::None},
    {EdgeAxis1, 0.5, 3, 4, 0},
    {-1, 0, 0, 0, pattern::patternKind::Dots},
    {-1, 0, 0, 0, pattern::patternKind::Stripes},
};
// Node 1 leads back to 0: a loop.
constexpr RuleNode Looping[] = {{Contrast, 10, 1, 1, 0}, {Contrast, 10, 0, 0, 0}};
constexpr RuleNode PastTheEnd[] = {{Contrast, 10, 5, 5, 0}};
constexpr RuleNode NoSuchFeature[] = {{FeatureCount, 10, 1, 1, 0}, {-1, 0, 0, 0, pattern::patternKind::Check}};

struct RuleCase {
    const char* name;
    std::span<const RuleNode> rules;
    double contrast;
    double edgeAxis;
    pattern::PatternKind expected;
};

class Rules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(Rules, AnswerThroughTheirLeavesOnly)
{
    const RuleCase c = GetParam();
    FeatureVector features{};
    features[Contrast] = c.contrast;
    features[EdgeAxis1] = c.edgeAxis;
    EXPECT_EQ(evaluateRules(c.rules, features), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, Rules,
    ::testing::Values(RuleCase{"plain", Hand, 5, 0.9, pattern::patternKind::None},
                      RuleCase{"thresholdGoesAbove", Hand, 10, 0.9, pattern::patternKind::Stripes},
                      RuleCase{"dots", Hand, 30, 0.2, pattern::patternKind::Dots},
                      RuleCase{"loop", Looping, 30, 0, pattern::patternKind::Unknown},
                      RuleCase{"pastTheEnd", PastTheEnd, 30, 0, pattern::patternKind::Unknown},
                      RuleCase{"noSuchFeature", NoSuchFeature, 30, 0, pattern::patternKind::Unknown},
                      RuleCase{"empty", std::span<const RuleNode>{}, 30, 0, pattern::patternKind::Unknown}),
    [](const auto& info) { return std::string(info.param.name); });

// Two hand-made trees over the contrast: below 10 the first leans to plain
// and the second says mottled plain; above, the first is split between
// stripes and motif and the second says stripes. A broken third tree adds nothing.
constexpr ForestNode Grove[] = {
    {Contrast, 10, 1, 2, {}},
    {-1, 0, 0, 0, {0.6f, 0, 0, 0, 0, 0.4f}},
    {-1, 0, 0, 0, {0, 0.5f, 0, 0, 0.5f, 0}},
    {Contrast, 10, 1, 2, {}},
    {-1, 0, 0, 0, {0, 0, 0, 0, 0, 1}},
    {-1, 0, 0, 0, {0, 1, 0, 0, 0, 0}},
    {Contrast, 10, 7, 7, {}},
};
constexpr std::int32_t GroveRoots[] = {0, 3, 6};

struct ForestCase {
    const char* name;
    std::span<const std::int32_t> roots;
    double contrast;
    pattern::PatternKind kind;
    double confidence;
    bool hasAlternative;
    pattern::PatternKind alternative;
    bool mottled;
};

class Forest : public ::testing::TestWithParam<ForestCase> {};

TEST_P(Forest, AveragesItsTreesLeavesIntoAVerdict)
{
    const ForestCase c = GetParam();
    FeatureVector features{};
    features[Contrast] = c.contrast;
    const PatternVerdict v = decidePattern(Grove, c.roots, features);
    EXPECT_EQ(v.kind, c.kind);
    EXPECT_NEAR(v.confidence, c.confidence, 1e-6);
    EXPECT_EQ(v.hasAlternative, c.hasAlternative);
    if (c.hasAlternative) {
        EXPECT_EQ(v.alternative, c.alternative);
    }
    EXPECT_EQ(v.mottled, c.mottled);
    if (c.confidence > 0) {
        EXPECT_NEAR(v.kindShares[static_cast<std::size_t>(v.kind)], c.confidence, 1e-6);
    }
}

constexpr std::int32_t FirstTree[] = {0};
constexpr std::int32_t BrokenOnly[] = {6};
constexpr std::int32_t OutOfRange[] = {9};

INSTANTIATE_TEST_SUITE_P(
    Verdicts, Forest,
    ::testing::Values(
        // Mottled and plain shares count as plain; more of it is mottled.
        ForestCase{"mottledPlain", GroveRoots, 5, pattern::patternKind::None, 1.0, false, 0, true},
        ForestCase{"plainNotMottled", FirstTree, 5, pattern::patternKind::None, 1.0, false, 0, false},
        ForestCase{"stripesOverMotif", GroveRoots, 20, pattern::patternKind::Stripes, 0.75, true,
                   pattern::patternKind::Unknown, false},
        // A tie keeps the lower kind.
        ForestCase{"tie", FirstTree, 20, pattern::patternKind::Stripes, 0.5, true, pattern::patternKind::Unknown, false},
        ForestCase{"noUsableTree", BrokenOnly, 20, pattern::patternKind::Unknown, 0.0, false, 0, false},
        ForestCase{"rootOutside", OutOfRange, 20, pattern::patternKind::Unknown, 0.0, false, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The fitted forest: every tree's branches stay within it, name a feature
// and end in leaves whose shares add up to one.
TEST(FittedForest, TreesStayWithinThemselvesAndLeavesAreShares)
{
    const auto nodes = fittedForestNodes();
    const auto roots = fittedForestRoots();
    ASSERT_FALSE(roots.empty());
    for (std::size_t t = 0; t < roots.size(); ++t) {
        const auto first = static_cast<std::size_t>(roots[t]);
        const std::size_t last = t + 1 < roots.size() ? static_cast<std::size_t>(roots[t + 1]) : nodes.size();
        ASSERT_LT(first, last);
        ASSERT_LE(last, nodes.size());
        for (std::size_t i = first; i < last; ++i) {
            const ForestNode& n = nodes[i];
            if (n.feature < 0) {
                double sum = 0;
                for (const float s : n.shares)
                    sum += s;
                EXPECT_NEAR(sum, 1.0, 1e-3) << "tree " << t << " node " << i - first;
                continue;
            }
            EXPECT_LT(n.feature, FeatureCount);
            // Children come after their parent, within the tree.
            for (const int child : {n.below, n.above}) {
                EXPECT_GT(static_cast<std::size_t>(child), i - first);
                EXPECT_LT(static_cast<std::size_t>(child), last - first);
            }
        }
    }
}

// The fitted table is a tree: every node is reached from the root once,
// every branch names a feature and ends in a leaf with a pattern kind.
TEST(FittedRules, FormATreeOverTheFeatures)
{
    const auto rules = fittedRules();
    ASSERT_FALSE(rules.empty());
    std::vector<int> reached(rules.size(), 0);
    std::vector<int> todo = {0};
    while (!todo.empty()) {
        const int n = todo.back();
        todo.pop_back();
        ASSERT_GE(n, 0);
        ASSERT_LT(static_cast<std::size_t>(n), rules.size());
        ++reached[static_cast<std::size_t>(n)];
        const RuleNode& r = rules[static_cast<std::size_t>(n)];
        if (r.feature < 0) {
            EXPECT_GE(r.kind, pattern::patternKind::None);
            EXPECT_LE(r.kind, pattern::patternKind::Unknown);
            continue;
        }
        EXPECT_LT(r.feature, FeatureCount);
        EXPECT_TRUE(std::isfinite(r.threshold));
        todo.push_back(r.below);
        todo.push_back(r.above);
    }
    for (std::size_t i = 0; i < reached.size(); ++i)
        EXPECT_EQ(reached[i], 1) << "node " << i;
}

} // namespace
} // namespace vestiscop::fabric

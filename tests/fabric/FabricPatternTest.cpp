// SPDX-License-Identifier: GPL-3.0-or-later
// The pattern measurements of the improved analysis and the rules that
// decide on them: stripes repeat at their period in their direction, round
// dots are many round pieces, and a rule table answers only through its
// leaves (a broken one says "unknown motif" rather than reading astray).

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "fabric/FabricAnalysis.h"
#include "fabric/FabricSteps.h"
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

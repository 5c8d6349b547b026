// SPDX-License-Identifier: GPL-3.0-or-later
// The second cloth renderer: kinds and their classes, determinism, the
// named colours, and the properties the benchmark relies on (thin pinstripes,
// heathers named by the mix a person sees).

#include "AtelierWardrobe.h"
#include "Cloth.h"
#include "Kinds.h"
#include "Scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>

namespace atl = vestiscop::bench::atelier;

namespace {

// What a person calls each fabric when asked plain, striped, checked, dotted
// or patterned; every kind the renderer offers must be here.
const std::map<std::string, int>& expectedClasses()
{
    static const std::map<std::string, int> m{
        {"poplin", 0}, {"twill", 0}, {"satin", 0}, {"denim", 0}, {"chambray", 0}, {"oxford", 0}, {"pique", 0},
        {"jersey", 0}, {"rib knit", 0}, {"fleece", 0}, {"corduroy", 0}, {"boucle", 0}, {"linen slub", 0},
        {"velvet", 0}, {"grey heather jersey", 0}, {"navy heather jersey", 0}, {"coloured heather jersey", 0},
        {"pinstripe suiting", 1}, {"chalk stripe", 1}, {"bengal stripe", 1}, {"awning stripe", 1},
        {"breton stripe", 1}, {"candy stripe", 1}, {"regimental stripe", 1}, {"multicolour stripe", 1},
        {"faded stripe", 1},
        {"gingham", 2}, {"tartan", 2}, {"buffalo check", 2}, {"glen plaid", 2}, {"windowpane", 2},
        {"tattersall", 2}, {"houndstooth", 2}, {"graph check", 2},
        {"polka dots", 3}, {"pin dots", 3}, {"coin dots", 3}, {"sparse multicolour dots", 3}, {"scattered dots", 3},
        {"ditsy floral", 4}, {"large floral", 4}, {"paisley", 4}, {"leopard", 4}, {"zebra", 4}, {"giraffe", 4},
        {"camouflage", 4}, {"tie-dye", 4}, {"geometric print", 4}, {"conversational print", 4}, {"ikat", 4},
        {"navy suiting", 0}, {"beige gabardine", 0}, {"khaki chino", 0}, {"end-on-end shirting", 0},
        {"two-yarn pique", 0},
    };
    return m;
}

const std::set<std::string> kHeathers{"grey heather jersey", "navy heather jersey", "coloured heather jersey"};

double luma(const std::uint8_t* p) { return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]; }
double luma(const std::array<double, 4>& c) { return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]; }

double lumaSpread(const atl::Swatch& s)
{
    double sum = 0, sq = 0;
    const std::size_t n = static_cast<std::size_t>(s.width) * s.height;
    for (std::size_t p = 0; p < n; ++p) {
        const double l = luma(&s.rgb[p * 3]);
        sum += l;
        sq += l * l;
    }
    const double mean = sum / n;
    return std::sqrt(std::max(0.0, sq / n - mean * mean));
}

double distance(const std::array<double, 4>& a, const std::array<double, 4>& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

} // namespace

TEST(AtelierKinds, EveryKindHasTheClassAPersonWouldGiveIt)
{
    const auto& kinds = atl::kinds();
    EXPECT_GE(kinds.size(), 30u);
    EXPECT_EQ(std::set<std::string>(kinds.begin(), kinds.end()).size(), kinds.size()) << "kind names repeat";
    std::set<int> classes;
    for (const std::string& k : kinds) {
        const auto it = expectedClasses().find(k);
        ASSERT_NE(it, expectedClasses().end()) << "no expected class for " << k;
        EXPECT_EQ(atl::patternOf(k), it->second) << k;
        classes.insert(it->second);
    }
    EXPECT_EQ(kinds.size(), expectedClasses().size());
    EXPECT_EQ(classes, (std::set<int>{0, 1, 2, 3, 4}));
}

TEST(AtelierKinds, RefusesWhatItCannotDraw)
{
    EXPECT_THROW(atl::patternOf("chintz"), std::invalid_argument);
    EXPECT_THROW(atl::render("chintz", 1), std::invalid_argument);
    EXPECT_THROW(atl::render("Poplin", 1), std::invalid_argument);
    EXPECT_THROW(atl::render("poplin", 1, 0, 16), std::invalid_argument);
    EXPECT_THROW(atl::render("poplin", 1, 16, 16, 0.0), std::invalid_argument);
}

TEST(AtelierKinds, TuneAndCheckSeedsNeverMeet)
{
    std::set<std::uint32_t> tune, check;
    for (int k = 0; k < static_cast<int>(atl::kinds().size()); ++k) {
        for (int i = 0; i < 1000; i += 37) {
            EXPECT_TRUE(tune.insert(atl::seedFor(false, k, i)).second);
            EXPECT_TRUE(check.insert(atl::seedFor(true, k, i)).second);
        }
    }
    for (std::uint32_t s : tune) EXPECT_EQ(check.count(s), 0u) << s;
    EXPECT_EQ(atl::seedFor(false, 3, 7), 1003007u);
    EXPECT_EQ(atl::seedFor(true, 3, 7), 2003007u);
}

class AtelierKind : public ::testing::TestWithParam<std::string> {};

// One piece of every kind over the full 6.5 cm square at half the resolution,
// so that large repeats (awning, coin dots, big florals) are in the picture.
TEST_P(AtelierKind, PictureAndNamesFitTheKind)
{
    const std::string& kind = GetParam();
    const int cls = expectedClasses().at(kind);
    const atl::Swatch s = atl::render(kind, atl::seedFor(false, 0, 1), 256, 256, 100.0);
    ASSERT_EQ(s.width, 256);
    ASSERT_EQ(s.height, 256);
    EXPECT_EQ(s.dpi, 100.0);
    ASSERT_EQ(s.rgb.size(), 256u * 256u * 3u);
    EXPECT_EQ(s.kind, kind);
    EXPECT_EQ(s.pattern, cls);
    EXPECT_EQ(s.mottled, kHeathers.count(kind) == 1);

    ASSERT_FALSE(s.namedColours.empty());
    double total = 0.0;
    for (std::size_t c = 0; c < s.namedColours.size(); ++c) {
        const auto& n = s.namedColours[c];
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_GE(n[ch], 0.0);
            EXPECT_LE(n[ch], 255.0);
        }
        EXPECT_GT(n[3], 0.0);
        if (c > 0) {
            EXPECT_LE(n[3], s.namedColours[c - 1][3]) << "shares not largest first";
        }
        total += n[3];
    }
    EXPECT_NEAR(total, 1.0, 1e-9);

    if (cls == 0) {
        EXPECT_EQ(s.namedColours.size(), 1u) << "a plain cloth has one colour";
    } else {
        ASSERT_GE(s.namedColours.size(), 2u);
        EXPECT_GE(s.namedColours[1][3], 0.005) << "the pattern's colour hardly shows";
        EXPECT_GT(distance(s.namedColours[0], s.namedColours[1]), 6.0) << "pattern colours indistinguishable";
        EXPECT_GT(lumaSpread(s), 2.0) << "the picture is flat";
    }
}

TEST_P(AtelierKind, SameSeedSamePictureOtherSeedAnother)
{
    const std::string& kind = GetParam();
    const atl::Swatch a = atl::render(kind, 42, 48, 40);
    const atl::Swatch b = atl::render(kind, 42, 48, 40);
    const atl::Swatch c = atl::render(kind, 43, 48, 40);
    EXPECT_EQ(a.rgb, b.rgb);
    EXPECT_EQ(a.namedColours, b.namedColours);
    EXPECT_NE(a.rgb, c.rgb);
}

INSTANTIATE_TEST_SUITE_P(All, AtelierKind, ::testing::ValuesIn(atl::kinds()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string n;
                             for (char ch : info.param) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return n;
                         });

// Pinstripes are thin light lines on a dark ground: both the named share and
// the light pixels of the scan stay a small minority.
TEST(AtelierPinstripe, LightLinesCoverAFewPercent)
{
    for (int i = 0; i < 4; ++i) {
        const atl::Swatch s = atl::render("pinstripe suiting", atl::seedFor(true, 17, i), 320, 320);
        ASSERT_EQ(s.namedColours.size(), 2u);
        const auto& ground = s.namedColours[0];
        const auto& line = s.namedColours[1];
        EXPECT_GE(line[3], 0.02) << "seed " << i;
        EXPECT_LE(line[3], 0.15) << "seed " << i;
        const double lg = luma(ground), ll = luma(line);
        EXPECT_GT(ll, lg + 20.0) << "the line is not lighter than the ground";
        long light = 0;
        const std::size_t n = static_cast<std::size_t>(s.width) * s.height;
        for (std::size_t p = 0; p < n; ++p) light += luma(&s.rgb[p * 3]) > 0.5 * (lg + ll);
        const double share = static_cast<double>(light) / n;
        EXPECT_GE(share, 0.02) << "seed " << i;
        EXPECT_LE(share, 0.15) << "seed " << i;
    }
}

// A heather varies from pixel to pixel, yet its one named colour is the mix
// a person sees: the mean of the picture.
TEST(AtelierHeather, NamedColourIsTheMeanOfAMottledPicture)
{
    for (const std::string& kind : kHeathers) {
        for (int i = 0; i < 2; ++i) {
            const atl::Swatch s = atl::render(kind, atl::seedFor(i == 1, 3, i), 160, 160);
            EXPECT_TRUE(s.mottled);
            ASSERT_EQ(s.namedColours.size(), 1u) << kind;
            const std::size_t n = static_cast<std::size_t>(s.width) * s.height;
            for (int ch = 0; ch < 3; ++ch) {
                double sum = 0, sq = 0;
                for (std::size_t p = 0; p < n; ++p) {
                    sum += s.rgb[p * 3 + ch];
                    sq += static_cast<double>(s.rgb[p * 3 + ch]) * s.rgb[p * 3 + ch];
                }
                const double mean = sum / n;
                EXPECT_NEAR(s.namedColours[0][ch], mean, 3.0) << kind << " channel " << ch;
                EXPECT_GT(std::sqrt(sq / n - mean * mean), 8.0) << kind << " is not mottled, channel " << ch;
            }
        }
    }
}

// Two-yarn cloth is named by its dyed yarn: denim is indigo, not the paler
// blue-grey its white weft makes of it.
TEST(AtelierTwoYarn, DenimIsNamedByItsIndigoWarp)
{
    for (int i = 0; i < 3; ++i) {
        const atl::Swatch s = atl::render("denim", atl::seedFor(false, 3, i), 96, 96);
        ASSERT_EQ(s.namedColours.size(), 1u);
        const auto& c = s.namedColours[0];
        double mean = 0;
        for (std::size_t p = 0; p < s.rgb.size(); ++p) mean += s.rgb[p];
        mean /= static_cast<double>(s.rgb.size());
        EXPECT_GT(c[2], c[0] + 20.0) << "not blue";
        EXPECT_LT((c[0] + c[1] + c[2]) / 3.0, mean) << "named lighter than the cloth looks";
    }
}

// CIE L*a*b* (D65) of an sRGB colour, as the colour ranges of a kind are stated.
std::array<double, 3> labOf(double r8, double g8, double b8)
{
    const auto lin = [](double v) {
        v /= 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const double r = lin(r8), g = lin(g8), b = lin(b8);
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const auto f = [](double t) { return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0; };
    return {116.0 * f(y) - 16.0, 500.0 * (f(x) - f(y)), 200.0 * (f(y) - f(z))};
}

std::array<double, 3> meanRgb(const atl::Swatch& s)
{
    std::array<double, 3> m{};
    for (std::size_t p = 0; p < s.rgb.size(); ++p) m[p % 3] += s.rgb[p];
    for (double& v : m) v /= static_cast<double>(s.width) * s.height;
    return m;
}

// Woven and knitted two-yarn cloth is named by its dyed yarn. Suiting,
// gabardine and chino must fall in the colour a person calls navy, beige or
// khaki; on end-on-end shirting and two-yarn pique the white yarn pales the
// look, yet the named colour keeps the dye's strength.
TEST(AtelierTwoYarn, NamedByTheDyedYarnWithinTheKindsColours)
{
    struct Range {
        double lo, hi;
    };
    constexpr Range any{-200.0, 200.0};
    struct Case {
        const char* kind;
        Range l, a, b;
        bool paledByWhite;  // a white yarn shows on the face beside the dyed one
    } cases[] = {
        {"navy suiting", {10.0, 25.0}, {-5.0, 25.0}, {-45.0, -8.0}, false},
        {"beige gabardine", {60.0, 85.0}, {-2.0, 8.0}, {15.0, 30.0}, false},
        {"khaki chino", {55.0, 78.0}, {-4.0, 4.0}, {22.0, 35.0}, false},
        {"end-on-end shirting", {20.0, 85.0}, any, any, true},
        {"two-yarn pique", {0.0, 90.0}, any, any, true},
    };
    const auto chroma = [](const std::array<double, 3>& lab) { return std::hypot(lab[1], lab[2]); };
    for (const Case& c : cases) {
        const int index = static_cast<int>(std::find(atl::kinds().begin(), atl::kinds().end(), c.kind) - atl::kinds().begin());
        ASSERT_LT(index, static_cast<int>(atl::kinds().size())) << c.kind;
        for (int i = 0; i < 10; ++i) {
            // The whole 6.5 cm piece at a quarter of the resolution: the named colour
            // carries the lamp's mean light over the piece, which one fold would
            // darken far more on a small crop.
            const atl::Swatch s = atl::render(c.kind, atl::seedFor(i % 2 == 1, index, i), 128, 128, 50.0);
            EXPECT_FALSE(s.mottled) << c.kind;
            ASSERT_EQ(s.namedColours.size(), 1u) << c.kind;
            const auto& n = s.namedColours[0];
            const auto lab = labOf(n[0], n[1], n[2]);
            EXPECT_GE(lab[0], c.l.lo) << c.kind << " picture " << i;
            EXPECT_LE(lab[0], c.l.hi) << c.kind << " picture " << i;
            EXPECT_GE(lab[1], c.a.lo) << c.kind << " picture " << i;
            EXPECT_LE(lab[1], c.a.hi) << c.kind << " picture " << i;
            EXPECT_GE(lab[2], c.b.lo) << c.kind << " picture " << i;
            EXPECT_LE(lab[2], c.b.hi) << c.kind << " picture " << i;
            if (!c.paledByWhite) continue;
            const auto m = meanRgb(s);
            const auto look = labOf(m[0], m[1], m[2]);
            if (chroma(lab) >= 12.0) {
                EXPECT_GT(chroma(lab), chroma(look) + 3.0) << c.kind << " picture " << i << ": named as paled as it looks";
            }
            if (std::string(c.kind) == "end-on-end shirting") {
                EXPECT_GE(chroma(lab), 6.0) << "picture " << i << ": the dyed end has no hue";
                EXPECT_LT(lab[0], look[0] - 10.0) << "picture " << i << ": named as light as the frosted look";
            }
        }
    }
}

// ---- The building blocks below the kinds ----

TEST(AtelierSett, BandsRepeatAndMirror)
{
    const atl::Sett plain{{0, 1, 2}, {2.0, 1.0, 3.0}};        // period 6
    const atl::Sett tartan{{0, 1, 2}, {2.0, 1.0, 3.0}, true};  // 0 1 2 2 1 0, period 12
    atl::Sett shifted = plain;
    shifted.offset = 2.5;
    struct Case {
        const atl::Sett* sett;
        double x;
        int label;
    } cases[] = {
        {&plain, 0.0, 0},    {&plain, 1.99, 0},  {&plain, 2.0, 1},    {&plain, 2.5, 1},  {&plain, 5.9, 2},
        {&plain, 6.1, 0},    {&plain, -0.5, 2},  {&plain, -4.5, 0},   {&tartan, 5.5, 2}, {&tartan, 7.0, 2},
        {&tartan, 9.5, 1},   {&tartan, 11.0, 0}, {&tartan, 12.5, 0},  {&tartan, -1.0, 0}, {&shifted, 0.0, 1},
        {&shifted, 1.0, 2},  {&shifted, 3.6, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.sett->at(c.x), c.label) << "x " << c.x;
}

// Which yarn lies on top decides the weave's look: the share of warp on the
// face and, for twills, the diagonal.
TEST(AtelierWeave, InterlacingShowsTheWarpAsTheWeaveSays)
{
    struct Case {
        const char* name;
        int repeat, up, step;
        double warpShare;
    } cases[] = {
        {"plain", 2, 1, 1, 0.5}, {"2/1 twill", 3, 2, 1, 2.0 / 3.0}, {"3/1 twill", 4, 3, 1, 0.75},
        {"2/2 twill", 4, 2, 1, 0.5}, {"satin", 5, 4, 2, 0.8},
    };
    for (const Case& c : cases) {
        atl::Woven w;
        w.spec.repeat = c.repeat;
        w.spec.up = c.up;
        w.spec.step = c.step;
        w.spec.warpPitch = w.spec.weftPitch = 1.0;
        w.warp = atl::solidYarn(atl::Lin{0.5, 0.5, 0.5}, 1);
        w.weft = atl::solidYarn(atl::Lin{0.5, 0.5, 0.5}, 0);
        int warp = 0, total = 0;
        std::vector<std::vector<int>> up(20, std::vector<int>(20));
        for (int j = 0; j < 20; ++j) {
            for (int i = 0; i < 20; ++i) {
                up[j][i] = w(i + 0.5, j + 0.5).label;
                warp += up[j][i];
                ++total;
            }
        }
        EXPECT_NEAR(static_cast<double>(warp) / total, c.warpShare, 0.06) << c.name;
        if (c.repeat > 2 && c.step == 1) {
            // A twill's floats step over by one thread on every pick.
            int along = 0, cells = 0;
            for (int j = 0; j + 1 < 20; ++j)
                for (int i = 1; i < 20; ++i, ++cells) along += up[j][i] == up[j + 1][i - 1];
            EXPECT_GT(static_cast<double>(along) / cells, 0.9) << c.name;
        }
    }
}

// The scan names each label by its share of the cloth and by the colour the
// scanner shows well inside it; a two-yarn label keeps its dyed yarn's colour.
TEST(AtelierScan, SharesAndNamedColoursFollowTheCloth)
{
    const atl::Lin ground = atl::fromSrgb(200, 60, 40), stripe = atl::fromSrgb(30, 40, 160);
    const atl::Sett sett{{1, 0}, {3.0, 7.0}};
    for (bool byYarn : {false, true}) {
        for (std::uint64_t seed : {1u, 2u, 3u}) {
            atl::Cloth cloth = atl::makeCloth(
                [&](double u, double) {
                    const int l = sett.at(u);
                    return atl::Sample{l ? stripe : ground, l, 1.0};
                },
                {ground, stripe});
            if (byYarn) cloth.byYarn = {false, true};
            atl::Rng rng(seed);
            atl::Swatch s;
            atl::scan(cloth, rng, 200, 200, 100.0, s);
            ASSERT_EQ(s.namedColours.size(), 2u);
            EXPECT_NEAR(s.namedColours[0][3], 0.7, 0.04) << "seed " << seed;
            EXPECT_NEAR(s.namedColours[1][3], 0.3, 0.04) << "seed " << seed;
            const double want[2][3] = {{200, 60, 40}, {30, 40, 160}};
            for (int c = 0; c < 2; ++c)
                for (int ch = 0; ch < 3; ++ch)
                    EXPECT_NEAR(s.namedColours[static_cast<std::size_t>(c)][static_cast<std::size_t>(ch)], want[c][ch], 16.0)
                        << "colour " << c << " channel " << ch << " seed " << seed;
        }
    }
}

// ---- Kinds added later leave the earlier ones alone ----

namespace {

std::uint64_t fnv(const std::vector<std::uint8_t>& bytes)
{
    std::uint64_t h = 1469598103934665603ULL;
    for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ULL;
    return h;
}

// The named colours bit for bit.
std::uint64_t namedHash(const atl::Swatch& s)
{
    std::vector<std::uint8_t> bytes;
    for (const auto& c : s.namedColours) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(c.data());
        bytes.insert(bytes.end(), p, p + sizeof(double) * c.size());
    }
    return fnv(bytes);
}

} // namespace

// The kinds as they stood before the two-yarn cloths were added, in order:
// their index fixes their seeds, so none may move.
const std::vector<std::string> kEarlierKinds{
    "poplin", "twill", "satin", "denim", "chambray", "oxford", "pique", "jersey", "rib knit", "fleece",
    "corduroy", "boucle", "linen slub", "velvet", "grey heather jersey", "navy heather jersey",
    "coloured heather jersey", "pinstripe suiting", "chalk stripe", "bengal stripe", "awning stripe",
    "breton stripe", "candy stripe", "regimental stripe", "multicolour stripe", "faded stripe", "gingham",
    "tartan", "buffalo check", "glen plaid", "windowpane", "tattersall", "houndstooth", "graph check",
    "polka dots", "pin dots", "coin dots", "sparse multicolour dots", "scattered dots", "ditsy floral",
    "large floral", "paisley", "leopard", "zebra", "giraffe", "camouflage", "tie-dye", "geometric print",
    "conversational print", "ikat",
};

TEST(AtelierStable, EarlierKindsKeepTheirPlaceAndPictures)
{
    ASSERT_GE(atl::kinds().size(), kEarlierKinds.size());
    for (std::size_t k = 0; k < kEarlierKinds.size(); ++k) EXPECT_EQ(atl::kinds()[k], kEarlierKinds[k]) << "index " << k;

    // Picture 2 of each split, 64 x 64, as the renderer drew it before.
    struct Case {
        int kind;
        bool check;
        std::uint64_t picture, named;
    } cases[] = {
        {0, false, 0x3cb4b56443dbc8d7ULL, 0x311928a71683e658ULL},  {0, true, 0x581b2d8f14ef2cd2ULL, 0x590e3adc48b96dbfULL},
        {3, false, 0xb0ae9da2d630c4d5ULL, 0xcdd0e19683ef777fULL},  {3, true, 0x0e92911007ff1444ULL, 0x105370daa683a432ULL},
        {4, false, 0x6ea0a1a6b24ab50fULL, 0xbb0a2efa5cfcfeffULL},  {4, true, 0x7824f93de657feffULL, 0x11ce257f8be7c9d6ULL},
        {5, false, 0x01fe5b143862b860ULL, 0xdbc94bc3c073fac5ULL},  {5, true, 0x796ff23c70ddb86aULL, 0xdbd04c121575c487ULL},
        {6, false, 0xb2dd46c6228d5bdfULL, 0xa0fbb116ded29053ULL},  {6, true, 0xe90a9e9d0ab2841fULL, 0x6d3cd815f72ef174ULL},
        {17, false, 0x2b3948902afa290dULL, 0x9dd098689b8fbd2cULL}, {17, true, 0xf741f9f8de400d2bULL, 0xa8a9e0c9df74d212ULL},
        {26, false, 0xaff20fe69fb7f5d7ULL, 0x9076a52864c3e9b5ULL}, {26, true, 0x79a1c75a1e664e7cULL, 0xd7a0cfc1c43a088cULL},
        {34, false, 0x8e2bf6d573f0a79cULL, 0x9d18ac6292717843ULL}, {34, true, 0x5d346d0e79809a9cULL, 0xcbe01d8e3be699acULL},
        {49, false, 0x8f0e8c1d6b5e090cULL, 0xff1778879a77dd03ULL}, {49, true, 0x348bfc3d6e8e1767ULL, 0x84c7330162ae220bULL},
    };
    for (const Case& c : cases) {
        const std::string& kind = kEarlierKinds[static_cast<std::size_t>(c.kind)];
        const atl::Swatch s = atl::render(kind, atl::seedFor(c.check, c.kind, 2), 64, 64);
        EXPECT_EQ(fnv(s.rgb), c.picture) << kind << (c.check ? " check" : " tune");
        EXPECT_EQ(namedHash(s), c.named) << kind << (c.check ? " check" : " tune");
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Recognition with and without signatures: off, it is the classic matching
// bit for bit; on, garments whose colour names agree are told apart, a
// correction only brings later scans closer, and a garment whose signature
// is missing, of an older file, damaged or written for another record falls
// back to the classic matching (and the start says so), never to another
// garment's signature.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CatalogTestSupport.h"
#include "SignatureTestSupport.h"
#include "foundation/StringTable.h"
#include "signature/Recognizer.h"
#include "support/FileBytes.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::signature {
namespace {

using catalog::GarmentCatalog;
using catalog::test::lab;
using catalog::test::record;
using color::ColorAnalysis;
using Bytes = std::vector<std::uint8_t>;

// Two garments the classic matching tells apart, and their signatures.
const ColorAnalysis NavyRecord = record(lab(30, 10, -40), 0.3, lab(90, 0, 0), 0.0);
const ColorAnalysis RedRecord = record(lab(45, 60, 40), 1.0, lab(45, 60, 40), 0.0);
const GarmentSignature NavySignature = test::garment(90, 0, 0, 0.7, 30, 10, -40, 3 * OrientationBins);
const GarmentSignature RedSignature = test::garment(45, 60, 40, 1.0, 0, 0, 0, 0, 1);

class RecognizerTest : public ::testing::Test {
public:
    RecognizerTest()
    {
        matching.materials = dir.file("odevy.dat");
        matching.color1Weight = {1, 1, 1, 1600};
        matching.color2Weight = {1, 1, 1, 1600};
        matching.maxDistance = 400;
        matching.minSimilarity = 0.65;
        matching.mergeDecay = 1;
        settings.signatures = dir.file("odevy.dat.sig");
    }

    Recognizer& open()
    {
        recognizer.reset();
        catalogue.reset();
        warnings.clear();
        catalogue = std::make_unique<GarmentCatalog>(matching);
        recognizer = std::make_unique<Recognizer>(*catalogue, matching, settings, color, scan,
                                                  [this](const std::string& text) { warnings.push_back(text); });
        return *recognizer;
    }
    void close()
    {
        recognizer.reset();
        catalogue.reset();
    }
    bool warned(int id) const
    {
        const std::string text = foundation::loadString(id);
        const std::string start = text.substr(0, text.find('%'));
        for (const std::string& w : warnings)
            if (w.rfind(start, 0) == 0)
                return true;
        return false;
    }

    testsupport::ScratchDirectory dir;
    foundation::MatchingSettings matching;
    RecognitionSettings settings;
    foundation::ColorSettings color;
    foundation::ScanSettings scan;
    std::unique_ptr<GarmentCatalog> catalogue;
    std::unique_ptr<Recognizer> recognizer;
    std::vector<std::string> warnings;
};

TEST_F(RecognizerTest, WithoutTheSettingItIsTheClassicMatchingBitForBit)
{
    settings.signatures.clear();
    foundation::MatchingSettings plain = matching;
    plain.materials = dir.file("plain.dat");
    GarmentCatalog reference(plain);
    Recognizer& r = open();
    EXPECT_FALSE(r.signaturesOn());

    EXPECT_EQ(r.add(NavyRecord, NavySignature, "navy"), reference.add(NavyRecord, "navy"));
    EXPECT_EQ(r.add(RedRecord, RedSignature, "red"), reference.add(RedRecord, "red"));
    const ColorAnalysis scanned = record(lab(32, 12, -38), 0.35, lab(88, 1, 0), 0.0);
    r.correct(0, scanned, NavySignature);
    reference.correct(0, scanned);
    double similarity = -1, expected = -2;
    EXPECT_EQ(r.findMatch(scanned, RedSignature, similarity), reference.findMatch(scanned, expected));
    EXPECT_EQ(similarity, expected);
    close();
    EXPECT_EQ(testsupport::readBytes(matching.materials), testsupport::readBytes(plain.materials));
    EXPECT_FALSE(std::filesystem::exists(settings.signatures));
}

TEST_F(RecognizerTest, GarmentsOfTheSameColourNamesAreToldApartByTheirSignatures)
{
    Recognizer& r = open();
    // Identical records, as two garments whose colours get the same table
    // entries; the signatures differ in measured colour and texture.
    const GarmentSignature beigeWoven = test::garment(70, 5, 20, 1.0, 0, 0, 0, 0, 3);
    GarmentSignature beigeJersey = test::garment(74, 3, 15, 1.0, 0, 0, 0, 5 * OrientationBins + 6, 6);
    const int woven = r.add(RedRecord, beigeWoven, "woven");
    const int jersey = r.add(RedRecord, beigeJersey, "jersey");
    double similarity = 0;
    EXPECT_EQ(r.findMatch(RedRecord, beigeJersey, similarity), jersey);
    EXPECT_EQ(similarity, 1.0);
    EXPECT_EQ(r.findMatch(RedRecord, beigeWoven, similarity), woven);
    // A garment unlike both is nobody, though its record is theirs exactly.
    EXPECT_EQ(r.findMatch(RedRecord, NavySignature, similarity), -1);
}

TEST_F(RecognizerTest, SimilarityIsMinSimilarityAtTheAcceptanceDistance)
{
    settings.weights = DistanceWeights{};
    settings.weights.shareExponent = 1;
    settings.maxDistance = 10;
    Recognizer& r = open();
    r.add(RedRecord, RedSignature, "red");
    GarmentSignature shifted = RedSignature;
    shifted.colours[0].l += 5;
    double similarity = 0;
    ASSERT_EQ(r.findMatch(RedRecord, shifted, similarity), 0);
    EXPECT_DOUBLE_EQ(similarity, 1 - 0.35 * 5 / 10);
    shifted.colours[0].l += 5;
    ASSERT_EQ(r.findMatch(RedRecord, shifted, similarity), 0);
    EXPECT_DOUBLE_EQ(similarity, 0.65);
    shifted.colours[0].l += 0.5;
    EXPECT_EQ(r.findMatch(RedRecord, shifted, similarity), -1);
}

TEST_F(RecognizerTest, CorrectionsAddExamplesAndKeepTheOneTheGarmentWasAddedFrom)
{
    Recognizer& r = open();
    const int slot = r.add(NavyRecord, NavySignature, "navy");
    // Too far to be accepted: lighter, and its stripes the other way.
    GarmentSignature far = NavySignature;
    far.colours[0].l -= 10;
    far.texture[3 * OrientationBins] = 0;
    far.texture[3 * OrientationBins + 6] = 1;
    double similarity = 0;
    ASSERT_EQ(r.findMatch(NavyRecord, far, similarity), -1);
    for (int i = 0; i < MaxExamples + 2; ++i) {
        GarmentSignature corrected = far;
        corrected.colours[0].l -= i * 0.01;
        r.correct(slot, NavyRecord, corrected);
    }
    const SignatureEntry* entry = r.usableEntry(slot);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->exampleCount, MaxExamples);
    // The later scans are recognised, and so still are scans like the first.
    EXPECT_EQ(r.findMatch(NavyRecord, far, similarity), slot);
    EXPECT_EQ(r.findMatch(NavyRecord, NavySignature, similarity), slot);
    EXPECT_NEAR(similarity, 1.0, 1e-6);  // the file keeps single precision
    // All of it survives a restart.
    close();
    Recognizer& again = open();
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_EQ(again.findMatch(NavyRecord, far, similarity), slot);
}

struct FallbackCase {
    const char* name;
    void (*spoil)(RecognizerTest& test, const std::string& path);
    int message;
};

class Fallback : public RecognizerTest, public ::testing::WithParamInterface<FallbackCase> {};

TEST_P(Fallback, TheGarmentIsMatchedClassicallyAndTheStartSaysSo)
{
    {
        Recognizer& r = open();
        r.add(NavyRecord, NavySignature, "navy");
        r.add(RedRecord, RedSignature, "red");
        close();
    }
    GetParam().spoil(*this, settings.signatures);
    Recognizer& r = open();
    EXPECT_TRUE(warned(GetParam().message)) << (warnings.empty() ? "no warning" : warnings.front());
    EXPECT_TRUE(warned(3254)) << "the count of garments matched classically";
    EXPECT_EQ(r.usableEntry(0), nullptr);
    // Both garments are still recognised from their scans, the first by
    // its record.
    double similarity = 0;
    EXPECT_EQ(r.findMatch(NavyRecord, NavySignature, similarity), 0);
    EXPECT_EQ(r.findMatch(RedRecord, RedSignature, similarity), 1);
    // The signature that no longer counts matches nothing: a scan whose
    // record is no garment's is nobody, though it carries that signature.
    const ColorAnalysis green = record(lab(60, -50, 50), 1.0, lab(60, -50, 50), 0.0);
    EXPECT_EQ(r.findMatch(green, NavySignature, similarity), -1);
    // A correction gives the garment a signature again.
    r.correct(0, NavyRecord, NavySignature);
    EXPECT_NE(r.usableEntry(0), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Fallback,
    ::testing::Values(
        FallbackCase{"NoSecondFile", [](RecognizerTest&, const std::string& path) { std::filesystem::remove(path); }, 3254},
        FallbackCase{"OlderVersion",
                     [](RecognizerTest&, const std::string& path) {
                         Bytes bytes = testsupport::readBytes(path);
                         const auto header = SignatureFile::header(SignatureFile::OldestReadVersion - 1);
                         std::copy(header.begin(), header.end(), bytes.begin());
                         testsupport::writeBytes(path, bytes);
                     },
                     3251},
        FallbackCase{"DamagedEntry",
                     [](RecognizerTest&, const std::string& path) {
                         Bytes bytes = testsupport::readBytes(path);
                         bytes[SignatureFile::HeaderSize + 40] ^= 0x01;
                         testsupport::writeBytes(path, bytes);
                     },
                     3253},
        // An older version of the program corrected the garment: its record
        // changed, and the signature no longer belongs to it.
        FallbackCase{"RecordChangedByAnOlderVersion",
                     [](RecognizerTest& test, const std::string&) {
                         GarmentCatalog older(test.matching);
                         older.correct(0, record(lab(31, 10, -40), 0.3, lab(90, 0, 0), 0.0));
                     },
                     3254}),
    [](const ::testing::TestParamInfo<FallbackCase>& info) { return info.param.name; });

TEST_F(RecognizerTest, ACatalogueOfTheFirstSignatureVersionKeepsMatchingOnItsSignatures)
{
    {
        Recognizer& r = open();
        r.add(NavyRecord, NavySignature, "navy");
        r.add(RedRecord, RedSignature, "red");
        close();
    }
    // The same entries as the first version of the file held them.
    {
        const SignatureFile current(settings.signatures, false);
        const auto header = SignatureFile::header(1);
        Bytes bytes(header.begin(), header.end());
        for (int slot = 0; slot < 2; ++slot) {
            const Bytes entry = SignatureFile::encode(*current.entry(slot), 1);
            bytes.insert(bytes.end(), entry.begin(), entry.end());
        }
        testsupport::writeBytes(settings.signatures, bytes);
    }
    Recognizer& r = open();
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    ASSERT_NE(r.usableEntry(0), nullptr);
    // Matched on the signature: the record alone would be nobody's.
    const ColorAnalysis green = record(lab(60, -50, 50), 1.0, lab(60, -50, 50), 0.0);
    double similarity = 0;
    EXPECT_EQ(r.findMatch(green, NavySignature, similarity), 0);
    // A scan with a weave against examples without one: the weave is left out.
    GarmentSignature woven = RedSignature;
    woven.hasWeave = true;
    woven.weave = {1e-3, 0, 0, 0, 0, 0};
    EXPECT_EQ(r.findMatch(green, woven, similarity), 1);
    EXPECT_EQ(similarity, 1.0);
    // A correction brings the file to this version, the other garment's
    // signature with it.
    r.correct(1, RedRecord, woven);
    close();
    Recognizer& again = open();
    EXPECT_EQ(again.file()->version(), SignatureFile::Version);
    ASSERT_NE(again.usableEntry(0), nullptr);
    EXPECT_EQ(again.findMatch(green, NavySignature, similarity), 0);
    EXPECT_EQ(again.findMatch(green, woven, similarity), 1);
}

} // namespace
} // namespace vestiscop::signature

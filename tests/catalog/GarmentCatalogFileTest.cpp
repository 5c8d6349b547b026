// SPDX-License-Identifier: GPL-3.0-or-later
// The Materials file: records exactly as the format lays them out, slots that
// keep their identity, edits that reach the file at once, and failures that
// lose nothing. Expected files are built byte by byte in this test.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "catalog/GarmentCatalog.h"
#include "CatalogTestSupport.h"
#include "foundation/Exception.h"
#include "support/FileBytes.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchDirectory.h"
#include "support/TestSettings.h"

namespace {

using vestiscop::catalog::GarmentCatalog;
using vestiscop::testsupport::FileSizeLimit;
using vestiscop::color::ColorAnalysis;
using vestiscop::color::LabPixel;
using vestiscop::foundation::MatchingSettings;
using vestiscop::foundation::SystemError;
using Bytes = std::vector<std::uint8_t>;
using vestiscop::catalog::test::lab;
using vestiscop::catalog::test::record;

static_assert(std::endian::native == std::endian::little, "the expected files are built for a little-endian host");

// One record as the file format lays it out; name is already Windows-1250.
Bytes handRecord(std::uint8_t valid, const std::string& name, LabPixel a, double shareA, LabPixel b, double shareB)
{
    Bytes r(96, 0);
    r[0] = valid;
    std::memcpy(&r[1], name.data(), name.size());
    r[66] = a.l;
    r[67] = static_cast<std::uint8_t>(a.a);
    r[68] = static_cast<std::uint8_t>(a.b);
    std::memcpy(&r[72], &shareA, 8);
    r[80] = b.l;
    r[81] = static_cast<std::uint8_t>(b.a);
    r[82] = static_cast<std::uint8_t>(b.b);
    std::memcpy(&r[88], &shareB, 8);
    return r;
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class CatalogFile : public ::testing::Test {
protected:
    void writeFile(const Bytes& bytes) const { vestiscop::testsupport::writeBytes(settings.materials, bytes); }
    Bytes readFile() const { return vestiscop::testsupport::readBytes(settings.materials); }
    // Five definitions named a to e.
    Bytes fiveRecords() const
    {
        Bytes all;
        for (int i = 0; i < 5; ++i) {
            const Bytes r = handRecord(1, std::string(1, static_cast<char>('a' + i)), lab(10 * i, i, -i), 0.1 * i,
                                       lab(200, -5, 5), 0.0);
            all.insert(all.end(), r.begin(), r.end());
        }
        return all;
    }

    vestiscop::testsupport::ScratchDirectory m_dir;
    MatchingSettings settings = vestiscop::testsupport::workedExampleMatching(m_dir.file("odevy.dat"));
};

TEST_F(CatalogFile, MissingFileIsCreatedEmptyForTheOwnerOnly)
{
    GarmentCatalog catalog(settings);
    EXPECT_EQ(catalog.slotCount(), 0);
    struct stat status {};
    ASSERT_EQ(::stat(settings.materials.c_str(), &status), 0);
    EXPECT_EQ(status.st_size, 0);
    EXPECT_EQ(status.st_mode & 0077, 0u);
}

TEST_F(CatalogFile, LoadsEveryRecordIncludingFreeOnesAndIgnoresPadding)
{
    Bytes second = handRecord(0, "star\xe1 \xe8\x65pice", lab(255, -128, 127), 0.25, lab(0, 1, -1), 0.5);
    second[69] = 0xAA;  // padding that an older writer left dirty
    second[85] = 0x55;
    writeFile(concat({handRecord(1, "kab\xe1t", lab(60, 10, -20), 0.75, lab(30, 0, 0), 0.0), second}));

    GarmentCatalog catalog(settings);
    ASSERT_EQ(catalog.slotCount(), 2);
    EXPECT_TRUE(catalog.inUse(0));
    EXPECT_FALSE(catalog.inUse(1));
    EXPECT_EQ(catalog.name(0), "kabát");
    EXPECT_EQ(catalog.name(1), "stará čepice");
    EXPECT_EQ(catalog.slot(1).colorA, lab(255, -128, 127));
    EXPECT_EQ(catalog.slot(1).shareA, 0.25);
    EXPECT_EQ(catalog.slot(1).colorB, lab(0, 1, -1));
    EXPECT_EQ(catalog.slot(1).shareB, 0.5);
    EXPECT_EQ(catalog.findByName("stará čepice"), -1) << "a free slot is no definition";
    EXPECT_EQ(catalog.findByName("kabát"), 0);
}

TEST_F(CatalogFile, ANameSelectsTheFirstDefinitionInUseWithExactlyThatName)
{
    writeFile(concat({handRecord(0, "kab\xe1t", lab(1, 1, 1), 0, lab(1, 1, 1), 0),
                      handRecord(1, "Kab\xe1t", lab(2, 2, 2), 0, lab(2, 2, 2), 0),
                      handRecord(1, "kab\xe1t", lab(3, 3, 3), 0, lab(3, 3, 3), 0),
                      handRecord(1, "kab\xe1t", lab(4, 4, 4), 0, lab(4, 4, 4), 0)}));
    GarmentCatalog catalog(settings, GarmentCatalog::Access::Lookup);
    EXPECT_EQ(catalog.findByName("kabát"), 2);
    EXPECT_EQ(catalog.findByName("Kabát"), 1);
    EXPECT_EQ(catalog.findByName("kabát "), -1);
}

struct PartialFile {
    int records;
    int extraBytes;
};

class TruncatedCatalog : public CatalogFile, public ::testing::WithParamInterface<PartialFile> {};

TEST_P(TruncatedCatalog, FailsWithTheReadFailureOfItsPath)
{
    Bytes bytes = fiveRecords();
    bytes.resize(static_cast<std::size_t>(96 * GetParam().records + GetParam().extraBytes));
    writeFile(bytes);
    try {
        GarmentCatalog catalog(settings);
        FAIL() << "a partial record was accepted";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.code(), 3);
        EXPECT_EQ(error.argument(), settings.materials);
    }
    EXPECT_EQ(readFile(), bytes) << "the file must not be touched";
}

INSTANTIATE_TEST_SUITE_P(Sizes, TruncatedCatalog,
                         ::testing::Values(PartialFile{0, 1}, PartialFile{2, 50}, PartialFile{4, 95}));

TEST_F(CatalogFile, WrittenFileIsByteIdenticalToTheRecordLayout)
{
    {
        GarmentCatalog catalog(settings);
        ColorAnalysis scan = record(lab(200, -3, 4), 0.375, lab(17, 100, -100), 0.0);
        scan.valid = 7;
        std::strcpy(scan.name, "left over from an earlier name");
        scan.padding1[1] = 0xFF;  // padding must reach the file as zero
        scan.padding2[4] = 0xFF;
        EXPECT_EQ(catalog.add(scan, "Modrá košile"), 0);
        EXPECT_EQ(catalog.add(record(lab(1, 2, 3), 1.0, lab(1, 2, 3), 0.0), "kabát"), 1);
        catalog.erase(0);
    }
    const Bytes exact = concat({handRecord(0, "Modr\xe1 ko\x9aile", lab(200, -3, 4), 0.375, lab(17, 100, -100), 0.0),
                          handRecord(1, "kab\xe1t", lab(1, 2, 3), 1.0, lab(1, 2, 3), 0.0)});
    EXPECT_EQ(readFile(), exact);
    // The doubles are little-endian IEEE 754: 0.375 is 0x3FD8000000000000.
    const Bytes written = readFile();
    EXPECT_EQ(Bytes(written.begin() + 72, written.begin() + 80), (Bytes{0, 0, 0, 0, 0, 0, 0xD8, 0x3F}));
}

TEST_F(CatalogFile, DeletedSlotIsReusedAndTheFileKeepsItsLength)
{
    const Bytes original = fiveRecords();
    writeFile(original);
    GarmentCatalog catalog(settings);
    catalog.erase(2);

    Bytes afterDelete = original;
    afterDelete[192] = 0;  // only the valid byte changes
    EXPECT_EQ(readFile(), afterDelete);

    EXPECT_EQ(catalog.add(record(lab(9, 9, 9), 0.5, lab(8, 8, 8), 0.0), "f"), 2);
    const Bytes written = readFile();
    ASSERT_EQ(written.size(), 480u);
    EXPECT_EQ(Bytes(written.begin() + 192, written.begin() + 288),
              handRecord(1, "f", lab(9, 9, 9), 0.5, lab(8, 8, 8), 0.0));
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 192), Bytes(original.begin(), original.begin() + 192));
    EXPECT_EQ(Bytes(written.begin() + 288, written.end()), Bytes(original.begin() + 288, original.end()));
}

TEST_F(CatalogFile, AdditionWithoutFreeSlotAppendsRecordNAtItsOffset)
{
    const Bytes original = fiveRecords();
    writeFile(original);
    GarmentCatalog catalog(settings);
    EXPECT_EQ(catalog.add(record(lab(9, 9, 9), 0.5, lab(8, 8, 8), 0.0), "f"), 5);
    EXPECT_EQ(readFile(), concat({original, handRecord(1, "f", lab(9, 9, 9), 0.5, lab(8, 8, 8), 0.0)}));
}

TEST_F(CatalogFile, DeletedRecordKeepsItsDataButIsNotADefinitionAfterRestart)
{
    writeFile(fiveRecords());
    {
        GarmentCatalog catalog(settings);
        catalog.erase(catalog.findByName("d"));
    }
    GarmentCatalog catalog(settings);
    EXPECT_EQ(catalog.slotCount(), 5);
    EXPECT_FALSE(catalog.inUse(3));
    EXPECT_EQ(catalog.findByName("d"), -1);
    EXPECT_EQ(catalog.name(3), "d");
    EXPECT_EQ(catalog.slot(3).colorA, lab(30, 3, -3));
}

struct LongName {
    std::string utf8;
    std::string stored;  // Windows-1250, at most 64 bytes
    std::string listed;  // as read back in UTF-8
};

class NameCut : public CatalogFile, public ::testing::WithParamInterface<LongName> {};

TEST_P(NameCut, KeepsTheFirst64CharactersAndZeroesTheRest)
{
    {
        GarmentCatalog catalog(settings);
        catalog.add(record(lab(1, 1, 1), 1, lab(1, 1, 1), 0), GetParam().utf8);
    }
    const Bytes written = readFile();
    ASSERT_EQ(written.size(), 96u);
    Bytes field(65, 0);
    std::memcpy(field.data(), GetParam().stored.data(), GetParam().stored.size());
    EXPECT_EQ(Bytes(written.begin() + 1, written.begin() + 66), field);

    GarmentCatalog catalog(settings);
    EXPECT_EQ(catalog.name(0), GetParam().listed);
}

std::string repeat(const std::string& piece, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += piece;
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameCut,
    ::testing::Values(
        // 70 ASCII characters.
        LongName{repeat("abcdefghij", 7), repeat("abcdefghij", 6) + "abcd", repeat("abcdefghij", 6) + "abcd"},
        // 70 two-byte UTF-8 characters are still 64 characters, one byte each in the file.
        LongName{repeat("č", 70), repeat("\xe8", 64), repeat("č", 64)},
        // Exactly 64 characters stay whole.
        LongName{repeat("ž", 64), repeat("\x9e", 64), repeat("ž", 64)},
        // A character Windows-1250 lacks becomes '?'.
        LongName{"šála 日", "\x9a\xe1la ?", "šála ?"}));

TEST_F(CatalogFile, CorrectionRewritesOnlyTheColoursAndSharesOfItsRecord)
{
    writeFile(concat({handRecord(1, "a", lab(100, 10, 10), 0.5, lab(50, 0, 0), 0.0),
                      handRecord(1, "b", lab(10, 10, 10), 0.5, lab(20, 0, 0), 0.0)}));
    GarmentCatalog catalog(settings);
    // Straight pairing, k = 3: L (300 + 104) / 4 = 101, share (1.5 + 0.9) / 4 = 0.6.
    catalog.correct(0, record(lab(104, 10, 10), 0.9, lab(50, 0, 0), 0.0));
    EXPECT_EQ(readFile(), concat({handRecord(1, "a", lab(101, 10, 10), (0.5 * 3 + 0.9) / 4, lab(50, 0, 0), 0.0),
                                  handRecord(1, "b", lab(10, 10, 10), 0.5, lab(20, 0, 0), 0.0)}));
    EXPECT_EQ(catalog.findByName("a"), 0);
}

TEST_F(CatalogFile, SecondWriterIsRefusedWhileOneHasTheFileOpen)
{
    auto first = std::make_unique<GarmentCatalog>(settings);
    try {
        GarmentCatalog second(settings);
        FAIL() << "two programs could change the catalogue at once";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.code(), 2);
        EXPECT_EQ(error.argument(), settings.materials);
    }
    EXPECT_NO_THROW(GarmentCatalog reader(settings, GarmentCatalog::Access::Lookup));
    first.reset();
    EXPECT_NO_THROW(GarmentCatalog second(settings));
}

TEST_F(CatalogFile, LookupCatalogueRefusesEdits)
{
    writeFile(fiveRecords());
    GarmentCatalog catalog(settings, GarmentCatalog::Access::Lookup);
    EXPECT_THROW(catalog.erase(0), std::logic_error);
    EXPECT_THROW(catalog.add(record(lab(1, 1, 1), 1, lab(1, 1, 1), 0), "x"), std::logic_error);
    EXPECT_TRUE(catalog.inUse(0));
    EXPECT_EQ(catalog.slotCount(), 5);
    EXPECT_EQ(readFile(), fiveRecords());
}

TEST_F(CatalogFile, FailedAdditionLeavesMemoryAndFileAsTheyWere)
{
    const Bytes original = fiveRecords();
    writeFile(original);
    GarmentCatalog catalog(settings);
    {
        FileSizeLimit limit(original.size() + 40);
        try {
            catalog.add(record(lab(9, 9, 9), 0.5, lab(8, 8, 8), 0.0), "f");
            FAIL() << "the write past the limit succeeded";
        } catch (const SystemError& error) {
            EXPECT_EQ(error.code(), 4);
            EXPECT_EQ(error.argument(), settings.materials);
        }
    }
    EXPECT_EQ(catalog.slotCount(), 5);
    EXPECT_EQ(readFile(), original) << "no partial record may stay behind";

    // The catalogue still works, and the next start reads it.
    EXPECT_EQ(catalog.add(record(lab(9, 9, 9), 0.5, lab(8, 8, 8), 0.0), "f"), 5);
    EXPECT_EQ(readFile().size(), 576u);
}

// A file-size limit also refuses writes beyond it inside the file, which
// makes an in-place store fail: entirely (slot 2 lies past the limit) or
// after its first 75 bytes, colour A among them (slot 1 straddles it).
TEST_F(CatalogFile, FailedInPlaceEditsLeaveMemoryAndFileAsTheyWere)
{
    const Bytes original = fiveRecords();
    writeFile(original);
    GarmentCatalog catalog(settings);
    const ColorAnalysis slot1 = catalog.slot(1);
    {
        FileSizeLimit limit(96 + 75);
        EXPECT_THROW(catalog.erase(2), SystemError);
        EXPECT_THROW(catalog.correct(1, record(lab(90, 9, 9), 0.9, lab(10, 1, 1), 0.1)), SystemError);
    }
    EXPECT_TRUE(catalog.inUse(2));
    EXPECT_EQ(catalog.slot(1).colorA, slot1.colorA);
    EXPECT_EQ(catalog.slot(1).shareA, slot1.shareA);
    EXPECT_EQ(catalog.slot(1).colorB, slot1.colorB);
    EXPECT_EQ(readFile(), original);
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The signature file: entries that survive a restart exactly, a header
// whose version decides whether entries are used, a damaged entry that
// counts as none, and failed writes that leave the file as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "SignatureTestSupport.h"
#include "foundation/Exception.h"
#include "signature/SignatureFile.h"
#include "support/FileBytes.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::signature {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testsupport::FileSizeLimit;

SignatureEntry entryOf(const GarmentSignature& s, std::uint64_t hash)
{
    SignatureEntry e;
    e.recordHash = hash;
    e.previousRecordHash = hash + 1;
    e.exampleCount = 1;
    e.examples[0] = s;
    return e;
}

class SignatureFileTest : public ::testing::Test {
protected:
    testsupport::ScratchDirectory dir;
    std::string path = dir.file("odevy.dat.sig");
};

TEST_F(SignatureFileTest, EntriesReadBackAfterARestartAsStored)
{
    GarmentSignature s = test::garment(40.25, 10.5, -20, 0.75, 80, 0, 0, 17);
    s.minorityRunX = 2.5;
    {
        SignatureFile file(path, true);
        EXPECT_EQ(file.state(), SignatureFile::State::Current);
        file.store(3, entryOf(s, 1234));
    }
    // Header plus four entries, the first three holes.
    EXPECT_EQ(std::filesystem::file_size(path), SignatureFile::HeaderSize + 4 * SignatureFile::EntrySize);
    SignatureFile again(path, false);
    EXPECT_EQ(again.damagedEntries(), 0);
    EXPECT_EQ(again.entry(0), nullptr);
    EXPECT_EQ(again.entry(4), nullptr);
    const SignatureEntry* e = again.entry(3);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->recordHash, 1234u);
    EXPECT_EQ(e->previousRecordHash, 1235u);
    EXPECT_EQ(e->exampleCount, 1);
    EXPECT_EQ(e->examples[0].colourCount, 2);
    EXPECT_EQ(e->examples[0].colours[0].l, 40.25);
    EXPECT_EQ(e->examples[0].colours[1].share, 0.25);
    EXPECT_EQ(e->examples[0].texture[17], 1.0);
    EXPECT_EQ(e->examples[0].minorityRunX, 2.5);
}

TEST_F(SignatureFileTest, ADamagedEntryIsNoEntryAndTheOthersStay)
{
    {
        SignatureFile file(path, true);
        file.store(0, entryOf(test::garment(50, 0, 0, 1, 0, 0, 0, 3), 7));
        file.store(1, entryOf(test::garment(60, 0, 0, 1, 0, 0, 0, 3), 8));
    }
    Bytes bytes = testsupport::readBytes(path);
    bytes[SignatureFile::HeaderSize + SignatureFile::EntrySize + 100] ^= 0x10;
    testsupport::writeBytes(path, bytes);
    SignatureFile file(path, true);
    EXPECT_EQ(file.damagedEntries(), 1);
    EXPECT_NE(file.entry(0), nullptr);
    EXPECT_EQ(file.entry(1), nullptr);
    // Storing it again repairs it.
    file.store(1, entryOf(test::garment(60, 0, 0, 1, 0, 0, 0, 3), 8));
    EXPECT_EQ(SignatureFile(path, false).damagedEntries(), 0);
}

struct HeaderCase {
    const char* name;
    bool header;  // false: not a header at all
    std::uint32_t version;
    SignatureFile::State state;
    bool writable;
};

class SignatureHeader : public SignatureFileTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(SignatureHeader, DecidesWhetherEntriesAreUsedAndTheFileWritten)
{
    {
        SignatureFile file(path, true);
        file.store(0, entryOf(test::garment(50, 0, 0, 1, 0, 0, 0, 3), 7));
    }
    Bytes bytes = testsupport::readBytes(path);
    if (!GetParam().header) {
        bytes[2] = 'x';
    } else {
        const auto header = SignatureFile::header(GetParam().version);
        std::copy(header.begin(), header.end(), bytes.begin());
    }
    testsupport::writeBytes(path, bytes);

    SignatureFile file(path, true);
    EXPECT_EQ(file.state(), GetParam().state);
    EXPECT_EQ(file.entry(0) != nullptr, GetParam().state == SignatureFile::State::Current);
    EXPECT_EQ(file.writable(), GetParam().writable);
    if (!GetParam().writable) {
        EXPECT_THROW(file.store(0, entryOf(test::garment(50, 0, 0, 1, 0, 0, 0, 3), 7)), std::logic_error);
        EXPECT_EQ(testsupport::readBytes(path), bytes) << "a later version's file is never touched";
        return;
    }
    // Storing keeps a file of this version; any other starts afresh with
    // this version: the unreadable entries are gone, the new one is there.
    file.store(1, entryOf(test::garment(50, 0, 0, 1, 0, 0, 0, 3), 9));
    SignatureFile again(path, false);
    EXPECT_EQ(again.state(), SignatureFile::State::Current);
    EXPECT_EQ(again.entry(0) != nullptr, GetParam().state == SignatureFile::State::Current);
    ASSERT_NE(again.entry(1), nullptr);
    EXPECT_EQ(again.entry(1)->recordHash, 9u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SignatureHeader,
    ::testing::Values(HeaderCase{"ThisVersion", true, SignatureFile::Version, SignatureFile::State::Current, true},
                      HeaderCase{"OlderThanAnyRead", true, SignatureFile::OldestReadVersion - 1,
                                 SignatureFile::State::Older, true},
                      HeaderCase{"NewerVersion", true, SignatureFile::Version + 1, SignatureFile::State::Newer, false},
                      HeaderCase{"NoHeader", false, 0, SignatureFile::State::Damaged, true}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) { return info.param.name; });

TEST_F(SignatureFileTest, AFailedNewEntryLeavesFileAndMemoryAsTheyWere)
{
    SignatureFile file(path, true);
    file.store(0, entryOf(test::garment(50, 0, 0, 1, 0, 0, 0, 3), 7));
    const Bytes before = testsupport::readBytes(path);
    {
        // Room for half an entry more.
        FileSizeLimit limit(before.size() + SignatureFile::EntrySize / 2);
        try {
            file.store(1, entryOf(test::garment(60, 0, 0, 1, 0, 0, 0, 3), 8));
            FAIL() << "the entry was written past the limit";
        } catch (const foundation::SystemError& error) {
            EXPECT_EQ(error.code(), foundation::systemError::Write);
        }
        // In place needs no room.
        file.store(0, entryOf(test::garment(55, 0, 0, 1, 0, 0, 0, 3), 70));
    }
    EXPECT_EQ(file.entry(1), nullptr);
    EXPECT_EQ(std::filesystem::file_size(path), before.size());
    SignatureFile again(path, false);
    EXPECT_EQ(again.damagedEntries(), 0);
    ASSERT_NE(again.entry(0), nullptr);
    EXPECT_EQ(again.entry(0)->recordHash, 70u);
}

TEST_F(SignatureFileTest, ASecondWriterIsRefused)
{
    SignatureFile first(path, true);
    EXPECT_THROW(SignatureFile(path, true), foundation::SystemError);
    EXPECT_NO_THROW(SignatureFile(path, false));
}

// A file an older version wrote: its header and entries in that layout.
Bytes olderVersionFile(const std::vector<SignatureEntry>& entries, std::uint32_t version = 1)
{
    const auto header = SignatureFile::header(version);
    Bytes bytes(header.begin(), header.end());
    for (const SignatureEntry& entry : entries) {
        // No examples: a hole.
        const Bytes e = entry.exampleCount > 0 ? SignatureFile::encode(entry, version)
                                               : Bytes(SignatureFile::entrySize(version), 0);
        bytes.insert(bytes.end(), e.begin(), e.end());
    }
    return bytes;
}

// A signature with everything the latest version keeps.
GarmentSignature everything()
{
    GarmentSignature s = test::garment(50, 60, 30, 0.75, 20, 0, 0, 3);
    s.hasWeave = true;
    s.weave[2] = 0.5;
    s.hasLayout = true;
    s.layout[1] = 0.25;
    s.findingsTexture = true;
    return s;
}

// What an example of each version keeps of a signature: the first keeps
// neither weave nor layout, the second no mark of the findings' texture
// (its texture is always the standard channels').
struct VersionCase {
    std::uint32_t version;
    bool weaveAndLayout;
    bool findingsTexture;
};

class SignatureVersion : public SignatureFileTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(SignatureVersion, AnExampleKeepsWhatItsVersionHolds)
{
    const VersionCase& c = GetParam();
    SignatureEntry decoded;
    ASSERT_TRUE(SignatureFile::decode(SignatureFile::encode(entryOf(everything(), 7), c.version).data(), decoded,
                                      c.version));
    const GarmentSignature& s = decoded.examples[0];
    EXPECT_EQ(s.colours[0].a, 60);
    EXPECT_EQ(s.texture[3], 1.0);
    EXPECT_EQ(s.hasWeave, c.weaveAndLayout);
    EXPECT_EQ(s.weave[2], c.weaveAndLayout ? 0.5 : 0.0);
    EXPECT_EQ(s.hasLayout, c.weaveAndLayout);
    EXPECT_EQ(s.layout[1], c.weaveAndLayout ? 0.25 : 0.0);
    EXPECT_EQ(s.findingsTexture, c.findingsTexture);
    // An entry is read only as the version it was written in.
    for (std::uint32_t other = SignatureFile::OldestReadVersion; other <= SignatureFile::Version; ++other) {
        if (other != c.version && SignatureFile::entrySize(other) == SignatureFile::entrySize(c.version)) {
            EXPECT_FALSE(SignatureFile::decode(SignatureFile::encode(entryOf(everything(), 7), c.version).data(),
                                               decoded, other))
                << other;
        }
    }
}

// A file of an older version is read as it is, and rewritten as this
// version at the first change, every entry with it.
TEST_P(SignatureVersion, AnOlderFileIsReadAndRewrittenAsThisVersionAtTheFirstChange)
{
    const VersionCase& c = GetParam();
    const GarmentSignature red = test::garment(50, 60, 30, 1, 0, 0, 0, 3);
    testsupport::writeBytes(path, olderVersionFile({entryOf(red, 7), SignatureEntry{}, entryOf(red, 9)}, c.version));
    {
        SignatureFile file(path, true);
        EXPECT_EQ(file.state(), SignatureFile::State::Current);
        EXPECT_EQ(file.version(), c.version);
        EXPECT_EQ(file.damagedEntries(), 0);
        ASSERT_NE(file.entry(0), nullptr);
        EXPECT_EQ(file.entry(0)->examples[0].colours[0].a, 60);
        EXPECT_FALSE(file.entry(0)->examples[0].hasWeave);
        EXPECT_FALSE(file.entry(0)->examples[0].findingsTexture);
        EXPECT_EQ(file.entry(1), nullptr);
        file.store(1, entryOf(everything(), 8));
        EXPECT_EQ(file.version(), SignatureFile::Version);
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    EXPECT_EQ(std::filesystem::file_size(path), SignatureFile::HeaderSize + 3 * SignatureFile::EntrySize);
    SignatureFile again(path, true);
    EXPECT_EQ(again.version(), SignatureFile::Version);
    EXPECT_EQ(again.damagedEntries(), 0);
    for (const auto& [slot, hash] : {std::pair{0, 7u}, std::pair{1, 8u}, std::pair{2, 9u}}) {
        ASSERT_NE(again.entry(slot), nullptr) << slot;
        EXPECT_EQ(again.entry(slot)->recordHash, hash);
    }
    EXPECT_FALSE(again.entry(0)->examples[0].hasWeave);
    EXPECT_FALSE(again.entry(0)->examples[0].findingsTexture);
    EXPECT_TRUE(again.entry(1)->examples[0].hasWeave);
    EXPECT_EQ(again.entry(1)->examples[0].weave[2], 0.5);
    EXPECT_TRUE(again.entry(1)->examples[0].findingsTexture);
}

// A failed rewrite leaves the older file as it was; the same change goes
// through once there is room.
TEST_P(SignatureVersion, AFailedRewriteOfAnOlderFileLeavesItAsItWas)
{
    const VersionCase& c = GetParam();
    if (c.version == SignatureFile::Version)
        GTEST_SKIP() << "this version's file is written in place";
    const Bytes before = olderVersionFile({entryOf(test::garment(50, 60, 30, 1, 0, 0, 0, 3), 7)}, c.version);
    testsupport::writeBytes(path, before);
    SignatureFile file(path, true);
    {
        // No room for a file as large as the old one: the rewrite fails.
        FileSizeLimit limit(before.size() - 1);
        try {
            file.store(1, entryOf(test::garment(60, 0, 0, 1, 0, 0, 0, 3), 8));
            FAIL() << "the file was rewritten past the limit";
        } catch (const foundation::SystemError& error) {
            EXPECT_EQ(error.code(), foundation::systemError::Write);
        }
    }
    EXPECT_EQ(testsupport::readBytes(path), before);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    EXPECT_EQ(file.version(), c.version);
    ASSERT_NE(file.entry(0), nullptr);
    EXPECT_EQ(file.entry(1), nullptr);
    file.store(1, entryOf(test::garment(60, 0, 0, 1, 0, 0, 0, 3), 8));
    EXPECT_EQ(SignatureFile(path, false).entry(0)->recordHash, 7u);
}

INSTANTIATE_TEST_SUITE_P(Versions, SignatureVersion,
                         ::testing::Values(VersionCase{1, false, false}, VersionCase{2, true, false},
                                           VersionCase{3, true, true}),
                         [](const ::testing::TestParamInfo<VersionCase>& info) {
                             return "Version" + std::to_string(info.param.version);
                         });

} // namespace
} // namespace vestiscop::signature

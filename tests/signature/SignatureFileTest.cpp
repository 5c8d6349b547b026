// SPDX-License-Identifier: GPL-3.0-or-later
// The signature file: entries that survive a restart exactly, a header
// whose version decides whether entries are used, a damaged entry that
// counts as none, and failed writes that leave the file as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
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

// A file the first version wrote: its header and entries in that layout.
Bytes firstVersionFile(const std::vector<SignatureEntry>& entries)
{
    const auto header = SignatureFile::header(1);
    Bytes bytes(header.begin(), header.end());
    for (const SignatureEntry& entry : entries) {
        // No examples: a hole.
        const Bytes e = entry.exampleCount > 0 ? SignatureFile::encode(entry, 1) : Bytes(SignatureFile::entrySize(1), 0);
        bytes.insert(bytes.end(), e.begin(), e.end());
    }
    return bytes;
}

TEST_F(SignatureFileTest, AFirstVersionFileIsReadAndRewrittenAsThisVersionAtTheFirstChange)
{
    const GarmentSignature red = test::garment(50, 60, 30, 1, 0, 0, 0, 3);
    testsupport::writeBytes(path, firstVersionFile({entryOf(red, 7), SignatureEntry{}, entryOf(red, 9)}));
    {
        SignatureFile file(path, true);
        EXPECT_EQ(file.state(), SignatureFile::State::Current);
        EXPECT_EQ(file.version(), 1u);
        EXPECT_EQ(file.damagedEntries(), 0);
        ASSERT_NE(file.entry(0), nullptr);
        EXPECT_EQ(file.entry(0)->examples[0].colours[0].a, 60);
        EXPECT_FALSE(file.entry(0)->examples[0].hasWeave);
        EXPECT_EQ(file.entry(1), nullptr);
        GarmentSignature woven = red;
        woven.hasWeave = true;
        woven.weave[2] = 0.5;
        file.store(1, entryOf(woven, 8));
        EXPECT_EQ(file.version(), SignatureFile::Version);
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    EXPECT_EQ(std::filesystem::file_size(path), SignatureFile::HeaderSize + 3 * SignatureFile::EntrySize);
    SignatureFile again(path, true);
    EXPECT_EQ(again.version(), SignatureFile::Version);
    for (const auto& [slot, hash] : {std::pair{0, 7u}, std::pair{1, 8u}, std::pair{2, 9u}}) {
        ASSERT_NE(again.entry(slot), nullptr) << slot;
        EXPECT_EQ(again.entry(slot)->recordHash, hash);
    }
    EXPECT_FALSE(again.entry(0)->examples[0].hasWeave);
    EXPECT_TRUE(again.entry(1)->examples[0].hasWeave);
    EXPECT_EQ(again.entry(1)->examples[0].weave[2], 0.5);
}

TEST_F(SignatureFileTest, AFailedRewriteOfAFirstVersionFileLeavesItAsItWas)
{
    const Bytes before = firstVersionFile({entryOf(test::garment(50, 60, 30, 1, 0, 0, 0, 3), 7)});
    testsupport::writeBytes(path, before);
    SignatureFile file(path, true);
    {
        // The rewritten file needs more room than the old one had.
        FileSizeLimit limit(before.size());
        try {
            file.store(1, entryOf(test::garment(60, 0, 0, 1, 0, 0, 0, 3), 8));
            FAIL() << "the file was rewritten past the limit";
        } catch (const foundation::SystemError& error) {
            EXPECT_EQ(error.code(), foundation::systemError::Write);
        }
    }
    EXPECT_EQ(testsupport::readBytes(path), before);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    EXPECT_EQ(file.version(), 1u);
    ASSERT_NE(file.entry(0), nullptr);
    EXPECT_EQ(file.entry(1), nullptr);
    // Once there is room, the same change goes through.
    file.store(1, entryOf(test::garment(60, 0, 0, 1, 0, 0, 0, 3), 8));
    EXPECT_EQ(SignatureFile(path, false).entry(0)->recordHash, 7u);
}

} // namespace
} // namespace vestiscop::signature

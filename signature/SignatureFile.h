// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The second file of the catalogue, beside the Materials file: one entry per
// slot, entry i for slot i, holding up to MaxExamples signatures of the
// garment in that slot (the scan it was added from and its latest
// corrections). The Materials file keeps its format and stays what the
// classic matching and older versions of the program read; this file only
// adds to it.
//
// Layout, little-endian: a 64-byte header ("VSTSIGN\0", version, entry
// size, header size, CRC-32 of the header's first 60 bytes at byte 60),
// then entrySize(version) bytes per slot. An entry starts with the CRC-32
// of its other bytes, the version, the hashes of the 96-byte Materials
// records it belongs to (the current one and the one before the change
// that wrote it), the number of examples and the next example to replace;
// then the examples. An entry of zero bytes (a hole the file got when a
// later slot was written first) is no entry.
//
// Version 2 adds the weave and the improved analysis's layout values to
// each example. Version 3 marks, in a byte that was padding before, the
// examples whose texture, contrast, colour variation and minority are the
// improved analysis's findings rather than measures of the standard
// analysis's channels and mask (GarmentSignature::findingsTexture); the
// layout is that of version 2. A file of an older version is read as it is
// (version 1's examples have no weave nor layout, every older example's
// texture is the standard channels'; each is compared on what it shares
// with a scan); the first change rewrites it whole as this version beside
// it and puts that in its place in one rename, so that a kill or a full
// disk leaves either the old file or the new.
//
// An entry counts only while the Materials record of its slot hashes to one
// of its two record hashes: a Materials record that another program (an
// older version) changed, or a kill between writing the two files, leaves
// that garment to the classic matching instead of matching it on a
// signature of another garment.
//
// Durability as for the Materials file: locked while the program may change
// it, each entry written in place and synced before the call returns, a
// failed write puts the entry's bytes back. A header of another version or
// a damaged header makes every entry unusable; the file is then left alone
// until the first entry is stored, which starts it afresh (a newer
// version's file is never touched).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Files.h"
#include "signature/GarmentSignature.h"

namespace vestiscop::signature {

inline constexpr int MaxExamples = 4;

struct SignatureEntry {
    std::uint64_t recordHash = 0;
    std::uint64_t previousRecordHash = 0;
    int exampleCount = 0;
    int nextReplaced = 1;  // example 0, the scan the garment was added from, stays
    std::array<GarmentSignature, MaxExamples> examples{};
};

// Bytes of an entry of a file of the given version: 32 and four examples,
// each of which version 2 lengthened by the weave and the layout values
// (version 3 keeps that length).
constexpr std::size_t signatureEntrySize(std::uint32_t version)
{
    return 32 + MaxExamples * (44 + 16 * MaxColours + 4 * TextureBins
                               + (version >= 2 ? 4 + 4 * WeaveBands + 4 * LayoutValues : 0));
}

class SignatureFile {
public:
    static constexpr std::uint32_t Version = 3;
    // The oldest version whose entries are still read.
    static constexpr std::uint32_t OldestReadVersion = 1;
    static constexpr std::size_t HeaderSize = 64;
    static constexpr std::size_t entrySize(std::uint32_t version) { return signatureEntrySize(version); }
    static constexpr std::size_t EntrySize = signatureEntrySize(Version);

    enum class State {
        Current,  // a header of a version whose entries are read (or a file created just now)
        Older,    // a header of a version older than those: no entry is used
        Newer,    // a later version's file: no entry is used and it is never written
        Damaged,  // no valid header: no entry is used
    };

    // Opens (creating it when missing) and reads every entry. With changes,
    // takes the lock as the Materials file does (SystemError 2 when another
    // program holds it) and writes the header of a file created now.
    SignatureFile(const std::string& path, bool changes);

    State state() const { return m_state; }
    // The version of the file as it is on disk (Version for a new file).
    std::uint32_t version() const { return m_version; }
    const std::string& path() const { return m_file.path(); }
    // Entries whose checksum failed (also a cut-off last entry).
    int damagedEntries() const { return m_damaged; }

    // Slot index's entry, or null when there is none that reads correctly.
    const SignatureEntry* entry(int index) const;

    // Writes slot index's entry in place and waits until it is durable.
    // When that fails the file's bytes are put back, memory is left as it
    // was, and SystemError 4 propagates. A file of an older readable
    // version is first rewritten as this version with the same entries; a
    // file of another or no version is started afresh first (its entries
    // were unusable anyway); a newer version's file refuses:
    // std::logic_error, callers check writable().
    void store(int index, const SignatureEntry& entry);
    bool writable() const { return m_changes && m_state != State::Newer; }

    // The 64-bit hash a record's 96 bytes are known by.
    static std::uint64_t recordHash(const std::uint8_t* bytes, std::size_t size);

    // The byte form of an entry and back (false when the checksum fails or
    // a count is out of range); exposed for tests and fuzzing.
    static std::vector<std::uint8_t> encode(const SignatureEntry& entry, std::uint32_t version = Version);
    static bool decode(const std::uint8_t* bytes, SignatureEntry& entry, std::uint32_t version = Version);
    static std::array<std::uint8_t, HeaderSize> header(std::uint32_t version);

private:
    void restart();
    void upgrade();

    foundation::BinaryFile m_file;
    bool m_changes;
    State m_state = State::Current;
    std::uint32_t m_version = Version;
    int m_damaged = 0;
    std::vector<bool> m_present;
    std::vector<SignatureEntry> m_entries;
};

} // namespace vestiscop::signature

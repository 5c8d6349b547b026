// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user's catalogue of named garments and the rules that recognise a scan
// among them and let a definition learn from a confirmed scan.
//
// File: the Materials file of MatchingSettings, a headerless sequence of
// 96-byte ColorAnalysis records; record i at byte 96 * i is slot i, and the
// slot index is a definition's identity everywhere in the program. A slot
// whose valid byte is 0 is free and is reused, lowest index first. Records
// are little-endian with zero padding; memory holds exactly the file's bytes,
// so the name field is Windows-1250 in memory too (64 characters are 64 bytes
// and fit the field). name() and setName() convert to and from the program's
// UTF-8 at that boundary.
//
// Every change goes to the file at once, one record in place, and is durable
// when the call returns (fdatasync). The edits add(), correct() and erase()
// either change both memory and file or, when storing fails, neither: the
// slot in memory is restored, the file is put back as well as the system
// allows, and the SystemError propagates for the caller to report.
//
// Failures: SystemError with the file's path, code 2 when the file cannot be
// opened or is being changed by another program, 3 when a record cannot be
// read in full (a file of 96 * n + k bytes), 4 when a record cannot be written.
// Used from one thread only; no locks inside.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "color/ColorAnalysis.h"
#include "foundation/Files.h"
#include "foundation/Settings.h"

namespace vestiscop::catalog {

class GarmentCatalog {
public:
    static constexpr std::size_t RecordSize = sizeof(color::ColorAnalysis);
    // Characters (and, in Windows-1250, bytes) a stored name keeps.
    static constexpr std::size_t MaxNameLength = 64;

    enum class Access {
        // The program may change the catalogue: it takes an exclusive advisory
        // lock on the file, and a second program that wants to change it too
        // fails to open it (SystemError 2) instead of overwriting its records.
        Changes,
        // Only looks things up: no lock, and the edits refuse to run.
        Lookup,
    };

    // Opens (creating it empty if missing, never truncating) and loads every
    // record, free ones included. The settings must outlive the catalogue.
    explicit GarmentCatalog(const foundation::MatchingSettings& settings, Access access = Access::Changes);
    ~GarmentCatalog();
    GarmentCatalog(const GarmentCatalog&) = delete;
    GarmentCatalog& operator=(const GarmentCatalog&) = delete;

    // Slots, free ones included; a slot is a definition when inUse().
    int slotCount() const { return static_cast<int>(m_definitions.size()); }
    const color::ColorAnalysis& slot(int index) const;
    // Write access for callers that edit a slot themselves and then store() it;
    // prefer add(), correct() and erase(), which keep memory and file in step.
    color::ColorAnalysis& slot(int index);
    bool inUse(int index) const { return slot(index).valid != 0; }
    // The slot's name in UTF-8.
    std::string name(int index) const;
    // The first slot in use whose name (UTF-8) is exactly this one, or -1.
    int findByName(const std::string& utf8Name) const;
    const std::string& path() const { return m_file.path(); }
    Access access() const { return m_access; }

    // The first free slot, or a new all-zero slot appended in memory only;
    // storing it extends the file by one record.
    int allocate();
    // Writes slot index to byte 96 * index and waits until it is durable.
    // When that fails the file is put back as it was (an appended record is
    // cut off again) and SystemError 4 propagates; memory is left as it is.
    void store(int index);

    // The three edits of the catalogue commands. Each changes one slot and
    // stores it; on failure nothing has changed (see above).
    // add: the scan with the given UTF-8 name (cut to 64 characters) and
    // valid = 1 in the first free slot; returns the slot.
    int add(const color::ColorAnalysis& scan, const std::string& utf8Name);
    // correct: merges the scan into the definition in slot index.
    void correct(int index, const color::ColorAnalysis& scan);
    // erase: frees the slot; its name, colours and shares stay in the file.
    void erase(int index);

    // Matching. Colours are compared as integers (L unsigned, a and b
    // signed), everything after the squares in double precision.
    // w[0..2] weigh the squared L, a and b differences.
    static double colorDistance(color::LabPixel p, color::LabPixel q, const std::array<double, 4>& w);
    // Distance of record q from record p: the smaller of the straight and the
    // crossed pairing of their colours. Not symmetric: the weights follow p.
    double distance(const color::ColorAnalysis& p, const color::ColorAnalysis& q) const;
    // The slot of the definition the scan is, or -1. similarity is written
    // only when a best definition within MaxDistance exists (also when it is
    // then rejected by MinSimilarity).
    int findMatch(const color::ColorAnalysis& scan, double& similarity) const;
    // The same rules over the slots in use that among marks (a slot past its
    // end is not considered): best, second best and scale come from them only.
    int findMatch(const color::ColorAnalysis& scan, double& similarity, const std::vector<bool>& among) const;
    // Moves t towards s with MergeDecay as the weight of t, rounding halves up.
    void blend(color::LabPixel& t, color::LabPixel s) const;
    // Blends the scan's colours and shares into definition t in the pairing
    // its colours fit best, the straight one when both fit equally; t's valid
    // byte and name stay. Does not store.
    void merge(color::ColorAnalysis& t, const color::ColorAnalysis& s) const;

    // Refuses matching settings the rules cannot use: a negative MergeDecay
    // would divide by zero or push blended colours out of their bytes.
    // IniError 1 for the entry in section Matching of configPath.
    static void checkSettings(const foundation::MatchingSettings& settings, const std::string& configPath);

    // Name field helpers: the UTF-8 text of a record's name, and setting it
    // from UTF-8 (Windows-1250, first 64 characters, rest of the field zero;
    // a character Windows-1250 lacks becomes '?').
    static std::string nameOf(const color::ColorAnalysis& record);
    static void setName(color::ColorAnalysis& record, const std::string& utf8Name);

private:
    void checkIndex(int index) const;
    void requireChanges() const;
    // Stores slot index; on failure puts back previous in memory (or drops
    // the slot appended for it) and rethrows.
    void storeOrRestore(int index, const color::ColorAnalysis& previous, bool appended);
    int findMatchAmong(const color::ColorAnalysis& scan, double& similarity, const std::vector<bool>* among) const;

    std::vector<color::ColorAnalysis> m_definitions;
    const foundation::MatchingSettings& m_settings;
    Access m_access;
    foundation::BinaryFile m_file;
};

} // namespace vestiscop::catalog

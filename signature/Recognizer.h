// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recognition of a scan among the named garments, and the catalogue edits
// that keep what recognition needs, in one place for the window and the
// command-line program.
//
// Without a signature file (the Signatures key of [Matching] absent) every
// call is exactly the catalogue's own: the classic matching on the two
// leading colours of the 96-byte records, nothing else read or written.
//
// With it, each garment is matched on its signatures (GarmentSignature, up
// to MaxExamples per garment: the scan it was added from and its latest
// corrections; the nearest counts), and only garments without a usable
// signature (a catalogue of an older version, an entry that did not
// survive) fall back to the classic matching among themselves; the better
// similarity of the two wins. The start says in the log which garments fall
// back, and why.
//
// Similarity on signatures: 1 - (1 - MinSimilarity) * distance / maxDistance,
// so an identical scan is 100 %, a scan at the acceptance distance exactly
// MinSimilarity (the same lowest figure the classic matching accepts), and
// nothing further is accepted. A scan nearly as close to a second garment
// (within ambiguityMargin) is not accepted either: naming either would be
// a guess.
//
// Edits: the signature entry is written before the Materials record, each
// durable on return. When the Materials record cannot be stored, the entry
// is put back too (best effort; an entry left over never counts, because it
// names a record the Materials file does not hold in that slot).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalog/GarmentCatalog.h"
#include "analysis/ScanResult.h"
#include "color/ColorAnalysis.h"
#include "foundation/IniFile.h"
#include "foundation/Settings.h"
#include "signature/GarmentSignature.h"
#include "signature/SignatureDistance.h"
#include "signature/SignatureFile.h"

namespace vestiscop::signature {

struct RecognitionSettings {
    // The signature file; empty turns signature matching off.
    std::string signatures;
    DistanceWeights weights;
    // Largest distance accepted as a match.
    double maxDistance = 11;
    // A second garment at most this much further away makes the match
    // ambiguous.
    double ambiguityMargin = 1;
};

// The recognition of the configuration: signatures in the file of the
// optional key Signatures of [Matching]; without it signature matching is off.
RecognitionSettings recognitionSettings(const foundation::MatchingSettings& matching);

class Recognizer {
public:
    using Warning = std::function<void(const std::string&)>;

    // The catalogue and the settings must outlive the recognizer. Opens the
    // signature file when the settings name one, with the catalogue's access;
    // SystemError 2 when another program holds it for changes.
    Recognizer(catalog::GarmentCatalog& catalog, const foundation::MatchingSettings& matching,
               const RecognitionSettings& settings, const foundation::ColorSettings& color,
               const foundation::ScanSettings& scan, Warning warn = {});
    ~Recognizer();

    bool signaturesOn() const { return m_file != nullptr; }
    const SignatureFile* file() const { return m_file.get(); }
    catalog::GarmentCatalog& catalog() { return m_catalog; }

    // An analysis's result; its weave is taken from ahead when that
    // measured it (WeaveAhead), the same as measured here.
    int findMatch(const analysis::ScanResult& result, double& similarity, WeaveAhead* ahead = nullptr) const;
    int add(const analysis::ScanResult& result, const std::string& utf8Name);
    void correct(int index, const analysis::ScanResult& result);

    // The same with the parts given (the signature is not used when
    // signatures are off).
    int findMatch(const color::ColorAnalysis& scan, const GarmentSignature& signature, double& similarity) const;
    int add(const color::ColorAnalysis& scan, const GarmentSignature& signature, const std::string& utf8Name);
    void correct(int index, const color::ColorAnalysis& scan, const GarmentSignature& signature);

    // The signature of an analysis's result when signatures are on; an
    // empty one (nothing measured) when they are off.
    GarmentSignature describe(const analysis::ScanResult& result, WeaveAhead* ahead = nullptr) const;

    // The entry that counts for slot index: the slot is in use and its
    // Materials record is the one the entry was written for. Null otherwise.
    const SignatureEntry* usableEntry(int index) const;
    // Whether any garment has a usable entry: only those read a scan's signature.
    bool anyUsableEntry() const;
    // Whether findMatch measures a scan's signature: signatures are on and
    // a garment has a usable entry.
    bool matchesSignatures() const { return signaturesOn() && anyUsableEntry(); }

private:
    std::uint64_t hashOf(const color::ColorAnalysis& record) const;
    void storeThenRestore(int index, const SignatureEntry& entry, const SignatureEntry* previous,
                          const std::function<void()>& materials);

    catalog::GarmentCatalog& m_catalog;
    const foundation::MatchingSettings& m_matching;
    const RecognitionSettings& m_settings;
    const foundation::ColorSettings& m_color;
    const foundation::ScanSettings& m_scan;
    std::unique_ptr<SignatureFile> m_file;
};

} // namespace vestiscop::signature

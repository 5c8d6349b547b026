// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature/Recognizer.h"

#include <limits>

#include "catalog/CatalogRecord.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::signature {

namespace text {
inline constexpr int NewerFile = 3250;
inline constexpr int OlderFile = 3251;
inline constexpr int DamagedFile = 3252;
inline constexpr int DamagedEntries = 3253;
inline constexpr int ClassicGarments = 3254;
} // namespace text

RecognitionSettings recognitionSettings(const foundation::MatchingSettings& matching)
{
    RecognitionSettings settings;
    settings.signatures = matching.signatures;
    return settings;
}

Recognizer::Recognizer(catalog::GarmentCatalog& catalog, const foundation::MatchingSettings& matching,
                       const RecognitionSettings& settings, const foundation::ColorSettings& color,
                       const foundation::ScanSettings& scan, Warning warn)
    : m_catalog(catalog), m_matching(matching), m_settings(settings), m_color(color), m_scan(scan)
{
    if (settings.signatures.empty())
        return;
    m_file = std::make_unique<SignatureFile>(settings.signatures,
                                             catalog.access() == catalog::GarmentCatalog::Access::Changes);
    if (!warn)
        return;
    const auto say = [&](int id, auto... arguments) {
        warn(foundation::format(foundation::loadString(id).c_str(), arguments...));
    };
    const char* path = m_file->path().c_str();
    switch (m_file->state()) {
    case SignatureFile::State::Newer: say(text::NewerFile, path); break;
    case SignatureFile::State::Older: say(text::OlderFile, path); break;
    case SignatureFile::State::Damaged: say(text::DamagedFile, path); break;
    case SignatureFile::State::Current: break;
    }
    if (m_file->damagedEntries() > 0)
        say(text::DamagedEntries, path, m_file->damagedEntries());
    int classic = 0;
    for (int i = 0; i < catalog.slotCount(); ++i)
        classic += catalog.inUse(i) && usableEntry(i) == nullptr ? 1 : 0;
    if (classic > 0)
        say(text::ClassicGarments, classic);
}

Recognizer::~Recognizer() = default;

std::uint64_t Recognizer::hashOf(const color::ColorAnalysis& record) const
{
    const catalog::RecordBytes bytes = catalog::encodeRecord(record);
    return SignatureFile::recordHash(bytes.data(), bytes.size());
}

const SignatureEntry* Recognizer::usableEntry(int index) const
{
    if (!m_file || index < 0 || index >= m_catalog.slotCount() || !m_catalog.inUse(index))
        return nullptr;
    const SignatureEntry* entry = m_file->entry(index);
    if (entry == nullptr)
        return nullptr;
    const std::uint64_t current = hashOf(m_catalog.slot(index));
    return entry->recordHash == current || entry->previousRecordHash == current ? entry : nullptr;
}

bool Recognizer::anyUsableEntry() const
{
    for (int i = 0; i < m_catalog.slotCount(); ++i)
        if (usableEntry(i) != nullptr)
            return true;
    return false;
}

GarmentSignature Recognizer::describe(const analysis::ScanResult& result, WeaveAhead* ahead) const
{
    return m_file ? signature::describe(result, m_color, m_scan, ahead) : GarmentSignature{};
}

int Recognizer::findMatch(const analysis::ScanResult& result, double& similarity, WeaveAhead* ahead) const
{
    if (!m_file)
        return m_catalog.findMatch(result.record, similarity);
    // Without a garment that has a usable entry (an empty catalogue, or one
    // of classic records only) nothing compares signatures: the scan's is
    // not measured, which at a large region is a good part of the time.
    if (!anyUsableEntry())
        return findMatch(result.record, GarmentSignature{}, similarity);
    return findMatch(result.record, describe(result, ahead), similarity);
}

int Recognizer::add(const analysis::ScanResult& result, const std::string& utf8Name)
{
    if (!m_file)
        return m_catalog.add(result.record, utf8Name);
    return add(result.record, describe(result), utf8Name);
}

void Recognizer::correct(int index, const analysis::ScanResult& result)
{
    if (!m_file) {
        m_catalog.correct(index, result.record);
        return;
    }
    correct(index, result.record, describe(result));
}

int Recognizer::findMatch(const color::ColorAnalysis& scan, const GarmentSignature& signature,
                          double& similarity) const
{
    if (!m_file)
        return m_catalog.findMatch(scan, similarity);

    constexpr double none = std::numeric_limits<double>::infinity();
    int best = -1;
    double bestDistance = none;
    double secondDistance = none;
    std::vector<bool> classic(static_cast<std::size_t>(m_catalog.slotCount()), false);
    bool anyClassic = false;
    for (int i = 0; i < m_catalog.slotCount(); ++i) {
        if (!m_catalog.inUse(i))
            continue;
        const SignatureEntry* entry = usableEntry(i);
        if (entry == nullptr) {
            classic[static_cast<std::size_t>(i)] = true;
            anyClassic = true;
            continue;
        }
        double nearest = none;
        for (int e = 0; e < entry->exampleCount; ++e) {
            const GarmentSignature& example = entry->examples[static_cast<std::size_t>(e)];
            // The texture part is cheap; when it alone is no nearer than
            // what this garment would have to beat, the colours need not
            // be compared.
            const double texture = textureDistance(signature, example, m_settings.weights);
            if (texture >= nearest || texture >= secondDistance)
                continue;
            const double d = texture + colourDistance(signature, example, m_settings.weights);
            if (d < nearest)
                nearest = d;
        }
        // Of equal distances the lower slot stays best.
        if (nearest < bestDistance) {
            secondDistance = bestDistance;
            bestDistance = nearest;
            best = i;
        } else if (nearest < secondDistance) {
            secondDistance = nearest;
        }
    }

    int found = -1;
    double foundSimilarity = 0;
    const double maxDistance = m_settings.maxDistance;
    if (best >= 0 && bestDistance <= maxDistance && !(secondDistance - bestDistance < m_settings.ambiguityMargin)) {
        found = best;
        foundSimilarity = maxDistance > 0 ? 1 - (1 - m_matching.minSimilarity) * bestDistance / maxDistance : 1.0;
    }
    if (anyClassic) {
        double classicSimilarity = 0;
        const int classicFound = m_catalog.findMatch(scan, classicSimilarity, classic);
        if (classicFound >= 0 && (found < 0 || classicSimilarity > foundSimilarity)) {
            found = classicFound;
            foundSimilarity = classicSimilarity;
        }
    }
    if (found >= 0)
        similarity = foundSimilarity;
    return found;
}

void Recognizer::storeThenRestore(int index, const SignatureEntry& entry, const SignatureEntry* previous,
                                  const std::function<void()>& materials)
{
    const SignatureEntry kept = previous != nullptr ? *previous : SignatureEntry{};
    const bool hadPrevious = previous != nullptr;
    m_file->store(index, entry);
    try {
        materials();
    } catch (...) {
        // Best effort: the Materials failure is what the user must hear
        // about, and the new entry does not count without its record.
        if (hadPrevious) {
            try {
                m_file->store(index, kept);
            } catch (...) {
            }
        }
        throw;
    }
}

int Recognizer::add(const color::ColorAnalysis& scan, const GarmentSignature& signature, const std::string& utf8Name)
{
    if (!m_file || !m_file->writable())
        return m_catalog.add(scan, utf8Name);
    // The slot add() will take: the first free one, or a new one at the end.
    int index = 0;
    while (index < m_catalog.slotCount() && m_catalog.inUse(index))
        ++index;
    color::ColorAnalysis record = scan;
    catalog::GarmentCatalog::setName(record, utf8Name);
    record.valid = 1;

    SignatureEntry entry;
    entry.recordHash = hashOf(record);
    entry.previousRecordHash = 0;
    entry.exampleCount = 1;
    entry.nextReplaced = 1;
    entry.examples[0] = signature;
    int slot = -1;
    storeThenRestore(index, entry, m_file->entry(index), [&] { slot = m_catalog.add(scan, utf8Name); });
    return slot;
}

void Recognizer::correct(int index, const color::ColorAnalysis& scan, const GarmentSignature& signature)
{
    if (!m_file || !m_file->writable()) {
        m_catalog.correct(index, scan);
        return;
    }
    const color::ColorAnalysis& current = m_catalog.slot(index);
    color::ColorAnalysis merged = current;
    m_catalog.merge(merged, scan);

    const SignatureEntry* usable = usableEntry(index);
    SignatureEntry entry;
    if (usable != nullptr) {
        // Another example of the garment; the scan it was added from stays,
        // the oldest correction gives way once all places are taken. The
        // nearest example counts, so a correction can only bring later
        // re-scans of the garment closer.
        entry = *usable;
        if (entry.exampleCount < MaxExamples) {
            entry.examples[static_cast<std::size_t>(entry.exampleCount++)] = signature;
        } else {
            entry.examples[static_cast<std::size_t>(entry.nextReplaced)] = signature;
            entry.nextReplaced = entry.nextReplaced + 1 < MaxExamples ? entry.nextReplaced + 1 : 1;
        }
    } else {
        // A garment of an older catalogue (or whose entry was lost) gets its
        // first signature from this scan.
        entry.exampleCount = 1;
        entry.nextReplaced = 1;
        entry.examples[0] = signature;
    }
    entry.recordHash = hashOf(merged);
    entry.previousRecordHash = hashOf(current);
    storeThenRestore(index, entry, m_file->entry(index), [&] { m_catalog.correct(index, scan); });
}

} // namespace vestiscop::signature

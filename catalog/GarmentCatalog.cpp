// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalog/GarmentCatalog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "catalog/CatalogRecord.h"
#include "catalog/DurableFile.h"
#include "foundation/CodePage.h"
#include "foundation/Exception.h"

namespace vestiscop::catalog {

using color::ColorAnalysis;
using color::LabPixel;
using foundation::SystemError;
namespace systemError = foundation::systemError;

GarmentCatalog::GarmentCatalog(const foundation::MatchingSettings& settings, Access access)
    : m_settings(settings), m_access(access)
{
    // Another program changing the catalogue at the same time would overwrite
    // this one's records from its own copy in memory: the lock refuses it.
    openForChanges(m_file, settings.materials, access == Access::Changes);

    while (!m_file.atEnd()) {
        RecordBytes bytes;
        m_file.read(bytes.data(), bytes.size());
        if (m_definitions.size() == m_definitions.capacity())
            m_definitions.reserve(m_definitions.empty() ? 16 : 2 * m_definitions.size());
        m_definitions.push_back(decodeRecord(bytes));
    }
}

GarmentCatalog::~GarmentCatalog() = default;

void GarmentCatalog::checkIndex(int index) const
{
    if (index < 0 || index >= slotCount())
        throw std::out_of_range("catalogue slot index");
}

void GarmentCatalog::requireChanges() const
{
    // A programming error: the program opened the catalogue for look-ups.
    if (m_access != Access::Changes)
        throw std::logic_error("catalogue opened for look-ups only");
}

const ColorAnalysis& GarmentCatalog::slot(int index) const
{
    checkIndex(index);
    return m_definitions[static_cast<std::size_t>(index)];
}

ColorAnalysis& GarmentCatalog::slot(int index)
{
    checkIndex(index);
    return m_definitions[static_cast<std::size_t>(index)];
}

std::string GarmentCatalog::name(int index) const
{
    return nameOf(slot(index));
}

int GarmentCatalog::findByName(const std::string& utf8Name) const
{
    for (int i = 0; i < slotCount(); ++i) {
        if (inUse(i) && name(i) == utf8Name)
            return i;
    }
    return -1;
}

int GarmentCatalog::allocate()
{
    for (int i = 0; i < slotCount(); ++i) {
        if (!inUse(i))
            return i;
    }
    if (m_definitions.size() == m_definitions.capacity())
        m_definitions.reserve(m_definitions.empty() ? 16 : 2 * m_definitions.size());
    m_definitions.emplace_back();
    return slotCount() - 1;
}

void GarmentCatalog::store(int index)
{
    requireChanges();
    checkIndex(index);
    const RecordBytes bytes = encodeRecord(m_definitions[static_cast<std::size_t>(index)]);
    const std::int64_t offset = static_cast<std::int64_t>(index) * static_cast<std::int64_t>(RecordSize);
    // A failed write (a full disk, a file-size limit) leaves no half-written
    // record behind: a partial last record would make the whole catalogue
    // unreadable at the next start.
    writeInPlace(m_file, offset, bytes.data(), bytes.size());
}

void GarmentCatalog::storeOrRestore(int index, const ColorAnalysis& previous, bool appended)
{
    try {
        store(index);
    } catch (...) {
        if (appended)
            m_definitions.pop_back();
        else
            m_definitions[static_cast<std::size_t>(index)] = previous;
        throw;
    }
}

int GarmentCatalog::add(const ColorAnalysis& scan, const std::string& utf8Name)
{
    requireChanges();
    ColorAnalysis record = scan;
    setName(record, utf8Name);
    record.valid = 1;

    const int countBefore = slotCount();
    const int index = allocate();
    const bool appended = index == countBefore;
    ColorAnalysis& target = m_definitions[static_cast<std::size_t>(index)];
    const ColorAnalysis previous = target;
    target = record;
    storeOrRestore(index, previous, appended);
    return index;
}

void GarmentCatalog::correct(int index, const ColorAnalysis& scan)
{
    requireChanges();
    ColorAnalysis& target = slot(index);
    const ColorAnalysis previous = target;
    merge(target, scan);
    storeOrRestore(index, previous, false);
}

void GarmentCatalog::erase(int index)
{
    requireChanges();
    ColorAnalysis& target = slot(index);
    const ColorAnalysis previous = target;
    target.valid = 0;
    storeOrRestore(index, previous, false);
}

// ------------------------------------------------------------------ matching

double GarmentCatalog::colorDistance(LabPixel p, LabPixel q, const std::array<double, 4>& w)
{
    const int dl = static_cast<int>(p.l) - static_cast<int>(q.l);
    const int da = static_cast<int>(p.a) - static_cast<int>(q.a);
    const int db = static_cast<int>(p.b) - static_cast<int>(q.b);
    return w[0] * (dl * dl) + w[1] * (da * da) + w[2] * (db * db);
}

double GarmentCatalog::distance(const ColorAnalysis& p, const ColorAnalysis& q) const
{
    const auto& w1 = m_settings.color1Weight;
    const auto& w2 = m_settings.color2Weight;
    const double dShareA = p.shareA - q.shareA;
    const double dShareB = p.shareB - q.shareB;
    const double straight = colorDistance(p.colorA, q.colorA, w1) + w1[3] * (dShareA * dShareA)
                            + colorDistance(p.colorB, q.colorB, w2) + w2[3] * (dShareB * dShareB);
    // Both share terms of the crossed pairing carry the second colour's weight.
    const double dCrossA = p.shareA - q.shareB;
    const double dCrossB = p.shareB - q.shareA;
    const double crossed = colorDistance(p.colorA, q.colorB, w1) + w2[3] * (dCrossA * dCrossA)
                           + colorDistance(p.colorB, q.colorA, w2) + w2[3] * (dCrossB * dCrossB);
    return straight < crossed ? straight : crossed;
}

int GarmentCatalog::findMatch(const ColorAnalysis& scan, double& similarity) const
{
    return findMatchAmong(scan, similarity, nullptr);
}

int GarmentCatalog::findMatch(const ColorAnalysis& scan, double& similarity, const std::vector<bool>& among) const
{
    return findMatchAmong(scan, similarity, &among);
}

int GarmentCatalog::findMatchAmong(const ColorAnalysis& scan, double& similarity, const std::vector<bool>* among) const
{
    constexpr double none = std::numeric_limits<double>::infinity();
    int best = -1;
    int second = -1;
    double bestDistance = none;
    double secondDistance = none;
    for (int i = 0; i < slotCount(); ++i) {
        if (!inUse(i) || (among != nullptr && !(static_cast<std::size_t>(i) < among->size() && (*among)[static_cast<std::size_t>(i)])))
            continue;
        const double d = distance(scan, m_definitions[static_cast<std::size_t>(i)]);
        // Strict tests: of equal distances the lower slot stays best and a
        // later equal one becomes second best.
        if (d < secondDistance) {
            if (d < bestDistance) {
                second = best;
                secondDistance = bestDistance;
                best = i;
                bestDistance = d;
            } else {
                second = i;
                secondDistance = d;
            }
        }
    }
    if (best < 0)
        return -1;

    const double maxDistance = m_settings.maxDistance;
    if (bestDistance > maxDistance)
        return -1;

    // Two nearby definitions make the scale their mutual distance, so the
    // similarity falls faster when the catalogue must tell them apart.
    double scale = maxDistance;
    if (second >= 0) {
        const double between =
            distance(m_definitions[static_cast<std::size_t>(best)], m_definitions[static_cast<std::size_t>(second)]);
        if (between <= maxDistance)
            scale = between;
    }
    const double floorScale = std::sqrt(maxDistance);
    if (scale <= floorScale)
        scale = floorScale;

    // With MaxDistance 0 the scale is 0 too and the only scan that gets here
    // is at distance 0; it is its definition exactly, not 0 / 0.
    similarity = bestDistance == 0 ? 1.0 : 1.0 - 0.5 * bestDistance / scale;
    if (similarity < m_settings.minSimilarity)
        return -1;
    return best;
}

void GarmentCatalog::blend(LabPixel& t, LabPixel s) const
{
    const double k = m_settings.mergeDecay;
    const auto mix = [k](int target, int source) {
        return static_cast<int>(std::floor((target * k + source) / (k + 1) + 0.5));
    };
    // The blend lies between t and s (MergeDecay >= 0 is checked at start-up),
    // so every result fits its byte again.
    t.l = static_cast<std::uint8_t>(mix(t.l, s.l));
    t.a = static_cast<std::int8_t>(mix(t.a, s.a));
    t.b = static_cast<std::int8_t>(mix(t.b, s.b));
}

void GarmentCatalog::merge(ColorAnalysis& t, const ColorAnalysis& s) const
{
    const auto& w1 = m_settings.color1Weight;
    const auto& w2 = m_settings.color2Weight;
    const double k = m_settings.mergeDecay;
    const double straight = colorDistance(t.colorA, s.colorA, w1) + colorDistance(t.colorB, s.colorB, w2);
    const double crossed = colorDistance(t.colorA, s.colorB, w1) + colorDistance(t.colorB, s.colorA, w2);
    // A tie keeps the straight pairing. A one-colour garment holds its colour
    // in both places, so every scan of it ties; crossing would swap its shares
    // to 0.5 / 0.5 and put every later scan (1 / 0) out of reach for good.
    if (crossed < straight) {
        blend(t.colorA, s.colorB);
        blend(t.colorB, s.colorA);
        t.shareA = (t.shareA * k + s.shareB) / (k + 1);
        t.shareB = (t.shareB * k + s.shareA) / (k + 1);
    } else {
        blend(t.colorA, s.colorA);
        blend(t.colorB, s.colorB);
        t.shareA = (t.shareA * k + s.shareA) / (k + 1);
        t.shareB = (t.shareB * k + s.shareB) / (k + 1);
    }
}

void GarmentCatalog::checkSettings(const foundation::MatchingSettings& settings, const std::string& configPath)
{
    // Written so that NaN fails too.
    if (!(settings.mergeDecay >= 0))
        throw foundation::IniError(1, configPath, "Matching", "MergeDecay");
}

// --------------------------------------------------------------------- names

std::string GarmentCatalog::nameOf(const ColorAnalysis& record)
{
    // A record from elsewhere may fill all 65 bytes; never read past them.
    return foundation::cp1250ToUtf8(std::string(record.name, ::strnlen(record.name, sizeof record.name)));
}

void GarmentCatalog::setName(ColorAnalysis& record, const std::string& utf8Name)
{
    // Windows-1250 has one byte per character, so cutting the converted text
    // to 64 bytes keeps the first 64 characters and never splits one.
    std::string encoded = foundation::utf8ToCp1250(utf8Name);
    if (encoded.size() > MaxNameLength)
        encoded.resize(MaxNameLength);
    std::memset(record.name, 0, sizeof record.name);
    std::memcpy(record.name, encoded.data(), encoded.size());
}

} // namespace vestiscop::catalog

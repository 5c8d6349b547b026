// SPDX-License-Identifier: GPL-3.0-or-later
// The Materials file as it may be found on disk: any length, any bytes in
// any record (names without a terminator, NaN shares, free slots). Loading
// takes every whole record or fails with SystemError 3 at a partial one;
// matching, adding, correcting and deleting on what was loaded keep the file
// a whole number of records that reads back as the catalogue in memory.

#include <cstdint>
#include <cstring>
#include <memory>

#include "MemoryFile.h"
#include "catalog/CatalogRecord.h"
#include "catalog/GarmentCatalog.h"
#include "foundation/CodePage.h"
#include "foundation/Exception.h"

using namespace vestiscop;
using catalog::GarmentCatalog;
using fuzz::require;

namespace {

constexpr std::size_t Record = GarmentCatalog::RecordSize;

color::ColorAnalysis recordAt(const std::uint8_t* bytes)
{
    catalog::RecordBytes raw;
    std::memcpy(raw.data(), bytes, raw.size());
    return catalog::decodeRecord(raw);
}

bool sameRecord(const color::ColorAnalysis& a, const color::ColorAnalysis& b)
{
    return catalog::encodeRecord(a) == catalog::encodeRecord(b);
}

void requireFileMatches(const GarmentCatalog& catalog, const foundation::MatchingSettings& settings,
                        const fuzz::MemoryFile& file)
{
    require(::lseek(file.descriptor(), 0, SEEK_END) == static_cast<off_t>(catalog.slotCount() * Record));
    GarmentCatalog again(settings, GarmentCatalog::Access::Lookup);
    require(again.slotCount() == catalog.slotCount());
    for (int i = 0; i < catalog.slotCount(); ++i)
        require(sameRecord(again.slot(i), catalog.slot(i)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::MemoryFile file(data, size);
    foundation::MatchingSettings settings;
    settings.materials = file.path();
    settings.color1Weight = {1, 1, 1, 400};
    settings.color2Weight = {1, 1, 1, 400};
    settings.maxDistance = 400;
    settings.minSimilarity = 0.5;
    settings.mergeDecay = 3;

    std::unique_ptr<GarmentCatalog> catalog;
    try {
        catalog = std::make_unique<GarmentCatalog>(settings);
    } catch (const foundation::SystemError& error) {
        require(error.code() == 3 && size % Record != 0);
        return 0;
    }
    require(size % Record == 0);
    require(catalog->slotCount() == static_cast<int>(size / Record));
    for (int i = 0; i < catalog->slotCount(); ++i) {
        require(sameRecord(catalog->slot(i), recordAt(data + i * Record)));
        // A name without its terminator must not be read past its field.
        require(foundation::isValidUtf8(catalog->name(i)));
    }

    // Each stored record in turn is the scan: it matches a definition in use
    // or none.
    for (int i = 0; i < catalog->slotCount() && i < 8; ++i) {
        double similarity = -1;
        const int match = catalog->findMatch(catalog->slot(i), similarity);
        require(match == -1 || (match >= 0 && match < catalog->slotCount() && catalog->inUse(match)));
    }

    if (catalog->slotCount() == 0)
        return 0;
    const color::ColorAnalysis scan = catalog->slot(catalog->slotCount() - 1);
    const int added = catalog->add(scan, catalog->name(0) + " nový");
    require(catalog->inUse(added));
    const int used = catalog->findByName(catalog->name(added));
    require(used >= 0 && catalog->inUse(used));
    catalog->correct(added, catalog->slot(0));
    catalog->correct(0, scan);
    catalog->erase(catalog->slotCount() / 2);
    requireFileMatches(*catalog, settings, file);
    return 0;
}

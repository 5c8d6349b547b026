// SPDX-License-Identifier: GPL-3.0-or-later
// The signature file as it may be found on disk: any length, any header,
// any bytes in any entry. Opening never fails on its contents; an entry is
// used only when its checksum and every value in it hold, and distances
// between whatever entries were read are numbers. Storing an entry then
// leaves a file of this version from which exactly that entry reads back
// (or, for a file of an older version, which cannot be renamed here, fails
// and leaves it as it was).

#include <cmath>
#include <cstdint>

#include "MemoryFile.h"
#include "foundation/Exception.h"
#include "signature/SignatureDistance.h"
#include "signature/SignatureFile.h"

using namespace vestiscop;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::MemoryFile file(data, size);
    signature::SignatureFile signatures(file.path(), true);
    const signature::DistanceWeights weights;
    signature::GarmentSignature plain;
    plain.colourCount = 1;
    plain.colours[0] = {50, 0, 0, 1};
    const int entries = static_cast<int>(size / signature::SignatureFile::EntrySize) + 1;
    const signature::SignatureEntry* last = nullptr;
    for (int i = 0; i < entries; ++i) {
        const signature::SignatureEntry* entry = signatures.entry(i);
        if (entry == nullptr)
            continue;
        require(entry->exampleCount >= 1 && entry->exampleCount <= signature::MaxExamples);
        for (int e = 0; e < entry->exampleCount; ++e) {
            const auto& example = entry->examples[static_cast<std::size_t>(e)];
            require(!std::isnan(signature::signatureDistance(example, plain, weights)));
            require(!std::isnan(signature::signatureDistance(plain, example, weights)));
        }
        last = entry;
    }
    if (!signatures.writable())
        return 0;
    signature::SignatureEntry entry = last != nullptr ? *last : signature::SignatureEntry{};
    entry.exampleCount = last != nullptr ? entry.exampleCount : 1;
    entry.examples[0] = plain;
    entry.recordHash = 42;
    const int slot = static_cast<int>(size % 7);
    const std::uint32_t version = signatures.version();
    try {
        signatures.store(slot, entry);
    } catch (const foundation::SystemError&) {
        // A file of an older version is rewritten beside itself and renamed
        // into place, for which an in-memory file has no folder: the
        // change fails, and the file must be as it was.
        require(version != signature::SignatureFile::Version);
        signature::SignatureFile unchanged(file.path(), false);
        require(unchanged.version() == version);
        return 0;
    }
    signature::SignatureFile again(file.path(), false);
    require(again.state() == signature::SignatureFile::State::Current);
    require(again.entry(slot) != nullptr && again.entry(slot)->recordHash == 42);
    return 0;
}

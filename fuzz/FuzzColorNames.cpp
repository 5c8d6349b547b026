// SPDX-License-Identifier: GPL-3.0-or-later
// The colour definitions loader over an arbitrary file, then look-ups in the
// table it built. Loading either yields at least one entry with a UTF-8 name
// or fails with ParseError 0, 1 or 2; the nearest entry is the one a plain
// search over all entries finds.

#include <cstdint>
#include <limits>

#include "MemoryFile.h"
#include "color/ColorNameTable.h"
#include "foundation/CodePage.h"
#include "foundation/Exception.h"

using namespace vestiscop;
using fuzz::require;

namespace {

long distance(color::LabPixel p, color::LabPixel q)
{
    const long dl = long{p.l} - long{q.l};
    const long da = long{p.a} - long{q.a};
    const long db = long{p.b} - long{q.b};
    return dl * dl + da * da + db * db;
}

void checkNearest(const color::ColorNameTable& table, color::LabPixel query)
{
    const color::ColorName& found = table.nearest(query);
    long best = std::numeric_limits<long>::max();
    const color::ColorName* expected = nullptr;
    for (const color::ColorName& entry : table.entries()) {
        if (distance(entry.lab, query) < best) {
            best = distance(entry.lab, query);
            expected = &entry;
        }
    }
    require(&found == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::MemoryFile file(data, size);
    try {
        const auto table = color::ColorNameTable::load(file.path());
        require(!table.entries().empty());
        for (const color::ColorName& entry : table.entries())
            require(foundation::isValidUtf8(entry.name));
        checkNearest(table, {0, 0, 0});
        checkNearest(table, {255, 127, -128});
        if (size >= 3)
            checkNearest(table, {data[size - 3], static_cast<std::int8_t>(data[size - 2]),
                                 static_cast<std::int8_t>(data[size - 1])});
    } catch (const foundation::ParseError& error) {
        require(error.code() >= 0 && error.code() <= 2);
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "color/ColorNameTable.h"

#include <cstdint>
#include <limits>
#include <utility>

#include "foundation/CodePage.h"
#include "foundation/Exception.h"
#include "foundation/Tokenizer.h"

namespace vestiscop::color {

namespace {

// Ends with the tokenizer's expectEnd, so anything after b is refused.
ColorName parseDefinition(foundation::Tokenizer& tokens)
{
    ColorName entry;
    std::string token;
    bool first = true;
    // A line that runs out before the "=" token fails here with "data not found".
    while (tokens.readToken(token), token != "=") {
        if (!first)
            entry.name += ' ';
        entry.name += token;
        first = false;
    }
    std::int32_t l = 0;
    std::int32_t a = 0;
    std::int32_t b = 0;
    tokens.readInt(l).readInt(a).readInt(b).expectEnd();
    // Out-of-range values wrap into the byte rather than fail: tables written
    // for older versions rely on it.
    entry.lab.l = static_cast<std::uint8_t>(l);
    entry.lab.a = static_cast<std::int8_t>(static_cast<std::uint8_t>(a));
    entry.lab.b = static_cast<std::int8_t>(static_cast<std::uint8_t>(b));
    return entry;
}

} // namespace

ColorNameTable ColorNameTable::load(const std::string& path)
{
    std::vector<ColorName> entries;
    foundation::readDataFile(path, [&entries](foundation::Tokenizer& tokens) {
        if (foundation::isValidUtf8(tokens.input())) {
            entries.push_back(parseDefinition(tokens));
            return;
        }
        // Tables from older versions are in Windows-1250.
        foundation::Tokenizer decoded(foundation::cp1250ToUtf8(tokens.input()));
        entries.push_back(parseDefinition(decoded));
    });
    return ColorNameTable(std::move(entries));
}

ColorNameTable::ColorNameTable(std::vector<ColorName> entries) : m_entries(std::move(entries))
{
    // Every colour of every analysis needs a name; an empty table would leave
    // the analysis without one, so it is refused as "data not found".
    if (m_entries.empty())
        throw foundation::ParseError(0);
}

const ColorName& ColorNameTable::nearest(LabPixel lab) const
{
    const ColorName* best = &m_entries.front();
    double bestDistance = std::numeric_limits<double>::max();
    for (const ColorName& entry : m_entries) {
        const int dl = int{entry.lab.l} - int{lab.l};
        const int da = int{entry.lab.a} - int{lab.a};
        const int db = int{entry.lab.b} - int{lab.b};
        const int distance = dl * dl + da * da + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = &entry;
        }
    }
    return *best;
}

} // namespace vestiscop::color

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A colour in compact byte CIE L*a*b*: L unsigned, a and b signed. The same
// three bytes are stored in colour table entries and catalogue records.

#include <cstdint>

namespace vestiscop::color {

struct LabPixel {
    std::uint8_t l = 0;
    std::int8_t a = 0;
    std::int8_t b = 0;

    friend bool operator==(const LabPixel&, const LabPixel&) = default;
};
static_assert(sizeof(LabPixel) == 3);

} // namespace vestiscop::color

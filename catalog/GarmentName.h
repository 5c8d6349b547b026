// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a garment name can be stored as it is. The catalogue keeps names
// in Windows-1250, at most GarmentCatalog::MaxNameLength characters, one per
// line of the name list; a name it would have to change (a character the
// code page lacks becoming '?', a cut, a line break) is refused instead, so
// the user's words are never stored altered.

#include <string>

namespace vestiscop::catalog {

enum class GarmentNameProblem {
    None,
    ControlCharacter, // a line break, tab or other control character
    NotStorable,      // malformed UTF-8 or a character Windows-1250 lacks
    TooLong,          // more than MaxNameLength characters
};

struct GarmentNameCheck {
    GarmentNameProblem problem = GarmentNameProblem::None;
    // The first offending character (UTF-8) for NotStorable and
    // ControlCharacter; empty otherwise.
    std::string character;
};

GarmentNameCheck checkGarmentName(const std::string& utf8Name);

// The user text of a refusal (string table 3300 to 3303); empty for None.
std::string garmentNameRefusal(const GarmentNameCheck& check);

} // namespace vestiscop::catalog

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reference colours that turn a measured colour into words: named points
// in byte Lab (L as such, not scaled by LumaScale), read once at start-up
// from the text file named by [Color] Definitions and never changed.
//
// File format, one definition per line:  name words  =  L a b
//   - the name is every token before the first token that is exactly "=",
//     joined by single blanks; a quoted token may hold blanks;
//   - L, a and b are decimal integers, each stored as its low byte;
//   - blank lines and lines whose first character is ';' are skipped.
// Lines are UTF-8; a line that is not valid UTF-8 is read as Windows-1250
// (tables written by older versions) and its name converted to UTF-8.

#include <string>
#include <vector>

#include "color/LabPixel.h"

namespace vestiscop::color {

struct ColorName {
    LabPixel lab;
    std::string name;  // UTF-8, shown to the user unchanged
};

class ColorNameTable {
public:
    // Reads the whole file. Throws SystemError (cannot open or read the file)
    // or ParseError 0 / 1 / 2 (a malformed line: missing value, not a number,
    // text left over). A file without any definition is refused with
    // ParseError 0, so every table in use names every colour.
    static ColorNameTable load(const std::string& path);

    // A table of the given entries (at least one), for tools and tests.
    explicit ColorNameTable(std::vector<ColorName> entries);

    // The entry with the smallest squared Euclidean distance in byte Lab
    // (L unsigned, a and b signed); of equally near entries the earliest.
    const ColorName& nearest(LabPixel lab) const;

    const std::vector<ColorName>& entries() const { return m_entries; }

private:
    std::vector<ColorName> m_entries;
};

} // namespace vestiscop::color

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The kind of pattern the texture analysis finds. The dialog shows the text
// with string id stringId::PatternBase + code, and the code is all that
// leaves the pattern analysis.

namespace vestiscop::pattern {

using PatternKind = int;

namespace patternKind {
inline constexpr PatternKind None = 0;     // "Bez vzoru"
inline constexpr PatternKind Stripes = 1;  // "Proužek"
inline constexpr PatternKind Check = 2;    // "Kostka"
inline constexpr PatternKind Dots = 3;     // "Puntík"
inline constexpr PatternKind Unknown = 4;  // "Neznámý motiv"
} // namespace patternKind

} // namespace vestiscop::pattern

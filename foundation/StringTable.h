// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's one table of user-visible texts, looked up by numeric id.
// Texts are UTF-8. Message texts of the exceptions live at 65000 and up,
// the window's texts below that.

#include <string>

namespace vestiscop::foundation {

namespace stringId {
inline constexpr int Similarity = 103;        // "na %d%%"
inline constexpr int ConfirmCorrect = 104;
inline constexpr int ConfirmDelete = 105;
inline constexpr int PatternBase = 1000;      // + PatternKind code
inline constexpr int UnknownGarment = 1016;   // "Neznámý oděv"
inline constexpr int PatternWordBase = 1020;  // + PatternKind code: "proužek", ...
inline constexpr int PatternGuess = 1025;     // "Asi %s, možná %s"
inline constexpr int MottledColour = 1026;    // "%s melír"
inline constexpr int BorderNear = 1027;       // "%s, skoro %s"
inline constexpr int BorderTowards = 1028;    // "%s do %s"
inline constexpr int Scanning = 3000;         // "Skenuji…"
inline constexpr int ScanCancelled = 3001;    // "Skenování zrušeno"
inline constexpr int Added = 3002;            // "Přidáno: %s"
inline constexpr int Corrected = 3003;        // "Opraveno: %s"
inline constexpr int Deleted = 3004;          // "Vymazáno: %s"
inline constexpr int CancelButton = 3005;     // "Zrušit"
inline constexpr int PatternSpoken = 3006;    // "Vzor: %s"
inline constexpr int ViewGroup = 3007;        // "Zobrazení"
inline constexpr int OpeningPicture = 3008;   // "Otevírám obrázek…"
inline constexpr int NoDesktop = 3009;        // the window without a display
} // namespace stringId

// The text of an id; an empty string when the table has no such entry.
std::string loadString(int id);

} // namespace vestiscop::foundation

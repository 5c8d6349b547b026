// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// String-table ids of the command-line program's own texts (help and
// misuse). 2000 to 2049 are taken here (2021 to 2024 by the data directory's
// texts, app/DataDirectory.cpp); a new command takes the next free ids from
// 2050 on.

namespace vestiscop::app::cli::cliText {

inline constexpr int Usage = 2000;           // "Použití: vestiscop-cli PŘÍKAZ [PARAMETRY]"
inline constexpr int About = 2001;
inline constexpr int Commands = 2002;        // "Příkazy:"
inline constexpr int ExitStatuses = 2003;
inline constexpr int UnknownCommand = 2004;  // %s: the command
inline constexpr int BadArguments = 2005;    // %s: the command
inline constexpr int NotAnImage = 2006;      // %s: the file
inline constexpr int NoSuchGarment = 2007;   // %s: the name
inline constexpr int SeeHelp = 2008;
inline constexpr int MissingCommand = 2009;
inline constexpr int HelpAnalyze = 2010;
inline constexpr int HelpList = 2011;
inline constexpr int HelpAdd = 2012;
inline constexpr int HelpCorrect = 2013;
inline constexpr int HelpDelete = 2014;
inline constexpr int HelpHelp = 2015;
inline constexpr int HelpVersion = 2016;
inline constexpr int UnknownOption = 2017;   // %s: the option
inline constexpr int HelpScan = 2020;
inline constexpr int CommandUsage = 2025;    // %s: the command's synopsis
inline constexpr int HelpDataDir = 2026;
inline constexpr int MissingDirectory = 2027; // %s: the option
inline constexpr int HelpCommandHelp = 2028;
inline constexpr int CommandSeeHelp = 2029;  // %s: the command
inline constexpr int DetailsAnalyze = 2030;
inline constexpr int DetailsScan = 2031;
inline constexpr int DetailsList = 2032;
inline constexpr int DetailsAdd = 2033;
inline constexpr int DetailsCorrect = 2034;
inline constexpr int DetailsDelete = 2035;
inline constexpr int StandardInputTwice = 2036;

} // namespace vestiscop::app::cli::cliText

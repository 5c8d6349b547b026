#pragma once
// String-table ids of the command-line program's own texts (help and
// misuse). 2000 to 2019 are taken here; a new command takes the next free
// ids from 2020 on.

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

} // namespace vestiscop::app::cli::cliText

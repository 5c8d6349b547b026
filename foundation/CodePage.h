// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// UTF-8 inside the program; Windows-1250 at the two boundaries that keep it
// for files made by earlier versions (catalogue names, old colour tables).

#include <string>

namespace vestiscop::foundation {

// A character Windows-1250 lacks becomes '?', and so does a malformed UTF-8
// sequence or one of the byte values Windows-1250 leaves undefined. Only a
// C library without code-page tables fails: SystemError 7.
std::string utf8ToCp1250(const std::string& utf8);
std::string cp1250ToUtf8(const std::string& cp1250);
bool isValidUtf8(const std::string& text);

} // namespace vestiscop::foundation

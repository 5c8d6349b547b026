// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// printf-style formatting into a std::string, with no length limit.

#include <cstdarg>
#include <string>

namespace vestiscop::foundation {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, std::va_list args);

} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/Format.h"

#include <cstdio>

namespace vestiscop::foundation {

std::string vformat(const char* fmt, std::va_list args)
{
    std::va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, fmt, sizing);
    va_end(sizing);
    if (length <= 0)
        return std::string();
    std::string result(static_cast<std::size_t>(length), '\0');
    std::vsnprintf(result.data(), result.size() + 1, fmt, args);
    return result;
}

std::string format(const char* fmt, ...)
{
    std::va_list args;
    va_start(args, fmt);
    std::string result = vformat(fmt, args);
    va_end(args);
    return result;
}

} // namespace vestiscop::foundation

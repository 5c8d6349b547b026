// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Texts of the message table as the windows show them.

#include <string>

#include <QString>

#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::ui {

inline QString text(int stringId)
{
    return QString::fromStdString(foundation::loadString(stringId));
}

// The entry with its one %s replaced by the argument.
inline QString formatted(int stringId, const std::string& argument)
{
    return QString::fromStdString(foundation::format(foundation::loadString(stringId).c_str(), argument.c_str()));
}

} // namespace vestiscop::ui

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application icon, built into the program as a resource.

#include <QIcon>

namespace vestiscop::ui {

QIcon appIcon();

} // namespace vestiscop::ui

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ViewLayer.h"

namespace vestiscop::ui {

void ViewLayer::excludeFrom(ViewSurface&) {}

} // namespace vestiscop::ui

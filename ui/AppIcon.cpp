// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppIcon.h"

static void initialiseResources()
{
    // The resources live in a static library, so they are registered by hand.
    Q_INIT_RESOURCE(vestiscop_ui);
}

namespace vestiscop::ui {

QIcon appIcon()
{
    static const bool registered = (initialiseResources(), true);
    (void)registered;
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/vestiscop/icons/vestiscop-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace vestiscop::ui

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MessageBoxNotifier.h"

namespace vestiscop::ui {

void MessageBoxNotifier::showMessage(const std::string& text, app::MessageIcon icon)
{
    m_services.messageBox(m_parent, text, icon, MessageButtons::Ok);
}

} // namespace vestiscop::ui

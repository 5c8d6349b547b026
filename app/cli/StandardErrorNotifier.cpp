// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli/StandardErrorNotifier.h"

#include <cstdio>

namespace vestiscop::app::cli {

void StandardErrorNotifier::showMessage(const std::string& text, MessageIcon)
{
    if (m_first.empty())
        m_first = text;
    // Whatever the command printed so far comes first, as in a terminal.
    std::fflush(stdout);
    std::fputs(text.c_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace vestiscop::app::cli

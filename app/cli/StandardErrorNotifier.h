// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command-line program's way of showing a failure: the text on a line
// of its own on standard error. The icon has no counterpart there.

#include <string>

#include "app/ErrorNotifier.h"

namespace vestiscop::app::cli {

class StandardErrorNotifier : public ErrorNotifier {
public:
    void showMessage(const std::string& text, MessageIcon icon) override;

    // The first text shown, for a JSON line that repeats it; empty if none.
    const std::string& firstMessage() const { return m_first; }

private:
    std::string m_first;
};

} // namespace vestiscop::app::cli

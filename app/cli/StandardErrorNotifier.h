#pragma once
// The command-line program's way of showing a failure: the text on a line
// of its own on standard error. The icon has no counterpart there.

#include "app/ErrorNotifier.h"

namespace vestiscop::app::cli {

class StandardErrorNotifier : public ErrorNotifier {
public:
    void showMessage(const std::string& text, MessageIcon icon) override;
};

} // namespace vestiscop::app::cli

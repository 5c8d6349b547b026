// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the windowed program shows a failure: a modal message box with the
// failure's text and icon over the main window (or over nothing while the
// program starts up).

#include "app/ErrorNotifier.h"
#include "ui/WindowingServices.h"

namespace vestiscop::ui {

class MessageBoxNotifier : public app::ErrorNotifier {
public:
    explicit MessageBoxNotifier(WindowingServices& services) : m_services(services) {}

    // The window the boxes belong to; null for none.
    void setParent(QWidget* parent) { m_parent = parent; }

    void showMessage(const std::string& text, app::MessageIcon icon) override;

private:
    WindowingServices& m_services;
    QWidget* m_parent = nullptr;
};

} // namespace vestiscop::ui

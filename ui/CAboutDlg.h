// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About box: the program's icon, name, purpose and version.

#include <QDialog>

namespace vestiscop::ui {

class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace vestiscop::ui

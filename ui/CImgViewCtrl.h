// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image view used as a control of a dialog: it takes the place, size and
// id of a placeholder control of the dialog template.

#include "ui/CImgView.h"

namespace vestiscop::ui {

class CImgViewCtrl : public CImgView {
public:
    using CImgView::CImgView;

    // Takes the geometry of the dialog's control with the id, deletes that
    // control and takes its place, id and tab position, shown. False, and
    // nothing changes, when the dialog has no such control.
    bool createInPlace(int itemId, QWidget* dialog);
};

} // namespace vestiscop::ui

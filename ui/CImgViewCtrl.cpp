// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CImgViewCtrl.h"

#include "ui/ControlIds.h"

namespace vestiscop::ui {

bool CImgViewCtrl::createInPlace(int itemId, QWidget* dialog)
{
    QWidget* item = findControl(dialog, itemId);
    if (item == nullptr)
        return false;
    QWidget* parent = item->parentWidget();
    const QRect place = item->geometry();
    setParent(parent);
    setGeometry(place);
    setControlId(this, itemId);
    stackUnder(item);
    delete item;
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    show();
    return true;
}

} // namespace vestiscop::ui

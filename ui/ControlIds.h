// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every control of the windows carries the numeric id its dialog template
// gives it, as the dynamic property "controlId" and as the object name
// "id<number>", so that tests and tools find a control by its id.

class QWidget;

namespace vestiscop::ui {

void setControlId(QWidget* control, int id);
// The control's id, or -1 when it has none.
int controlId(const QWidget* control);
// The first descendant of root with the id, or null.
QWidget* findControl(const QWidget* root, int id);

template <typename WidgetT>
WidgetT* findControlAs(const QWidget* root, int id)
{
    return dynamic_cast<WidgetT*>(findControl(root, id));
}

} // namespace vestiscop::ui

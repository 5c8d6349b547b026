// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ControlIds.h"

#include <QVariant>
#include <QWidget>

namespace vestiscop::ui {

namespace {
constexpr const char* IdProperty = "controlId";
}

void setControlId(QWidget* control, int id)
{
    control->setProperty(IdProperty, id);
    control->setObjectName(QStringLiteral("id%1").arg(id));
}

int controlId(const QWidget* control)
{
    const QVariant value = control->property(IdProperty);
    return value.isValid() ? value.toInt() : -1;
}

QWidget* findControl(const QWidget* root, int id)
{
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (controlId(child) == id)
            return child;
    }
    return nullptr;
}

} // namespace vestiscop::ui

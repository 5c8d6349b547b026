// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "ui/AppIcon.h"
#include "ui/ControlIds.h"
#include "ui/DialogUnits.h"

namespace vestiscop::ui {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    const DialogUnits units = DialogUnits::fromFont(font());
    setWindowTitle(QStringLiteral("O programu"));
    setFixedSize(units.toPixelsX(163), units.toPixelsY(90));

    auto* icon = new QLabel(this);
    const QRect iconPlace = units.toPixels(7, 7, 20, 20);
    icon->setGeometry(iconPlace);
    icon->setPixmap(appIcon().pixmap(iconPlace.size()));
    icon->setAccessibleName(QStringLiteral("Vestiscop"));

    const auto addLabel = [&](const QString& text, int y) {
        auto* label = new QLabel(text, this);
        label->setGeometry(units.toPixels(41, y, 115, 8));
        return label;
    };
    addLabel(QStringLiteral("Vestiscop"), 7);
    addLabel(QStringLiteral("Rozpoznávání barvy a vzoru oděvu"), 17);
    addLabel(QStringLiteral("Verze 1.0"), 33);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    setControlId(ok, 1);
    ok->setGeometry(units.toPixels(57, 69, 50, 14));
    ok->setDefault(true);
    ok->setAccessibleName(QStringLiteral("OK"));
    // A screen reader reads the box's labels when it opens; a description
    // repeating them would make it read everything twice.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
}

} // namespace vestiscop::ui

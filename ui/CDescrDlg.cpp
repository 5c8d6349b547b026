// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CDescrDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "foundation/StringTable.h"
#include "ui/ControlIds.h"
#include "ui/DialogUnits.h"

namespace vestiscop::ui {

CDescrDlg::CDescrDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    const DialogUnits units = DialogUnits::fromFont(font());
    setWindowTitle(QStringLiteral("Pojmenování oděvu"));
    setFixedSize(units.toPixelsX(232), units.toPixelsY(46));

    auto* prompt = new QLabel(QStringLiteral("Zadejte pojmenování nasnímaného oděvu"), this);
    prompt->setGeometry(units.toPixels(7, 7, 159, 8));

    m_edit = new QLineEdit(this);
    setControlId(m_edit, NameEditId);
    m_edit->setGeometry(units.toPixels(7, 25, 159, 14));
    m_edit->setMaxLength(MaxLength);
    m_edit->setAccessibleName(prompt->text());
    prompt->setBuddy(m_edit);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    setControlId(ok, 1);
    ok->setGeometry(units.toPixels(175, 7, 50, 14));
    ok->setDefault(true);
    ok->setAccessibleName(QStringLiteral("OK"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // The interface speaks Czech whatever the desktop's language is.
    const QString cancelText = QString::fromStdString(foundation::loadString(foundation::stringId::CancelButton));
    auto* cancel = new QPushButton(cancelText, this);
    setControlId(cancel, 2);
    cancel->setGeometry(units.toPixels(175, 25, 50, 14));
    cancel->setAccessibleName(cancelText);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_edit, ok);
    setTabOrder(ok, cancel);
    m_edit->setFocus();
}

void CDescrDlg::accept()
{
    const QString text = m_edit->text();
    if (text.size() > MaxLength) {
        // The field's own limit stops typing first; this guards text that
        // reached it some other way.
        m_edit->setFocus();
        return;
    }
    m_name = text.toStdString();
    QDialog::accept();
}

} // namespace vestiscop::ui

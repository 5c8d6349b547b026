// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The naming dialog: one line of text, the name of a garment being added to
// the catalogue or the description of a saved scan. Each use constructs a
// fresh dialog, so the field starts empty. The field takes at most 255
// characters; an empty text is accepted with OK.

#include <string>

#include <QDialog>

class QLineEdit;

namespace vestiscop::ui {

class CDescrDlg : public QDialog {
public:
    static constexpr int NameEditId = 1002;
    static constexpr int MaxLength = 255;

    explicit CDescrDlg(QWidget* parent = nullptr);

    // The entered text (UTF-8) after OK; empty before.
    const std::string& name() const { return m_name; }
    QLineEdit* nameEdit() const { return m_edit; }

    // OK: takes the text; a text over the limit keeps the dialog open with
    // the focus in the field.
    void accept() override;

private:
    std::string m_name;
    QLineEdit* m_edit;
};

} // namespace vestiscop::ui

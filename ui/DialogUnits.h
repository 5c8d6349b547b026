// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dialog templates are laid out in dialog units, which follow the dialog
// font: a horizontal unit is a quarter of the font's average character
// width, a vertical unit an eighth of its character height. Here the font is
// the desktop's default UI font, so the windows grow with the user's font.

#include <QRect>

class QFont;

namespace vestiscop::ui {

class DialogUnits {
public:
    // Average character width and character height of the dialog font, in pixels.
    DialogUnits(int averageCharWidth, int charHeight);
    // Measures the font: the average width of the 52 Latin letters, rounded.
    static DialogUnits fromFont(const QFont& font);

    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    // Maps each edge separately, so adjacent controls stay adjacent.
    QRect toPixels(int x, int y, int width, int height) const;

    int averageCharWidth() const { return m_averageCharWidth; }
    int charHeight() const { return m_charHeight; }

private:
    int m_averageCharWidth;
    int m_charHeight;
};

} // namespace vestiscop::ui

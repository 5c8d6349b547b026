// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>

namespace vestiscop::ui {

namespace {

// a * b / c rounded half away from zero, as dialog unit conversion rounds.
int scaleRounded(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

} // namespace

DialogUnits::DialogUnits(int averageCharWidth, int charHeight)
    : m_averageCharWidth(averageCharWidth), m_charHeight(charHeight)
{
}

DialogUnits DialogUnits::fromFont(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogUnits((letters / 26 + 1) / 2, metrics.height());
}

int DialogUnits::toPixelsX(int units) const
{
    return scaleRounded(units, m_averageCharWidth, 4);
}

int DialogUnits::toPixelsY(int units) const
{
    return scaleRounded(units, m_charHeight, 8);
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const
{
    const int left = toPixelsX(x);
    const int top = toPixelsY(y);
    return QRect(left, top, toPixelsX(x + width) - left, toPixelsY(y + height) - top);
}

} // namespace vestiscop::ui

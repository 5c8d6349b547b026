// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PainterSurface.h"

#include <QImage>
#include <QPainter>

namespace vestiscop::ui {

namespace {

QRect toQRect(const ViewRect& rect)
{
    return QRect(rect.left, rect.top, rect.width(), rect.height());
}

} // namespace

PainterSurface::PainterSurface(QPainter& painter, const QRegion& paintRegion, ViewPoint origin)
    : m_painter(painter), m_region(paintRegion), m_origin(origin)
{
}

void PainterSurface::stretch(StretchMode mode, const ViewRect& destination, const PixelRows& rows,
                             const ViewRect& source)
{
    if (rows.bits == nullptr || rows.rowPixels <= 0 || rows.height <= 0)
        return;
    const bool indexed = rows.bitCount == 8;
    // Wraps the rows without copying them; they stay alive while we draw.
    QImage image(rows.bits, rows.rowPixels, rows.height, rows.rowPixels * (indexed ? 1 : 3),
                 indexed ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (indexed) {
        QList<QRgb> table;
        table.reserve(256);
        for (int i = 0; i < 256; ++i) {
            const PaletteEntry& entry = rows.palette[i];
            table.push_back(qRgb(entry.red, entry.green, entry.blue));
        }
        image.setColorTable(table);
    }
    m_painter.save();
    m_painter.setClipRegion(m_region);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, mode == StretchMode::Halftone);
    m_painter.drawImage(toQRect(destination.translated(m_origin.x, m_origin.y)), image, toQRect(source));
    m_painter.restore();
}

void PainterSurface::excludeClip(const ViewRect& area)
{
    m_region -= QRegion(toQRect(area.translated(m_origin.x, m_origin.y)));
}

} // namespace vestiscop::ui

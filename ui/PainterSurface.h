// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The view surface over a QPainter: layer coordinates are shifted by the view
// origin, and the area still to paint is a region in client coordinates.

#include <QRegion>

#include "ui/ViewSurface.h"

class QPainter;

namespace vestiscop::ui {

class PainterSurface : public ViewSurface {
public:
    // paintRegion: the part of the window being repainted, client coordinates.
    PainterSurface(QPainter& painter, const QRegion& paintRegion, ViewPoint origin);

    void stretch(StretchMode mode, const ViewRect& destination, const PixelRows& rows,
                 const ViewRect& source) override;
    void excludeClip(const ViewRect& area) override;

    const QRegion& region() const { return m_region; }

private:
    QPainter& m_painter;
    QRegion m_region;
    ViewPoint m_origin;
};

} // namespace vestiscop::ui

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scrollable, zoomable window that shows a stack of view layers. The
// geometry lives in ViewGeometry; this class connects it to the window: it
// paints the visible layers in ascending id order over the background,
// scrolls with the bars, the arrow keys (Shift 1 pixel, Ctrl 50, else 10)
// and mouse drags, and zooms with the keypad (* fit, + and - by 1.5, / 1:1)
// about the centre of the window.
//
// Ownership: layers added with addOwnedLayer are deleted with the view;
// layers added with addLayer stay the caller's. Call invalidate() after
// changing a layer's pixels or visibility.

#include <memory>
#include <mutex>

#include <QAbstractScrollArea>
#include <QBrush>
#include <QPoint>

#include "ui/ViewGeometry.h"

namespace vestiscop::ui {

class CImgView : public QAbstractScrollArea {
public:
    explicit CImgView(QWidget* parent = nullptr);

    int addLayer(ViewLayer* layer, int id, bool visible);
    int addOwnedLayer(std::unique_ptr<ViewLayer> layer, int id, bool visible);
    LayerEntry* findLayer(int id);

    // Clamped to 0.1 .. 160, equal scales, about the window centre. The window
    // is not repainted here.
    void setZoom(double scaleX, double scaleY);
    void setZoom(double scale) { setZoom(scale, scale); }
    void scrollTo(int originX, int originY);
    void setBackground(const QColor& colour);
    // Lays the view out again and repaints all of it.
    void invalidate();

    const ViewGeometry& viewGeometry() const { return m_geometry; }
    // The room for the picture when no scroll bar is shown.
    QSize clientSizeWithoutBars() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void relayout();
    void updateScrollBars();
    void moveOrigin(ViewPoint before);

    ViewGeometry m_geometry;
    QBrush m_background{Qt::white};
    // Painting and rescaling never overlap, whatever calls them.
    std::mutex m_lock;
    bool m_laying = false;
    bool m_dragging = false;
    QPoint m_dragStart;
    ViewPoint m_dragOrigin;
};

} // namespace vestiscop::ui

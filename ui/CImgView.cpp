// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CImgView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>

#include "ui/PainterSurface.h"

namespace vestiscop::ui {

CImgView::CImgView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setSingleStep(ViewGeometry::NormalStep);
    verticalScrollBar()->setSingleStep(ViewGeometry::NormalStep);
    // The view paints every pixel itself: background, then layers.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::OpenHandCursor);
    setFocusPolicy(Qt::ClickFocus);
}

int CImgView::addLayer(ViewLayer* layer, int id, bool visible)
{
    return m_geometry.addLayer(layer, id, visible);
}

int CImgView::addOwnedLayer(std::unique_ptr<ViewLayer> layer, int id, bool visible)
{
    return m_geometry.addOwnedLayer(std::move(layer), id, visible);
}

LayerEntry* CImgView::findLayer(int id)
{
    return m_geometry.findLayer(id);
}

void CImgView::setZoom(double scaleX, double scaleY)
{
    std::lock_guard lock(m_lock);
    m_geometry.setZoom(scaleX, scaleY);
}

void CImgView::scrollTo(int originX, int originY)
{
    const ViewPoint before = m_geometry.origin();
    if (m_geometry.scrollTo(originX, originY))
        moveOrigin(before);
}

void CImgView::setBackground(const QColor& colour)
{
    m_background = QBrush(colour);
}

void CImgView::invalidate()
{
    relayout();
    viewport()->update();
}

QSize CImgView::clientSizeWithoutBars() const
{
    // Inside the frame: the bars share this room with the viewport.
    return contentsRect().size();
}

void CImgView::relayout()
{
    // Showing or hiding a bar resizes the viewport, which lays out again.
    if (m_laying)
        return;
    m_laying = true;
    const QSize full = clientSizeWithoutBars();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    {
        std::lock_guard lock(m_lock);
        m_geometry.layout(full.width(), full.height(), bar, bar);
    }
    updateScrollBars();
    m_laying = false;
}

void CImgView::updateScrollBars()
{
    const auto apply = [](QScrollBar* bar, const ScrollBarState& state) {
        const QSignalBlocker blocker(bar);
        bar->setRange(state.minimum, state.maximum);
        bar->setPageStep(std::max(1, state.page));
        bar->setValue(state.value);
    };
    apply(horizontalScrollBar(), m_geometry.horizontalBar());
    apply(verticalScrollBar(), m_geometry.verticalBar());
    setHorizontalScrollBarPolicy(m_geometry.horizontalBar().shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(m_geometry.verticalBar().shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void CImgView::moveOrigin(ViewPoint before)
{
    const ViewPoint after = m_geometry.origin();
    if (m_geometry.allBounded())
        viewport()->scroll(after.x - before.x, after.y - before.y);
    else
        viewport()->update();
    updateScrollBars();
}

void CImgView::paintEvent(QPaintEvent* event)
{
    std::lock_guard lock(m_lock);
    QPainter painter(viewport());
    const ViewPoint origin = m_geometry.origin();
    const auto& layers = m_geometry.layers();
    const ViewRect client = m_geometry.client();

    PainterSurface background(painter, event->region(), origin);
    for (const LayerEntry& entry : layers) {
        if (entry.visible)
            entry.layer->excludeFrom(background);
    }
    painter.setClipRegion(background.region());
    painter.fillRect(viewport()->rect(), m_background);
    painter.setClipping(false);

    // Later layers cover earlier ones: each layer paints only where no later
    // visible layer does.
    for (std::size_t i = 0; i < layers.size(); ++i) {
        if (!layers[i].visible)
            continue;
        PainterSurface surface(painter, event->region(), origin);
        for (std::size_t j = i + 1; j < layers.size(); ++j) {
            if (layers[j].visible)
                layers[j].layer->excludeFrom(surface);
        }
        layers[i].layer->draw(surface, client.translated(-origin.x, -origin.y));
    }
}

void CImgView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void CImgView::keyPressEvent(QKeyEvent* event)
{
    using Key = ViewGeometry::Key;
    const bool keypad = (event->modifiers() & Qt::KeypadModifier) != 0;
    Key key;
    switch (event->key()) {
    case Qt::Key_Left:
        key = Key::Left;
        break;
    case Qt::Key_Right:
        key = Key::Right;
        break;
    case Qt::Key_Up:
        key = Key::Up;
        break;
    case Qt::Key_Down:
        key = Key::Down;
        break;
    case Qt::Key_Asterisk:
        key = Key::Fit;
        break;
    case Qt::Key_Plus:
        key = Key::ZoomIn;
        break;
    case Qt::Key_Minus:
        key = Key::ZoomOut;
        break;
    case Qt::Key_Slash:
        key = Key::ZoomReset;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    const bool arrow = key == Key::Left || key == Key::Right || key == Key::Up || key == Key::Down;
    if (!arrow && !keypad) {
        QWidget::keyPressEvent(event);
        return;
    }
    relayout();
    const ViewPoint before = m_geometry.origin();
    ViewGeometry::KeyResult result;
    {
        std::lock_guard lock(m_lock);
        result = m_geometry.pressKey(key, (event->modifiers() & Qt::ShiftModifier) != 0,
                                     (event->modifiers() & Qt::ControlModifier) != 0);
    }
    if (result == ViewGeometry::KeyResult::Scrolled)
        moveOrigin(before);
    else if (result == ViewGeometry::KeyResult::Zoomed)
        invalidate();
    event->accept();
}

void CImgView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    // The press grabs the mouse until release, so only one drag runs at a time.
    m_dragging = true;
    m_dragStart = event->position().toPoint();
    m_dragOrigin = m_geometry.origin();
    viewport()->setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void CImgView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint moved = event->position().toPoint() - m_dragStart;
    scrollTo(m_dragOrigin.x + moved.x(), m_dragOrigin.y + moved.y());
    event->accept();
}

void CImgView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        viewport()->setCursor(Qt::OpenHandCursor);
        event->accept();
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CImgView::scrollContentsBy(int, int)
{
    // The bars' values are the negated origin; line steps, page steps and
    // the thumb all arrive here as a new value.
    scrollTo(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
}

} // namespace vestiscop::ui

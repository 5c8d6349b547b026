// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ViewGeometry.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::ui {

namespace {

int roundHalfUp(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

// Content narrower than the client is centred when asked to; otherwise the
// origin keeps the content's far edge from coming inside the client and then
// its near edge from leaving the client's near edge.
int clampAxis(int origin, int low, int high, int clientSize, bool centre)
{
    if (centre && high - low < clientSize)
        return (clientSize + low - high) / 2 - low;
    if (origin < clientSize - high)
        origin = clientSize - high;
    if (origin > -low)
        origin = -low;
    return origin;
}

} // namespace

int ViewGeometry::addLayer(ViewLayer* layer, int id, bool visible)
{
    if (id == 0)
        id = m_layers.empty() ? 1 : m_layers.back().id + 1;
    const auto place = std::upper_bound(m_layers.begin(), m_layers.end(), id,
                                        [](int value, const LayerEntry& entry) { return value < entry.id; });
    m_layers.insert(place, LayerEntry{layer, id, visible});
    layer->setScale(m_scaleX, m_scaleY);
    return id;
}

int ViewGeometry::addOwnedLayer(std::unique_ptr<ViewLayer> layer, int id, bool visible)
{
    ViewLayer* raw = layer.get();
    m_ownedLayers.push_back(std::move(layer));
    return addLayer(raw, id, visible);
}

LayerEntry* ViewGeometry::findLayer(int id)
{
    const auto found = std::find_if(m_layers.begin(), m_layers.end(),
                                    [id](const LayerEntry& entry) { return entry.id == id; });
    return found == m_layers.end() ? nullptr : &*found;
}

void ViewGeometry::collectBounds()
{
    m_contentBounds = ViewRect{};
    m_allBounded = true;
    for (const LayerEntry& entry : m_layers) {
        ViewRect rect;
        if (entry.layer->bounds(rect))
            m_contentBounds = m_contentBounds.united(rect);
        else
            m_allBounded = false;
    }
}

void ViewGeometry::layout(int fullWidth, int fullHeight, int barWidth, int barHeight)
{
    collectBounds();
    m_fullWidth = fullWidth;
    m_fullHeight = fullHeight;

    // A bar appears only for content that does not fit; one bar can take
    // enough room to make the other necessary too.
    const int contentWidth = m_contentBounds.width();
    const int contentHeight = m_contentBounds.height();
    bool horizontal = has(HorizontalBar) && contentWidth > fullWidth;
    bool vertical = has(VerticalBar) && contentHeight > fullHeight;
    for (int pass = 0; pass < 2; ++pass) {
        if (has(VerticalBar) && horizontal && !vertical)
            vertical = contentHeight > fullHeight - barHeight;
        if (has(HorizontalBar) && vertical && !horizontal)
            horizontal = contentWidth > fullWidth - barWidth;
    }
    m_horizontalShown = horizontal;
    m_verticalShown = vertical;
    m_client = ViewRect{0, 0, std::max(0, fullWidth - (vertical ? barWidth : 0)),
                        std::max(0, fullHeight - (horizontal ? barHeight : 0))};
    m_origin = clamped(m_origin);
}

ViewPoint ViewGeometry::clamped(ViewPoint requested) const
{
    return {clampAxis(requested.x, m_contentBounds.left, m_contentBounds.right, m_client.width(),
                      has(CentreHorizontally)),
            clampAxis(requested.y, m_contentBounds.top, m_contentBounds.bottom, m_client.height(),
                      has(CentreVertically))};
}

bool ViewGeometry::setZoom(double scaleX, double scaleY)
{
    double newX = std::clamp(scaleX, MinimumZoom, MaximumZoom);
    double newY = std::clamp(scaleY, MinimumZoom, MaximumZoom);
    if (has(EqualScales))
        newX = newY = std::min(newX, newY);
    if (newX == m_scaleX && newY == m_scaleY)
        return false;

    // The content point under the client centre stays under it.
    const ViewPoint middle{(m_client.left + m_client.right) / 2, (m_client.top + m_client.bottom) / 2};
    const double pixelX = std::floor((middle.x - m_origin.x) / m_scaleX + 0.5);
    const double pixelY = std::floor((middle.y - m_origin.y) / m_scaleY + 0.5);
    m_scaleX = newX;
    m_scaleY = newY;
    const int placedX = roundHalfUp(pixelX * m_scaleX + m_origin.x);
    const int placedY = roundHalfUp(pixelY * m_scaleY + m_origin.y);
    m_origin.x += middle.x - placedX;
    m_origin.y += middle.y - placedY;

    for (const LayerEntry& entry : m_layers)
        entry.layer->setScale(m_scaleX, m_scaleY);
    return true;
}

bool ViewGeometry::scrollTo(int originX, int originY)
{
    const ViewPoint target = clamped({originX, originY});
    if (target == m_origin)
        return false;
    m_origin = target;
    return true;
}

ViewGeometry::KeyResult ViewGeometry::pressKey(Key key, bool shift, bool ctrl)
{
    const int step = shift ? FineStep : ctrl ? CoarseStep : NormalStep;
    const auto scrolled = [](bool moved) { return moved ? KeyResult::Scrolled : KeyResult::None; };
    const auto zoomed = [](bool changed) { return changed ? KeyResult::Zoomed : KeyResult::None; };
    switch (key) {
    case Key::Left:
        return scrolled(scrollTo(m_origin.x + step, m_origin.y));
    case Key::Right:
        return scrolled(scrollTo(m_origin.x - step, m_origin.y));
    case Key::Up:
        return scrolled(scrollTo(m_origin.x, m_origin.y + step));
    case Key::Down:
        return scrolled(scrollTo(m_origin.x, m_origin.y - step));
    case Key::Fit: {
        // Nothing to fit when there is no content: the ratio would not exist.
        const int contentWidth = m_contentBounds.width();
        const int contentHeight = m_contentBounds.height();
        if (contentWidth <= 0 || contentHeight <= 0)
            return KeyResult::None;
        return zoomed(setZoom(m_fullWidth * m_scaleX / contentWidth, m_fullHeight * m_scaleY / contentHeight));
    }
    case Key::ZoomIn:
        return zoomed(setZoom(m_scaleX * 1.5, m_scaleY * 1.5));
    case Key::ZoomOut:
        return zoomed(setZoom(m_scaleX / 1.5, m_scaleY / 1.5));
    case Key::ZoomReset:
        return zoomed(setZoom(1.0, 1.0));
    }
    return KeyResult::None;
}

bool ViewGeometry::scrollBarAction(Axis axis, BarAction action, int position)
{
    const bool horizontal = axis == Axis::Horizontal;
    const int current = horizontal ? m_origin.x : m_origin.y;
    const int page = horizontal ? m_client.width() : m_client.height();
    int target = current;
    switch (action) {
    case BarAction::LineBack:
        target = current + NormalStep;
        break;
    case BarAction::LineForward:
        target = current - NormalStep;
        break;
    case BarAction::PageBack:
        target = current + page;
        break;
    case BarAction::PageForward:
        target = current - page;
        break;
    case BarAction::Thumb:
        if (!has(horizontal ? TrackHorizontalThumb : TrackVerticalThumb))
            return false;
        target = -position;
        break;
    }
    return horizontal ? scrollTo(target, m_origin.y) : scrollTo(m_origin.x, target);
}

ScrollBarState ViewGeometry::horizontalBar() const
{
    if (!has(HorizontalBar))
        return {};
    const int page = m_client.width();
    return {m_horizontalShown, m_contentBounds.left, std::max(m_contentBounds.left, m_contentBounds.right - page),
            page, m_client.left - m_origin.x};
}

ScrollBarState ViewGeometry::verticalBar() const
{
    if (!has(VerticalBar))
        return {};
    const int page = m_client.height();
    return {m_verticalShown, m_contentBounds.top, std::max(m_contentBounds.top, m_contentBounds.bottom - page),
            page, m_client.top - m_origin.y};
}

} // namespace vestiscop::ui

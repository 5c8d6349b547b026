// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image view's layers and geometry, without any window: the layer stack,
// the zoom about the centre, the scroll origin with its clamping and centring,
// the scroll bars' ranges and the keyboard steps. CImgView feeds it the
// window's sizes and events and paints what it says; tests drive it directly.
//
// Coordinates are device pixels. A layer draws in layer coordinates; the
// window shows it at client = layer + origin.

#include <memory>
#include <vector>

#include "ui/ViewLayer.h"
#include "ui/ViewRect.h"

namespace vestiscop::ui {

struct LayerEntry {
    ViewLayer* layer = nullptr;
    int id = 0;
    bool visible = true;
};

// One scroll bar in the toolkit's terms: values run from minimum to maximum,
// the value being the left (top) edge of the page.
struct ScrollBarState {
    bool shown = false;
    int minimum = 0;
    int maximum = 0;
    int page = 0;
    int value = 0;
};

class ViewGeometry {
public:
    enum Flag : unsigned {
        HorizontalBar = 0x1,
        VerticalBar = 0x2,
        CentreHorizontally = 0x4,
        CentreVertically = 0x8,
        EqualScales = 0x40,
        TrackHorizontalThumb = 0x80,
        TrackVerticalThumb = 0x100,
        BackBuffer = 0x200,
    };

    enum class Key { Left, Right, Up, Down, Fit, ZoomIn, ZoomOut, ZoomReset };
    enum class KeyResult { None, Scrolled, Zoomed };
    enum class Axis { Horizontal, Vertical };
    enum class BarAction { LineBack, LineForward, PageBack, PageForward, Thumb };

    static constexpr double MinimumZoom = 0.1;
    static constexpr double MaximumZoom = 160.0;
    static constexpr int FineStep = 1;
    static constexpr int NormalStep = 10;
    static constexpr int CoarseStep = 50;
    static constexpr unsigned DefaultFlags = 0x3CF;

    ViewGeometry() = default;
    ViewGeometry(const ViewGeometry&) = delete;
    ViewGeometry& operator=(const ViewGeometry&) = delete;

    // Id 0 stands for one more than the last id (1 for an empty stack). The
    // layer goes before the first entry with a greater id and is told the
    // current scales. The caller keeps the layer alive. Returns the id.
    int addLayer(ViewLayer* layer, int id, bool visible);
    // The same, and the view deletes the layer when it is destroyed.
    int addOwnedLayer(std::unique_ptr<ViewLayer> layer, int id, bool visible);
    // The first entry with the id, or null.
    LayerEntry* findLayer(int id);
    const std::vector<LayerEntry>& layers() const { return m_layers; }

    // Lays the view out in a window whose client area, without scroll bars, is
    // fullWidth x fullHeight; a bar takes barWidth (vertical bar) or
    // barHeight (horizontal bar) from it when the content needs it. Collects
    // the layers' bounds, chooses the client and clamps the origin.
    void layout(int fullWidth, int fullHeight, int barWidth = 0, int barHeight = 0);

    // Clamps each scale to [0.1, 160], keeps them equal (the smaller), holds
    // the client centre fixed and tells every layer. False when nothing changed.
    bool setZoom(double scaleX, double scaleY);
    bool setZoom(double scale) { return setZoom(scale, scale); }
    // Moves the origin to the clamped request. False when it stays.
    bool scrollTo(int originX, int originY);
    // The arrow keys (Shift: 1 pixel, else Ctrl: 50, else 10) and the keypad's
    // fit, zoom in (x 1.5), zoom out (/ 1.5) and 1:1.
    KeyResult pressKey(Key key, bool shift, bool ctrl);
    // A scroll bar's line, page and thumb actions; position is the thumb's.
    bool scrollBarAction(Axis axis, BarAction action, int position);

    ScrollBarState horizontalBar() const;
    ScrollBarState verticalBar() const;

    ViewPoint origin() const { return m_origin; }
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }
    const ViewRect& client() const { return m_client; }
    const ViewRect& contentBounds() const { return m_contentBounds; }
    bool allBounded() const { return m_allBounded; }
    unsigned flags() const { return m_flags; }

private:
    bool has(Flag flag) const { return (m_flags & flag) != 0; }
    ViewPoint clamped(ViewPoint requested) const;
    void collectBounds();

    std::vector<LayerEntry> m_layers;
    std::vector<std::unique_ptr<ViewLayer>> m_ownedLayers;
    ViewRect m_client;
    int m_fullWidth = 0;
    int m_fullHeight = 0;
    bool m_horizontalShown = false;
    bool m_verticalShown = false;
    ViewRect m_contentBounds;
    bool m_allBounded = true;
    ViewPoint m_origin;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    unsigned m_flags = DefaultFlags;
};

} // namespace vestiscop::ui

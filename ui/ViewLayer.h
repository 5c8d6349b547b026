// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Something the image view can draw, stacked by id. Layer coordinates are
// device pixels at the current zoom before scrolling: client = layer + origin.

#include "ui/ViewRect.h"
#include "ui/ViewSurface.h"

namespace vestiscop::ui {

class ViewLayer {
public:
    virtual ~ViewLayer() = default;

    // The zoom to draw at.
    virtual void setScale(double scaleX, double scaleY) = 0;
    // Draws the part of the layer inside clip (layer coordinates).
    virtual void draw(ViewSurface& surface, const ViewRect& clip) = 0;
    // The layer's extent; false when it has none that is known.
    virtual bool bounds(ViewRect& out) const = 0;
    // Removes the layer's area from what the surface still paints; a layer
    // that covers nothing opaque keeps the default, which removes nothing.
    virtual void excludeFrom(ViewSurface& surface);
};

} // namespace vestiscop::ui

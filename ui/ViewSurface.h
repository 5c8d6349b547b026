// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a view layer draws on: the window's painter while the view paints, a
// recording double in tests. Coordinates are layer coordinates (device pixels
// at the current zoom, before scrolling); the surface adds the view origin.

#include <cstdint>

#include "color/AnalysisViews.h"
#include "ui/ViewRect.h"

namespace vestiscop::ui {

// Smooth (halftone) or fast (colour on colour) stretching.
enum class StretchMode { ColorOnColor = 3, Halftone = 4 };

// One colour table entry: blue, green, red and a reserved byte that is 0.
// The analysis hands its index views over with entries of this very type, so
// their palettes are drawn as they are.
using color::PaletteEntry;

// Pixel rows to stretch: top-down rows of rowPixels pixels each (a multiple of
// four bytes apart), 24-bit blue-green-red or 8-bit indices into palette.
struct PixelRows {
    const std::uint8_t* bits = nullptr;
    int bitCount = 24;
    int rowPixels = 0;
    int height = 0;
    const PaletteEntry* palette = nullptr;  // 256 entries for 8-bit rows
};

class ViewSurface {
public:
    virtual ~ViewSurface() = default;

    // Draws source pixels [source.left, source.right) x [source.top, source.bottom)
    // of rows stretched onto the destination rectangle.
    virtual void stretch(StretchMode mode, const ViewRect& destination, const PixelRows& rows,
                         const ViewRect& source) = 0;
    // Removes the rectangle from the area the surface still paints.
    virtual void excludeClip(const ViewRect& area) = 0;
};

} // namespace vestiscop::ui

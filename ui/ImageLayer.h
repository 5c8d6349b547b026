// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A view layer that shows one RgbImage, or one ByteImage through a 256-entry
// colour table, stretched by the view's zoom. Pixel i is centred on i x scale.
//
// Without a forced copy the layer shows the caller's buffer directly whenever
// its rows are already four-byte aligned and unpadded; the caller then keeps
// the image alive while the layer shows it. Otherwise the layer copies the
// pixels into its own rows padded to a multiple of four pixels.

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "imaging/Image.h"
#include "ui/ViewLayer.h"

namespace vestiscop::ui {

class ImageLayer : public ViewLayer {
public:
    // Starts with no pixels, a grey-ramp colour table and fast stretching.
    ImageLayer();

    void setImage(const imaging::RgbImage& image, bool forceCopy);
    void setImage(const imaging::ByteImage& image, bool forceCopy);
    // Shows nothing and releases the own copies: for when the pixels shown
    // so far are about to be released by their owner.
    void clear();
    // Writes the entries into the colour table from index first on; entries
    // past the table's end are dropped, the others keep their values.
    void setPalette(std::span<const PaletteEntry> entries, int first);
    void setStretchMode(StretchMode mode) { m_stretchMode = mode; }

    void setScale(double scaleX, double scaleY) override;
    void draw(ViewSurface& surface, const ViewRect& clip) override;
    // Always known: the pixel-centred extent at the current scale.
    bool bounds(ViewRect& out) const override;
    void excludeFrom(ViewSurface& surface) override;

    // What is being shown, for drawing and for tests.
    const PixelRows& rows() const { return m_rows; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // Negative: rows run top-down.
    int headerHeight() const { return m_headerHeight; }
    StretchMode stretchMode() const { return m_stretchMode; }
    const std::array<PaletteEntry, 256>& palette() const { return m_palette; }
    bool ownsPixels() const { return m_ownRgb != nullptr || m_ownBytes != nullptr; }

private:
    template <typename ImageT>
    void showImage(const ImageT& image, bool forceCopy, std::unique_ptr<ImageT>& ownCopy);
    void releaseCopies();

    std::array<PaletteEntry, 256> m_palette{};
    std::unique_ptr<imaging::ByteImage> m_ownBytes;
    std::unique_ptr<imaging::RgbImage> m_ownRgb;
    PixelRows m_rows;
    int m_headerHeight = 0;
    int m_width = 0;
    int m_height = 0;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    StretchMode m_stretchMode = StretchMode::ColorOnColor;
};

} // namespace vestiscop::ui

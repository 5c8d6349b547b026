// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ImageLayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vestiscop::ui {

namespace {

int roundHalfUp(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

template <typename ImageT>
constexpr int bitCountOf()
{
    return ImageT::channels * 8;
}

} // namespace

ImageLayer::ImageLayer()
{
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<std::uint8_t>(i);
        m_palette[static_cast<std::size_t>(i)] = {level, level, level, 0};
    }
    m_rows.palette = m_palette.data();
}

void ImageLayer::releaseCopies()
{
    m_ownBytes.reset();
    m_ownRgb.reset();
}

template <typename ImageT>
void ImageLayer::showImage(const ImageT& image, bool forceCopy, std::unique_ptr<ImageT>& ownCopy)
{
    constexpr int channels = ImageT::channels;
    const int width = image.width();
    const int height = image.height();
    m_rows.bitCount = bitCountOf<ImageT>();
    m_width = width;
    m_height = height;

    const bool aligned = (width * channels) % 4 == 0 && image.stride() == width;
    if (static_cast<long long>(width) * height == 0 || (!forceCopy && aligned)) {
        releaseCopies();
        m_rows.bits = image.data();
        m_rows.rowPixels = image.stride();
        m_rows.height = height;
        m_headerHeight = -height;
        return;
    }

    const int padded = (width + 3) / 4 * 4;
    if (!ownCopy || static_cast<long long>(ownCopy->width()) * ownCopy->height()
                        != static_cast<long long>(padded) * height)
        ownCopy = ImageT::create(padded, height);
    else
        ownCopy->resize(padded, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* target = ownCopy->row(y);
        std::memcpy(target, image.row(y), image.rowBytes());
        // The padding is never shown, but it is drawn from, so keep it defined.
        std::memset(target + image.rowBytes(), 0, static_cast<std::size_t>(padded - width) * channels);
    }
    m_rows.bits = ownCopy->data();
    m_rows.rowPixels = padded;
    m_rows.height = height;
    m_headerHeight = -height;
}

void ImageLayer::setImage(const imaging::RgbImage& image, bool forceCopy)
{
    showImage(image, forceCopy, m_ownRgb);
    if (m_ownRgb)
        m_ownBytes.reset();
}

void ImageLayer::setImage(const imaging::ByteImage& image, bool forceCopy)
{
    showImage(image, forceCopy, m_ownBytes);
    if (m_ownBytes)
        m_ownRgb.reset();
}

void ImageLayer::clear()
{
    releaseCopies();
    m_rows.bits = nullptr;
    m_rows.rowPixels = 0;
    m_rows.height = 0;
    m_headerHeight = 0;
    m_width = 0;
    m_height = 0;
}

void ImageLayer::setPalette(std::span<const PaletteEntry> entries, int first)
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const long long index = first + static_cast<long long>(i);
        if (index < 0)
            continue;
        if (index >= static_cast<long long>(m_palette.size()))
            break;
        m_palette[static_cast<std::size_t>(index)] = entries[i];
    }
}

void ImageLayer::setScale(double scaleX, double scaleY)
{
    m_scaleX = scaleX;
    m_scaleY = scaleY;
}

bool ImageLayer::bounds(ViewRect& out) const
{
    out.left = roundHalfUp(-0.5 * m_scaleX);
    out.top = roundHalfUp(-0.5 * m_scaleY);
    out.right = roundHalfUp((m_width - 0.5) * m_scaleX);
    out.bottom = roundHalfUp((m_height - 0.5) * m_scaleY);
    return true;
}

void ImageLayer::draw(ViewSurface& surface, const ViewRect& clip)
{
    if (m_rows.bits == nullptr || m_width <= 0 || m_height <= 0)
        return;
    ViewRect area;
    bounds(area);
    const ViewRect visible = area.intersected(clip);
    if (visible.isEmpty())
        return;

    // The rounding of the edges can reach half a pixel past the image; the
    // block is kept inside it so that no row is read beyond its end.
    const int firstColumn = std::max(0, roundHalfUp(visible.left / m_scaleX));
    const int firstRow = std::max(0, roundHalfUp(visible.top / m_scaleY));
    const int endColumn = std::min(m_width, static_cast<int>(std::ceil(visible.right / m_scaleX + 0.5)));
    const int endRow = std::min(m_height, static_cast<int>(std::ceil(visible.bottom / m_scaleY + 0.5)));
    if (endColumn <= firstColumn || endRow <= firstRow)
        return;

    const ViewRect destination{roundHalfUp((firstColumn - 0.5) * m_scaleX), roundHalfUp((firstRow - 0.5) * m_scaleY),
                               roundHalfUp((endColumn - 0.5) * m_scaleX), roundHalfUp((endRow - 0.5) * m_scaleY)};
    surface.stretch(m_stretchMode, destination, m_rows, ViewRect{firstColumn, firstRow, endColumn, endRow});
}

void ImageLayer::excludeFrom(ViewSurface& surface)
{
    ViewRect area;
    bounds(area);
    surface.excludeClip(area);
}

} // namespace vestiscop::ui

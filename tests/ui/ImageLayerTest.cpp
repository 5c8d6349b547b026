// SPDX-License-Identifier: GPL-3.0-or-later
// The image layer: when it shows the caller's pixels and when it copies them,
// its pixel-centred bounds, and which block of pixels it stretches where.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "imaging/Image.h"
#include "ui/ImageLayer.h"

using namespace vestiscop;
using namespace vestiscop::ui;

namespace {

struct StretchCall {
    StretchMode mode;
    ViewRect destination;
    ViewRect source;
    PixelRows rows;
};

class RecordingSurface : public ViewSurface {
public:
    void stretch(StretchMode mode, const ViewRect& destination, const PixelRows& rows,
                 const ViewRect& source) override
    {
        calls.push_back({mode, destination, source, rows});
    }
    void excludeClip(const ViewRect& area) override { excluded.push_back(area); }

    std::vector<StretchCall> calls;
    std::vector<ViewRect> excluded;
};

template <typename ImageT>
std::unique_ptr<ImageT> numbered(int width, int height)
{
    auto image = ImageT::create(width, height);
    for (int y = 0; y < height; ++y)
        for (std::size_t x = 0; x < image->rowBytes(); ++x)
            image->row(y)[x] = static_cast<std::uint8_t>(7 * x + 13 * y);
    return image;
}

} // namespace

TEST(ImageLayerPixels, AlignedRgbImageIsShownWithoutCopy)
{
    auto image = numbered<imaging::RgbImage>(64, 3);
    ImageLayer layer;
    layer.setImage(*image, false);
    EXPECT_EQ(layer.rows().bits, image->data());
    EXPECT_EQ(layer.rows().rowPixels, 64);
    EXPECT_EQ(layer.rows().bitCount, 24);
    EXPECT_EQ(layer.headerHeight(), -3);
    EXPECT_FALSE(layer.ownsPixels());
}

TEST(ImageLayerPixels, UnalignedRgbImageIsCopiedIntoPaddedRows)
{
    auto image = numbered<imaging::RgbImage>(65, 3);
    ImageLayer layer;
    layer.setImage(*image, false);
    EXPECT_NE(layer.rows().bits, image->data());
    EXPECT_EQ(layer.rows().rowPixels, 68);
    EXPECT_EQ(layer.width(), 65);
    EXPECT_EQ(layer.headerHeight(), -3);
    EXPECT_TRUE(layer.ownsPixels());
    // Every row's 195 bytes arrive at 204-byte intervals, padding zero.
    for (int y = 0; y < 3; ++y) {
        const std::uint8_t* row = layer.rows().bits + y * 68 * 3;
        EXPECT_TRUE(std::equal(row, row + 195, image->row(y))) << "row " << y;
        EXPECT_TRUE(std::all_of(row + 195, row + 204, [](std::uint8_t b) { return b == 0; })) << "row " << y;
    }
}

TEST(ImageLayerPixels, ForcedCopyAndWindowsAreCopied)
{
    auto image = numbered<imaging::RgbImage>(64, 4);
    ImageLayer layer;
    layer.setImage(*image, true);
    EXPECT_NE(layer.rows().bits, image->data());
    EXPECT_EQ(layer.rows().rowPixels, 64);

    // A window of an aligned width still has its parent's longer rows.
    auto window = image->window(32, 2);
    layer.setImage(*window, false);
    EXPECT_NE(layer.rows().bits, window->data());
    EXPECT_EQ(layer.rows().rowPixels, 32);
    EXPECT_TRUE(std::equal(window->row(1), window->row(1) + 96, layer.rows().bits + 96));
}

TEST(ImageLayerPixels, ByteImageAlignsToFourPixelsAndDropsTheRgbCopy)
{
    ImageLayer layer;
    auto rgb = numbered<imaging::RgbImage>(5, 2);
    layer.setImage(*rgb, false);
    ASSERT_TRUE(layer.ownsPixels());

    auto aligned = numbered<imaging::ByteImage>(8, 2);
    layer.setImage(*aligned, false);
    EXPECT_EQ(layer.rows().bits, aligned->data());
    EXPECT_EQ(layer.rows().bitCount, 8);
    EXPECT_FALSE(layer.ownsPixels()) << "showing the caller's pixels releases both copies";

    auto odd = numbered<imaging::ByteImage>(6, 2);
    layer.setImage(*odd, false);
    EXPECT_EQ(layer.rows().rowPixels, 8);
    EXPECT_EQ(layer.rows().bits[8 + 5], odd->row(1)[5]);
}

TEST(ImageLayerPixels, PaletteStartsGreyAndIsWrittenFromAnIndex)
{
    ImageLayer layer;
    EXPECT_EQ(layer.palette()[0], (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(layer.palette()[200], (PaletteEntry{200, 200, 200, 0}));
    const std::array<PaletteEntry, 2> entries{PaletteEntry{1, 2, 3, 0}, PaletteEntry{4, 5, 6, 0}};
    layer.setPalette(entries, 10);
    EXPECT_EQ(layer.palette()[10], entries[0]);
    EXPECT_EQ(layer.palette()[11], entries[1]);
    EXPECT_EQ(layer.palette()[12], (PaletteEntry{12, 12, 12, 0}));
    // Entries past the end are dropped, not written over memory.
    layer.setPalette(entries, 255);
    EXPECT_EQ(layer.palette()[255], entries[0]);
}

struct BoundsCase {
    int width;
    int height;
    double scale;
    ViewRect expected;
};

class ImageLayerBounds : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(ImageLayerBounds, PixelsAreCentredOnMultiplesOfTheScale)
{
    const BoundsCase& c = GetParam();
    auto image = numbered<imaging::RgbImage>(c.width, c.height);
    ImageLayer layer;
    layer.setImage(*image, false);
    layer.setScale(c.scale, c.scale);
    ViewRect bounds;
    EXPECT_TRUE(layer.bounds(bounds));
    EXPECT_EQ(bounds, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageLayerBounds,
                         ::testing::Values(BoundsCase{10, 10, 2.0, {-1, -1, 19, 19}},
                                           BoundsCase{10, 10, 1.0, {0, 0, 10, 10}},
                                           // -0.25 rounds to 0; 9.5 * 0.5 + 0.5 = 5.25 -> 5
                                           BoundsCase{10, 4, 0.5, {0, 0, 5, 2}},
                                           BoundsCase{3, 1, 3.0, {-1, -1, 8, 2}}));

TEST(ImageLayerDraw, WholeImageAtScaleTwo)
{
    auto image = numbered<imaging::RgbImage>(8, 8);
    ImageLayer layer;
    layer.setImage(*image, false);
    layer.setScale(2.0, 2.0);
    layer.setStretchMode(StretchMode::Halftone);
    RecordingSurface surface;
    layer.draw(surface, ViewRect{-100, -100, 100, 100});
    ASSERT_EQ(surface.calls.size(), 1u);
    EXPECT_EQ(surface.calls[0].mode, StretchMode::Halftone);
    EXPECT_EQ(surface.calls[0].source, (ViewRect{0, 0, 8, 8}));
    EXPECT_EQ(surface.calls[0].destination, (ViewRect{-1, -1, 15, 15}));
    EXPECT_EQ(surface.calls[0].rows.bits, image->data());
}

TEST(ImageLayerDraw, ClippedPartStretchesOnlyTheCoveringPixels)
{
    auto image = numbered<imaging::RgbImage>(100, 100);
    ImageLayer layer;
    layer.setImage(*image, false);
    layer.setScale(4.0, 4.0);
    RecordingSurface surface;
    // Layer x 41..79 touches pixels 10 (centre 40) to 20 (centre 80).
    layer.draw(surface, ViewRect{41, 0, 79, 8});
    ASSERT_EQ(surface.calls.size(), 1u);
    // first = floor(41/4 + .5) = 10, end = ceil(79/4 + .5) = 21;
    // rows: first = 0, end = ceil(8/4 + .5) = 3.
    EXPECT_EQ(surface.calls[0].source, (ViewRect{10, 0, 21, 3}));
    // Destination edges at (i - 0.5) * 4: 38, -2, 82, 10.
    EXPECT_EQ(surface.calls[0].destination, (ViewRect{38, -2, 82, 10}));
}

TEST(ImageLayerDraw, NeverReadsPastTheImage)
{
    auto image = numbered<imaging::RgbImage>(10, 10);
    ImageLayer layer;
    layer.setImage(*image, false);
    layer.setScale(1.0, 1.0);
    RecordingSurface surface;
    layer.draw(surface, ViewRect{0, 0, 300, 300});
    ASSERT_EQ(surface.calls.size(), 1u);
    EXPECT_EQ(surface.calls[0].source, (ViewRect{0, 0, 10, 10}));
    EXPECT_EQ(surface.calls[0].destination, (ViewRect{0, 0, 10, 10}));
}

TEST(ImageLayerDraw, NothingWithoutPixelsOrOutsideTheClip)
{
    ImageLayer layer;
    RecordingSurface surface;
    layer.draw(surface, ViewRect{0, 0, 100, 100});
    EXPECT_TRUE(surface.calls.empty());

    auto image = numbered<imaging::RgbImage>(10, 10);
    layer.setImage(*image, false);
    layer.draw(surface, ViewRect{50, 50, 100, 100});
    EXPECT_TRUE(surface.calls.empty());
}


// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/Image.h"

#include "ImagingTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace vestiscop::imaging {
namespace {

using test::systemErrorCode;

TEST(ImageTest, CreateHasStrideEqualToWidthAndNoPadding)
{
    auto rgb = RgbImage::create(7, 3);
    EXPECT_EQ(rgb->width(), 7);
    EXPECT_EQ(rgb->height(), 3);
    EXPECT_EQ(rgb->stride(), 7);
    EXPECT_FALSE(rgb->isWindow());
    EXPECT_EQ(rgb->row(1) - rgb->row(0), 21);
    EXPECT_EQ(rgb->pixel(2, 1) - rgb->data(), (1 * 7 + 2) * 3);

    auto bytes = ByteImage::create(7, 3);
    EXPECT_EQ(bytes->row(2) - bytes->data(), 14);
    EXPECT_EQ(bytes->rowBytes(), 7u);
}

TEST(ImageTest, WindowSharesParentBufferAndStride)
{
    auto parent = RgbImage::create(100, 80);
    auto window = parent->window(64, 64);
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->width(), 64);
    EXPECT_EQ(window->height(), 64);
    EXPECT_EQ(window->stride(), 100);
    EXPECT_EQ(window->data(), parent->data());
    EXPECT_EQ(window->pixel(1, 1) - parent->data(), 303);
    EXPECT_EQ(window->rowBytes(), 192u);

    // Releasing the window leaves the parent's pixels alone (ASan would
    // report a double free or a use after free here).
    parent->pixel(63, 63)[2] = 42;
    window.reset();
    EXPECT_EQ(parent->pixel(63, 63)[2], 42);
}

TEST(ImageTest, ResizeToSamePixelCountKeepsBufferAndBytes)
{
    auto image = RgbImage::create(100, 50);
    const std::uint8_t* buffer = image->data();
    image->data()[0] = 17;
    image->data()[100 * 50 * 3 - 1] = 99;
    image->resize(50, 100);
    EXPECT_EQ(image->data(), buffer);
    EXPECT_EQ(image->width(), 50);
    EXPECT_EQ(image->height(), 100);
    EXPECT_EQ(image->stride(), 50);
    EXPECT_EQ(image->data()[0], 17);
    EXPECT_EQ(image->data()[100 * 50 * 3 - 1], 99);
}

TEST(ImageTest, ResizeToOtherPixelCountGivesFreshBufferOfNewSize)
{
    auto image = ByteImage::create(10, 10);
    image->resize(30, 20);
    EXPECT_EQ(image->width(), 30);
    EXPECT_EQ(image->height(), 20);
    EXPECT_EQ(image->stride(), 30);
    // The whole new buffer is writable (ASan checks the bounds).
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            *image->pixel(x, y) = static_cast<std::uint8_t>(x + y);
    EXPECT_EQ(*image->pixel(29, 19), 48);
}

TEST(ImageTest, ResizeToRefusedSizeKeepsImageUsable)
{
    auto image = RgbImage::create(4, 4);
    EXPECT_EQ(systemErrorCode([&] { image->resize(-4, -4); }), foundation::systemError::BadFormat);
    EXPECT_EQ(systemErrorCode([&] { image->resize(0, 16); }), foundation::systemError::BadFormat);
}

class ImageSizeTest : public testing::TestWithParam<std::tuple<std::int64_t, std::int64_t, bool>> {};

TEST_P(ImageSizeTest, RefusesSizesOutsideTheAcceptedRangeBeforeAllocating)
{
    const auto [width, height, accepted] = GetParam();
    const int code = systemErrorCode([&] { checkImageSize(width, height); });
    EXPECT_EQ(code, accepted ? -1 : foundation::systemError::BadFormat);
    if (!accepted && width <= INT32_MAX && height <= INT32_MAX && width >= INT32_MIN && height >= INT32_MIN) {
        EXPECT_EQ(systemErrorCode([&] { RgbImage::create(static_cast<int>(width), static_cast<int>(height)); }),
                  foundation::systemError::BadFormat);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ImageSizeTest,
    testing::Values(std::make_tuple(1, 1, true), std::make_tuple(16384, 16384, true),  // exactly 2^28
                    std::make_tuple(16384, 16385, false), std::make_tuple(MaxImagePixels, 1, true),
                    std::make_tuple(MaxImagePixels + 1, 1, false), std::make_tuple(0, 5, false),
                    std::make_tuple(5, 0, false), std::make_tuple(-1, 5, false), std::make_tuple(-3, -3, false),
                    // Products that wrap in 32 bits to something small.
                    std::make_tuple(65536, 65537, false), std::make_tuple(INT32_MAX, INT32_MAX, false),
                    std::make_tuple(INT32_MIN, INT32_MIN, false)));

} // namespace
} // namespace vestiscop::imaging

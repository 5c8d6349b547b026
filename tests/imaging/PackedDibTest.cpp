// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/PackedDib.h"

#include "ImagingTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace vestiscop::imaging {
namespace {

using test::systemErrorCode;

void put32(std::vector<std::uint8_t>& block, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        block[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A packed DIB as a scanner driver delivers it; pixel bytes follow
// test::sampleByte with the picture's own top-down coordinates, padding 0xEE.
std::vector<std::uint8_t> makeDib(std::int32_t width, std::int32_t height, int rowLength, int bitCount = 24,
                                  std::uint32_t compression = 0)
{
    const int rows = height < 0 ? -height : height;
    std::vector<std::uint8_t> block(40 + static_cast<std::size_t>(rowLength) * static_cast<std::size_t>(rows), 0xEE);
    // The header's bytes one by one: GCC 12 at -O2 takes a std::fill of them
    // for a write past a block it cannot size, and warns (array-bounds).
    for (std::size_t i = 0; i < 40; ++i)
        block[i] = 0;
    put32(block, 0, 40);
    put32(block, 4, static_cast<std::uint32_t>(width));
    put32(block, 8, static_cast<std::uint32_t>(height));
    block[12] = 1;
    block[14] = static_cast<std::uint8_t>(bitCount);
    put32(block, 16, compression);
    if (bitCount != 24 || compression != 0)
        return block;  // the rows hold no 24-bit pixels
    for (int fileRow = 0; fileRow < rows; ++fileRow) {
        const int y = rows - 1 - fileRow;  // bottom row first
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                block[40 + static_cast<std::size_t>(fileRow * rowLength + x * 3 + c)] = test::sampleByte(x, y, c);
    }
    return block;
}

struct DibCase {
    int width;
    int height;
    int rowLength;  // worked out by hand: width * 3 rounded up to 4
};

class PackedDibTest : public testing::TestWithParam<DibCase> {};

TEST_P(PackedDibTest, CopiesRowsBottomUpSkippingPadding)
{
    const DibCase dib = GetParam();
    const auto block = makeDib(dib.width, dib.height, dib.rowLength);
    auto image = fromPackedDib(block.data(), block.size());
    ASSERT_EQ(image->width(), dib.width);
    ASSERT_EQ(image->height(), dib.height);
    for (int y = 0; y < dib.height; ++y)
        for (int x = 0; x < dib.width; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(image->pixel(x, y)[c], test::sampleByte(x, y, c)) << x << "," << y << "," << c;

    // Without a known length the same block converts the same way.
    auto unchecked = fromPackedDib(block.data());
    EXPECT_EQ(test::packedPixels(*unchecked), test::packedPixels(*image));
}

INSTANTIATE_TEST_SUITE_P(RowPadding, PackedDibTest,
                         testing::Values(DibCase{1, 1, 4}, DibCase{1, 3, 4}, DibCase{2, 2, 8}, DibCase{3, 2, 12},
                                         DibCase{4, 2, 12}, DibCase{5, 3, 16}));

TEST(PackedDibRefusalTest, RefusedLayoutsAreBadFormat)
{
    constexpr int bad = foundation::systemError::BadFormat;
    auto topDown = makeDib(2, -2, 8);
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(topDown.data(), topDown.size()); }), bad);
    auto zeroWidth = makeDib(0, 2, 0);
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(zeroWidth.data(), zeroWidth.size()); }), bad);
    auto zeroHeight = makeDib(2, 0, 8);
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(zeroHeight.data(), zeroHeight.size()); }), bad);
    auto negativeWidth = makeDib(2, 2, 8);
    put32(negativeWidth, 4, static_cast<std::uint32_t>(-2));
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(negativeWidth.data(), negativeWidth.size()); }), bad);
    auto palette = makeDib(4, 2, 4, 8);
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(palette.data(), palette.size()); }), bad);
    auto compressed = makeDib(4, 2, 12, 24, 1);
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(compressed.data(), compressed.size()); }), bad);
}

TEST(PackedDibRefusalTest, HugeDeclaredSizeIsRefusedWithoutReadingPastTheHeader)
{
    // Only the header exists; a conversion that trusted it would read far
    // past the block (ASan) or try to allocate gigabytes.
    auto header = makeDib(1, 1, 4);
    header.resize(40);
    put32(header, 4, 70000);
    put32(header, 8, 70000);
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(header.data()); }), foundation::systemError::BadFormat);
    // Wraps to a small byte count in 32 bits.
    put32(header, 4, 0x40000000);
    put32(header, 8, 4);
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(header.data()); }), foundation::systemError::BadFormat);
}

TEST(PackedDibRefusalTest, BlockShorterThanItsRowsIsRefused)
{
    auto block = makeDib(5, 3, 16);
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(block.data(), block.size() - 1); }),
              foundation::systemError::BadFormat);
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(block.data(), 39); }), foundation::systemError::BadFormat);
    EXPECT_EQ(systemErrorCode([&] { fromPackedDib(block.data(), block.size() + 100); }), -1);
}

} // namespace
} // namespace vestiscop::imaging

// SPDX-License-Identifier: GPL-3.0-or-later
// Area averaging against a reference computed another way: every new pixel
// as a rectangle on a grid fine enough that both pictures' pixels are whole
// cells, the overlap of each old pixel counted cell by cell.

#include "foundation/Exception.h"
#include "imaging/Resample.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>

namespace vestiscop::imaging {
namespace {

std::unique_ptr<RgbImage> randomPicture(int width, int height, unsigned seed)
{
    std::unique_ptr<RgbImage> image = RgbImage::create(width, height);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x)
            image->row(y)[x] = static_cast<std::uint8_t>(random() & 0xFF);
    return image;
}

// The grid has width * source width columns and height * source height
// rows; a new pixel (x, y) covers source width x source height cells, an old
// one width x height cells. Each cell of the new pixel asks which old pixel
// it lies in.
std::uint8_t referenceSample(const RgbImage& source, int width, int height, int x, int y, int channel)
{
    std::uint64_t sum = 0;
    for (int row = y * source.height(); row < (y + 1) * source.height(); ++row)
        for (int column = x * source.width(); column < (x + 1) * source.width(); ++column)
            sum += source.pixel(column / width, row / height)[channel];
    const std::uint64_t cells = static_cast<std::uint64_t>(source.width()) * source.height();
    // Rounded half up.
    return static_cast<std::uint8_t>((2 * sum + cells) / (2 * cells));
}

struct SizeCase {
    int fromWidth;
    int fromHeight;
    int toWidth;
    int toHeight;
};

class ResampleTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ResampleTest, MatchesTheCellByCellAverage)
{
    const SizeCase size = GetParam();
    const std::unique_ptr<RgbImage> source = randomPicture(size.fromWidth, size.fromHeight, 7);
    const std::unique_ptr<RgbImage> result = resampleArea(*source, size.toWidth, size.toHeight);
    ASSERT_EQ(result->width(), size.toWidth);
    ASSERT_EQ(result->height(), size.toHeight);
    for (int y = 0; y < size.toHeight; ++y)
        for (int x = 0; x < size.toWidth; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(result->pixel(x, y)[c], referenceSample(*source, size.toWidth, size.toHeight, x, y, c))
                    << x << "," << y << " channel " << c;
}

INSTANTIATE_TEST_SUITE_P(
    Ratios, ResampleTest,
    ::testing::Values(SizeCase{30, 30, 20, 20},    // 300 dpi to 200 dpi
                      SizeCase{16, 16, 8, 8},      // halved: 2 x 2 blocks
                      SizeCase{15, 12, 40, 32},    // 75 dpi to 200 dpi
                      SizeCase{17, 13, 17, 13},    // unchanged
                      SizeCase{23, 9, 7, 19},      // down one way, up the other
                      SizeCase{1, 1, 3, 2}, SizeCase{5, 4, 1, 1}));

TEST(ResampleSizes, OutsideTheLimitsAreRefused)
{
    const std::unique_ptr<RgbImage> source = randomPicture(4, 4, 1);
    for (const auto& [width, height] : {std::pair{0, 4}, std::pair{4, -1}, std::pair{MaxResampledSide + 1, 4}}) {
        try {
            resampleArea(*source, width, height);
            ADD_FAILURE() << width << " x " << height;
        } catch (const foundation::SystemError& error) {
            EXPECT_EQ(error.code(), foundation::systemError::BadFormat);
        }
    }
}

} // namespace
} // namespace vestiscop::imaging

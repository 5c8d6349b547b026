// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "ReferenceBlur.h"
#include "color/GaussianFilter.h"
#include "color/GaussianStages.h"
#include "imaging/RowSource.h"

namespace vestiscop::color {
namespace {

using imaging::RgbImage;
using test::referenceBlur;

// --- Kernel --------------------------------------------------------------

struct KernelCase {
    double sigma;
    GaussianKernel weights;
    int total;  // w0 + 2 (w1 + w2 + w3 + w4)
};

class GaussianKernelTest : public ::testing::TestWithParam<KernelCase> {};

TEST_P(GaussianKernelTest, WeightsAreRoundedAndNotCorrected)
{
    const KernelCase& c = GetParam();
    const GaussianKernel k = gaussianKernel(c.sigma);
    EXPECT_EQ(k, c.weights);
    EXPECT_EQ(k[0] + 2 * (k[1] + k[2] + k[3] + k[4]), c.total);
}

INSTANTIATE_TEST_SUITE_P(Sigmas, GaussianKernelTest,
                         ::testing::Values(KernelCase{0.5, {51549, 6976, 17, 0, 0}, 65535},
                                           KernelCase{1.0, {26145, 15858, 3538, 290, 9}, 65535},
                                           KernelCase{2.0, {13380, 11808, 8115, 4344, 1811}, 65536},
                                           KernelCase{0.01, {65536, 0, 0, 0, 0}, 65536}));

std::unique_ptr<RgbImage> randomImage(int w, int h, std::uint32_t seed)
{
    std::mt19937 random(seed);
    auto image = RgbImage::create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * w; ++x)
            image->row(y)[x] = static_cast<std::uint8_t>(random());
    return image;
}

std::unique_ptr<RgbImage> uniformImage(int w, int h, std::uint8_t value)
{
    auto image = RgbImage::create(w, h);
    for (int y = 0; y < h; ++y)
        std::memset(image->row(y), value, image->rowBytes());
    return image;
}

void expectSamePixels(const RgbImage& a, const RgbImage& b)
{
    ASSERT_EQ(a.width(), b.width());
    ASSERT_EQ(a.height(), b.height());
    for (int y = 0; y < a.height(); ++y)
        ASSERT_EQ(0, std::memcmp(a.row(y), b.row(y), a.rowBytes())) << "row " << y;
}

std::unique_ptr<RgbImage> filtered(const RgbImage& in, double sigma)
{
    auto out = RgbImage::create(in.width(), in.height());
    gaussianFilter(in, *out, sigma);
    return out;
}

struct FilterCase {
    int width;
    int height;
    double sigma;
};

class GaussianFilterReferenceTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(GaussianFilterReferenceTest, MatchesPlainSeparableBlur)
{
    const FilterCase& c = GetParam();
    auto in = randomImage(c.width, c.height, static_cast<std::uint32_t>(c.width * 1000 + c.height));
    expectSamePixels(*filtered(*in, c.sigma), *referenceBlur(*in, c.sigma));
}

INSTANTIATE_TEST_SUITE_P(Sizes, GaussianFilterReferenceTest,
                         ::testing::Values(FilterCase{1, 1, 1.0}, FilterCase{1, 7, 1.0}, FilterCase{7, 1, 2.0},
                                           FilterCase{2, 2, 0.5}, FilterCase{3, 12, 2.0}, FilterCase{13, 9, 1.0},
                                           FilterCase{40, 33, 3.7}, FilterCase{64, 5, 0.8},
                                           FilterCase{9, 9, 1.5}, FilterCase{16, 16, 0.25}, FilterCase{16, 16, 10.0}));

// Any band of rows, whether it touches the top or bottom edge, lies within
// four rows of it or is a single row, smooths to the rows of the whole image.
TEST_P(GaussianFilterReferenceTest, EveryBandOfRowsMatchesTheWholeImage)
{
    const FilterCase& c = GetParam();
    auto in = randomImage(c.width, c.height, static_cast<std::uint32_t>(c.width * 1000 + c.height));
    const auto whole = referenceBlur(*in, c.sigma);
    for (int first = 0; first < c.height; ++first) {
        for (int count = 1; first + count <= c.height; count += std::max(1, c.height / 5)) {
            GaussianChain band(*in, c.sigma, first, count);
            for (int y = first; y < first + count; ++y)
                ASSERT_EQ(0, std::memcmp(band.output().pull(), whole->row(y), whole->rowBytes()))
                    << "band " << first << "+" << count << ", row " << y;
            EXPECT_THROW(band.output().pull(), imaging::Filter::EndOfStream);
        }
    }
}

TEST(GaussianFilterTest, WindowSourceReadsOnlyItsOwnPixels)
{
    auto big = randomImage(50, 40, 7);
    auto window = big->window(31, 22);
    auto copy = RgbImage::create(31, 22);
    for (int y = 0; y < 22; ++y)
        std::memcpy(copy->row(y), window->row(y), copy->rowBytes());
    expectSamePixels(*filtered(*window, 1.0), *referenceBlur(*copy, 1.0));
}

TEST(GaussianFilterTest, UniformWhiteLosesOneLevelPerPass)
{
    // With sigma 1 the weights sum to 65535: 255 * 65535 / 65536 truncates
    // to 254 along the rows and 254 * 65535 / 65536 to 253 down the columns.
    auto white = uniformImage(12, 10, 255);
    imaging::RowSource rows(*white, 1);
    ChannelSplit split(rows, 2);
    EdgeExtend extend(split);
    HorizontalBlur horizontal(extend, gaussianKernel(1.0));
    const std::uint8_t* row = horizontal.pull();
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(row[x], 254);

    auto out = filtered(*white, 1.0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 36; ++x)
            ASSERT_EQ(out->row(y)[x], 253);
}

TEST(GaussianFilterTest, UniformAreasWithFullWeightStay)
{
    auto black = uniformImage(9, 9, 0);
    expectSamePixels(*filtered(*black, 1.0), *black);
    // Sigma 2: the weights sum to exactly 65536.
    auto grey = uniformImage(9, 9, 200);
    expectSamePixels(*filtered(*grey, 2.0), *grey);
}

TEST(GaussianFilterTest, TinySigmaCopies)
{
    auto in = randomImage(17, 11, 3);
    expectSamePixels(*filtered(*in, 0.01), *in);
}

TEST(GaussianFilterTest, SingleRowIsBlurredDownTheColumnsWithNineEqualRows)
{
    // One row: every ring row is the horizontally blurred row, so the
    // vertical pass multiplies it by the weight total (65535 for sigma 1).
    auto in = randomImage(20, 1, 11);
    auto out = filtered(*in, 1.0);
    const GaussianKernel k = gaussianKernel(1.0);
    const int total = k[0] + 2 * (k[1] + k[2] + k[3] + k[4]);
    for (int c = 0; c < 3; ++c) {
        imaging::RowSource channelRows(*in, 1);
        ChannelSplit split(channelRows, c);
        EdgeExtend extend(split);
        HorizontalBlur horizontal(extend, k);
        const std::uint8_t* blurred = horizontal.pull();
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(out->pixel(x, 0)[c], blurred[x] * total / 65536) << "x " << x << " channel " << c;
    }
}

// --- RowRepeat ------------------------------------------------------------

// A stream of rowCount one-byte rows holding 0, 1, 2, ...
class CountingRows : public imaging::Filter {
public:
    explicit CountingRows(int rowCount) : Filter(1, rowCount) {}
    const std::uint8_t* pull() override
    {
        if (m_next >= rowCount())
            throw EndOfStream();
        m_row = static_cast<std::uint8_t>(m_next++);
        return &m_row;
    }

private:
    int m_next = 0;
    std::uint8_t m_row = 0;
};

std::vector<int> drain(imaging::Filter& stage)
{
    std::vector<int> rows;
    try {
        for (int guard = 0; guard < 1000; ++guard)
            rows.push_back(*stage.pull());
    } catch (const imaging::Filter::EndOfStream&) {
    }
    return rows;
}

TEST(RowRepeatTest, EdgeRowsFiveTimesEach)
{
    CountingRows source(4);
    RowRepeat repeat(source, 4);
    EXPECT_EQ(repeat.rowCount(), 12);
    EXPECT_EQ(drain(repeat), (std::vector<int>{0, 0, 0, 0, 0, 1, 2, 3, 3, 3, 3, 3}));
    // Once ended it stays ended.
    EXPECT_THROW(repeat.pull(), imaging::Filter::EndOfStream);
}

TEST(RowRepeatTest, SingleRowNineTimes)
{
    CountingRows source(1);
    RowRepeat repeat(source, 4);
    EXPECT_EQ(drain(repeat), std::vector<int>(9, 0));
}

TEST(VerticalBlurTest, OutputRowIsCentredOnItsInputRow)
{
    // Kernel of the centre weight only: the output is the input, row for row.
    CountingRows source(6);
    RowRepeat repeat(source, 4);
    VerticalBlur vertical(repeat, GaussianKernel{65536, 0, 0, 0, 0});
    EXPECT_EQ(vertical.rowCount(), 6);
    EXPECT_EQ(drain(vertical), (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

} // namespace
} // namespace vestiscop::color

// SPDX-License-Identifier: GPL-3.0-or-later
// The samples the improved analysis works on: a region larger than
// MaxSamples pixels reduced by the smallest whole factor that brings it
// under, each sample the mean of its block.
#include <algorithm>
#include <cstdint>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "fabric/FabricSteps.h"

namespace vestiscop::fabric {

namespace {

// The largest factor of blockMeans: 255 times it still fits 16 bits.
constexpr int BlockMeansMaxFactor = 257;

// The region reduced by factor along each axis when factor divides both
// sides: each sample the mean of its factor x factor pixels, rounded as
// OpenCV's area reduction rounds them at such a factor (the sum times the
// float reciprocal of the area, to the nearest byte, halves to even), so
// the samples are the same bytes. The sums of a sample row's columns are
// made first, a pass over each region row, instead of gathering every
// block's pixels one by one.
cv::Mat blockMeans(const imaging::RgbImage& region, int factor)
{
    const int w = region.width() / factor;
    const int h = region.height() / factor;
    const std::size_t values = static_cast<std::size_t>(region.width()) * 3;
    const float scale = 1.f / static_cast<float>(factor * factor);
    cv::Mat reduced(h, w, CV_8UC3);
    // A column's sum over factor rows fits 16 bits (BlockMeansMaxFactor).
    std::vector<std::uint16_t> columns(values);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* first = region.row(y * factor);
        for (std::size_t i = 0; i < values; ++i)
            columns[i] = first[i];
        for (int k = 1; k < factor; ++k) {
            const std::uint8_t* in = region.row(y * factor + k);
            std::uint16_t* sums = columns.data();
            for (std::size_t i = 0; i < values; ++i)
                sums[i] = static_cast<std::uint16_t>(sums[i] + in[i]);
        }
        std::uint8_t* out = reduced.ptr<std::uint8_t>(y);
        for (int x = 0; x < w; ++x) {
            const std::uint16_t* block = columns.data() + static_cast<std::ptrdiff_t>(x) * factor * 3;
            int sum[3] = {0, 0, 0};
            for (int k = 0; k < factor; ++k, block += 3) {
                sum[0] += block[0];
                sum[1] += block[1];
                sum[2] += block[2];
            }
            for (int c = 0; c < 3; ++c)
                *out++ = cv::saturate_cast<std::uint8_t>(static_cast<float>(sum[c]) * scale);
        }
    }
    return reduced;
}

} // namespace

cv::Mat halvedLab(const cv::Mat& lab)
{
    CV_Assert(lab.type() == CV_32FC3);
    const int w = lab.cols / 2;
    const int h = lab.rows / 2;
    cv::Mat half;
    if (lab.cols % 2 != 0 || lab.rows % 2 != 0) {
        // The last column or row is shared out between blocks: weights.
        cv::resize(lab, half, cv::Size(w, h), 0, 0, cv::INTER_AREA);
        return half;
    }
    half.create(h, w, CV_32FC3);
    const auto values = static_cast<std::size_t>(w) * 3;
    for (int y = 0; y < h; ++y) {
        const float* upper = lab.ptr<float>(2 * y);
        const float* lower = lab.ptr<float>(2 * y + 1);
        float* out = half.ptr<float>(y);
        // As OpenCV sums a block: a running sum from 0 plus the four
        // pixels left to right, upper row first, times a quarter.
        for (std::size_t i = 0; i < values; i += 3, upper += 6, lower += 6)
            for (std::size_t c = 0; c < 3; ++c)
                out[i + c] = (0.f + (upper[c] + upper[c + 3] + lower[c] + lower[c + 3])) * 0.25f;
    }
    return half;
}

int samplingFactorOf(int w, int h)
{
    int factor = 1;
    while (static_cast<std::int64_t>(w / factor) * (h / factor) > MaxSamples)
        ++factor;
    return factor;
}

cv::Mat regionSamples(const imaging::RgbImage& region, int& factor)
{
    const int w = region.width();
    const int h = region.height();
    // The rows lie stride pixels apart, also in a window onto a larger scan.
    const cv::Mat pixels(h, w, CV_8UC3, const_cast<std::uint8_t*>(region.row(0)),
                         static_cast<std::size_t>(region.stride()) * 3);
    factor = samplingFactorOf(w, h);
    if (factor == 1)
        return pixels;
    if (factor >= 3 && factor <= BlockMeansMaxFactor && w % factor == 0 && h % factor == 0)
        return blockMeans(region, factor);
    cv::Mat reduced;
    cv::resize(pixels, reduced, cv::Size(std::max(1, w / factor), std::max(1, h / factor)), 0, 0, cv::INTER_AREA);
    return reduced;
}

} // namespace vestiscop::fabric

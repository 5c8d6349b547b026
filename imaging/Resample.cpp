// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/Resample.h"

#include "foundation/Exception.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace vestiscop::imaging {

namespace {

// Along one axis, in units where an old pixel is `to` long and a new one
// `from` long (both pictures are then from * to long): the old pixels under
// each new one and the length of each that the new one covers.
struct Tap {
    int index;
    std::uint64_t weight;
};

std::vector<std::vector<Tap>> taps(int from, int to)
{
    std::vector<std::vector<Tap>> result(static_cast<std::size_t>(to));
    const auto oldLength = static_cast<std::uint64_t>(to);
    const auto newLength = static_cast<std::uint64_t>(from);
    for (int j = 0; j < to; ++j) {
        const std::uint64_t begin = static_cast<std::uint64_t>(j) * newLength;
        const std::uint64_t end = begin + newLength;
        for (auto i = static_cast<int>(begin / oldLength); i < from; ++i) {
            const std::uint64_t oldBegin = static_cast<std::uint64_t>(i) * oldLength;
            if (oldBegin >= end)
                break;
            const std::uint64_t covered = std::min(end, oldBegin + oldLength) - std::max(begin, oldBegin);
            if (covered > 0)
                result[static_cast<std::size_t>(j)].push_back(Tap{i, covered});
        }
    }
    return result;
}

bool sideFits(int side)
{
    return side >= 1 && side <= MaxResampledSide;
}

} // namespace

std::unique_ptr<RgbImage> resampleArea(const RgbImage& source, int width, int height)
{
    if (!sideFits(width) || !sideFits(height) || !sideFits(source.width()) || !sideFits(source.height()))
        throw foundation::SystemError(foundation::systemError::BadFormat, std::string());
    std::unique_ptr<RgbImage> result = RgbImage::create(width, height);
    const std::vector<std::vector<Tap>> across = taps(source.width(), width);
    const std::vector<std::vector<Tap>> down = taps(source.height(), height);
    // Each new pixel covers source.width() * source.height() units of area.
    const std::uint64_t area = static_cast<std::uint64_t>(source.width()) * static_cast<std::uint64_t>(source.height());

    const std::size_t samples = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint64_t> rowSums(samples);
    std::vector<std::uint64_t> sums(samples);
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (const Tap& vertical : down[static_cast<std::size_t>(y)]) {
            const std::uint8_t* row = source.row(vertical.index);
            for (int x = 0; x < width; ++x) {
                std::uint64_t sum[3] = {0, 0, 0};
                for (const Tap& horizontal : across[static_cast<std::size_t>(x)]) {
                    const std::uint8_t* pixel = row + static_cast<std::size_t>(horizontal.index) * 3;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += horizontal.weight * pixel[c];
                }
                for (int c = 0; c < 3; ++c)
                    rowSums[static_cast<std::size_t>(x) * 3 + static_cast<std::size_t>(c)] = sum[c];
            }
            for (std::size_t i = 0; i < samples; ++i)
                sums[i] += vertical.weight * rowSums[i];
        }
        std::uint8_t* out = result->row(y);
        for (std::size_t i = 0; i < samples; ++i)
            out[i] = static_cast<std::uint8_t>((sums[i] + area / 2) / area);
    }
    return result;
}

} // namespace vestiscop::imaging

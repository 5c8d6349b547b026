// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReferenceBlur.h"

#include <algorithm>
#include <vector>

#include "color/GaussianFilter.h"

namespace vestiscop::color::test {

std::unique_ptr<imaging::RgbImage> referenceBlur(const imaging::RgbImage& in, double sigma)
{
    const GaussianKernel k = gaussianKernel(sigma);
    const int w = in.width();
    const int h = in.height();
    auto weight = [&](int d) { return k[static_cast<std::size_t>(d < 0 ? -d : d)]; };
    std::vector<int> across(static_cast<std::size_t>(w * h * 3));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int d = -4; d <= 4; ++d)
                    sum += weight(d) * in.pixel(std::clamp(x + d, 0, w - 1), y)[c];
                across[static_cast<std::size_t>((y * w + x) * 3 + c)] = sum / 65536;
            }
    auto out = imaging::RgbImage::create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int d = -4; d <= 4; ++d)
                    sum += weight(d) * across[static_cast<std::size_t>((std::clamp(y + d, 0, h - 1) * w + x) * 3 + c)];
                out->pixel(x, y)[c] = static_cast<std::uint8_t>(sum / 65536);
            }
    return out;
}

} // namespace vestiscop::color::test

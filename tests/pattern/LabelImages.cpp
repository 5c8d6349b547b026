// SPDX-License-Identifier: GPL-3.0-or-later
#include "LabelImages.h"

#include <random>
#include <vector>

namespace vestiscop::pattern::test {

std::unique_ptr<imaging::ByteImage> drawLabels(int width, int height, const std::function<int(int x, int y)>& label)
{
    auto image = imaging::ByteImage::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            *image->pixel(x, y) = static_cast<std::uint8_t>(label(x, y));
    return image;
}

std::unique_ptr<imaging::ByteImage> randomBlobs(int width, int height, int labelCount, std::uint32_t seed)
{
    // Labels of a coarse random grid, blown up with random cell sizes and
    // sprinkled with single stray pixels: boundaries of every direction.
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> labelOf(0, labelCount - 1);
    std::uniform_int_distribution<int> cellOf(1, 9);
    const int cell = cellOf(random);
    const int cellsX = width / cell + 1;
    std::vector<int> grid(static_cast<std::size_t>(cellsX) * (height / cell + 1));
    for (int& g : grid)
        g = labelOf(random);
    std::uniform_int_distribution<int> stray(0, 19);
    return drawLabels(width, height, [&](int x, int y) {
        if (stray(random) == 0)
            return labelOf(random);
        return grid[static_cast<std::size_t>((y / cell) * cellsX + x / cell)];
    });
}

} // namespace vestiscop::pattern::test

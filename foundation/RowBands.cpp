// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/RowBands.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace vestiscop::foundation {

namespace {

std::atomic<int> g_bands{0};

} // namespace

void setRowBands(int bands)
{
    g_bands.store(std::max(0, bands));
}

int rowBandCount(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 1;
    const int chosen = g_bands.load();
    long bands = chosen > 0 ? chosen : static_cast<long>(std::thread::hardware_concurrency());
    bands = std::clamp(bands, 1L, long{MaxRowBands});
    const long pixels = static_cast<long>(width) * height;
    bands = std::min({bands, std::max(1L, pixels / MinBandPixels), static_cast<long>(height)});
    return static_cast<int>(bands);
}

void forEachRowBand(int height, int bands, const std::function<void(const RowBand&)>& work)
{
    bands = std::clamp(bands, 1, std::max(1, height));
    auto band = [&](int index) {
        const long h = height;
        return RowBand{index, static_cast<int>(h * index / bands), static_cast<int>(h * (index + 1) / bands)};
    };
    if (bands == 1) {
        work(band(0));
        return;
    }
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(bands));
    auto run = [&](int index) {
        try {
            work(band(index));
        } catch (...) {
            failures[static_cast<std::size_t>(index)] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> threads;
        threads.reserve(static_cast<std::size_t>(bands - 1));
        try {
            for (int index = 1; index < bands; ++index)
                threads.emplace_back(run, index);
        } catch (const std::system_error&) {
            // No thread to be had: the bands not started run here in turn.
            for (int index = static_cast<int>(threads.size()) + 1; index < bands; ++index)
                run(index);
        }
        run(0);
    }  // the threads are joined here
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

} // namespace vestiscop::foundation

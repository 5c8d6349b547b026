// SPDX-License-Identifier: GPL-3.0-or-later
// Time and peak memory of ColorAnalyzer::analyze on generated fabric
// (plain, stripes, check, dots; smoothing on and off) at regions of 512,
// 1024 and 2048 pixels square, one thread. Run it with
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESTISCOP_BENCHMARKS=ON -DVESTISCOP_TESTS=OFF && cmake --build build-bench --target analysis_benchmark && build-bench/benchmarks/analysis_benchmark --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
//
// layout: 0 plain, 1 stripes, 2 check, 3 dots; filter: Gaussian sigma 1 or
// none; fresh: 1 = the first analysis of a new analyser (every buffer and
// the colour memory start empty), 0 = the dialog's analyser going on from
// scan to scan of the same kind of fabric.
//
// Counters: ns_per_px is the processor time of one analysis per region
// pixel (processor time, because the machine is shared); peak_x_rgb (fresh
// only) is the most heap memory in use at once from building the analyser
// to the end of its first analysis, the scan handed over included, as a
// multiple of the region's RGB bytes (3 per pixel).

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "FabricImages.h"
#include "color/ColorAnalyzer.h"
#include "color/ColorNameTable.h"
#include "foundation/Settings.h"

// --- Heap accounting -------------------------------------------------------
// Every operator new of the program goes through here; the usable size of
// each block is added on allocation and taken off on release.

namespace {

std::atomic<std::size_t> heapInUse{0};
std::atomic<std::size_t> heapPeak{0};

void* allocate(std::size_t size)
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    const std::size_t now = heapInUse += malloc_usable_size(p);
    std::size_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void release(void* p) noexcept
{
    if (p == nullptr)
        return;
    heapInUse -= malloc_usable_size(p);
    std::free(p);
}

} // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }

namespace {

using namespace vestiscop;
using namespace vestiscop::color;
using color::test::Fabric;
using color::test::Layout;

const ColorNameTable& names()
{
    static const ColorNameTable table({
        {{0, 0, 0}, "černá"},      {{100, 0, 0}, "bílá"},     {{54, 0, 0}, "šedá"},
        {{45, 65, 50}, "červená"}, {{35, 40, -90}, "modrá"},  {{60, -60, 50}, "zelená"},
        {{90, -5, 85}, "žlutá"},   {{70, 20, 60}, "oranžová"}, {{40, 50, -40}, "fialová"},
        {{30, 20, 30}, "hnědá"},
    });
    return table;
}

Fabric fabricOf(Layout layout)
{
    // A scan at 100 dpi: stripes and squares a few millimetres wide, small
    // dots, and enough scanner noise to spread every colour.
    Fabric fabric;
    fabric.layout = layout;
    fabric.ground = {235, 232, 225};
    fabric.figure = {170, 35, 40};
    fabric.period = layout == Layout::Dots ? 16 : 24;
    fabric.dotRadius = 4;
    fabric.noise = 10;
    fabric.seed = 7;
    return fabric;
}

// The processor time of this thread: the machine is shared, so wall-clock
// time says more about the neighbours than about the analysis.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void analyse(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    const auto layout = static_cast<Layout>(state.range(1));
    const bool smoothing = state.range(2) != 0;
    const bool fresh = state.range(3) != 0;

    foundation::ColorSettings colorSettings;
    colorSettings.definitions = "barvy.txt";
    colorSettings.filter = smoothing ? 1.0 : 0.0;
    colorSettings.lumaScale = 1.0;
    colorSettings.clusterThr = 0.03;
    colorSettings.histSmooth = 1.0;
    colorSettings.maxBins = 12;
    colorSettings.reportThr = 0.05;
    const foundation::TextureSettings textureSettings{size, size};

    // A few scans of the same kind of fabric with different noise.
    std::vector<std::unique_ptr<imaging::RgbImage>> scans;
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        Fabric fabric = fabricOf(layout);
        fabric.seed = seed;
        scans.push_back(color::test::weave(fabric, size, size));
    }
    const double pixels = static_cast<double>(size) * size;
    const double rgbBytes = pixels * 3;

    // The dialog keeps one analyser for its whole life; a fresh one per
    // round shows the first scan after start-up instead.
    auto analyzer = std::make_unique<ColorAnalyzer>(colorSettings, textureSettings, names());
    double seconds = 0;
    double peakAll = 0;
    std::size_t round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto copy = imaging::RgbImage::create(size, size);
        std::memcpy(copy->data(), scans[round++ % scans.size()]->data(), static_cast<std::size_t>(rgbBytes));
        if (fresh)
            analyzer.reset();
        const std::size_t before = heapInUse.load();
        heapPeak = before;
        if (fresh)
            analyzer = std::make_unique<ColorAnalyzer>(colorSettings, textureSettings, names());
        const double start = threadSeconds();
        state.ResumeTiming();

        analyzer->analyze(std::move(copy));
        benchmark::DoNotOptimize(analyzer->analysis());

        state.PauseTiming();
        seconds += threadSeconds() - start;
        peakAll = std::max(peakAll, (static_cast<double>(heapPeak.load() - before) + rgbBytes) / rgbBytes);
        state.ResumeTiming();
    }
    state.counters["ns_per_px"] = seconds * 1e9 / (static_cast<double>(state.iterations()) * pixels);
    if (fresh)
        state.counters["peak_x_rgb"] = peakAll;
}

void regions(benchmark::internal::Benchmark* b)
{
    for (const int size : {512, 1024, 2048})
        for (const int layout : {0, 1, 2, 3})
            for (const int smoothing : {1, 0})
                for (const int fresh : {1, 0})
                    b->Args({size, layout, smoothing, fresh});
    b->ArgNames({"size", "layout", "filter", "fresh"});
    b->Unit(benchmark::kMillisecond);
    // Other work on the machine only ever adds time: with repetitions, the
    // fastest run is the best estimate of the analysis itself.
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

} // namespace

BENCHMARK(analyse)->Apply(regions);

BENCHMARK_MAIN();

// SPDX-License-Identifier: GPL-3.0-or-later
// Time of one whole analysis of a 512 x 512 region at 200 dpi (about 65 mm
// of cloth) on one core: the standard analysis alone and with the improved
// one after it, on scans of the benchmark corpus's wardrobe fabrics. Run it
// with
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESTISCOP_BENCHMARKS=ON -DVESTISCOP_TESTS=OFF && cmake --build build-bench --target fabric_benchmark && taskset -c 1 build-bench/benchmarks/fabric_benchmark --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
//
// taskset keeps every thread on one core (the improved analysis runs beside
// the standard steps on a thread of its own), so the wall time is the time
// on one core; the CPU column is the whole process's. The target is at most
// 30 ms for the improved analysis, the standard steps included.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Garment.h"
#include "analysis/Analyser.h"
#include "color/ColorNameTable.h"
#include "foundation/Exception.h"
#include "foundation/RowBands.h"
#include "foundation/Settings.h"
#include "support/TestSettings.h"

namespace {

using namespace vestiscop;

const color::ColorNameTable& names()
{
    static const color::ColorNameTable table({
        {{0, 0, 0}, "černá"},      {{100, 0, 0}, "bílá"},     {{54, 0, 0}, "šedá"},
        {{45, 65, 50}, "červená"}, {{35, 40, -90}, "modrá"},  {{60, -60, 50}, "zelená"},
        {{90, -5, 85}, "žlutá"},   {{70, 20, 60}, "oranžová"}, {{40, 50, -40}, "fialová"},
        {{30, 20, 30}, "hnědá"},
    });
    return table;
}

const std::vector<std::string> Families = {"heather", "shirting stripe", "houndstooth", "tartan twill",
                                           "pin dots", "floral", "leopard", "camouflage"};

void analyse(benchmark::State& state)
{
    const bool improved = state.range(0) != 0;
    const std::string& family = Families[static_cast<std::size_t>(state.range(1))];
    foundation::setRowBands(1);  // one core
    const foundation::ColorSettings colour = testsupport::shippedColorSettings();
    const foundation::TextureSettings region{512, 512};
    std::mt19937 random(17);
    const auto scan = bench::render(bench::makeFabric(family, 4242), bench::randomScan(random, 200, 200, 512, 512));

    foundation::ScanSettings scanSettings;
    scanSettings.xRes = 200;
    scanSettings.yRes = 200;
    const std::unique_ptr<analysis::Analyser> analyzer =
        analysis::makeAnalyser(improved, colour, region, scanSettings, names());
    for (auto _ : state) {
        state.PauseTiming();
        auto copy = imaging::RgbImage::create(512, 512);
        std::memcpy(copy->data(), scan->data(), 512 * 512 * 3);
        state.ResumeTiming();
        try {
            analyzer->analyze(std::move(copy));
        } catch (const foundation::Exception&) {
        }
        benchmark::DoNotOptimize(analyzer->result().pattern);
    }
    state.SetLabel(family);
}

void cases(benchmark::internal::Benchmark* b)
{
    for (const int improved : {0, 1})
        for (int f = 0; f < static_cast<int>(Families.size()); ++f)
            b->Args({improved, f});
    b->ArgNames({"improved", "fabric"});
    b->Unit(benchmark::kMillisecond);
    b->MeasureProcessCPUTime();
    b->UseRealTime();
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

} // namespace

BENCHMARK(analyse)->Apply(cases);

BENCHMARK_MAIN();

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The benchmark's commands for the fabric analysis (vestiscop_bench fit,
// vestiscop_bench fabric); see FabricBench.cpp.

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "Corpus.h"

namespace vestiscop::bench {

struct FabricBenchOptions {
    std::string config;
    Split split = Split::Check;
    int perFamily = 8;
    std::vector<std::string> arguments;  // the command and what follows it
};

// Runs work(i, worker) for every case, the cases shared among the processors.
template <typename Work>
void forEachCase(std::size_t count, Work work)
{
    const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::jthread> threads;
    for (unsigned w = 0; w < workers; ++w)
        threads.emplace_back([&, w] {
            for (std::size_t i = w; i < count; i += workers)
                work(i, w);
        });
}

// Fits the pattern rules on the corpus part and prints them as the source
// of fabric/PatternRulesTable.inc.
int runFit(const FabricBenchOptions& options);

// Both analyses side by side, per fabric family and class, with the colour
// check of two-colour fabrics.
int runFabricComparison(const FabricBenchOptions& options);

} // namespace vestiscop::bench

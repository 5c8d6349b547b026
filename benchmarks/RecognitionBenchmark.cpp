// SPDX-License-Identifier: GPL-3.0-or-later
// Time to recognise one scan among 1,000 garments on their signatures: the
// window does this after every scan, so it must stay well under the time a
// user notices (the target is 5 ms). Run it with
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESTISCOP_BENCHMARKS=ON -DVESTISCOP_TESTS=OFF && cmake --build build-bench --target recognition_benchmark && build-bench/benchmarks/recognition_benchmark
//
// examples: signatures per garment (1 = added only, 4 = added and corrected
// three times, the most a garment keeps). The garments are drawn from a
// fixed seed: 1 to 4 colours, a texture spread over a few bins, a weave
// and layout values. The scan is one of them slightly changed, so the best
// garment is found the slow way, by comparing all of it, and every other
// garment is compared too.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "catalog/GarmentCatalog.h"
#include "signature/Recognizer.h"

namespace {

using namespace vestiscop;

signature::GarmentSignature randomGarment(std::mt19937& random)
{
    std::uniform_real_distribution<double> unit(0, 1);
    signature::GarmentSignature s;
    s.colourCount = 1 + static_cast<int>(random() % 4);
    double left = 1;
    for (int i = 0; i < s.colourCount; ++i) {
        auto& c = s.colours[static_cast<std::size_t>(i)];
        c.l = 10 + 85 * unit(random);
        c.a = -60 + 120 * unit(random);
        c.b = -60 + 120 * unit(random);
        c.share = i + 1 == s.colourCount ? left : left * (0.5 + 0.4 * unit(random));
        left -= c.share;
    }
    s.pattern = static_cast<int>(random() % 5);
    s.contrast = 40 * unit(random);
    double sum = 0;
    for (int k = 0; k < 6; ++k) {
        const double e = unit(random);
        s.texture[random() % signature::TextureBins] += e;
        sum += e;
    }
    for (double& t : s.texture)
        t /= sum;
    s.colourVariation = {unit(random), unit(random), unit(random), 0, 0, 0};
    s.minorityShare = 0.3 * unit(random);
    s.minorityRunX = 10 * unit(random);
    s.minorityRunY = 10 * unit(random);
    s.hasWeave = true;
    for (double& e : s.weave)
        e = 1e-4 * unit(random);
    s.hasLayout = true;
    for (double& v : s.layout)
        v = unit(random);
    return s;
}

void MatchAmongGarments(benchmark::State& state)
{
    const int garments = static_cast<int>(state.range(0));
    const int examples = static_cast<int>(state.range(1));
    const std::string dir = (std::filesystem::exists("/dev/shm") ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string())
                            + "/vestiscop-recognition-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    foundation::MatchingSettings matching;
    matching.materials = dir + "/odevy.dat";
    matching.color1Weight = {1, 1, 1, 1600};
    matching.color2Weight = {1, 1, 1, 1600};
    matching.maxDistance = 400;
    matching.minSimilarity = 0.65;
    matching.mergeDecay = 1;
    signature::RecognitionSettings settings;
    settings.signatures = dir + "/odevy.sig";
    const foundation::ColorSettings color;
    const foundation::ScanSettings scan;
    {
        catalog::GarmentCatalog catalogue(matching);
        signature::Recognizer recognizer(catalogue, matching, settings, color, scan);
        std::mt19937 random(20261208);
        color::ColorAnalysis record;
        record.valid = 1;
        signature::GarmentSignature probe;
        for (int g = 0; g < garments; ++g) {
            record.colorA = {static_cast<std::uint8_t>(random() % 100), static_cast<std::int8_t>(random() % 100),
                             static_cast<std::int8_t>(random() % 100)};
            record.shareA = 0.5;
            const signature::GarmentSignature added = randomGarment(random);
            const int slot = recognizer.add(record, added, "g" + std::to_string(g));
            for (int e = 1; e < examples; ++e)
                recognizer.correct(slot, record, randomGarment(random));
            if (g == garments / 2)
                probe = added;
        }
        probe.colours[0].l += 1;
        double similarity = 0;
        for (auto _ : state)
            benchmark::DoNotOptimize(recognizer.findMatch(record, probe, similarity));
    }
    std::filesystem::remove_all(dir);
}

BENCHMARK(MatchAmongGarments)->Args({1000, 1})->Args({1000, 4})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

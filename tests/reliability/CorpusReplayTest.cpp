// SPDX-License-Identifier: GPL-3.0-or-later
// Every input of every fuzz corpus, the seeds and the inputs of past findings
// alike, run once through its target under this build's sanitizers. A target
// stops the program on a broken invariant, so a failure here is a crash.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#define VESTISCOP_REPLAY(name) extern "C" int replay_##name(const std::uint8_t* data, std::size_t size);
#include "ReplayTargets.h"
#undef VESTISCOP_REPLAY

namespace {

using Entry = int (*)(const std::uint8_t*, std::size_t);

struct Target {
    const char* name;
    Entry entry;
};

void PrintTo(const Target& target, std::ostream* out)
{
    *out << target.name;
}

const Target targets[] = {
#define VESTISCOP_REPLAY(name) {#name, replay_##name},
#include "ReplayTargets.h"
#undef VESTISCOP_REPLAY
};

class CorpusReplay : public testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, EveryInputPasses)
{
    const std::filesystem::path corpus = std::filesystem::path(VESTISCOP_SOURCE_DIR) / "fuzz" / "corpus" / GetParam().name;
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
    int inputs = 0;
    for (const auto& file : std::filesystem::directory_iterator(corpus)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        SCOPED_TRACE(file.path().string());
        EXPECT_EQ(GetParam().entry(bytes.data(), bytes.size()), 0);
        ++inputs;
    }
    EXPECT_GT(inputs, 0) << "a fuzz target without seeds";
}

INSTANTIATE_TEST_SUITE_P(Fuzz, CorpusReplay, testing::ValuesIn(targets),
                         [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

} // namespace

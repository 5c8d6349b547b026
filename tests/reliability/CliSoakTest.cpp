// SPDX-License-Identifier: GPL-3.0-or-later
// One vestiscop-cli run analysing many pictures in turn, as a long session
// of dropped files would: every picture gets its line, and the program's
// resident memory stops growing once it has settled (after the first
// hundred pictures). The suite runs 600 pictures; VESTISCOP_SOAK_IMAGES sets
// another number, e.g. 5000 for the full run.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "CliFixture.h"

namespace vestiscop::reliability {
namespace {

int soakImages()
{
    const char* text = std::getenv("VESTISCOP_SOAK_IMAGES");
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n >= 300 ? n : 600;
}

// The memory sampled after the two-hundredth picture and near the end lies
// between pictures SettledBy and count - 20 at least. A leak of one loaded
// picture per analysis (three bytes a pixel) would add at least the pixel
// bytes of every picture between them; half of that is allowed, the rest
// of the room is for the allocator's caches, which keep settling for a
// while and differ from one C library to the next.
constexpr int SettledBy = 210;
constexpr int EndSpan = 20;

TEST(CliSoak, ManyPicturesInOneRunKeepMemoryFlat)
{
    DataDir dir;
    const int count = soakImages();
    std::mt19937 random(7);
    std::vector<std::string> arguments{"analyze", "--json"};
    std::filesystem::create_directory(dir.file("soak"));
    int broken = 0;
    long long leakedPictureBytes = 0;
    for (int i = 0; i < count; ++i) {
        const std::string name = "soak/" + std::to_string(i) + ".bmp";
        // Sizes, colours and stripes vary so that the clusters, the pattern
        // and the buffers the pictures need differ from one to the next.
        const int width = 32 + static_cast<int>(random() % 40);
        const int height = 32 + static_cast<int>(random() % 40);
        const std::array<std::uint8_t, 3> first{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                                static_cast<std::uint8_t>(random())};
        const std::array<std::uint8_t, 3> second{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                                 static_cast<std::uint8_t>(random())};
        std::vector<std::uint8_t> bytes = stripedBmp(width, height, first, second, static_cast<int>(random() % 9));
        if (i % 50 == 49) {
            // Now and then a damaged file, whose failure path must not leak either.
            bytes.resize(bytes.size() / 2);
            ++broken;
        } else if (i >= SettledBy && i < count - EndSpan) {
            leakedPictureBytes += 3LL * width * height;
        }
        dir.write(name, bytes);
        arguments.push_back(name);
    }

    ChildOptions options = dir.options();
    // Without the quarantine the sanitizer reuses freed memory at once, so
    // the resident size shows what the program really holds.
    options.environment = {{"ASAN_OPTIONS", "detect_leaks=1:quarantine_size_mb=0"},
                           {"UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1"}};
    ChildProcess run(cliProgram(), arguments, options);
    const ChildResult result = run.wait(true);

    EXPECT_EQ(result.signal, 0) << result.err;
    EXPECT_TRUE(result.exitedWith(broken > 0 ? ExitFailure : ExitSuccess)) << result.exitCode << result.err.substr(0, 2000);
    int lines = 0;
    int errors = 0;
    for (std::size_t at = 0; (at = result.out.find('\n', at)) != std::string::npos; ++at)
        ++lines;
    // Every line has "error"; a failed file's line says "ok":false.
    for (std::size_t at = 0; (at = result.out.find("\"ok\":false", at)) != std::string::npos; ++at)
        ++errors;
    EXPECT_EQ(lines, count);
    EXPECT_EQ(errors, broken);

    long settled = -1;
    long last = -1;
    for (const auto& [linesSoFar, kb] : result.memory) {
        if (linesSoFar >= 200 && linesSoFar <= SettledBy)
            settled = std::max(settled, kb);
        if (settled < 0 && linesSoFar > SettledBy)
            settled = kb;
        if (linesSoFar >= count - EndSpan)
            last = std::max(last, kb);
    }
    ASSERT_GT(settled, 0) << "no memory sample after the first two hundred pictures";
    ASSERT_GT(last, 0) << "no memory sample near the end";
    std::cout << count << " pictures: " << settled << " kB after 200, " << last << " kB at the end, "
              << result.memory.size() << " samples; a picture leaked per analysis would add "
              << leakedPictureBytes / 1024 << " kB\n";
    EXPECT_LE(last - settled, leakedPictureBytes / 1024 / 2);
}

} // namespace
} // namespace vestiscop::reliability

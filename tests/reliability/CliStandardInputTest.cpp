// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-cli analyze - with standard input that is no picture, or a
// picture too large to take, and that never ends (or ends only after
// hundreds of megabytes): the program looks at the first bytes, says why
// it refuses, and ends without waiting for the stream's end or writing it
// anywhere.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "CliFixture.h"

namespace vestiscop::reliability {
namespace {

namespace fs = std::filesystem;

// The 54 header bytes of a 24-bit BMP of width x height pixels.
std::string bmpHeader(std::uint32_t width, std::uint32_t height)
{
    std::string header(54, '\0');
    const auto put32 = [&header](std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            header[at + i] = static_cast<char>(value >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    header[26] = 1;
    header[28] = 24;
    return header;
}

struct StreamCase {
    const char* name;
    std::string first;    // written once
    std::string repeat;   // then again and again
    std::size_t limit;    // bytes in all; 0: without end
};

TEST(CliStandardInput, EndlessOrHugeInputIsRefusedByItsFirstBytes)
{
    const std::string zeros(65536, '\0');
    const std::vector<StreamCase> cases{
        {"yes", "", "y\n", 0},
        {"a 30000 x 30000 bitmap header, then bytes without end", bmpHeader(30000, 30000), zeros, 0},
        {"300 MB of zeros", "", zeros, 300000000},
    };
    for (const StreamCase& c : cases) {
        SCOPED_TRACE(c.name);
        DataDir dir;
        fs::create_directory(dir.file("tmp"));
        ChildOptions options = dir.options();
        options.environment.emplace_back("TMPDIR", dir.file("tmp"));
        // A spool file beyond a megabyte would fail to be written and say so.
        options.fileSizeLimit = 1 << 20;
        options.input = c.first;
        options.inputRepeat = c.repeat;
        options.inputLimit = c.limit;
        options.workingDirectory = dir.path();
        ChildProcess child(cliProgram(), {"analyze", "-"}, options);
        ChildResult result;
        // Never waits for the end of the stream (a bound for a hang, not a
        // speed target).
        EXPECT_FALSE(child.killAfter(std::chrono::seconds(10), result)) << "still reading";
        EXPECT_TRUE(result.exitedWith(ExitFailure)) << result.exitCode << " " << result.signal;
        EXPECT_EQ(result.err, "Špatný formát dat\n");
        EXPECT_EQ(result.out, "");
        // Read no further than the pipe's worth past the first bytes.
        EXPECT_LT(result.inputWritten, c.first.size() + (1u << 20));
        EXPECT_TRUE(fs::is_empty(dir.file("tmp")));
    }
}

} // namespace
} // namespace vestiscop::reliability

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/Log.h"
#include "support/FileBytes.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::foundation {
namespace {

using testsupport::readText;

std::tm localTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(LogLine, PaddingOfEveryField)
{
    EXPECT_EQ(Log::formatLine(localTime(2026, 3, 6, 9, 5, 7), LogLevel::Info, "abc"),
              " 6.03.2026  9:05:07 - INFO : abc");
    EXPECT_EQ(Log::formatLine(localTime(2026, 12, 31, 23, 59, 58), LogLevel::Warn, ""),
              "31.12.2026 23:59:58 - WARN : ");
    EXPECT_EQ(Log::formatLine(localTime(999, 1, 1, 0, 0, 0), LogLevel::Error, "Nelze psát do souboru x"),
              " 1.01. 999  0:00:00 - ERROR: Nelze psát do souboru x");
}

TEST(LogFile, RunsAppendSeparatedByEmptyLine)
{
    testsupport::ScratchDirectory dir;
    {
        Log first(dir.pathWithSlash(), "run.log");
        first.writeRaw("");
        first.write(LogLevel::Info, "první");
        // Flushed line by line: the text is on disk while the log is open.
        EXPECT_NE(readText(dir.file("run.log")).find(" - INFO : první\n"), std::string::npos);
    }
    {
        Log second(dir.pathWithSlash(), "run.log");
        second.writeRaw("");
        second.write(LogLevel::Error, "druhý");
    }
    const std::string content = readText(dir.file("run.log"));
    // "\n" + "dd.mm.yyyy hh:mm:ss" + tag + text + "\n", twice.
    const std::size_t lineLength = 19 + 10;
    ASSERT_EQ(content.size(), 2 * (1 + lineLength + std::string("první\n").size()));
    EXPECT_EQ(content[0], '\n');
    EXPECT_EQ(content.substr(19 + 1, 10 + 7), " - INFO : první\n");
    const std::size_t secondRun = content.find("\n\n");
    ASSERT_NE(secondRun, std::string::npos);
    EXPECT_EQ(content.substr(secondRun + 2 + 19), " - ERROR: druhý\n");
}

TEST(LogFile, LinesFromThreadsDoNotInterleave)
{
    testsupport::ScratchDirectory dir;
    {
        Log log(dir.pathWithSlash(), "t.log");
        std::vector<std::thread> threads;
        for (char c : {'a', 'b', 'c', 'd'}) {
            threads.emplace_back([&log, c] {
                for (int i = 0; i < 200; ++i)
                    log.writeRaw(std::string(100, c));
            });
        }
        for (std::thread& thread : threads)
            thread.join();
    }
    std::ifstream in(dir.file("t.log"));
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        ASSERT_EQ(line, std::string(100, line[0]));
    }
    EXPECT_EQ(lines, 800);
}

TEST(LogFile, UnwritableLogIsCodeFourWithFullPath)
{
    testsupport::ScratchDirectory dir;
    const std::string missingDir = dir.file("no-such-dir/");
    try {
        Log log(missingDir, "run.log");
        FAIL() << "no exception";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.code(), 4);
        EXPECT_EQ(error.argument(), missingDir + "run.log");
    }
}

TEST(LogFile, FailedWriteIsCodeFourAndReleasesLock)
{
    Log log("/dev/", "full");
    for (int attempt = 0; attempt < 2; ++attempt) {  // a held lock would hang the second attempt
        try {
            log.writeRaw("x");
            FAIL() << "no exception";
        } catch (const SystemError& error) {
            EXPECT_EQ(error.code(), 4);
            EXPECT_EQ(error.argument(), "/dev/full");
        }
    }
}

} // namespace
} // namespace vestiscop::foundation

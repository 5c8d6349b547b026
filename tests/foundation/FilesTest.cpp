// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/Exception.h"
#include "foundation/Files.h"
#include "support/FileBytes.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::foundation {
namespace {

template <typename Call>
std::pair<int, std::string> systemFailure(Call call)
{
    try {
        call();
    } catch (const SystemError& error) {
        return {error.code(), error.argument()};
    }
    return {-1, std::string()};
}

using testsupport::readText;
using testsupport::writeText;

// ------------------------------------------------------------- TextFile

class TextFileTest : public ::testing::Test {
protected:
    std::string path(const char* name) const { return m_dir.file(name); }
    testsupport::ScratchDirectory m_dir;
};

TEST_F(TextFileTest, OpenFailuresCarryCodeAndPath)
{
    const std::string missing = path("missing.txt");
    EXPECT_EQ(systemFailure([&] { TextFile file(missing, TextFile::Read); }), std::make_pair(3, missing));
    const std::string noDir = path("no/such/dir.txt");
    EXPECT_EQ(systemFailure([&] { TextFile file(noDir, TextFile::Write); }), std::make_pair(4, noDir));
    EXPECT_EQ(systemFailure([&] { TextFile file(noDir, TextFile::Append); }), std::make_pair(4, noDir));
}

TEST_F(TextFileTest, LinesOfAnyLengthAndLastLineWithoutLineFeed)
{
    const std::string longLine(300000, 'x');
    const std::string withNul = std::string("a\0b", 3);
    writeText(path("t.txt"), longLine + "\n" + "crlf\r\n" + "mid\rdle\n" + withNul + "\n\n" + "last");
    TextFile file(path("t.txt"), TextFile::Read);
    EXPECT_EQ(file.readLine(), longLine + "\n");
    EXPECT_EQ(file.readLine(), "crlf\n");
    EXPECT_EQ(file.readLine(), "mid\rdle\n");
    EXPECT_EQ(file.readLine(), withNul + "\n");
    EXPECT_EQ(file.readLine(), "\n");
    EXPECT_FALSE(file.atEnd());
    EXPECT_EQ(file.readLine(), "last");
    EXPECT_EQ(file.readLine(), "");
    EXPECT_TRUE(file.atEnd());
}

TEST_F(TextFileTest, EndFlagOnlyAfterReadHitsEnd)
{
    writeText(path("t.txt"), "one\n");
    TextFile file(path("t.txt"), TextFile::Read);
    EXPECT_FALSE(file.atEnd());
    EXPECT_EQ(file.readLine(), "one\n");
    EXPECT_FALSE(file.atEnd());
    EXPECT_EQ(file.readLine(), "");
    EXPECT_TRUE(file.atEnd());
}

TEST_F(TextFileTest, WriteTruncatesAppendKeeps)
{
    writeText(path("t.txt"), "old content\n");
    {
        TextFile file(path("t.txt"), TextFile::Write);
        file.writeString("ab");
        file.writeChar('c');
        EXPECT_EQ(file.tell(), 3);
        file.writeChar('\n');
        file.close();
        EXPECT_FALSE(file.isOpen());
    }
    {
        TextFile file(path("t.txt"), TextFile::Append);
        file.writeString("more\n");
        file.flush();
        EXPECT_EQ(readText(path("t.txt")), "abc\nmore\n");
    }
    EXPECT_EQ(readText(path("t.txt")), "abc\nmore\n");
}

TEST_F(TextFileTest, WriteFailureOnFullDeviceIsCodeFour)
{
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "/dev/full not available";
    TextFile file("/dev/full", TextFile::Write);
    file.writeString(std::string(100, 'x'));  // buffered, fails on flush
    EXPECT_EQ(systemFailure([&] { file.flush(); }), std::make_pair(4, std::string("/dev/full")));
}

TEST_F(TextFileTest, ReadOnClosedStreamIsCodeThree)
{
    TextFile file;
    EXPECT_EQ(systemFailure([&] { file.readLine(); }).first, 3);
    EXPECT_EQ(systemFailure([&] { file.writeString("x"); }).first, 4);
}

// ----------------------------------------------------------- BinaryFile

class BinaryFileTest : public TextFileTest {};

TEST_F(BinaryFileTest, OpenMissingForReadIsCodeTwo)
{
    const std::string missing = path("missing.bin");
    EXPECT_EQ(systemFailure([&] { BinaryFile file(missing, BinaryFile::Read); }), std::make_pair(2, missing));
    const std::string noDir = path("no/such.bin");
    EXPECT_EQ(systemFailure([&] { BinaryFile file(noDir, BinaryFile::Write); }), std::make_pair(2, noDir));
}

TEST_F(BinaryFileTest, NewFileIsOwnerReadWriteOnly)
{
    const mode_t previous = ::umask(0);
    {
        BinaryFile file(path("new.bin"), BinaryFile::ReadWrite);
    }
    ::umask(previous);
    struct stat status {};
    ASSERT_EQ(::stat(path("new.bin").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(BinaryFileTest, ShortReadIsCodeThree)
{
    writeText(path("b.bin"), "0123456789abcd");
    BinaryFile file(path("b.bin"), BinaryFile::Read);
    file.seek(10);
    char buffer[10] = {};
    EXPECT_EQ(systemFailure([&] { file.read(buffer, 10); }), std::make_pair(3, path("b.bin")));
    file.seek(10);
    file.read(buffer, 4);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_TRUE(file.atEnd());
    file.read(buffer, 0);  // nothing asked, nothing fails
}

TEST_F(BinaryFileTest, PositioningAndModes)
{
    {
        BinaryFile file(path("b.bin"), BinaryFile::Write);
        EXPECT_EQ(file.write("hello world", 11), 11u);
        EXPECT_EQ(file.size(), 11);
    }
    {
        BinaryFile file(path("b.bin"), BinaryFile::ReadWrite);  // keeps content
        EXPECT_EQ(file.size(), 11);
        file.skip(6);
        file.write("W", 1);
        file.seek(0);
        char buffer[11];
        file.read(buffer, 11);
        EXPECT_EQ(std::string(buffer, 11), "hello World");
        file.skip(-5);
        EXPECT_FALSE(file.atEnd());
        file.skip(5);
        EXPECT_TRUE(file.atEnd());
    }
    {
        BinaryFile file(path("b.bin"), BinaryFile::Append);
        file.seek(0);  // append writes land at the end regardless
        file.write("!", 1);
        file.close();
        EXPECT_EQ(file.mode(), BinaryFile::Closed);
        EXPECT_FALSE(file.isOpen());
    }
    EXPECT_EQ(readText(path("b.bin")), "hello World!");
}

TEST_F(BinaryFileTest, FailuresAfterOpenUseTheModeCode)
{
    writeText(path("b.bin"), "abc");
    BinaryFile reader(path("b.bin"), BinaryFile::Read);
    EXPECT_EQ(systemFailure([&] { reader.write("x", 1); }).first, 4);
    EXPECT_EQ(systemFailure([&] { reader.seek(-1); }).first, 3);
    BinaryFile writer(path("c.bin"), BinaryFile::Write);
    char c;
    EXPECT_EQ(systemFailure([&] { writer.read(&c, 1); }).first, 3);
    EXPECT_EQ(systemFailure([&] { writer.skip(-100); }).first, 4);
}

TEST_F(BinaryFileTest, WriteFillWritesExactCount)
{
    BinaryFile file(path("f.bin"), BinaryFile::Write);
    file.write("<", 1);
    file.writeFill(1300, 0xAB);
    file.writeFill(0, 0x00);
    file.write(">", 1);
    file.close();
    EXPECT_EQ(readText(path("f.bin")), "<" + std::string(1300, '\xAB') + ">");
}

// A pipe in packet mode keeps every write a separate packet, so the reader
// sees the chunk sizes writeFill used.
TEST_F(BinaryFileTest, WriteFillUsesChunksOfAtMost512)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_DIRECT), 0);
    {
        BinaryFile file("/proc/self/fd/" + std::to_string(fds[1]), BinaryFile::Write);
        ASSERT_EQ(::fcntl(file.descriptor(), F_SETFL, O_DIRECT), 0);
        file.writeFill(1300, 7);
    }
    ::close(fds[1]);
    std::vector<ssize_t> chunks;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(fds[0], buffer, sizeof buffer)) > 0)
        chunks.push_back(got);
    ::close(fds[0]);
    EXPECT_EQ(chunks, (std::vector<ssize_t>{512, 512, 276}));
}

TEST_F(BinaryFileTest, WriteToFullDeviceIsCodeFour)
{
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "/dev/full not available";
    BinaryFile file("/dev/full", BinaryFile::Write);
    EXPECT_EQ(systemFailure([&] { file.write("abc", 3); }), std::make_pair(4, std::string("/dev/full")));
    EXPECT_EQ(systemFailure([&] { file.writeFill(10, 0); }).first, 4);
}

// A file-size limit makes the kernel accept only part of a write.
TEST_F(BinaryFileTest, ShortWriteAtFileSizeLimitIsCodeFour)
{
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < 1000)
        GTEST_SKIP();
    BinaryFile file(path("limited.bin"), BinaryFile::Write);
    std::pair<int, std::string> first, second, fill;
    {
        const testsupport::FileSizeLimit limit(1000);
        const std::string block(700, 'z');
        first = systemFailure([&] { file.write(block.data(), block.size()); });
        second = systemFailure([&] { file.write(block.data(), block.size()); });
        fill = systemFailure([&] { file.writeFill(5000, 1); });
    }
    EXPECT_EQ(first.first, -1);
    EXPECT_EQ(second, std::make_pair(4, path("limited.bin")));
    EXPECT_EQ(fill.first, 4);
    EXPECT_EQ(file.size(), 1000);
}

// ------------------------------------------------------------ findFiles

class FindFilesTest : public TextFileTest {
protected:
    static std::vector<std::string> names(const std::vector<DirectoryEntry>& entries)
    {
        std::vector<std::string> result;
        for (const DirectoryEntry& entry : entries)
            result.push_back(entry.fullPath());
        return result;
    }
};

TEST_F(FindFilesTest, WildcardsMatchWholeName)
{
    for (const char* name : {"scan001.bmp", "scan002.png", "notes.txt", "scanner.txt", "scan01.bmp", "xscan001.bmp"})
        writeText(path(name), "x");
    std::vector<DirectoryEntry> entries;
    findFiles(m_dir.pathWithSlash(), "scan???.*", false, 0, 0, entries);
    auto found = names(entries);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{path("scan001.bmp"), path("scan002.png"), path("scanner.txt")}));

    // Without the final separator the records still carry joinable paths.
    std::vector<DirectoryEntry> again;
    findFiles(m_dir.path(), "scan00?.bmp", false, 0, 0, again);
    EXPECT_EQ(names(again), (std::vector<std::string>{path("scan001.bmp")}));
}

TEST_F(FindFilesTest, RecordCarriesStatData)
{
    writeText(path("a.bin"), "12345");
    const timespec times[2] = {{1000000, 0}, {2000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path("a.bin").c_str(), times, 0), 0);
    ::mkdir(path("sub").c_str(), 0700);
    std::vector<DirectoryEntry> entries;
    findFiles(m_dir.pathWithSlash(), "*", false, 0, 0, entries);
    ASSERT_EQ(entries.size(), 2u);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    EXPECT_EQ(entries[0].directory, m_dir.pathWithSlash());
    EXPECT_EQ(entries[0].name, "a.bin");
    EXPECT_EQ(entries[0].size, 5u);
    EXPECT_EQ(entries[0].lastAccess, 1000000);
    EXPECT_EQ(entries[0].lastWrite, 2000000);
    EXPECT_EQ(entries[0].attributes, 0u);
    EXPECT_EQ(entries[1].name, "sub");
    EXPECT_EQ(entries[1].attributes, AttrDirectory);

    std::vector<DirectoryEntry> dirsOnly;
    findFiles(m_dir.pathWithSlash(), "*", false, AttrDirectory, 0, dirsOnly);
    EXPECT_EQ(names(dirsOnly), (std::vector<std::string>{path("sub")}));
    std::vector<DirectoryEntry> filesOnly;
    findFiles(m_dir.pathWithSlash(), "*", false, 0, AttrDirectory, filesOnly);
    EXPECT_EQ(names(filesOnly), (std::vector<std::string>{path("a.bin")}));
}

TEST_F(FindFilesTest, RecursionIsDepthFirstWithSubdirectoryPaths)
{
    ::mkdir(path("d1").c_str(), 0700);
    ::mkdir(path("d1/deep").c_str(), 0700);
    ::mkdir(path("d2").c_str(), 0700);
    writeText(path("top.txt"), "");
    writeText(path("d1/one.txt"), "");
    writeText(path("d1/deep/two.txt"), "");
    writeText(path("d2/three.txt"), "");
    writeText(path("d2/skip.bin"), "");
    std::vector<DirectoryEntry> entries;
    findFiles(m_dir.pathWithSlash(), "*.txt", true, 0, 0, entries);
    const auto found = names(entries);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0], path("top.txt"));
    // Each directory's matches come before those of its subdirectories.
    const auto at = [&](const std::string& p) { return std::find(found.begin(), found.end(), p) - found.begin(); };
    EXPECT_LT(at(path("d1/one.txt")), at(path("d1/deep/two.txt")));
    EXPECT_LT(at(path("d2/three.txt")), 4);
    const bool d1First = at(path("d1/one.txt")) < at(path("d2/three.txt"));
    if (d1First)
        EXPECT_EQ(at(path("d1/deep/two.txt")), 2);  // d1's whole tree before d2
    else
        EXPECT_EQ(at(path("d2/three.txt")), 1);
    EXPECT_EQ(entries[static_cast<std::size_t>(at(path("d1/deep/two.txt")))].directory, path("d1/deep/"));
}

TEST_F(FindFilesTest, MissingDirectoryYieldsNothingAndLinkLoopEnds)
{
    std::vector<DirectoryEntry> entries;
    findFiles(path("absent/"), "*", true, 0, 0, entries);
    EXPECT_TRUE(entries.empty());

    ::mkdir(path("d").c_str(), 0700);
    writeText(path("d/f.txt"), "");
    ASSERT_EQ(::symlink("..", path("d/up").c_str()), 0);
    findFiles(m_dir.pathWithSlash(), "*.txt", true, 0, 0, entries);
    EXPECT_EQ(names(entries), (std::vector<std::string>{path("d/f.txt")}));
}

} // namespace
} // namespace vestiscop::foundation

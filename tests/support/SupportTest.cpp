// SPDX-License-Identifier: GPL-3.0-or-later
// The test-support library: scratch directories leave nothing behind, the
// child-process harness reports what the child did, and the settings
// records tests build agree with the files they stand for.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/IniFile.h"
#include "foundation/Settings.h"
#include "support/ChildProcess.h"
#include "support/ProgramFiles.h"
#include "support/ScratchDirectory.h"
#include "support/TestSettings.h"

namespace vestiscop::testsupport {
namespace {

TEST(ScratchDirectoryTest, EachIsItsOwnAndGoesWithEverythingInIt)
{
    std::string first;
    {
        ScratchDirectory a;
        ScratchDirectory b;
        EXPECT_NE(a.path(), b.path());
        first = a.path();
        a.write("file.txt", "text");
        EXPECT_EQ(a.read("file.txt"), "text");
        EXPECT_FALSE(b.exists("file.txt"));
        // A test that takes permissions away (to make writes fail) does not
        // keep its files from being removed.
        std::filesystem::create_directories(a.file("locked/inner"));
        a.write("locked/inner/file.bin", std::vector<std::uint8_t>{0, 1, 2});
        ::chmod(a.file("locked/inner").c_str(), 0);
        ::chmod(a.file("locked").c_str(), 0500);
        ::chmod(a.path().c_str(), 0500);
    }
    EXPECT_FALSE(std::filesystem::exists(first));
}

TEST(ScratchDirectoryTest, ReadsOfWhatIsNoFileAreEmpty)
{
    ScratchDirectory dir;
    EXPECT_EQ(dir.read("missing"), "");
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_EQ(dir.read("folder"), "");
    EXPECT_TRUE(dir.readBytes("folder").empty());
    EXPECT_EQ(dir.pathWithSlash(), dir.path() + "/");
}

ChildResult shell(const std::string& script, ChildOptions options = {})
{
    return runChild("/bin/sh", {"-c", script}, options);
}

TEST(ChildProcessTest, CollectsBothStreamsAndTheExitStatus)
{
    const ChildResult result = shell("echo out; echo err >&2; exit 3");
    EXPECT_EQ(result.out, "out\n");
    EXPECT_EQ(result.err, "err\n");
    EXPECT_TRUE(result.exitedWith(3));
    EXPECT_FALSE(result.timedOut);
}

TEST(ChildProcessTest, ASignalIsToldApartFromAnExit)
{
    const ChildResult result = shell("kill -TERM $$");
    EXPECT_EQ(result.signal, SIGTERM);
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_FALSE(result.exitedWith(0));
}

TEST(ChildProcessTest, StandardInputComesFromTheTextOrTheFileOrIsEmpty)
{
    ScratchDirectory dir;
    dir.write("input.txt", "from the file\n");
    ChildOptions options;
    EXPECT_EQ(shell("cat", options).out, "");
    options.input = "from the text\n";
    EXPECT_EQ(shell("cat", options).out, "from the text\n");
    options.inputFile = dir.file("input.txt");
    EXPECT_EQ(shell("cat", options).out, "from the file\n");
    options.inputFile = dir.file("missing.txt");
    EXPECT_THROW(shell("cat", options), std::runtime_error);
}

TEST(ChildProcessTest, EnvironmentAndDirectoryAreTheChildsAlone)
{
    ScratchDirectory dir;
    ::setenv("VESTISCOP_SUPPORT_INHERITED", "inherited", 1);
    ::setenv("VESTISCOP_SUPPORT_REMOVED", "removed", 1);
    ChildOptions options;
    options.workingDirectory = dir.path();
    options.environment = {{"VESTISCOP_SUPPORT_ADDED", "added"}, {"VESTISCOP_SUPPORT_INHERITED", "replaced"}};
    options.unset = {"VESTISCOP_SUPPORT_REMOVED"};
    const ChildResult result = shell(
        "echo \"$VESTISCOP_SUPPORT_ADDED ${VESTISCOP_SUPPORT_INHERITED} ${VESTISCOP_SUPPORT_REMOVED-none}\"; pwd -P",
        options);
    EXPECT_EQ(result.out, "added replaced none\n" + std::filesystem::canonical(dir.path()).string() + "\n");
    EXPECT_STREQ(std::getenv("VESTISCOP_SUPPORT_REMOVED"), "removed") << "the test's own environment is left alone";
    ::unsetenv("VESTISCOP_SUPPORT_INHERITED");
    ::unsetenv("VESTISCOP_SUPPORT_REMOVED");
}

TEST(ChildProcessTest, AChildPastItsTimeLimitIsKilledAndItsOutputKept)
{
    ChildOptions options;
    options.timeLimit = std::chrono::milliseconds(300);
    const ChildResult result = shell("echo started; exec sleep 600", options);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.signal, SIGKILL);
    EXPECT_EQ(result.out, "started\n");
}

TEST(ProgramFilesTest, WithKeysReplacesWholeLinesOfExactlyTheKeys)
{
    const std::string text = "[Scan]\nWndWidth = 3\n[Texture]\nWidth=512\n; Height = 1\nHeight\t= 512\n";
    EXPECT_EQ(withKeys(text, {{"Width", "32"}, {"Height", "16"}}),
              "[Scan]\nWndWidth = 3\n[Texture]\nWidth = 32\n; Height = 1\nHeight = 16\n");
    EXPECT_THROW(withKeys(text, {{"Depth", "1"}}), std::runtime_error);
    EXPECT_NE(shippedConfiguration({{"Width", "32"}}).find("\nWidth = 32\n"), std::string::npos);
}

foundation::AllSettings readFile(const std::string& path)
{
    foundation::IniFile ini(path, ';');
    foundation::AllSettings settings;
    foundation::readAllSettings(ini, settings);
    return settings;
}

void expectSame(const foundation::ColorSettings& read, const foundation::ColorSettings& built)
{
    EXPECT_EQ(read.definitions, built.definitions);
    EXPECT_EQ(read.filter, built.filter);
    EXPECT_EQ(read.lumaScale, built.lumaScale);
    EXPECT_EQ(read.clusterThr, built.clusterThr);
    EXPECT_EQ(read.histSmooth, built.histSmooth);
    EXPECT_EQ(read.maxBins, built.maxBins);
    EXPECT_EQ(read.reportThr, built.reportThr);
}

TEST(TestSettingsTest, BuiltRecordsAreWhatTheirFilesRead)
{
    ScratchDirectory dir;
    dir.write("vestiscop.cfg", testConfiguration());
    expectSame(readFile(dir.file("vestiscop.cfg")).color, testColorSettings());

    const foundation::AllSettings shipped = readFile(shippedFile("vestiscop.cfg"));
    expectSame(shipped.color, shippedColorSettings());
    const foundation::MatchingSettings matching = shippedMatching(shipped.matching.materials);
    EXPECT_EQ(shipped.matching.color1Weight, matching.color1Weight);
    EXPECT_EQ(shipped.matching.color2Weight, matching.color2Weight);
    EXPECT_EQ(shipped.matching.maxDistance, matching.maxDistance);
    EXPECT_EQ(shipped.matching.minSimilarity, matching.minSimilarity);
    EXPECT_EQ(shipped.matching.mergeDecay, matching.mergeDecay);
}

} // namespace
} // namespace vestiscop::testsupport

// SPDX-License-Identifier: GPL-3.0-or-later
// Faults of the system under the real command-line program: a file that
// cannot grow (a full disk, here a file-size limit), a catalogue that cannot
// be written, a data directory that disappears. Each ends with the system's
// message, a Materials file of whole records each either as before or as
// intended, and a program that works again once the fault is gone.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliFixture.h"

namespace vestiscop::reliability {
namespace {

// Texts of the message table that the faults must bring out.
const std::string CannotOpen = "Nelze otevřít soubor";
const std::string CannotWrite = "Nelze psát do souboru";

class CliFault : public testing::Test {
protected:
    // These faults are the Materials file's: the catalogue as older versions
    // keep it. The signature file's own are below (CliSignatureFault).
    CliFault() { dir.withoutSignatures(); }

    // A catalogue of count definitions, all made from one real record the
    // program stored, named g00, g01, ...
    void seedCatalogue(int count)
    {
        const ChildResult added = dir.cli({"add", "vzor", dir.picture("vzor.bmp", 1)});
        ASSERT_TRUE(added.exitedWith(ExitSuccess)) << added.err;
        const std::vector<Record> stored = dir.records();
        ASSERT_EQ(stored.size(), 1u);
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < count; ++i) {
            Record record = stored[0];
            std::fill(record.begin() + 1, record.begin() + 66, 0);
            const std::string name = (i < 10 ? "g0" : "g") + std::to_string(i);
            std::copy(name.begin(), name.end(), record.begin() + 1);
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        dir.write("odevy.dat", bytes);
    }

    DataDir dir;
};

TEST_F(CliFault, AdditionBeyondTheFileSizeLimitIsRefusedAndLosesNothing)
{
    seedCatalogue(40);
    std::filesystem::remove(dir.logFile());
    const std::vector<std::uint8_t> before = dir.readBytes("odevy.dat");
    ASSERT_EQ(before.size(), 40 * RecordSize);

    // The file may not grow past its 40 records: the 41st cannot be written.
    ChildOptions full = dir.options();
    full.fileSizeLimit = static_cast<long>(before.size());
    const ChildResult refused = dir.cli({"add", "novy", dir.picture("novy.bmp", 2)}, full);
    EXPECT_TRUE(refused.exitedWith(ExitFailure)) << refused.exitCode << " " << refused.signal << refused.err;
    EXPECT_NE(refused.err.find(CannotWrite), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("odevy.dat"), std::string::npos) << refused.err;
    EXPECT_EQ(dir.readBytes("odevy.dat"), before);
    const std::vector<std::uint8_t> log = dir.readBytes("vestiscop.log");
    EXPECT_NE(std::string(log.begin(), log.end()).find(CannotWrite), std::string::npos);

    // A correction rewrites its record in place and needs no room.
    const ChildResult corrected = dir.cli({"correct", "g05", dir.picture("jiny.bmp", 5)}, full);
    EXPECT_TRUE(corrected.exitedWith(ExitSuccess)) << corrected.err;
    const std::vector<Record> after = dir.records();
    ASSERT_EQ(after.size(), 40u);
    for (std::size_t i = 0; i < after.size(); ++i) {
        const Record old = [&] {
            Record r;
            std::copy_n(before.begin() + static_cast<std::ptrdiff_t>(i * RecordSize), RecordSize, r.begin());
            return r;
        }();
        if (i == 5)
            EXPECT_NE(after[i], old) << "the corrected definition learnt nothing";
        else
            EXPECT_EQ(after[i], old) << "slot " << i;
    }

    // Room again: the same addition succeeds and appends record 40.
    const ChildResult added = dir.cli({"add", "novy", dir.file("novy.bmp")});
    EXPECT_TRUE(added.exitedWith(ExitSuccess)) << added.err;
    const std::vector<std::string> names = dir.names();
    ASSERT_EQ(names.size(), 41u);
    EXPECT_EQ(names[40], "novy");
}

TEST_F(CliFault, LogThatCannotGrowEndsTheStartUpWithItsMessage)
{
    seedCatalogue(3);
    const std::string old(4000, 'x');
    dir.write("vestiscop.log", old + "\n");
    const std::vector<std::uint8_t> before = dir.readBytes("odevy.dat");

    ChildOptions full = dir.options();
    full.fileSizeLimit = static_cast<long>(old.size() + 1);
    const ChildResult refused = dir.cli({"add", "novy", dir.picture("novy.bmp", 2)}, full);
    EXPECT_EQ(refused.signal, 0);
    EXPECT_TRUE(refused.exitedWith(ExitStartupFailed)) << refused.exitCode << refused.err;
    EXPECT_NE(refused.err.find(CannotWrite), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("vestiscop.log"), std::string::npos) << refused.err;
    // Said once: reporting the failure tries the log again, which fails alike.
    EXPECT_EQ(refused.err.find(CannotWrite), refused.err.rfind(CannotWrite)) << refused.err;
    EXPECT_EQ(dir.readBytes("odevy.dat"), before);

    const ChildResult added = dir.cli({"add", "novy", dir.file("novy.bmp")});
    EXPECT_TRUE(added.exitedWith(ExitSuccess)) << added.err;
    EXPECT_EQ(dir.names().size(), 4u);
}

TEST_F(CliFault, LogFullWhileReportingStillShowsTheFailure)
{
    seedCatalogue(3);
    const std::string old(4000, 'x');
    dir.write("vestiscop.log", old + "\n");

    // Room for the start-up's empty line and a little more, not for the
    // ERROR line that reports the missing picture.
    ChildOptions full = dir.options();
    full.fileSizeLimit = static_cast<long>(old.size() + 3);
    const ChildResult result = dir.cli({"analyze", dir.file("chybi.bmp")}, full);
    EXPECT_EQ(result.signal, 0);
    EXPECT_TRUE(result.exitedWith(ExitFailure)) << result.exitCode << result.err;
    EXPECT_NE(result.err.find(CannotOpen), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("chybi.bmp"), std::string::npos) << result.err;
    EXPECT_EQ(dir.records().size(), 3u);
}

// Permission bits do not stop root, so as root the program runs as the
// unprivileged user nobody on a directory that user owns; the write
// protection then holds as it does for an ordinary user.
TEST_F(CliFault, ReadOnlyCatalogueRefusesChangesAndLosesNothing)
{
    seedCatalogue(3);
    ChildOptions options = dir.options();
    if (::geteuid() == 0) {
        options.user = 65534;
        options.group = 65534;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
            ASSERT_EQ(::chown(entry.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        // A build below a private home directory is out of nobody's reach.
        const ChildResult probe = dir.cli({"--version"}, options);
        if (probe.exitedWith(126) || probe.exitedWith(127))
            GTEST_SKIP() << "user nobody cannot run " << cliProgram() << " here, and root ignores permission bits";
    }
    dir.picture("novy.bmp", 2);
    ASSERT_EQ(::chmod(dir.materials().c_str(), 0444), 0);
    const std::vector<std::uint8_t> before = dir.readBytes("odevy.dat");

    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"add", "novy", dir.file("novy.bmp")}, {"correct", "g01", dir.file("novy.bmp")}, {"delete", "g02"}}) {
        const ChildResult refused = dir.cli(command, options);
        EXPECT_EQ(refused.signal, 0) << command[0];
        EXPECT_TRUE(refused.exitedWith(ExitStartupFailed)) << command[0] << ": " << refused.exitCode << refused.err;
        EXPECT_NE(refused.err.find(CannotOpen), std::string::npos) << command[0] << ": " << refused.err;
        EXPECT_NE(refused.err.find("odevy.dat"), std::string::npos) << refused.err;
        EXPECT_EQ(dir.readBytes("odevy.dat"), before) << command[0];
    }

    ASSERT_EQ(::chmod(dir.materials().c_str(), 0644), 0);
    const ChildResult added = dir.cli({"add", "novy", dir.file("novy.bmp")}, options);
    EXPECT_TRUE(added.exitedWith(ExitSuccess)) << added.err;
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"g00", "g01", "g02", "novy"}));
}

// The signature file beside the catalogue under the same faults. Its entries
// are larger than the Materials records, so it meets a full disk first.
class CliSignatureFault : public testing::Test {
protected:
    DataDir dir;
};

TEST_F(CliSignatureFault, AdditionTheSignatureFileCannotHoldIsRefusedAndLosesNothing)
{
    for (int i = 0; i < 3; ++i) {
        const ChildResult added = dir.cli({"add", "g" + std::to_string(i), dir.picture("g" + std::to_string(i) + ".bmp", i)});
        ASSERT_TRUE(added.exitedWith(ExitSuccess)) << added.err;
    }
    const std::vector<std::uint8_t> materials = dir.readBytes("odevy.dat");
    const std::vector<std::uint8_t> signatures = dir.readBytes("odevy.sig");

    // The signature file may not grow: the fourth garment's entry cannot be written.
    ChildOptions full = dir.options();
    full.fileSizeLimit = static_cast<long>(signatures.size());
    const ChildResult refused = dir.cli({"add", "novy", dir.picture("novy.bmp", 5)}, full);
    EXPECT_TRUE(refused.exitedWith(ExitFailure)) << refused.exitCode << " " << refused.signal << refused.err;
    EXPECT_NE(refused.err.find(CannotWrite), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("odevy.sig"), std::string::npos) << refused.err;
    EXPECT_EQ(dir.readBytes("odevy.dat"), materials);
    EXPECT_EQ(dir.readBytes("odevy.sig"), signatures);

    // A correction rewrites both in place and needs no room.
    const ChildResult corrected = dir.cli({"correct", "g1", dir.file("g1.bmp")}, full);
    EXPECT_TRUE(corrected.exitedWith(ExitSuccess)) << corrected.err;
    EXPECT_EQ(dir.readBytes("odevy.sig").size(), signatures.size());
    EXPECT_NE(dir.readBytes("odevy.sig"), signatures) << "the correction's scan was not kept";

    // Room again: the addition succeeds, and every garment is still
    // recognised from its picture, with no fall-back noted in the log.
    const ChildResult added = dir.cli({"add", "novy", dir.file("novy.bmp")});
    EXPECT_TRUE(added.exitedWith(ExitSuccess)) << added.err;
    for (const std::string name : {"g0", "g1", "g2", "novy"}) {
        const ChildResult analysed = dir.cli({"analyze", dir.file(name + ".bmp")});
        ASSERT_TRUE(analysed.exitedWith(ExitSuccess)) << analysed.err;
        EXPECT_NE(analysed.out.find(name + " na "), std::string::npos) << analysed.out;
    }
    const std::vector<std::uint8_t> log = dir.readBytes("vestiscop.log");
    EXPECT_EQ(std::string(log.begin(), log.end()).find("podpis"), std::string::npos);
}

TEST_F(CliSignatureFault, UnreadableSignaturesFallBackToTheCatalogueAndSaySo)
{
    const ChildResult added = dir.cli({"add", "modra", dir.picture("modra.bmp", 1)});
    ASSERT_TRUE(added.exitedWith(ExitSuccess)) << added.err;
    std::vector<std::uint8_t> signatures = dir.readBytes("odevy.sig");
    signatures.back() ^= 0x40;  // inside the garment's entry
    dir.write("odevy.sig", signatures);

    const ChildResult analysed = dir.cli({"analyze", dir.file("modra.bmp")});
    ASSERT_TRUE(analysed.exitedWith(ExitSuccess)) << analysed.err;
    EXPECT_NE(analysed.out.find("modra na 100%"), std::string::npos) << analysed.out;
    const std::vector<std::uint8_t> log = dir.readBytes("vestiscop.log");
    const std::string text(log.begin(), log.end());
    EXPECT_NE(text.find("poškozených záznamů: 1"), std::string::npos) << text;
    EXPECT_NE(text.find("Oděvů bez platného podpisu: 1"), std::string::npos) << text;
}

TEST_F(CliSignatureFault, NoteTheLogCannotTakeDoesNotStopTheStart)
{
    const ChildResult added = dir.cli({"add", "modra", dir.picture("modra.bmp", 1)});
    ASSERT_TRUE(added.exitedWith(ExitSuccess)) << added.err;
    std::filesystem::remove(dir.signatures());
    const std::string old(4000, 'x');
    dir.write("vestiscop.log", old + "\n");

    // Room for the start-up's empty line, not for the note that the garment
    // has no signature.
    ChildOptions full = dir.options();
    full.fileSizeLimit = static_cast<long>(old.size() + 3);
    const ChildResult analysed = dir.cli({"analyze", dir.file("modra.bmp")}, full);
    EXPECT_TRUE(analysed.exitedWith(ExitSuccess)) << analysed.exitCode << analysed.err;
    EXPECT_NE(analysed.out.find("modra na 100%"), std::string::npos) << analysed.out;
}

TEST_F(CliFault, DataDirectoryRemovedDuringAnAnalysisRun)
{
    seedCatalogue(3);
    std::vector<std::string> arguments{"analyze", "--json"};
    for (int i = 0; i < 120; ++i)
        arguments.push_back(dir.picture("obraz" + std::to_string(i) + ".bmp", i));

    ChildProcess run(cliProgram(), arguments, dir.options());
    ASSERT_TRUE(run.waitForLines(10));
    std::filesystem::remove_all(dir.path());
    const ChildResult result = run.wait();

    EXPECT_EQ(result.signal, 0) << result.err;
    // Pictures analysed before the removal were reported, those after it
    // are the system's message; every file got its line.
    int lines = 0;
    for (char c : result.out)
        lines += c == '\n';
    EXPECT_EQ(lines, 120);
    if (result.out.find("\"ok\":false") != std::string::npos) {
        EXPECT_TRUE(result.exitedWith(ExitFailure));
        EXPECT_NE(result.err.find(CannotOpen), std::string::npos) << result.err;
    }

    // A new data directory in the same place works as before.
    std::filesystem::create_directory(dir.path());
    DataDir fresh;
    for (const char* name : {"vestiscop.cfg", "barvy.txt", "barvy-zakladni.txt"})
        std::filesystem::copy_file(fresh.file(name), dir.file(name));
    const ChildResult again = dir.cli({"add", "novy", dir.picture("novy.bmp", 2)});
    EXPECT_TRUE(again.exitedWith(ExitSuccess)) << again.err;
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"novy"}));
}

} // namespace
} // namespace vestiscop::reliability

// SPDX-License-Identifier: GPL-3.0-or-later
// The program killed outright (SIGKILL) at random moments while a script
// adds, corrects and deletes definitions. Whatever moment the kill hits, the
// Materials file stays a whole number of records, the catalogue loads, and
// every definition whose command reported success is there (or, after a
// reported deletion, gone), with its signature beside it. The moments come
// from a fixed seed, so a failure repeats; VESTISCOP_KILL_SEED and
// VESTISCOP_KILL_STEPS explore others.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "CliFixture.h"
#include "signature/SignatureFile.h"

namespace vestiscop::reliability {
namespace {

unsigned long environmentNumber(const char* name, unsigned long fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoul(text, nullptr, 10) : fallback;
}

TEST(CliKill, EveryReportedChangeSurvivesAKill)
{
    DataDir dir;
    const unsigned long seed = environmentNumber("VESTISCOP_KILL_SEED", 20261207);
    const unsigned long steps = environmentNumber("VESTISCOP_KILL_STEPS", 60);
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    std::vector<std::string> pictures;
    for (int i = 0; i < 8; ++i)
        pictures.push_back(dir.picture("p" + std::to_string(i) + ".bmp", i));

    // How long one command takes here: the kills fall anywhere from its start
    // to a little past its usual end. The longest of three runs, as a single
    // one can be quick on a busy machine and every later command slower.
    std::chrono::microseconds typical{0};
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::string> command = run == 0 ? std::vector<std::string>{"add", "mereni", pictures[0]}
                                                          : std::vector<std::string>{"correct", "mereni", pictures[0]};
        ASSERT_TRUE(dir.cli(command).exitedWith(ExitSuccess));
        typical = std::max(typical, std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::steady_clock::now() - start));
    }

    std::set<std::string> present{"mereni"};  // reported added, not since touched by a kill
    std::set<std::string> deleted;            // reported deleted
    int nextName = 0;
    int kills = 0;
    int successes = 0;
    for (unsigned long step = 0; step < steps; ++step) {
        std::vector<std::string> command;
        const int kind = present.empty() ? 0 : static_cast<int>(random() % 3);
        std::string name;
        if (kind == 0) {
            name = "k" + std::to_string(nextName++);
            command = {"add", name, pictures[random() % pictures.size()]};
        } else {
            auto it = present.begin();
            std::advance(it, static_cast<long>(random() % present.size()));
            name = *it;
            if (kind == 1)
                command = {"correct", name, pictures[random() % pictures.size()]};
            else
                command = {"delete", name};
        }
        const auto delay = std::chrono::microseconds(random() % (typical.count() * 6 / 5 + 1));

        ChildProcess child(cliProgram(), command, dir.options());
        ChildResult result;
        const bool killed = child.killAfter(delay, result);
        SCOPED_TRACE("step " + std::to_string(step) + ": " + command[0] + " " + name);
        if (killed) {
            ++kills;
            // Unknown whether it happened: an interrupted deletion may or may
            // not have freed the slot, an interrupted addition may or may not
            // have stored it. A correction never removes a definition.
            if (kind != 1)
                present.erase(name);
        } else {
            ASSERT_TRUE(result.exitedWith(ExitSuccess)) << result.exitCode << " " << result.signal << result.err;
            ++successes;
            if (kind == 0)
                present.insert(name);
            if (kind == 2) {
                present.erase(name);
                deleted.insert(name);
            }
        }
        // After every step the file is whole records.
        ASSERT_EQ(dir.readBytes("odevy.dat").size() % RecordSize, 0u);
    }
    std::cout << "seed " << seed << ": " << kills << " commands killed, " << successes << " completed\n";
    EXPECT_GT(kills, 0) << "no command was interrupted: the moments are too late";
    EXPECT_GT(successes, 0) << "no command finished: the moments are too early";

    const ChildResult listed = dir.cli({"list"});
    ASSERT_TRUE(listed.exitedWith(ExitSuccess)) << listed.err;
    std::set<std::string> inUse;
    for (const std::string& name : dir.names()) {
        if (!name.empty()) {
            EXPECT_TRUE(inUse.insert(name).second) << name << " stored twice";
            // Every record is one the script wrote, never a torn mixture.
            const bool known = name == "mereni" || (name[0] == 'k' && std::stoi(name.substr(1)) < nextName);
            EXPECT_TRUE(known) << "unknown definition " << name;
        }
    }
    for (const std::string& name : present) {
        EXPECT_EQ(inUse.count(name), 1u) << name << " was reported stored but is missing";
        EXPECT_NE(listed.out.find("\t" + name + "\n"), std::string::npos) << name;
    }
    for (const std::string& name : deleted)
        EXPECT_EQ(inUse.count(name), 0u) << name << " was reported deleted but is still there";

    // The signature file beside it: the entry is written before the record,
    // so whenever the kill fell, no entry is torn and every garment in use
    // still has its signature; any start would have said otherwise in the log.
    const std::vector<std::uint8_t> log = dir.readBytes("vestiscop.log");
    const std::string text(log.begin(), log.end());
    EXPECT_EQ(text.find("podpis"), std::string::npos) << text;
}

// A catalogue whose signature file an earlier version wrote: the first
// correction rewrites it whole in this version beside it and renames it
// into place. A kill at any moment of that leaves the old file or the new
// one, each with the garment's signature usable (a start would say in the
// log which garments lack one), and the garment still there.
TEST(CliKill, RewritingAFirstVersionSignatureFileSurvivesAKill)
{
    DataDir dir;
    const std::string picture = dir.picture("p.bmp", 0);
    const std::string other = dir.picture("q.bmp", 3);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(dir.cli({"add", "mereni", picture}).exitedWith(ExitSuccess));
    const auto typical = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    const std::vector<std::uint8_t> materials = dir.readBytes("odevy.dat");
    std::vector<std::uint8_t> firstVersion;
    {
        const signature::SignatureFile current(dir.file("odevy.sig"), false);
        ASSERT_NE(current.entry(0), nullptr);
        const auto header = signature::SignatureFile::header(1);
        firstVersion.assign(header.begin(), header.end());
        const auto entry = signature::SignatureFile::encode(*current.entry(0), 1);
        firstVersion.insert(firstVersion.end(), entry.begin(), entry.end());
    }
    std::mt19937 random(20261208);
    int kills = 0;
    int rewritten = 0;
    for (int step = 0; step < 12; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        dir.write("odevy.dat", materials);
        dir.write("odevy.sig", firstVersion);
        ChildProcess child(cliProgram(), {"correct", "mereni", step % 2 == 0 ? other : picture}, dir.options());
        ChildResult result;
        // A correction takes longer than the addition timed above (the
        // rewrite and the merge), so the moments reach to twice its time.
        const auto delay = std::chrono::microseconds(random() % (typical.count() * 2 + 1));
        if (child.killAfter(delay, result))
            ++kills;
        else
            ASSERT_TRUE(result.exitedWith(ExitSuccess)) << result.err;
        const signature::SignatureFile after(dir.file("odevy.sig"), false);
        EXPECT_EQ(after.damagedEntries(), 0);
        EXPECT_TRUE(after.version() == 1 || after.version() == signature::SignatureFile::Version) << after.version();
        rewritten += after.version() == signature::SignatureFile::Version ? 1 : 0;
        ASSERT_NE(after.entry(0), nullptr);
        const ChildResult listed = dir.cli({"list"});
        ASSERT_TRUE(listed.exitedWith(ExitSuccess)) << listed.err;
        EXPECT_NE(listed.out.find("\tmereni\n"), std::string::npos);
    }
    std::cout << kills << " corrections killed, " << rewritten << " of 12 left the file rewritten\n";
    EXPECT_GT(kills, 0) << "no rewrite was interrupted: the moments are too late";
    EXPECT_GT(rewritten, 0) << "no rewrite happened: the moments are too early";
    const std::vector<std::uint8_t> log = dir.readBytes("vestiscop.log");
    const std::string text(log.begin(), log.end());
    EXPECT_EQ(text.find("podpis"), std::string::npos) << text;
}

} // namespace
} // namespace vestiscop::reliability

// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-cli from its own process, in a scratch directory with its own
// vestiscop.cfg: the analysis, the catalogue commands, the start-up failures
// with their exact messages and log lines, and a full disk during a store.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/ProgramFiles.h"
#include "support/ScratchDirectory.h"

namespace {

using vestiscop::testsupport::ChildOptions;
using vestiscop::testsupport::ChildResult;
using vestiscop::testsupport::cliOptions;
using vestiscop::testsupport::redWhiteBmp;
using vestiscop::testsupport::runCli;
using vestiscop::testsupport::ScratchDirectory;
using vestiscop::testsupport::testColorTable;
using vestiscop::testsupport::testConfiguration;

const std::vector<std::string> patternNames = {"Bez vzoru", "Proužek", "Kostka", "Puntík", "Neznámý motiv"};

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The log lines of the runs so far, without their timestamps.
std::vector<std::string> logEntries(const ScratchDirectory& dir)
{
    static const std::regex stamp(R"([ 0-9]\d\.\d\d\.\d{4} [ 0-9]\d:\d\d:\d\d( - (INFO |WARN |ERROR): .*))");
    std::vector<std::string> entries;
    for (const std::string& line : linesOf(dir.read("vestiscop.log"))) {
        std::smatch match;
        entries.push_back(std::regex_match(line, match, stamp) ? match[1].str() : line);
    }
    return entries;
}

double shareAt(const std::vector<std::uint8_t>& record, std::size_t offset)
{
    double share = 0;
    std::memcpy(&share, record.data() + offset, sizeof share);
    return share;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("vestiscop.cfg", testConfiguration());
        dir.write("colors.txt", testColorTable());
        dir.write("tricko.bmp", redWhiteBmp(48));  // 75 % red, 25 % white
        dir.write("jine.BMP", redWhiteBmp(40));    // 62.5 % red: the same garment, scanned a little differently
        dir.write("text.png", "not a picture\n");
    }
    // fileSizeLimit > 0: writes beyond it fail as on a full disk.
    ChildResult run(const std::vector<std::string>& arguments, long fileSizeLimit = 0)
    {
        ChildOptions options = cliOptions(dir.path());
        if (fileSizeLimit > 0)
            options.fileSizeLimit = fileSizeLimit;
        return runCli(arguments, options);
    }

    ScratchDirectory dir;
};

// 75 % of the pixels are red (220, 30, 30), whose byte Lab in the program's
// colour space (equal-energy white) works out by hand at (43.5, 98.6, 60.9);
// the rest are light grey 230, (91.5, 0, 0). The printed means are near those.
TEST_F(Cli, AnalysesAFileAsTheWindowShowsIt)
{
    const ChildResult result = run({"analyze", "tricko.bmp"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const auto lines = linesOf(result.out);
    ASSERT_EQ(lines.size(), 4u) << result.out;
    std::smatch red;
    ASSERT_TRUE(std::regex_match(lines[0], red, std::regex(R"(75% červená \((\d+) (-?\d+) (-?\d+)\))"))) << lines[0];
    EXPECT_NEAR(std::stoi(red[1]), 43.5, 2);
    EXPECT_NEAR(std::stoi(red[2]), 98.6, 2);
    EXPECT_NEAR(std::stoi(red[3]), 60.9, 2);
    std::smatch white;
    ASSERT_TRUE(std::regex_match(lines[1], white, std::regex(R"(25% bílá \((\d+) (-?\d+) (-?\d+)\))"))) << lines[1];
    EXPECT_NEAR(std::stoi(white[1]), 91.5, 2);
    EXPECT_NEAR(std::stoi(white[2]), 0, 2);
    EXPECT_NEAR(std::stoi(white[3]), 0, 2);
    EXPECT_NE(std::find(patternNames.begin(), patternNames.end(), lines[2]), patternNames.end()) << lines[2];
    EXPECT_EQ(lines[3], "Neznámý oděv");
    EXPECT_TRUE(dir.exists("odevy.dat")) << "a missing catalogue is created empty";
    EXPECT_EQ(dir.read("odevy.dat"), "");
    EXPECT_EQ(logEntries(dir), std::vector<std::string>{""});
}

TEST_F(Cli, AddedGarmentIsRecognisedThenCorrectedThenDeleted)
{
    const ChildResult added = run({"add", "Červené tričko", "tricko.bmp"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(added.out, "0\tČervené tričko\n");
    const auto record = dir.readBytes("odevy.dat");
    ASSERT_EQ(record.size(), 96u);
    EXPECT_EQ(record[0], 1);
    EXPECT_EQ(std::string(record.begin() + 1, record.begin() + 16), std::string("\xC8\x65rven\xE9 tri\xE8ko\0\0", 15))
        << "the name is stored in Windows-1250";

    // The same picture again: distance 0, similarity 1.
    const ChildResult again = run({"analyze", "tricko.bmp"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(linesOf(again.out).back(), "Červené tričko na 100%");

    EXPECT_EQ(run({"list"}).out, "0\tČervené tričko\n");

    // Correcting with the other picture moves the shares and keeps name and slot.
    const ChildResult corrected = run({"correct", "Červené tričko", "jine.BMP"});
    ASSERT_EQ(corrected.exitCode, 0) << corrected.err;
    const auto correctedRecord = dir.readBytes("odevy.dat");
    ASSERT_EQ(correctedRecord.size(), 96u);
    EXPECT_EQ(std::vector<std::uint8_t>(correctedRecord.begin(), correctedRecord.begin() + 66),
              std::vector<std::uint8_t>(record.begin(), record.begin() + 66));
    // The record holds the colour table's triples: white (the second colour)
    // in A with its share, red (the largest) in B with share 0. Blending with
    // MergeDecay 3: shareA = (0.25 * 3 + 0.375) / 4.
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 66, record.begin() + 69), (std::vector<std::uint8_t>{100, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 80, record.begin() + 83), (std::vector<std::uint8_t>{49, 114, 84}));
    EXPECT_EQ(shareAt(record, 72), 0.25);
    EXPECT_EQ(shareAt(correctedRecord, 72), 0.28125);
    EXPECT_EQ(shareAt(correctedRecord, 88), 0.0);
    EXPECT_EQ(run({"list"}).out, "0\tČervené tričko\n");

    const ChildResult deleted = run({"delete", "Červené tričko"});
    ASSERT_EQ(deleted.exitCode, 0) << deleted.err;
    const auto freed = dir.readBytes("odevy.dat");
    ASSERT_EQ(freed.size(), 96u);
    EXPECT_EQ(freed[0], 0);
    EXPECT_EQ(std::vector<std::uint8_t>(freed.begin() + 1, freed.end()),
              std::vector<std::uint8_t>(correctedRecord.begin() + 1, correctedRecord.end()));
    EXPECT_EQ(run({"list"}).out, "");
    EXPECT_EQ(linesOf(run({"analyze", "tricko.bmp"}).out).back(), "Neznámý oděv");

    // Eight runs, eight empty lines, nothing else.
    EXPECT_EQ(logEntries(dir), std::vector<std::string>(8, ""));
}

TEST_F(Cli, SeveralFilesGetAHeadingEachAndAnEmptyLineBetween)
{
    const ChildResult result = run({"analyze", "tricko.bmp", "jine.BMP"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = linesOf(result.out);
    ASSERT_EQ(lines.size(), 11u) << result.out;
    EXPECT_EQ(lines[0], "tricko.bmp:");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "jine.BMP:");
    EXPECT_TRUE(lines[7].starts_with("63% červená (")) << lines[7];  // 62.5 rounds up
    EXPECT_TRUE(lines[8].starts_with("38% bílá (")) << lines[8];     // 37.5 rounds up
}

TEST_F(Cli, JsonDescribesEachFileOnItsOwnLine)
{
    ASSERT_EQ(run({"add", "kabát \"zimní\"", "tricko.bmp"}).exitCode, 0);
    const ChildResult result = run({"analyze", "--json", "tricko.bmp", "jine.BMP"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = linesOf(result.out);
    ASSERT_EQ(lines.size(), 2u);

    const auto first = nlohmann::json::parse(lines[0]);
    EXPECT_EQ(first["file"], "tricko.bmp");
    ASSERT_EQ(first["colors"].size(), 2u);
    EXPECT_EQ(first["colors"][0]["name"], "červená");
    EXPECT_DOUBLE_EQ(first["colors"][0]["share"].get<double>(), 0.75);
    EXPECT_EQ(first["colors"][0]["lab"].size(), 3u);
    EXPECT_EQ(first["colors"][1]["name"], "bílá");
    EXPECT_EQ(first["colors"][1]["reported"], true);
    EXPECT_NE(std::find(patternNames.begin(), patternNames.end(), first["pattern"]["text"].get<std::string>()),
              patternNames.end());
    EXPECT_EQ(first["pattern"]["text"].get<std::string>(),
              patternNames.at(first["pattern"]["code"].get<std::size_t>()));
    EXPECT_EQ(first["match"]["slot"], 0);
    EXPECT_EQ(first["match"]["name"], "kabát \"zimní\"");
    EXPECT_EQ(first["match"]["similarity"], 1.0);

    const auto second = nlohmann::json::parse(lines[1]);
    EXPECT_EQ(second["file"], "jine.BMP");
    EXPECT_DOUBLE_EQ(second["colors"][0]["share"].get<double>(), 0.625);
}

TEST_F(Cli, AFileThatCannotBeReadIsReportedAndTheOthersStillAnalysed)
{
    const ChildResult result = run({"analyze", "--json", "chybi.bmp", "tricko.bmp"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Nelze otevřít soubor chybi.bmp\n");
    const auto lines = linesOf(result.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(lines[0])["error"], "Nelze otevřít soubor chybi.bmp");
    EXPECT_EQ(nlohmann::json::parse(lines[1])["colors"][0]["name"], "červená");
    EXPECT_EQ(logEntries(dir), (std::vector<std::string>{"", " - ERROR: Nelze otevřít soubor chybi.bmp"}));
}

TEST_F(Cli, TheImprovedAnalysisAlsoTellsWhatItMeasuredOfThePattern)
{
    dir.write("vestiscop.cfg", testConfiguration({"Height=64\nAnalysis=improved"}));
    const ChildResult result = run({"analyze", "--json", "tricko.bmp"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto json = nlohmann::json::parse(linesOf(result.out).at(0));
    ASSERT_EQ(json["colors"].size(), 2u);
    EXPECT_EQ(json["colors"][0]["name"], "červená");
    EXPECT_NEAR(json["colors"][0]["share"].get<double>(), 0.75, 0.02);
    const auto& findings = json["pattern"]["findings"];
    ASSERT_TRUE(findings.is_object()) << result.out;
    EXPECT_TRUE(findings["repeats"].is_array());
    EXPECT_TRUE(findings["pieces"].is_number_integer());
    EXPECT_TRUE(findings["piece_size_mm"].is_number());
}

TEST_F(Cli, TooSmallAPictureGivesTheAnalysisMessage)
{
    dir.write("vestiscop.cfg", testConfiguration({"Width=65"}));
    const ChildResult result = run({"add", "x", "tricko.bmp"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Příliš malý vstupní obrázek\n");
    EXPECT_EQ(dir.read("odevy.dat"), "") << "a failed analysis adds nothing";
    EXPECT_EQ(logEntries(dir), (std::vector<std::string>{"", " - ERROR: Příliš malý vstupní obrázek"}));
}

TEST_F(Cli, UnknownNameIsAFailureOfTheCommand)
{
    const ChildResult result = run({"delete", "nic"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Oděv \"nic\" v katalogu není\n");
    EXPECT_EQ(logEntries(dir), (std::vector<std::string>{"", " - ERROR: Oděv \"nic\" v katalogu není"}));
}

// ----------------------------------------------------------- start-up failures

TEST_F(Cli, WithoutAConfigurationTheFirstMissingEntryIsLogFile)
{
    // The directory named with -C is used as it is, even without vestiscop.cfg.
    ::unlink(dir.file("vestiscop.cfg").c_str());
    const ChildResult result = run({"-C", dir.path(), "list"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "Položka LogFile ze sekce [Debug] nebyla nalezena v souboru " + dir.file("vestiscop.cfg") +
                              "\n");
    EXPECT_FALSE(dir.exists("vestiscop.log"));
    EXPECT_FALSE(dir.exists("odevy.dat"));
}

TEST_F(Cli, AnInvalidSaveFormatEndsTheStartUpBeforeTheLog)
{
    dir.write("vestiscop.cfg", testConfiguration({"SaveFormat=png"}));
    const ChildResult result = run({"list"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "Položka SaveFormat ze sekce [Debug] v souboru " + dir.file("vestiscop.cfg") +
                              " je špatná\n");
    EXPECT_FALSE(dir.exists("vestiscop.log"));
}

TEST_F(Cli, ANegativeMergeDecayIsRefusedAtStartUp)
{
    dir.write("vestiscop.cfg", testConfiguration({"MergeDecay=-1"}));
    const ChildResult result = run({"list"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "Položka MergeDecay ze sekce [Matching] v souboru " + dir.file("vestiscop.cfg") +
                              " je špatná\n");
}

TEST_F(Cli, AnUnreadableColourTableIsShownAndLogged)
{
    dir.write("vestiscop.cfg", testConfiguration({"Definitions=chybi.txt"}));
    const ChildResult result = run({"list"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "Nelze číst ze souboru chybi.txt\n");
    EXPECT_EQ(logEntries(dir), (std::vector<std::string>{"", " - ERROR: Nelze číst ze souboru chybi.txt"}));
    EXPECT_FALSE(dir.exists("odevy.dat")) << "the catalogue comes after the colour table";
}

// [Color] BorderTerms: a colour near the border of two basic terms is told
// with the other one too; a table that cannot serve leaves one name each
// and says why in the log, without stopping the start.
TEST_F(Cli, BorderTermsAddASecondWordOrAreLeftOutWithANote)
{
    dir.write("colors.txt", "černá = 0 0 0\nbílá = 100 0 0\ncihlová = 44 92 60\ntmavě oranžová = 44 104 66\n");
    dir.write("terms.txt", "černá = 0 0 0\nbílá = 100 0 0\nčervená = 44 92 60\noranžová = 44 104 66\n");
    dir.write("other.txt", "černá = 0 0 0\nbílá = 100 0 0\n");
    const struct {
        const char* file;
        const char* red;  // the red colour's line
        const char* log;  // the warning, or empty
    } cases[] = {
        {"terms.txt", R"(75% (cihlová do oranžova|tmavě oranžová do červena) \(.*)", ""},
        {"chybi.txt", R"(75% (cihlová|tmavě oranžová) \(.*)",
         " - WARN : Tabulku základních barev chybi.txt nelze použít (Nelze číst ze souboru chybi.txt); barvy se "
         "říkají bez druhého slova"},
        {"other.txt", R"(75% (cihlová|tmavě oranžová) \(.*)",
         " - WARN : Tabulku základních barev other.txt nelze použít (neuvádí tytéž barvy jako Definitions); barvy "
         "se říkají bez druhého slova"},
    };
    for (const auto& c : cases) {
        std::string config = testConfiguration();
        config.insert(config.find("[Color]\n") + 8, std::string("BorderTerms=") + c.file + "\n");
        dir.write("vestiscop.cfg", config);
        std::filesystem::remove(dir.file("vestiscop.log"));
        const ChildResult text = run({"analyze", "tricko.bmp"});
        ASSERT_EQ(text.exitCode, 0) << text.err;
        const auto lines = linesOf(text.out);
        ASSERT_GE(lines.size(), 2u) << text.out;
        EXPECT_TRUE(std::regex_match(lines[0], std::regex(c.red))) << c.file << ": " << lines[0];
        EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(25% bílá \(.*)"))) << lines[1];
        const std::vector<std::string> log = logEntries(dir);
        if (*c.log != '\0')
            EXPECT_EQ(std::count(log.begin(), log.end(), std::string(c.log)), 1) << c.file;
        else
            EXPECT_EQ(log, std::vector<std::string>{""});
        const ChildResult json = run({"analyze", "--json", "tricko.bmp"});
        ASSERT_EQ(json.exitCode, 0) << json.err;
        // alternative only where a table gives it: the red one's term, the white one's null.
        EXPECT_EQ(std::regex_search(json.out, std::regex(R"re("alternative":"(oranžová|červená)")re")), *c.log == '\0')
            << json.out;
        EXPECT_EQ(json.out.find("\"alternative\":null") != std::string::npos, *c.log == '\0') << json.out;
    }
}

TEST_F(Cli, ACatalogueWithAPartialRecordFailsTheStartUp)
{
    dir.write("odevy.dat", std::string(96 * 2 + 17, '\1'));
    const ChildResult result = run({"analyze", "tricko.bmp"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Nelze číst ze souboru odevy.dat\n");
    EXPECT_EQ(logEntries(dir), (std::vector<std::string>{"", " - ERROR: Nelze číst ze souboru odevy.dat"}));
    EXPECT_EQ(dir.read("odevy.dat").size(), 96u * 2 + 17);
}

TEST_F(Cli, ASecondProgramCannotChangeTheCatalogueWhileOneHasItOpen)
{
    dir.write("odevy.dat", "");
    const int fd = ::open(dir.file("odevy.dat").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);

    const ChildResult refused = run({"add", "x", "tricko.bmp"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, "Nelze otevřít soubor odevy.dat\n");
    EXPECT_EQ(dir.read("odevy.dat"), "");
    // Looking things up needs no lock.
    EXPECT_EQ(run({"list"}).exitCode, 0);
    ::close(fd);
    EXPECT_EQ(run({"add", "x", "tricko.bmp"}).exitCode, 0);
}

// ------------------------------------------------------------------ full disk

TEST_F(Cli, AFullDiskDuringAStoreLosesNothing)
{
    ASSERT_EQ(run({"add", "a", "tricko.bmp"}).exitCode, 0);
    ASSERT_EQ(run({"add", "b", "jine.BMP"}).exitCode, 0);
    ASSERT_EQ(run({"add", "c", "tricko.bmp"}).exitCode, 0);
    const std::string before = dir.read("odevy.dat");
    ASSERT_EQ(before.size(), 288u);
    ::unlink(dir.file("vestiscop.log").c_str());

    // Room for a few bytes of a fourth record only; the log's two lines fit.
    const ChildResult result = run({"add", "d", "tricko.bmp"}, 300);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Nelze psát do souboru odevy.dat\n");
    EXPECT_EQ(dir.read("odevy.dat"), before) << "no partial record may remain";
    EXPECT_EQ(logEntries(dir), (std::vector<std::string>{"", " - ERROR: Nelze psát do souboru odevy.dat"}));

    // The catalogue still starts and lists the three definitions.
    const ChildResult listed = run({"list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, "0\ta\n1\tb\n2\tc\n");
}

// --------------------------------------------------------------------- usage

struct Misuse {
    std::vector<std::string> arguments;
    std::string message;  // the first line on standard error
};

class CliMisuse : public Cli, public ::testing::WithParamInterface<Misuse> {};

TEST_P(CliMisuse, EndsWithStatus64BeforeAnythingStarts)
{
    const ChildResult result = run(GetParam().arguments);
    EXPECT_EQ(result.exitCode, 64);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(linesOf(result.err).at(0), "vestiscop-cli: " + GetParam().message);
    EXPECT_FALSE(dir.exists("vestiscop.log"));
    EXPECT_FALSE(dir.exists("odevy.dat"));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliMisuse,
    ::testing::Values(Misuse{{}, "Chybí příkaz"}, Misuse{{"scan-all"}, "Neznámý příkaz scan-all"},
                      Misuse{{"--verbose"}, "Neznámá volba --verbose"},
                      Misuse{{"add", "jen-nazev"}, "Špatné parametry příkazu add"},
                      Misuse{{"analyze", "foto.jpg"}, "Soubor foto.jpg není obrázek BMP ani PNG"},
                      Misuse{{"analyze", "--xml", "tricko.bmp"}, "Neznámá volba --xml"},
                      Misuse{{"analyze", "text.png"}, "Soubor text.png není obrázek BMP ani PNG"},
                      Misuse{{"analyze", "-", "tricko.bmp", "-"}, "Standardní vstup lze přečíst jen jednou"},
                      Misuse{{"-C"}, "Za volbou -C chybí adresář"},
                      Misuse{{"--data-dir=", "list"}, "Za volbou --data-dir chybí adresář"},
                      Misuse{{"list", "--xml"}, "Neznámá volba --xml"},
                      // Names the catalogue would store altered: nothing starts, nothing is stored.
                      Misuse{{"add", "kabát\nzimní", "tricko.bmp"},
                             "Název oděvu nesmí obsahovat konec řádku, tabulátor ani jiný řídicí znak"},
                      Misuse{{"add", "kabát 🧥", "tricko.bmp"}, "Název oděvu obsahuje znak 🧥, který katalog neumí uložit"},
                      Misuse{{"add", std::string(65, 'x'), "tricko.bmp"}, "Název oděvu může mít nejvýše 64 znaků"}));

TEST_F(Cli, HelpAndVersionNeedNoConfiguration)
{
    ::unlink(dir.file("vestiscop.cfg").c_str());
    const ChildResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"analyze [--json] SOUBOR...", "list [--json]", "add [--json] NÁZEV SOUBOR",
                                "correct [--json] NÁZEV SOUBOR", "delete [--json] NÁZEV", "--version"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    const ChildResult version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("vestiscop-cli \\d+\\.\\d+\\.\\d+\n"))) << version.out;
}

// ------------------------------------ data directory, help, standard input

TEST_F(Cli, WithoutAConfigurationHereTheUserDataDirectoryIsSeededAndUsed)
{
    // Started from a directory that holds only the picture: the data directory
    // is made from the build tree's shipped data, and the picture is still
    // read from where the user named it.
    ScratchDirectory elsewhere;
    elsewhere.write("tricko.bmp", redWhiteBmp(48));
    ChildOptions options = cliOptions(elsewhere.path());
    options.environment.emplace_back("XDG_DATA_HOME", dir.file("xdg-home"));
    const ChildResult added = runCli({"add", "tričko", "tricko.bmp"}, options);
    // The shipped configuration analyses 512 x 512 pixels; the picture is smaller.
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_EQ(added.err, "Příliš malý vstupní obrázek\n");
    const std::string data = "xdg-home/vestiscop/";
    for (const char* name : {"vestiscop.cfg", "barvy.txt", "barvy-zakladni.txt", "odevy.dat", "vestiscop.log"})
        EXPECT_TRUE(dir.exists(data + name)) << name;
    EXPECT_EQ(dir.read(data + "odevy.dat"), "");
    EXPECT_FALSE(elsewhere.exists("vestiscop.log")) << "nothing is written where the program was started";

    // -C names the data directory; relative picture names stay the user's.
    const ChildResult analysed = runCli({"-C", dir.path(), "analyze", "tricko.bmp"}, options);
    ASSERT_EQ(analysed.exitCode, 0) << analysed.err;
    EXPECT_EQ(analysed.out, run({"analyze", "tricko.bmp"}).out);
}

class CliCommandHelp : public Cli, public ::testing::WithParamInterface<const char*> {};

TEST_P(CliCommandHelp, EndsWithStatus0AndNeedsNothing)
{
    ::unlink(dir.file("vestiscop.cfg").c_str());
    const ChildResult result = run({GetParam(), "--help"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.out.starts_with("Použití: vestiscop-cli [-C ADRESÁŘ] " + std::string(GetParam())))
        << result.out;
    EXPECT_NE(result.out.find("Návratový kód"), std::string::npos);
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(dir.exists("vestiscop.log"));
}

INSTANTIATE_TEST_SUITE_P(Commands, CliCommandHelp,
                         ::testing::Values("analyze", "scan", "list", "add", "correct", "delete"));

TEST_F(Cli, ADashReadsThePictureFromStandardInputAndTheContentDecidesTheFormat)
{
    const std::string expected = run({"analyze", "tricko.bmp"}).out;
    ChildOptions options = cliOptions(dir.path());
    options.inputFile = dir.file("tricko.bmp");
    const ChildResult piped = runCli({"analyze", "-"}, options);
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.out, expected);

    // A BMP named like a PNG is still read as the BMP it is.
    dir.write("tricko.png", dir.readBytes("tricko.bmp"));
    const ChildResult misnamed = run({"analyze", "tricko.png"});
    ASSERT_EQ(misnamed.exitCode, 0) << misnamed.err;
    EXPECT_EQ(misnamed.out, expected);

    // Standard input that is no picture is a failure of the command.
    options.inputFile = dir.file("text.png");
    const ChildResult text = runCli({"analyze", "--json", "-"}, options);
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(text.err, "Špatný formát dat\n");
    EXPECT_EQ(nlohmann::json::parse(text.out)["file"], "-");
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing and seeding the data directory both programs work in, and the
// image kind read from a file's first bytes.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/DataDirectory.h"
#include "app/DroppedFile.h"
#include "support/ScratchDirectory.h"

namespace {

using vestiscop::app::DroppedFileKind;
using vestiscop::testsupport::ScratchDirectory;
namespace fs = std::filesystem;

const std::string shippedData = VESTISCOP_SOURCE_DIR "/data";

// A shipped directory whose configuration names other files.
struct SeedCase {
    const char* what;
    std::vector<std::string> configLines; // replace the shipped lines with the same key
    std::vector<std::string> expectedFiles;
    std::vector<std::string> absentFiles;
};

class SeedTest : public ::testing::TestWithParam<SeedCase> {};

TEST_P(SeedTest, CopiesWhatIsMissingAndMakesAnEmptyCatalogue)
{
    ScratchDirectory work;
    const std::string shipped = work.file("shipped");
    fs::copy(shippedData, shipped);
    if (!GetParam().configLines.empty()) {
        std::string config = work.read("shipped/vestiscop.cfg");
        std::string changed;
        for (std::size_t start = 0; start < config.size();) {
            const std::size_t end = config.find('\n', start);
            std::string line = config.substr(start, end - start);
            for (const std::string& replacement : GetParam().configLines) {
                const std::string key = replacement.substr(0, replacement.find('='));
                if (line.starts_with(key + " ") || line.starts_with(key + "="))
                    line = replacement;
            }
            changed += line + "\n";
            start = end == std::string::npos ? config.size() : end + 1;
        }
        work.write("shipped/vestiscop.cfg", changed);
        fs::copy_file(shipped + "/barvy.txt", shipped + "/moje-barvy.txt");
    }
    const std::string data = work.file("home/.local/share/vestiscop");
    EXPECT_EQ(vestiscop::app::seedDataDirectory(data, shipped), "") << GetParam().what;
    for (const std::string& name : GetParam().expectedFiles)
        EXPECT_TRUE(fs::is_regular_file(data + "/" + name)) << GetParam().what << ": " << name;
    for (const std::string& name : GetParam().absentFiles)
        EXPECT_FALSE(fs::exists(data + "/" + name)) << GetParam().what << ": " << name;
    EXPECT_EQ(work.read("home/.local/share/vestiscop/vestiscop.cfg"), work.read("shipped/vestiscop.cfg"));
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(data))
        EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos) << "no temporary file stays";
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, SeedTest,
    ::testing::Values(
        SeedCase{"shipped", {}, {"vestiscop.cfg", "barvy.txt", "barvy-zakladni.txt", "odevy.dat"}, {}},
        SeedCase{"other names, a comment, a folder",
                 {"Definitions = moje-barvy.txt ; mine", "Materials=katalog/odevy.dat"},
                 {"moje-barvy.txt", "barvy.txt", "katalog/odevy.dat"},
                 {"odevy.dat"}},
        SeedCase{"names that leave the directory are not followed",
                 {"Definitions = ../barvy.txt", "Materials = /tmp/odevy.dat"},
                 {"barvy.txt"},
                 {"odevy.dat", "../barvy.txt"}}));

TEST(DataDirectory, TheUsersFilesAreNeverOverwritten)
{
    ScratchDirectory work;
    const std::string data = work.file("data");
    ASSERT_EQ(vestiscop::app::seedDataDirectory(data, shippedData), "");
    EXPECT_TRUE(work.read("data/odevy.dat").empty());
    work.write("data/barvy.txt", "my colours\n");
    work.write("data/odevy.dat", "x");
    ::unlink(work.file("data/barvy-zakladni.txt").c_str());
    ASSERT_EQ(vestiscop::app::seedDataDirectory(data, shippedData), "");
    EXPECT_EQ(work.read("data/barvy.txt"), "my colours\n");
    EXPECT_EQ(work.read("data/odevy.dat"), "x");
    EXPECT_TRUE(work.exists("data/barvy-zakladni.txt")) << "a missing file comes back";
}

TEST(DataDirectory, ADirectoryThatCannotBeMadeIsNamed)
{
    ScratchDirectory work;
    work.write("soubor", "not a directory");
    EXPECT_EQ(vestiscop::app::seedDataDirectory(work.file("soubor/vestiscop"), shippedData),
              "Nelze vytvořit adresář " + work.file("soubor/vestiscop"));
}

struct SignatureCase {
    const char* name;
    std::string bytes;
    DroppedFileKind kind;
};

class SignatureTest : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(SignatureTest, TheFirstBytesDecideNotTheName)
{
    ScratchDirectory work;
    work.write(GetParam().name, GetParam().bytes);
    EXPECT_EQ(vestiscop::app::signatureKind(work.file(GetParam().name)), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SignatureTest,
    ::testing::Values(SignatureCase{"obrazek.png", "BM\x36\x30", DroppedFileKind::Bmp},
                      SignatureCase{"obrazek", std::string("\x89PNG\r\n\x1a\n\0\0", 10), DroppedFileKind::Png},
                      SignatureCase{"obrazek.bmp", std::string("\x89PNG\r\n\x1a", 7), DroppedFileKind::None},
                      SignatureCase{"text.bmp", "hello", DroppedFileKind::None},
                      SignatureCase{"prazdny.png", "", DroppedFileKind::None},
                      SignatureCase{"jedno.bmp", "B", DroppedFileKind::None}));

TEST(Signature, AFileThatCannotBeOpenedHasNoKind)
{
    EXPECT_EQ(vestiscop::app::signatureKind("/nonexistent/obrazek.bmp"), std::nullopt);
}

} // namespace

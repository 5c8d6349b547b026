// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/IniFile.h"
#include "foundation/MessageCatalog.h"
#include "foundation/Settings.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::foundation {
namespace {

// A complete configuration; the keys inside a section are deliberately not
// in the order the program reads them.
const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> completeConfig = {
    {"Debug", {{"SaveDir", "skeny"}, {"LogFile", "run.log"}, {"ExtendedUI", "2"}, {"AskForDescr", "0"},
               {"SaveImage", "1"}, {"SaveFormat", "PNG"}}},
    {"Scan", {{"XRes", "150"}, {"YRes", "300.5"}, {"Gamma", "2.2"}, {"WndLeft", "0.5"}, {"WndTop", ".25"},
              {"WndWidth", "6"}, {"WndHeight", "7e0"}, {"IgnoreErrors", "0"}}},
    {"Color", {{"Definitions", "barvy.txt"}, {"Filter", "1.5"}, {"LumaScale", "1"}, {"ClusterThr", "0.03"},
               {"HistSmooth", "1"}, {"MaxBins", "12 ; at most"}, {"ReportThr", "0.05"}}},
    {"Texture", {{"Height", "256"}, {"Width", "512"}}},
    {"Matching", {{"Materials", "odevy.dat"}, {"Color1Weight", "1 2 3 400"}, {"Color2Weight", "\t5 6\t7 8 "},
                  {"MaxDistance", "400"}, {"MinSimilarity", "0.5"}, {"MergeDecay", "3"}}},
};

// The configuration text, with one key's value replaced (or the key
// dropped when the replacement is null).
std::string configText(const std::string& section = "", const std::string& key = "", const char* value = "")
{
    std::string text = "; test configuration\r\n";
    for (const auto& [name, entries] : completeConfig) {
        text += "[" + name + "]\r\n";
        for (const auto& [entryKey, entryValue] : entries) {
            if (name == section && entryKey == key) {
                if (value != nullptr)
                    text += entryKey + " = " + value + "\r\n";
            } else {
                text += entryKey + " = " + entryValue + "\r\n";
            }
        }
        text += "\r\n";
    }
    return text;
}

class SettingsTest : public ::testing::Test {
protected:
    std::string writeConfig(const std::string& text)
    {
        std::ofstream(m_path, std::ios::binary) << text;
        return m_path;
    }

    testsupport::ScratchDirectory m_dir;
    std::string m_path = m_dir.file("vestiscop.cfg");
};

TEST_F(SettingsTest, CompleteFileReadsAllFiveRecords)
{
    IniFile ini(writeConfig(configText()), ';');
    AllSettings s;
    readAllSettings(ini, s);
    EXPECT_EQ(s.general.logFile, "run.log");
    EXPECT_TRUE(s.general.extendedUI);  // 2 counts as on
    EXPECT_FALSE(s.general.askForDescr);
    EXPECT_TRUE(s.general.saveImage);
    EXPECT_EQ(s.general.saveFormat, SaveFormat::Png);
    EXPECT_EQ(s.general.saveDir, "skeny");
    EXPECT_EQ(s.scan.xRes, 150.0);
    EXPECT_EQ(s.scan.yRes, 300.5);
    EXPECT_EQ(s.scan.gamma, 2.2);
    EXPECT_EQ(s.scan.wndLeft, 0.5);
    EXPECT_EQ(s.scan.wndTop, 0.25);
    EXPECT_EQ(s.scan.wndWidth, 6.0);
    EXPECT_EQ(s.scan.wndHeight, 7.0);
    EXPECT_FALSE(s.scan.ignoreErrors);
    EXPECT_EQ(s.color.definitions, "barvy.txt");
    EXPECT_EQ(s.color.filter, 1.5);
    EXPECT_EQ(s.color.lumaScale, 1.0);
    EXPECT_EQ(s.color.clusterThr, 0.03);
    EXPECT_EQ(s.color.histSmooth, 1.0);
    EXPECT_EQ(s.color.maxBins, 12);
    EXPECT_EQ(s.color.reportThr, 0.05);
    EXPECT_EQ(s.texture.width, 512);
    EXPECT_EQ(s.texture.height, 256);
    EXPECT_EQ(s.matching.materials, "odevy.dat");
    EXPECT_EQ(s.matching.color1Weight, (std::array<double, 4>{1, 2, 3, 400}));
    EXPECT_EQ(s.matching.color2Weight, (std::array<double, 4>{5, 6, 7, 8}));
    EXPECT_EQ(s.matching.maxDistance, 400.0);
    EXPECT_EQ(s.matching.minSimilarity, 0.5);
    EXPECT_EQ(s.matching.mergeDecay, 3.0);
}

// The optional keys may be left out: absent, each keeps the behaviour of a
// configuration without it. Present, they are checked like the others, and
// the improved analysis also needs a resolution it can measure in.
struct OptionalEntries {
    const char* name;
    const char* adaptToScanner;  // [Scan]; null: absent
    const char* analysis;        // [Texture]
    const char* signatures;      // [Matching]
    const char* xRes;            // replaces [Scan] XRes; null: as configured
    bool adapt;
    AnalysisKind kind;
    const char* signatureFile;
    const char* refused;  // the entry IniError 1 names; null: read
    const char* patternModel = nullptr;  // [Texture]
    PatternModel model = PatternModel::Tree;
    const char* dyedYarn = nullptr;  // [Texture]
    bool dyed = false;
};

class OptionalKeys : public SettingsTest, public ::testing::WithParamInterface<OptionalEntries> {};

TEST_P(OptionalKeys, AreReadIntoTheirSectionsRecordsOrRefused)
{
    const OptionalEntries& c = GetParam();
    std::string text = c.xRes != nullptr ? configText("Scan", "XRes", c.xRes) : configText();
    const auto insert = [&](const char* section, const char* key, const char* value) {
        if (value != nullptr)
            text.insert(text.find(std::string("[") + section + "]\r\n") + std::strlen(section) + 4,
                        std::string(key) + " = " + value + "\r\n");
    };
    insert("Scan", "AdaptToScanner", c.adaptToScanner);
    insert("Texture", "Analysis", c.analysis);
    insert("Texture", "PatternModel", c.patternModel);
    insert("Texture", "DyedYarn", c.dyedYarn);
    insert("Matching", "Signatures", c.signatures);
    IniFile ini(writeConfig(text), ';');
    AllSettings s;
    if (c.refused != nullptr) {
        try {
            readAllSettings(ini, s);
            FAIL() << "no exception";
        } catch (const IniError& error) {
            EXPECT_EQ(error.entry(), c.refused);
            EXPECT_EQ(error.code(), 1);
        }
        return;
    }
    readAllSettings(ini, s);
    EXPECT_EQ(s.scan.adaptToScanner, c.adapt);
    EXPECT_EQ(s.texture.analysis, c.kind);
    EXPECT_EQ(s.texture.patternModel, c.model);
    EXPECT_EQ(s.texture.dyedYarn, c.dyed);
    EXPECT_EQ(s.matching.signatures, c.signatureFile);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionalKeys,
    ::testing::Values(
        OptionalEntries{"absent", nullptr, nullptr, nullptr, nullptr, false, AnalysisKind::Standard, "", nullptr},
        OptionalEntries{"allOn", "1", "improved", "odevy.sig", nullptr, true, AnalysisKind::Improved, "odevy.sig",
                        nullptr},
        OptionalEntries{"namedOff", "0", "standard", nullptr, nullptr, false, AnalysisKind::Standard, "", nullptr},
        // The standard analysis does not measure in millimetres.
        OptionalEntries{"standardAnyResolution", nullptr, nullptr, nullptr, "0", false, AnalysisKind::Standard, "",
                        nullptr},
        OptionalEntries{"adaptNotANumber", "x", nullptr, nullptr, nullptr, false, AnalysisKind::Standard, "",
                        "AdaptToScanner"},
        OptionalEntries{"analysisMisspelt", nullptr, "improve", nullptr, nullptr, false, AnalysisKind::Standard, "",
                        "Analysis"},
        OptionalEntries{"improvedWithoutResolution", nullptr, "improved", nullptr, "0", false,
                        AnalysisKind::Standard, "", "XRes"},
        OptionalEntries{"improvedAtAnAbsurdResolution", nullptr, "improved", nullptr, "1e9", false,
                        AnalysisKind::Standard, "", "XRes"},
        OptionalEntries{"forest", nullptr, "improved", nullptr, nullptr, false, AnalysisKind::Improved, "", nullptr,
                        "forest", PatternModel::Forest},
        OptionalEntries{"treeNamed", nullptr, "improved", nullptr, nullptr, false, AnalysisKind::Improved, "",
                        nullptr, "tree", PatternModel::Tree},
        OptionalEntries{"modelMisspelt", nullptr, "improved", nullptr, nullptr, false, AnalysisKind::Standard, "",
                        "PatternModel", "forests"},
        OptionalEntries{"dyedYarn", nullptr, "improved", nullptr, nullptr, false, AnalysisKind::Improved, "", nullptr,
                        nullptr, PatternModel::Tree, "1", true},
        OptionalEntries{"dyedYarnOff", nullptr, "improved", nullptr, nullptr, false, AnalysisKind::Improved, "",
                        nullptr, nullptr, PatternModel::Tree, "0", false},
        OptionalEntries{"dyedYarnMisspelt", nullptr, "improved", nullptr, nullptr, false, AnalysisKind::Standard, "",
                        "DyedYarn", nullptr, PatternModel::Tree, "yes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, BmpSelectsZero)
{
    IniFile ini(writeConfig(configText("Debug", "SaveFormat", "BMP")), ';');
    GeneralSettings general;
    readSettings(ini, general);
    EXPECT_EQ(general.saveFormat, SaveFormat::Bmp);
}

TEST_F(SettingsTest, ShippedConfigurationIsComplete)
{
    IniFile ini(VESTISCOP_SOURCE_DIR "/data/vestiscop.cfg", ';');
    AllSettings s;
    EXPECT_NO_THROW(readAllSettings(ini, s));
}

TEST_F(SettingsTest, NoConfigurationNamesLogFileInDebug)
{
    IniFile ini(m_dir.file("vestiscop.cfg"), ';');
    AllSettings s;
    try {
        readAllSettings(ini, s);
        FAIL() << "no exception";
    } catch (const IniError& error) {
        EXPECT_EQ(error.code(), 0);
        EXPECT_EQ(error.message(MessageCatalog::application(), 0),
                  "Položka LogFile ze sekce [Debug] nebyla nalezena v souboru " + m_dir.file("vestiscop.cfg"));
    }
}

struct BadEntry {
    const char* section;
    const char* key;
    const char* value;  // null: the key is missing
    int code;
};

class SettingsFailure : public SettingsTest, public ::testing::WithParamInterface<BadEntry> {};

// Each failure names the entry, its section and the file's absolute path,
// in that order, in the text the user is shown.
TEST_P(SettingsFailure, NamesEntrySectionAndPath)
{
    const BadEntry& bad = GetParam();
    IniFile ini(writeConfig(configText(bad.section, bad.key, bad.value)), ';');
    AllSettings s;
    try {
        readAllSettings(ini, s);
        FAIL() << "no exception";
    } catch (const IniError& error) {
        EXPECT_EQ(error.code(), bad.code);
        EXPECT_EQ(error.entry(), bad.key);
        EXPECT_EQ(error.section(), bad.section);
        static const char* const texts[] = {
            "Položka %s ze sekce [%s] nebyla nalezena v souboru %s",
            "Položka %s ze sekce [%s] v souboru %s je špatná",
            "Položka %s ze sekce [%s] v souboru %s obsahuje neočekáváná data",
        };
        char expected[1024];
        std::snprintf(expected, sizeof expected, texts[bad.code], bad.key, bad.section, m_path.c_str());
        EXPECT_EQ(error.message(MessageCatalog::application(), 0), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsFailure, ::testing::Values(
    BadEntry{"Debug", "LogFile", nullptr, 0},
    BadEntry{"Debug", "SaveDir", "; only a comment", 0},
    BadEntry{"Debug", "SaveFormat", "png", 1},
    BadEntry{"Debug", "SaveFormat", "BMP2", 1},
    BadEntry{"Debug", "ExtendedUI", "1.5", 2},
    BadEntry{"Scan", "XRes", "300dpi", 2},
    BadEntry{"Scan", "XRes", "dpi", 1},
    BadEntry{"Scan", "WndHeight", "1e400", 1},
    BadEntry{"Scan", "IgnoreErrors", nullptr, 0},
    BadEntry{"Color", "MaxBins", "12 13", 2},
    BadEntry{"Color", "ReportThr", "", 0},
    BadEntry{"Texture", "Height", "x", 1},
    BadEntry{"Matching", "Color1Weight", "1 2 3", 0},
    BadEntry{"Matching", "Color1Weight", "1 2 3 4 5", 2},
    BadEntry{"Matching", "Color2Weight", "1 2 x 4", 1},
    BadEntry{"Matching", "MergeDecay", nullptr, 0}));

// Whatever the file holds, reading either succeeds or raises IniError;
// under the sanitizers nothing is read outside the file's text.
TEST_F(SettingsTest, MalformedFilesNeverCrash)
{
    std::vector<std::string> files;
    std::mt19937 random(20261207);
    for (int i = 0; i < 20; ++i) {
        std::string garbage(static_cast<std::size_t>(random() % 4096), '\0');
        for (char& c : garbage)
            c = static_cast<char>(random());
        files.push_back(garbage);
        // Garbage spliced into a good file.
        std::string good = configText();
        good.insert(random() % good.size(), garbage.substr(0, 40));
        files.push_back(good);
    }
    files.push_back(configText("Debug", "LogFile", std::string(1 << 20, 'L').c_str()));
    files.push_back(std::string(1 << 20, 'x'));
    files.push_back(configText("Matching", "Color1Weight", "\"1 2 3 4"));
    files.push_back(configText("Color", "MaxBins", "99999999999999999999999"));
    files.push_back(configText("Scan", "Gamma", "1e-99999"));
    files.push_back(configText("Scan", "Gamma", std::string(2000, '9').c_str()));
    files.push_back(configText() + std::string("[Debug\0]\nLogFile\0=x\n", 20));
    std::string withNul = configText();
    withNul.replace(withNul.find("LogFile = run.log"), 17, std::string("LogFile = r\0n.log", 17));
    files.push_back(withNul);
    files.push_back("[");
    files.push_back("[Debug]\nLogFile=");
    files.push_back("[Debug]\nLogFile=\"");
    files.push_back("\xEF\xBB");
    for (const std::string& content : files) {
        IniFile ini(writeConfig(content), ';');
        AllSettings s;
        try {
            readAllSettings(ini, s);
        } catch (const IniError&) {
        }
    }
    // A NUL inside a value ends it, as the text of a C string.
    IniFile ini(writeConfig(withNul), ';');
    GeneralSettings general;
    readSettings(ini, general);
    EXPECT_EQ(general.logFile, "r");
}

} // namespace
} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/Settings.h"

#include <cmath>
#include <utility>

#include "foundation/Exception.h"
#include "foundation/IniFile.h"

namespace vestiscop::foundation {

namespace {

bool readFlag(const IniFile& ini, const char* key)
{
    return ini.readInt(key) != 0;
}

// The format name is compared exactly: "png" is as wrong as "GIF".
SaveFormat readSaveFormat(const IniFile& ini)
{
    const std::string value = ini.readString("SaveFormat");
    if (value == "BMP")
        return SaveFormat::Bmp;
    if (value == "PNG")
        return SaveFormat::Png;
    throw IniError(1, ini, "SaveFormat");
}

// Four numbers in one entry; each step reports its own failure code.
std::array<double, 4> readWeights(const IniFile& ini, const char* key)
{
    std::array<double, 4> weights{};
    IniTokenizer tokenizer = ini.tokenizer(key);
    tokenizer.readReal(weights[0]).readReal(weights[1]).readReal(weights[2]).readReal(weights[3]).expectEnd();
    return weights;
}

} // namespace

void readSettings(IniFile& ini, GeneralSettings& settings)
{
    ini.setSection("Debug");
    settings.logFile = ini.readString("LogFile");
    settings.extendedUI = readFlag(ini, "ExtendedUI");
    settings.askForDescr = readFlag(ini, "AskForDescr");
    settings.saveImage = readFlag(ini, "SaveImage");
    settings.saveFormat = readSaveFormat(ini);
    settings.saveDir = ini.readString("SaveDir");
}

void readSettings(IniFile& ini, ScanSettings& settings)
{
    ini.setSection("Scan");
    settings.xRes = ini.readReal("XRes");
    settings.yRes = ini.readReal("YRes");
    settings.gamma = ini.readReal("Gamma");
    settings.wndLeft = ini.readReal("WndLeft");
    settings.wndTop = ini.readReal("WndTop");
    settings.wndWidth = ini.readReal("WndWidth");
    settings.wndHeight = ini.readReal("WndHeight");
    settings.ignoreErrors = readFlag(ini, "IgnoreErrors");
    // Optional: a configuration without it scans exactly as before.
    settings.adaptToScanner = !ini.readRaw("AdaptToScanner").empty() && readFlag(ini, "AdaptToScanner");
}

void readSettings(IniFile& ini, ColorSettings& settings)
{
    ini.setSection("Color");
    settings.definitions = ini.readString("Definitions");
    settings.filter = ini.readReal("Filter");
    settings.lumaScale = ini.readReal("LumaScale");
    settings.clusterThr = ini.readReal("ClusterThr");
    settings.histSmooth = ini.readReal("HistSmooth");
    settings.maxBins = ini.readInt("MaxBins");
    settings.reportThr = ini.readReal("ReportThr");
    settings.borderTerms = ini.readRaw("BorderTerms");
}

void readSettings(IniFile& ini, TextureSettings& settings)
{
    ini.setSection("Texture");
    settings.width = ini.readInt("Width");
    settings.height = ini.readInt("Height");
    const std::string analysis = ini.readRaw("Analysis");
    if (analysis.empty() || analysis == "standard")
        settings.analysis = AnalysisKind::Standard;
    else if (analysis == "improved")
        settings.analysis = AnalysisKind::Improved;
    else
        throw IniError(1, ini, "Analysis");
    const std::string model = ini.readRaw("PatternModel");
    if (model.empty() || model == "tree")
        settings.patternModel = PatternModel::Tree;
    else if (model == "forest")
        settings.patternModel = PatternModel::Forest;
    else
        throw IniError(1, ini, "PatternModel");
    const std::string dyedYarn = ini.readRaw("DyedYarn");
    if (dyedYarn.empty() || dyedYarn == "0")
        settings.dyedYarn = false;
    else if (dyedYarn == "1")
        settings.dyedYarn = true;
    else
        throw IniError(1, ini, "DyedYarn");
}

void readSettings(IniFile& ini, MatchingSettings& settings)
{
    ini.setSection("Matching");
    settings.materials = ini.readString("Materials");
    settings.color1Weight = readWeights(ini, "Color1Weight");
    settings.color2Weight = readWeights(ini, "Color2Weight");
    settings.maxDistance = ini.readReal("MaxDistance");
    settings.minSimilarity = ini.readReal("MinSimilarity");
    settings.mergeDecay = ini.readReal("MergeDecay");
    settings.signatures = ini.readRaw("Signatures");
}

void readAllSettings(IniFile& ini, AllSettings& settings)
{
    readSettings(ini, settings.general);
    readSettings(ini, settings.scan);
    readSettings(ini, settings.color);
    readSettings(ini, settings.texture);
    readSettings(ini, settings.matching);
    if (settings.texture.analysis == AnalysisKind::Improved)
        for (const auto& [key, dpi] : {std::pair{"XRes", settings.scan.xRes}, std::pair{"YRes", settings.scan.yRes}})
            if (!std::isfinite(dpi) || !(dpi >= 10) || dpi > 100000)
                throw IniError(1, ini.path(), "Scan", key);
}

} // namespace vestiscop::foundation

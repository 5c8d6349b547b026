// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The five settings records, one per section of vestiscop.cfg. Read once at
// start-up by the application object and never changed afterwards. Every key
// is required: there are no built-in defaults.

#include <array>
#include <string>

namespace vestiscop::foundation {

class IniFile;

enum class SaveFormat { Bmp = 0, Png = 1 };

// Section [Debug].
struct GeneralSettings {
    std::string logFile;
    bool extendedUI = false;
    bool askForDescr = false;
    bool saveImage = false;
    SaveFormat saveFormat = SaveFormat::Bmp;
    std::string saveDir;
};

// Section [Scan]. Resolutions in dpi, the frame in inches.
struct ScanSettings {
    double xRes = 0;
    double yRes = 0;
    double gamma = 0;
    double wndLeft = 0;
    double wndTop = 0;
    double wndWidth = 0;
    double wndHeight = 0;
    bool ignoreErrors = false;
    // Optional (AdaptToScanner): scan at the nearest resolution the scanner
    // offers above XRes/YRes and resample to them, clip the frame to the
    // glass, ask for 8 bits per sample, and log what the scanner did.
    bool adaptToScanner = false;
};

// Section [Color].
struct ColorSettings {
    std::string definitions;
    double filter = 0;      // sigma of the Gaussian pre-filter; <= 0: none
    double lumaScale = 0;
    double clusterThr = 0;
    double histSmooth = 0;
    int maxBins = 0;
    double reportThr = 0;
    // Optional (BorderTerms): a table that lists Definitions' entries under
    // their basic terms (barvy-zakladni.txt). Present, a colour near the
    // border of two basic terms is told with the other one too ("modrá do
    // zelena"); absent, every colour has its one name.
    std::string borderTerms;
};

// Which analysis every scan gets.
enum class AnalysisKind { Standard, Improved };
enum class PatternModel { Tree, Forest };

// Section [Texture]: the analysed region in pixels, and the analysis.
struct TextureSettings {
    int width = 0;
    int height = 0;
    // Optional (Analysis): absent or "standard" the standard analysis,
    // "improved" the improved one, which measures in millimetres and so
    // needs a usable XRes and YRes.
    AnalysisKind analysis = AnalysisKind::Standard;
    // Optional (PatternModel), for the improved analysis: absent or "tree"
    // one fitted decision tree; "forest" many trees that also tell how
    // sure the pattern is, its likeliest alternative, and mottled (heather)
    // cloth as one colour with no pattern. The standard analysis ignores it.
    PatternModel patternModel = PatternModel::Tree;
    // Optional (DyedYarn), for the improved analysis: absent or 0 a colour
    // is the mean of what shows of it; 1 a cloth woven of a dyed and an
    // undyed yarn (denim, chambray) is told by its dyed yarn, as a person
    // names it.
    bool dyedYarn = false;
};

// Section [Matching].
struct MatchingSettings {
    std::string materials;
    std::array<double, 4> color1Weight{};  // L, a, b, share
    std::array<double, 4> color2Weight{};
    double maxDistance = 0;
    double minSimilarity = 0;
    double mergeDecay = 0;
    // Optional (Signatures): the garment signature file beside the
    // catalogue; empty without the key, and recognition is then the
    // classic matching of the two leading colours.
    std::string signatures;
};

// Each reader sets the record's section and reads its keys in order; the
// first bad key raises IniError and nothing after it is read.
void readSettings(IniFile& ini, GeneralSettings& settings);
void readSettings(IniFile& ini, ScanSettings& settings);
void readSettings(IniFile& ini, ColorSettings& settings);
void readSettings(IniFile& ini, TextureSettings& settings);
void readSettings(IniFile& ini, MatchingSettings& settings);

// All five records, read in the fixed order, then the checks of the
// optional keys that depend on more than one section (IniError 1 naming
// the entry).
struct AllSettings {
    GeneralSettings general;
    ScanSettings scan;
    ColorSettings color;
    TextureSettings texture;
    MatchingSettings matching;
};
void readAllSettings(IniFile& ini, AllSettings& settings);

} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the commands of vestiscop_bench (vestiscop_bench.cpp) share: the
// options, the configuration they measure, and the text of their tables.
// Each command is a source file of its own and includes this header.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "BasicTerms.h"
#include "BenchText.h"
#include "Corpus.h"
#include "FabricBench.h"
#include "Garment.h"
#include "Whites.h"
#include "atelier/AtelierWardrobe.h"
#include "catalog/GarmentCatalog.h"
#include "signature/GarmentSignature.h"
#include "signature/Recognizer.h"
#include "analysis/Analyser.h"
#include "color/ColorAnalyzer.h"
#include "color/ColorNameTable.h"
#include "pattern/PatternKind.h"
#include "foundation/Exception.h"
#include "foundation/IniFile.h"
#include "foundation/MessageCatalog.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"

namespace vestiscop::bench {

struct Options {
    std::string config = VESTISCOP_SOURCE_DIR "/data/vestiscop.cfg";
    Split split = Split::Check;
    int perFamily = 8;
    int fold = -1;  // --fold K/N: fold K of N of the survey's tuning part
    int folds = 0;
    int rounds = 1;  // --rounds N: rescans on N sets of garments (tuning part only)
    int catalogue = 1;  // --catalogue K: rescans with K sets in one catalogue (tuning part only)
    std::vector<std::string> arguments;
};

struct Setup {
    foundation::AllSettings settings;
    std::string dataDir;
    bool improved = false;  // [Texture] Analysis = improved
};

Setup loadSetup(const std::string& config);

// The analysis the configuration names, as the program builds it: the
// improved one when [Texture] Analysis says so.
std::unique_ptr<analysis::Analyser> configuredAnalyser(const Setup& setup, const foundation::TextureSettings& region,
                                                       const color::ColorNameTable& names);

// A colour table path of the configuration, relative to its folder.
std::string tablePath(const Setup& setup, const std::string& definitions);

inline constexpr int PatternCount = 5;
inline constexpr int AnalysisFailed = PatternCount;  // the extra column of a confusion matrix

std::string patternText(int code);

// Analyses one image; the pattern code, or AnalysisFailed.
int analysePattern(color::ColorAnalyzer& analyzer, std::unique_ptr<imaging::RgbImage> image);

// A catalogue file of its own in memory-backed storage where there is
// one, so that the durable writes of the catalogue cost nothing.
std::string scratchCatalogue();

int runNaming(const Options& options);
int runDecisions(const Options& options);
int runPattern(const Options& options);
int runSweep(const Options& options);
int runGrid(const Options& options);
int runRecognition(const Options& options);
int runRescans(const Options& options);
// The second renderer's swatch as the analysis takes a scan (blue-green-red).
std::unique_ptr<imaging::RgbImage> imageOfSwatch(const atelier::Swatch& swatch);

int runForest(const Options& options);
int runWoven(const Options& options);

} // namespace vestiscop::bench

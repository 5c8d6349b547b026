// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image files named on the command line: checked before the start-up (BMP
// and PNG, recognised by their first bytes; a file that cannot be opened
// yet must at least be named like one) and analysed after it. "-" is the
// picture on standard input.

#include <memory>
#include <string>

#include "analysis/Analyser.h"
#include "foundation/Environment.h"
#include "imaging/Image.h"

namespace vestiscop::app::cli {

// The name that stands for standard input.
inline constexpr const char* StandardInput = "-";

// Relative file names are taken from this directory (the one the program was
// started in) even after the program entered its data directory; unset,
// from the current one.
void setArgumentDirectory(const std::string& directory);

// False, with the text to show in problem, for a file that is no BMP or PNG.
bool acceptsImageFile(const std::string& path, std::string& problem);

// Reads the file (or standard input for "-") as analyzeImageFile does,
// with the same failures, without analysing it.
std::unique_ptr<imaging::RgbImage> loadImageFile(const std::string& path, const foundation::Environment& environment);

// Reads the file (or standard input for "-") and runs the analysis on it,
// as a file dropped on the window. Failures are the reading's SystemError
// (naming "-" for standard input) or the analysis's VisionError. Standard
// input is spooled in the environment's temporary directory.
void analyzeImageFile(analysis::Analyser& analyzer, const std::string& path,
                      const foundation::Environment& environment);

} // namespace vestiscop::app::cli

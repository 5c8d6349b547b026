#pragma once
// Image files named on the command line: checked before the start-up (only
// BMP and PNG, as the window accepts them) and analysed after it.

#include <string>

#include "color/ColorAnalyzer.h"

namespace vestiscop::app::cli {

// False, with the text to show in problem, for a name the window would ignore.
bool acceptsImageFile(const std::string& path, std::string& problem);

// Reads the file and runs the analysis on it, as a file dropped on the
// window. Failures are the reading's SystemError or the analysis's VisionError.
void analyzeImageFile(color::ColorAnalyzer& analyzer, const std::string& path);

} // namespace vestiscop::app::cli

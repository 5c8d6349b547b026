#pragma once
// Image files handed to the program by name (dropped on the window or given
// to the command-line program): the extension after the last '.' decides,
// ignoring case, whether the file is read as BMP or PNG; any other name is
// no image and is ignored by the window.

#include <memory>
#include <string>

#include "imaging/Image.h"

namespace vestiscop::app {

enum class DroppedFileKind { None, Bmp, Png };

DroppedFileKind droppedFileKind(const std::string& path);

// The picture of a BMP or PNG file, rows placed top first; null for a file of
// another kind. SystemError 2, 3 or 5 (with the path) when it cannot be read.
std::unique_ptr<imaging::RgbImage> loadDroppedFile(const std::string& path);

} // namespace vestiscop::app

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image files handed to the program by name (dropped on the window or given
// to the command-line program). The window takes a file whose extension
// after the last '.' is BMP or PNG (ignoring case) and ignores any other
// name. How the file is read is decided by its first bytes (BMP's "BM",
// PNG's signature); the extension is only the fallback for a file that
// cannot be opened, so that the reading names the real failure.

#include <memory>
#include <optional>
#include <string>

#include "imaging/Image.h"

namespace vestiscop::app {

enum class DroppedFileKind { None, Bmp, Png };

DroppedFileKind droppedFileKind(const std::string& path);

// The kind the file's first bytes show (None for neither), or nothing when
// the file cannot be opened or read.
std::optional<DroppedFileKind> signatureKind(const std::string& path);

// The picture of a BMP or PNG file, rows placed top first; null for a file
// that can neither be read nor is named as an image. SystemError 2, 3 or 5
// (with the path) when it cannot be read; 5 when its first bytes are
// neither BMP nor PNG.
std::unique_ptr<imaging::RgbImage> loadDroppedFile(const std::string& path);

} // namespace vestiscop::app

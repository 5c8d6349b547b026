// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The archive of saved scans: files scan000 to scan999 (extension bmp or
// png) in one directory, numbered as a ring. The next number follows the
// number of the most recently modified archive file and wraps from 999 to 0,
// so after a thousand scans the oldest files are overwritten one by one.

#include "foundation/Settings.h"
#include "imaging/Image.h"

#include <string>

namespace vestiscop::imaging {

// Writes image (only read; the caller keeps it) as the next archive file in
// startDirectory (ending in '/') + saveDir, creating that directory (one
// level) when missing. Returns the file name without directory, for example
// "scan007.png". Failures (directory search, open, write) propagate as
// SystemError; a file that could not be written in full is removed.
std::string saveScan(const RgbImage& image, const std::string& startDirectory, const std::string& saveDir,
                     foundation::SaveFormat format);

} // namespace vestiscop::imaging

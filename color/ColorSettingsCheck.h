// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Range checks of the analysis settings, run at start-up right after the
// records are read, so that a value the analysis cannot work with ends the
// start-up with the usual IniError (code 1, invalid) naming the key instead
// of failing on every scan.

#include "foundation/IniFile.h"
#include "foundation/Settings.h"

namespace vestiscop::color {

// [Color]: Filter finite; LumaScale finite and above 0 (the cluster centres
// are divided by it); MaxBins 0..256 (cluster numbers are one-byte labels).
void validateColorSettings(const foundation::ColorSettings& settings, const foundation::IniFile& ini);

// [Texture]: Width and Height above 0, and the region no larger than the
// largest image the program accepts.
void validateTextureSettings(const foundation::TextureSettings& settings, const foundation::IniFile& ini);

} // namespace vestiscop::color

// SPDX-License-Identifier: GPL-3.0-or-later
#include "color/ColorSettingsCheck.h"

#include <cmath>
#include <cstdint>

#include "color/ColorClusterer.h"
#include "foundation/Exception.h"
#include "imaging/Image.h"

namespace vestiscop::color {

namespace {

[[noreturn]] void invalid(const foundation::IniFile& ini, const char* section, const char* key)
{
    throw foundation::IniError(1, ini.path(), section, key);
}

} // namespace

void validateColorSettings(const foundation::ColorSettings& settings, const foundation::IniFile& ini)
{
    if (!std::isfinite(settings.filter))
        invalid(ini, "Color", "Filter");
    if (!std::isfinite(settings.lumaScale) || !(settings.lumaScale > 0))
        invalid(ini, "Color", "LumaScale");
    if (settings.maxBins < 0 || settings.maxBins > ColorClusterer::LabelLimit)
        invalid(ini, "Color", "MaxBins");
}

void validateTextureSettings(const foundation::TextureSettings& settings, const foundation::IniFile& ini)
{
    if (settings.width <= 0)
        invalid(ini, "Texture", "Width");
    if (settings.height <= 0)
        invalid(ini, "Texture", "Height");
    if (static_cast<std::int64_t>(settings.width) * settings.height > imaging::MaxImagePixels)
        invalid(ini, "Texture", "Height");
}

} // namespace vestiscop::color

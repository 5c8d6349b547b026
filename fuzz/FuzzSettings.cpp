// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration reader and the five settings records over an arbitrary
// vestiscop.cfg. Reading either fills all five records or stops with an
// IniError 0, 1 or 2 that names an entry of the section being read.

#include <cstdint>
#include <string>

#include "MemoryFile.h"
#include "foundation/Exception.h"
#include "foundation/IniFile.h"
#include "foundation/Settings.h"

using namespace vestiscop;
using fuzz::require;

namespace {

const char* const sections[] = {"Debug", "Scan", "Color", "Texture", "Matching"};

bool isKnownSection(const std::string& name)
{
    for (const char* section : sections) {
        if (name == section)
            return true;
    }
    return false;
}

// What the comment rule and the trimming promise for every entry.
void checkRaw(const foundation::IniFile& ini, const std::string& key)
{
    const std::string raw = ini.readRaw(key);
    require(raw.find(ini.comment()) == std::string::npos);
    require(raw.empty() || (raw.back() != ' ' && raw.back() != '\t'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::MemoryFile file(data, size);
    foundation::IniFile ini(file.path(), ';');

    foundation::AllSettings settings;
    try {
        foundation::readAllSettings(ini, settings);
        require(!settings.general.logFile.empty());
        require(!settings.general.saveDir.empty());
        require(!settings.color.definitions.empty());
        require(!settings.matching.materials.empty());
        require(settings.general.saveFormat == foundation::SaveFormat::Bmp ||
                settings.general.saveFormat == foundation::SaveFormat::Png);
    } catch (const foundation::IniError& error) {
        require(error.code() >= 0 && error.code() <= 2);
        require(isKnownSection(error.section()));
        require(!error.entry().empty());
        require(error.path() == ini.path());
    }

    for (const char* section : sections) {
        ini.setSection(section);
        for (const char* key : {"LogFile", "SaveFormat", "XRes", "MaxBins", "Color1Weight", "Width", "Materials"})
            checkRaw(ini, key);
        try {
            auto tokenizer = ini.tokenizer("Color1Weight");
            double value = 0;
            tokenizer.readReal(value).readReal(value).readReal(value).readReal(value).expectEnd();
        } catch (const foundation::IniError& error) {
            require(error.code() >= 0 && error.code() <= 2);
            require(error.entry() == "Color1Weight");
        }
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchCommands.h"

#include <unistd.h>

namespace vestiscop::bench {

Setup loadSetup(const std::string& config)
{
    Setup setup;
    foundation::IniFile ini(config, ';');
    foundation::readAllSettings(ini, setup.settings);
    setup.dataDir = std::filesystem::path(ini.path()).parent_path().string() + "/";
    setup.improved = setup.settings.texture.analysis == foundation::AnalysisKind::Improved;
    return setup;
}

std::unique_ptr<analysis::Analyser> configuredAnalyser(const Setup& setup, const foundation::TextureSettings& region,
                                                       const color::ColorNameTable& names)
{
    const auto& s = setup.settings;
    return analysis::makeAnalyser(setup.improved, s.color, region, s.scan, names);
}

std::unique_ptr<imaging::RgbImage> imageOfSwatch(const atelier::Swatch& swatch)
{
    auto image = imaging::RgbImage::create(swatch.width, swatch.height);
    for (int y = 0; y < swatch.height; ++y) {
        const std::uint8_t* in = swatch.rgb.data() + static_cast<std::size_t>(y) * swatch.width * 3;
        std::uint8_t* out = image->row(y);
        for (int x = 0; x < swatch.width; ++x) {
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
        }
    }
    return image;
}

std::string tablePath(const Setup& setup, const std::string& definitions)
{
    return std::filesystem::path(definitions).is_absolute() ? definitions : setup.dataDir + definitions;
}

std::string patternText(int code)
{
    return code == AnalysisFailed ? "(chyba)" : foundation::loadString(1000 + code);
}

int analysePattern(color::ColorAnalyzer& analyzer, std::unique_ptr<imaging::RgbImage> image)
{
    try {
        analyzer.analyze(std::move(image));
        return analyzer.pattern();
    } catch (const foundation::VisionError&) {
        return AnalysisFailed;
    }
}

std::string scratchCatalogue()
{
    const std::string dir = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    return dir + "/vestiscop-bench-" + std::to_string(::getpid()) + ".dat";
}

// Pads to a width in characters (the texts are UTF-8).
std::string padded(const std::string& text, std::size_t width)
{
    std::size_t chars = 0;
    for (const char c : text)
        chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return text + std::string(chars < width ? width - chars : 0, ' ');
}

std::string percent(int good, int total)
{
    char text[32];
    std::snprintf(text, sizeof text, "%5.1f%%", total == 0 ? 0.0 : 100.0 * good / total);
    return text;
}

} // namespace vestiscop::bench

// SPDX-License-Identifier: GPL-3.0-or-later
// The colour analysis on small arbitrary images with arbitrary settings (as
// far as the start-up checks let them through) and an arbitrary colour
// table. analyze() either fails with VisionError 0 (image too small, nothing
// changed) or 1, or yields colours whose shares are ordered, add up to one
// and fill the record as the catalogue expects.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "MemoryFile.h"
#include "color/ColorAnalyzer.h"
#include "color/ColorSettingsCheck.h"
#include "foundation/Exception.h"
#include "foundation/IniFile.h"

using namespace vestiscop;
using fuzz::require;

namespace {

double consumeSetting(FuzzedDataProvider& input, double low, double high)
{
    // Mostly ordinary values, sometimes any double at all.
    if (input.ConsumeIntegralInRange(0, 15) == 0)
        return input.ConsumeFloatingPoint<double>();
    return input.ConsumeFloatingPointInRange(low, high);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);

    foundation::ColorSettings colorSettings;
    colorSettings.filter = consumeSetting(input, -1.0, 4.0);
    colorSettings.lumaScale = consumeSetting(input, -0.5, 3.0);
    colorSettings.clusterThr = consumeSetting(input, -0.1, 1.0);
    colorSettings.histSmooth = consumeSetting(input, -1.0, 10.0);
    colorSettings.maxBins = input.ConsumeIntegralInRange(-2, 300);
    colorSettings.reportThr = consumeSetting(input, 0.0, 1.0);
    foundation::TextureSettings textureSettings;
    textureSettings.width = input.ConsumeIntegralInRange(-1, 24);
    textureSettings.height = input.ConsumeIntegralInRange(-1, 24);

    const foundation::IniFile ini("vestiscop.cfg", ';');
    try {
        color::validateColorSettings(colorSettings, ini);
        color::validateTextureSettings(textureSettings, ini);
    } catch (const foundation::IniError& error) {
        require(error.code() == 1);
        return 0;
    }

    std::vector<color::ColorName> entries(input.ConsumeIntegralInRange(1, 6));
    for (color::ColorName& entry : entries) {
        entry.lab = {input.ConsumeIntegral<std::uint8_t>(), input.ConsumeIntegral<std::int8_t>(),
                     input.ConsumeIntegral<std::int8_t>()};
        entry.name = input.ConsumeBool() ? "modrá" : "bílá";
    }
    const color::ColorNameTable names(std::move(entries));
    color::ColorAnalyzer analyzer(colorSettings, textureSettings, names);

    // Two analyses in a row: the second reuses the buffers of the first.
    for (int round = 0; round < 2 && input.remaining_bytes() > 0; ++round) {
        const int width = input.ConsumeIntegralInRange(1, 32);
        const int height = input.ConsumeIntegralInRange(1, 32);
        auto image = imaging::RgbImage::create(width, height);
        const std::vector<std::uint8_t> pixels = input.ConsumeBytes<std::uint8_t>(image->rowBytes() * height);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = image->row(y);
            for (std::size_t i = 0; i < image->rowBytes(); ++i) {
                const std::size_t at = y * image->rowBytes() + i;
                row[i] = pixels.empty() ? 0 : pixels[at % pixels.size()];
            }
        }
        const bool fits = width >= textureSettings.width && height >= textureSettings.height;
        const imaging::RgbImage* given = image.get();
        try {
            analyzer.analyze(std::move(image));
        } catch (const foundation::VisionError& error) {
            require(error.code() == 0 || error.code() == 1);
            require((error.code() == 0) == !fits);
            // Refused for its size: the image stays with the caller.
            require(error.code() != 0 || image.get() == given);
            continue;
        }
        require(fits);

        const auto& colors = analyzer.colors();
        require(!colors.empty());
        double total = 0;
        std::int64_t pixelsCounted = 0;
        for (std::size_t i = 0; i < colors.size(); ++i) {
            require(colors[i].color != nullptr);
            require(colors[i].count > 0);
            require(i == 0 || colors[i].share <= colors[i - 1].share);
            total += colors[i].share;
            pixelsCounted += colors[i].count;
        }
        require(pixelsCounted == std::int64_t{textureSettings.width} * textureSettings.height);
        require(std::fabs(total - 1.0) < 1e-9);
        require(analyzer.pattern() >= 0 && analyzer.pattern() <= 4);

        const color::ColorAnalysis& record = analyzer.analysis();
        require(record.valid == 1);
        require(record.shareB == 0.0);
        require(record.colorB == colors[0].color->lab);
        require(record.colorA == colors[colors.size() > 1 ? 1 : 0].color->lab);
        require(record.name[0] == 0);

        const imaging::ByteImage* mask = analyzer.mask();
        require(mask != nullptr && mask->width() == textureSettings.width && mask->height() == textureSettings.height);
        for (int y = 0; y < mask->height(); ++y) {
            for (int x = 0; x < mask->width(); ++x)
                require(*mask->pixel(x, y) <= 1);
        }
        const color::AnalysisViews views = analyzer.renderViews();
        for (const color::ViewImage& view : views.slots)
            require(!view.empty());
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The four pictures a sighted assistant can switch between after an
// analysis, as plain data for the window to draw. slots[k] is the view
// control's slot k + 1, in the order of its radio buttons:
//   slots[0] "Obrázek"   the analysed region of the scan, unfiltered (RGB);
//   slots[1] "Barevnost" the analysis channels shown as RGB: blue = scaled L,
//                        green = b + 128, red = a + 128;
//   slots[2] "Separace"  every pixel in the colour of its cluster (label
//                        image and one palette entry per cluster): the raw
//                        clusters of the standard analysis, the told
//                        colours of the improved one;
//   slots[3] "Textura"   the dominant colour black, all others white.
// The images belong to the analyser that drew them and stay valid until its
// next analyze() call; after every analyze(), successful or not, the window
// must take the fresh set, which is empty after a failure.

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/Image.h"

namespace vestiscop::color {

// A palette entry in the byte order of the pixels, the fourth byte always 0.
struct PaletteEntry {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;

    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

// Either an RGB image, or an index image with its palette, or nothing.
struct ViewImage {
    const imaging::RgbImage* rgb = nullptr;
    const imaging::ByteImage* indexed = nullptr;
    std::vector<PaletteEntry> palette;

    bool empty() const { return rgb == nullptr && indexed == nullptr; }
};

struct AnalysisViews {
    static constexpr int Picture = 0;
    static constexpr int Chroma = 1;
    static constexpr int Separation = 2;
    static constexpr int Texture = 3;

    std::array<ViewImage, 4> slots;
};

} // namespace vestiscop::color

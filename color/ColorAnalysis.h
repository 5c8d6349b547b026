// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The 96-byte summary of one analysed garment: its two characteristic colours
// (table entries, not measured means) with their shares. The catalogue stores
// it byte for byte, little-endian, padding zero, so the layout is fixed.

#include <cstddef>
#include <cstdint>

#include "color/LabPixel.h"

namespace vestiscop::color {

struct ColorAnalysis {
    std::uint8_t valid = 0;        // 1 once an analysis has filled it; 0 in the catalogue = free slot
    char name[65] = {};            // Windows-1250 in the file, NUL-terminated, at most 64 characters
    LabPixel colorA;
    std::uint8_t padding1[3] = {};
    double shareA = 0;
    LabPixel colorB;
    std::uint8_t padding2[5] = {};
    double shareB = 0;
};

static_assert(sizeof(ColorAnalysis) == 96);
static_assert(offsetof(ColorAnalysis, name) == 1);
static_assert(offsetof(ColorAnalysis, colorA) == 66);
static_assert(offsetof(ColorAnalysis, shareA) == 72);
static_assert(offsetof(ColorAnalysis, colorB) == 80);
static_assert(offsetof(ColorAnalysis, shareB) == 88);

} // namespace vestiscop::color

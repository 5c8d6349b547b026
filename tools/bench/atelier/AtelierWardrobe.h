// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A second renderer of scanned cloth, independent of the benchmark's own
// wardrobe: its own models of yarn, weave, knit, print and flatbed scanner, so
// rules fitted on one renderer's pictures can be checked on the other's.
//
// Every kind is a fabric as a person would name it ("pinstripe suiting",
// "leopard"); render() draws one randomised piece of it as an 8-bit sRGB
// scan, with the pattern class and the colours a person would name.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vestiscop::bench::atelier {

struct Swatch {
    std::string kind;          // one of kinds(), e.g. "pinstripe suiting"
    int pattern = 0;           // what a person calls it: 0 plain, 1 stripes, 2 check, 3 dots, 4 motif
    bool mottled = false;      // a heather/melange: one colour to a person ("grey marl")
    // The colours a person would name, largest share first, as sRGB 0..255 and share 0..1
    // (for a heather one entry: the mix as a person sees it; for woven two-yarn cloth such as
    // denim or chambray the dyed yarn's colour).
    std::vector<std::array<double, 4>> namedColours;  // r, g, b, share
    int width = 0, height = 0; // pixels
    double dpi = 200;
    std::vector<std::uint8_t> rgb;  // width * height * 3, rows top to bottom, R G B
};

const std::vector<std::string>& kinds();   // every kind, stable order
int patternOf(const std::string& kind);   // the class of a kind; throws std::invalid_argument for an unknown kind

// Deterministic in (kind, seed); throws std::invalid_argument for an unknown kind.
Swatch render(const std::string& kind, std::uint32_t seed, int width = 512, int height = 512, double dpi = 200);

// The seed of picture i of kind kindIndex in the tuning (check = false) or
// checking split; the two splits never share a seed.
std::uint32_t seedFor(bool check, int kindIndex, int i);

} // namespace vestiscop::bench::atelier

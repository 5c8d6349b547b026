// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// White, cream and light grey fabrics as a flatbed scans them: the weave's
// shadows take up to a fifth of the light off a white cloth (a white shirt
// scans at about sRGB 220-235), so the colour table must call that white,
// not light grey. The naming measure of these fabrics (vestiscop_bench
// whites) and the fabric colours of the colour table come from here.

#include <cstdint>
#include <string>
#include <vector>

#include "Corpus.h"
#include "Garment.h"
#include "color/ColorNameTable.h"
#include "foundation/Settings.h"

namespace vestiscop::bench {

struct WhiteCase {
    std::string expected;  // bílá, smetanová or světle šedá
    Fabric fabric;
    Scan scan;             // resolution and size still to be set by the caller
    double shadow = 0;     // fraction of the light the weave's shadows take
};

// count fabrics of each of the three kinds (white, cream, light grey), each
// with one scan; the tuning and checking parts share no seed.
std::vector<WhiteCase> whiteCorpus(Split split, int count);

// An sRGB colour with a fraction of its light taken away.
Rgb darkened(const Rgb& colour, double shadow);

// The whites command: names count scans of each kind with the configured
// resolution, region and analysis, prints the share named as expected per
// kind and overall, what the others were called, and the mean Lab of the
// largest colour per kind (where the table's fabric colours come from).
// Ends with "RESULT whites SPLIT white W cream C grey G all A".
void measureWhites(const foundation::AllSettings& settings, const color::ColorNameTable& names, Split split,
                   int count);

} // namespace vestiscop::bench

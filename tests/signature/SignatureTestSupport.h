// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Signatures made by hand for the file and recognition tests.

#include "signature/GarmentSignature.h"

namespace vestiscop::signature::test {

// A garment of one or two colours with a texture concentrated in one bin.
inline GarmentSignature garment(double l, double a, double b, double share, double l2, double a2, double b2,
                                int textureBin, double contrast = 20)
{
    GarmentSignature s;
    s.colourCount = share < 1 ? 2 : 1;
    s.colours[0] = {l, a, b, share};
    if (share < 1)
        s.colours[1] = {l2, a2, b2, 1 - share};
    s.pattern = share < 1 ? 1 : 0;
    s.contrast = contrast;
    s.texture[static_cast<std::size_t>(textureBin)] = 1;
    s.colourVariation = {1, 0, 0, 0, 0, 0};
    return s;
}

} // namespace vestiscop::signature::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A flatbed scan of a cloth: the piece lies a little turned and shifted, with
// a few soft folds; the lamp lights it evenly but for a slight falloff towards
// its ends; the lens blurs a little and fringes colour towards the sides; the
// sensor adds noise and the result is quantised to 8-bit sRGB.

#include "AtelierWardrobe.h"
#include "Cloth.h"

namespace vestiscop::bench::atelier {

// Fills the picture and the named colours of `out` (its kind and pattern are
// the caller's).
void scan(const Cloth& cloth, Rng& rng, int width, int height, double dpi, Swatch& out);

} // namespace vestiscop::bench::atelier

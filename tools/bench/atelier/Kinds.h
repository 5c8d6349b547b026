// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fabric kinds and the shared pieces they are built from.

#include "Cloth.h"

#include <string>
#include <vector>

namespace vestiscop::bench::atelier {

struct KindDef {
    std::string name;
    int pattern = 0;
    Cloth (*build)(Rng& rng) = nullptr;
};

void addPlainKinds(std::vector<KindDef>& out);
void addStripeKinds(std::vector<KindDef>& out);
void addCheckKinds(std::vector<KindDef>& out);
void addDotKinds(std::vector<KindDef>& out);
void addMotifKinds(std::vector<KindDef>& out);
// Cloth woven or knitted of a dyed and a paler yarn (suiting, gabardine, chino,
// end-on-end, two-yarn pique), kept after every other kind.
void addTwoYarnKinds(std::vector<KindDef>& out);

// Colours as garments come: any dye, a muted one, a neutral, a light one.
Lin anyDye(Rng& rng);
Lin neutral(Rng& rng, double lo = 0.08, double hi = 0.95);
Lin lightGround(Rng& rng);
Lin darkGround(Rng& rng);
// A colour given as CIE L*a*b* (D65), as a colour is measured off a swatch card;
// outside the screen's gamut it is clipped.
Lin fromLab(double l, double a, double b);
// A colour clearly different from `other` in lightness or hue.
Lin contrasting(Rng& rng, Lin other, double minDelta = 0.25);

// The same colour a few sRGB steps (lo..hi) lighter or darker, a shade off in hue.
Lin toneOnTone(Rng& rng, Lin base, double lo, double hi);
// A pattern's colour against `ground`: mostly clearly different, now and then tone on tone.
Lin patternColour(Rng& rng, Lin ground, double minDelta = 0.25);

ThreadColour solidYarn(Lin c, int label = 0);
// Threads coloured by a sett, `pitch` mm apart; colours indexed by label.
ThreadColour settYarn(Sett sett, std::vector<Lin> colours, double pitch);

WeaveSpec plainWeave(Rng& rng, double pitchLo, double pitchHi);
WeaveSpec twillWeave(Rng& rng, double pitchLo, double pitchHi, int repeat = 4, int up = 2);

// A ground cloth for a print, of a random make (poplin, twill, lawn, jersey,
// canvas, a slubby or a heathered one), in one colour with label 0.
Surface printGround(Rng& rng, Lin colour, std::uint64_t key, double& relief);

// A cloth of one surface whose labels' nominal colours are given.
Cloth makeCloth(Surface s, std::vector<Lin> nominal, double relief = 1.0);

} // namespace vestiscop::bench::atelier

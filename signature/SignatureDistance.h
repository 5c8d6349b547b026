#pragma once
// How far apart two garment signatures lie, and how that distance becomes
// the similarity the user hears.
//
// distance = colours + texture + pattern, all in Lab-difference units:
// - colours: the measured colours of the two scans paired share by share,
//   closest pairs first, each unit of share costing the perceptual
//   difference (CIE94 with the pair's mean chroma) of its pair; shifts of a
//   few units cost a few units, and a colour missing in one scan costs its
//   share times its distance from the nearest colour of the other;
// - texture: the L1 difference of the two spectra (0..2) times textureWeight,
//   scaled by how much texture the plainer of the two has (a plain fabric's
//   spectrum is noise), plus contrastWeight times the difference of the
//   log contrasts;
// - pattern: patternWeight when the two pattern kinds differ.

#include "signature/GarmentSignature.h"

namespace vestiscop::signature {

struct DistanceWeights {
    double textureWeight = 12;
    // Contrast (Lab units) at which the texture counts half.
    double textureContrast = 2;
    double contrastWeight = 4;
    double patternWeight = 1.5;
};

// The perceptual difference of two Lab colours (CIE94, graphic arts, with
// the mean chroma of the two so that it is symmetric).
double colourDifference(const MeasuredColour& p, const MeasuredColour& q);

// The colour part alone: shares paired closest first (both sides sum to 1).
double colourDistance(const GarmentSignature& p, const GarmentSignature& q);

// The texture and pattern parts alone.
double textureDistance(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights);

double signatureDistance(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights);

} // namespace vestiscop::signature

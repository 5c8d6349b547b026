// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How far apart two garment signatures lie, and how that distance becomes
// the similarity the user hears.
//
// distance = colours + texture + pattern, all in Lab-difference units:
// - colours: the measured colours of the two scans paired share by share,
//   closest pairs first, each unit of share costing the perceptual
//   difference (CIE94 with the pair's mean chroma) of its pair, at most
//   colourCap: shifts of a few units cost a few units, and a share that
//   moved between two colours (a wide stripe seen at another place) costs
//   no more than colourCap times the share that moved; shares can be
//   balanced (shareExponent) and every clear colour required in both
//   (presenceWeight), so that a small colour of another hue tells apart
//   two garments of one ground;
// - texture: how far the spectrum's energy has to move in orientation
//   (orientationWeight per 15 degrees, circularly) and in period
//   (periodWeight per octave), plus spectrumWeight times the L1 difference
//   of the two spectra and variationWeight times that of the directions in
//   Lab the colour varies in, all scaled by how much texture the plainer of the
//   two has (a plain fabric's spectrum is noise); plus contrastWeight times
//   the difference of the log contrasts; the spectrum's terms together
//   count at most spectrumCap;
// - weave and layout (signatures of the second file version): how far
//   apart the weaves lie (plain cloths of one colour and another weave),
//   and the improved analysis's layout values (the size, shape, density
//   and spacing of the pattern's pieces, the strongest repeat), which
//   stay when a large motif shows other pieces after a shift;
// - the spectrum's terms, the contrast and the pattern parts' extent only
//   between two signatures measured alike (findingsTexture): of the
//   improved analysis's findings, or of the standard analysis's channels
//   (every signature of the file's first two versions); two of the
//   findings weigh them with weights of their own (findings*), the
//   orientation and the contrast less when the two took another of the
//   same colours for the ground;
// - pattern: patternWeight when the two pattern kinds differ, and
//   sizeWeight times the mean log difference of the pattern parts' extents
//   along x and y (a 3 mm dot against an 8 mm one).
//
// A turn of a few degrees or a period on the border of two bands moves
// little energy a short way, so it costs little; other stripes or another
// dot size move all of it.

#include "signature/GarmentSignature.h"

namespace vestiscop::signature {

struct DistanceWeights {
    double colourCap = 20;
    // Shares are compared raised to this power (and scaled to sum to 1
    // again): below 1 a small colour, such as the dots on a ground, counts
    // more than its share of the area.
    double shareExponent = 0.5;
    // A colour of at least presenceShare in one scan should be in the
    // other: presenceWeight times the largest difference (at most
    // colourCap) of such a colour from its nearest colour in the other,
    // the smaller of the two directions.
    double presenceWeight = 0;
    double presenceShare = 0.03;
    double orientationWeight = 3;
    double periodWeight = 6;
    double spectrumWeight = 2;
    // Per unit of L1 difference of the colour variations (0..4).
    double variationWeight = 8;
    // Contrast (Lab units) at which the texture counts half.
    double textureContrast = 2;
    double contrastWeight = 4;
    double patternWeight = 1.5;
    // Per unit of log difference of the pattern parts' extent, when both
    // have parts of at least presenceShare.
    double sizeWeight = 0;
    // Per unit of mean log difference of the weave bands' energies, when
    // both signatures hold a weave, scaled by weaveContrast / (weaveContrast
    // + the larger contrast): the fine bands of a patterned cloth hold the
    // pattern's edges, which move with the garment.
    double weaveWeight = 4;
    double weaveContrast = 2;
    // Below this energy a band is the scanner's noise, not the cloth.
    double weaveFloor = 1e-5;
    // How much the two scans' optical blur may differ, as the difference of
    // the squared blur radii (Gaussian sigma) in mm^2; 0 compares the bands
    // as they are. A blurrier scan loses the energy of a band of frequency f
    // by a factor exp(-4 pi^2 sigma^2 f^2): one scan's bands against the
    // other's are first put on the same blur (within this much), and only
    // what no blur explains counts. A scanner's focus changes with how flat
    // the garment lies, and the finest bands, the threads, move with it
    // more than another weave moves them.
    // 0.0063 mm^2 is a blur of 0.5 against 0.8 pixels at 200 dpi.
    double weaveBlur = 0.0063;
    // Per unit of L1 difference of the layout values, when both hold them.
    double layoutWeight = 0;
    // The most the spectrum's terms (orientation, period, spectrum and
    // colour variation, after the textured scaling) may add. A large motif
    // shows other pieces in the region after a shift of 20 mm, and its
    // spectrum moves with them; past this, another texture is told by the
    // colours, the contrast and the pattern kind.
    double spectrumCap = 1e300;
    // The spectrum's terms are scaled by this when both scans are motifs
    // (scattered pieces: a region holds few of them, and other ones after
    // a shift).
    double motifSpectrumScale = 0.5;
    // Two signatures of the improved analysis's findings (findingsTexture)
    // hold the spectrum of how far each pixel lies from the ground colour,
    // at about 0.25 mm a pixel, and its root mean square as the contrast,
    // not the standard analysis's channels: between two of them these take
    // the place of textureContrast and contrastWeight, and the spectrum's
    // terms are multiplied by findingsSpectrumScale (and the findings
    // weights below take the place of theirs). Every other comparison uses
    // the values above.
    // Searched on the tuning re-scans (vestiscop_bench rescans findings):
    // no other half-contrast, contrast weight or spectrum factor kept the
    // acceptance distance and matched more re-scans right, so they are the
    // channels' values.
    double findingsTextureContrast = 2;
    double findingsContrastWeight = 4;
    double findingsSpectrumScale = 1;
    // Between two findings signatures the colour variation's weight, the
    // contrast at which the weave counts half and the parts' extent's
    // weight (variationWeight, weaveContrast, sizeWeight for the others).
    // The findings' contrast is that of the distances from the ground at
    // about 0.25 mm a pixel, below 1 for a plain cloth: at a half-contrast
    // of 12 the weave of two plain cloths counts nearly whole, and tells
    // more pairs of one colour in two weaves apart (60 of 120 re-scans
    // against 52, as many wrong). Searched on the tuning re-scans
    // (vestiscop_bench rescans texture): no other colour variation or
    // extent weight kept the acceptance distance and matched more; a
    // half-contrast of 12 or 16 matched the weave pairs best, 24 and more
    // fewer re-scans.
    double findingsVariationWeight = 8;
    double findingsWeaveContrast = 12;
    double findingsSizeWeight = 0;
    // The findings measure every pixel's distance from the ground, the
    // largest colour. A cloth of two or more colours of nearly one share
    // (a tartan, a stripe of three colours) takes one or the other for the
    // ground as a shift shows more of it, and the distances from another
    // ground vary in other directions and by another amount: a re-scan of a
    // tartan moved its energy from the sett's axes to the diagonals and its
    // contrast from 14 to 20. Between two findings signatures whose largest
    // colours differ by more than findingsGroundChange (CIE94) while each
    // one's largest colour lies within that of a colour of the other (the
    // same colours, another one the ground) the orientation term and the
    // contrast term are multiplied by findingsGroundOrientation and
    // findingsGroundContrast; the period terms, which the sett's size
    // keeps, and the colour variation, which has no ground, count as they
    // are. Of one ground the largest colours of re-scans lie within 4, of
    // another ground 30 and more apart.
    // Searched on the tuning re-scans (vestiscop_bench rescans ground): 2399
    // of 2400 re-scans right at the acceptance distance of 11 instead of
    // 2396, no unknown garment more matched.
    double findingsGroundChange = 10;
    double findingsGroundOrientation = 0.25;
    double findingsGroundContrast = 0.25;
};

// The perceptual difference of two Lab colours (CIE94, graphic arts, with
// the mean chroma of the two so that it is symmetric).
double colourDifference(const MeasuredColour& p, const MeasuredColour& q);

// The colour part alone: shares paired closest first (both sides sum to 1),
// each pair's difference at most cap.
double colourDistance(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights);

// The mean |log ratio| of the two weaves' bands (each with weaveFloor
// added) after the blur difference (at most weaveBlur) that explains most of
// it is taken out.
double weaveDifference(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights);

// The texture and pattern parts alone.
double textureDistance(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights);

double signatureDistance(const GarmentSignature& p, const GarmentSignature& q, const DistanceWeights& weights);

} // namespace vestiscop::signature

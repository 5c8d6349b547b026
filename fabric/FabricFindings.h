// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the fabric analysis measured on one region, as plain numbers that a
// later step can store beside a garment (no pointers, no library types).
// Lengths are millimetres on the cloth, angles degrees in 0..180 measured
// from the region's x axis towards y (down).

#include <array>
#include <cstdint>
#include <vector>

#include "fabric/SpectrumBins.h"
#include "pattern/PatternKind.h"

namespace vestiscop::fabric {

// One colour as measured: the mean of the cloth's flat pixels of it in
// CIELAB (L 0..100) and its share of the region.
struct ClothColour {
    double l = 0;
    double a = 0;
    double b = 0;
    double share = 0;
    // A colour under the report threshold whose pixels form pieces of the
    // pattern (three or more of a fair size) on a patterned cloth: it is
    // told all the same, with its share.
    bool formsPattern = false;
};

// A direction along which the pattern repeats: the repeat's direction, its
// period and the fraction of the pattern's spectral power it carries.
struct Periodicity {
    double orientationDeg = 0;
    double periodMm = 0;
    double strength = 0;
};

// The inputs of the pattern rules, in this order (PatternRules.h).
enum Feature : int {
    SpectrumPeak = 0,     // power share of the strongest spectral peak
    SpectrumTopPeaks,     // power share of the eight strongest peaks
    SpectrumAxis1,        // power share within 7.5 degrees of the strongest direction
    SpectrumAxis2,        // the same for the strongest direction 30 degrees or more away
    EdgeAxis1,            // edge strength share within 7.5 degrees of the strongest edge direction
    EdgeAxis2,            // the same for the next direction 30 degrees or more away
    EdgeDensity,          // edge strength per area and contrast (mm^-1): fine patterns are high
    Contrast,             // 95th percentile of the colour difference from the ground (Delta E)
    ColourCount,          // colours of 3 % or more
    MinorityShare,        // share of the pixels not in the ground colour
    ComponentDensity,     // log(1 + minority components per 1000 mm^2)
    ComponentSizeSpread,  // coefficient of variation of the inner components' areas
    ComponentFill,        // mean area / area of the ellipse of equal moments
    ComponentAxisRatio,   // mean minor / major axis of the inner components
    SpanningShare,        // share of minority pixels in pieces crossing the region from edge to edge
    LayoutSpread,         // coefficient of variation of nearest-neighbour distances
    GroundPieces,         // log(1 + ground components per 1000 mm^2)
    LargestComponent,     // largest minority component / minority pixels
    CrossingFit,          // share of the colour variance that crossing bands (warp plus weft profiles) explain
    FeatureCount
};

struct FabricFindings {
    std::vector<ClothColour> colours;  // largest first, before naming
    // The colours as told where a plain cloth is woven of a dyed and an
    // undyed yarn: the dyed yarn's alone, over the whole cloth. Empty
    // otherwise, and unless asked for (FabricAnalysis::setDyedYarn).
    std::vector<ClothColour> dyedColours;
    int periodicityCount = 0;             // 0..2
    std::array<Periodicity, 2> periodicity{};
    // The minority colours' connected pieces that do not touch the region's edge.
    std::int32_t componentCount = 0;
    double componentSizeMm = 0;     // median equivalent diameter
    double componentSizeSpread = 0; // coefficient of variation of their areas
    double roundness = 0;           // mean minor / major axis
    double layoutSpread = 0;        // coefficient of variation of neighbour distances (0 = a lattice)
    std::array<double, FeatureCount> features{};
    pattern::PatternKind pattern = pattern::patternKind::None;
    // Told by the pattern forest only (FabricAnalysis::setForest): how sure
    // the pattern is (0..1), the likeliest other kind, and whether the
    // plain cloth is mottled, its colours one yarn mix to a person.
    bool forest = false;
    // The fitted tree's pattern (the pattern itself when the tree decides),
    // which a garment's signature keeps.
    pattern::PatternKind treePattern = pattern::patternKind::None;
    double patternConfidence = 1;
    bool hasAlternative = false;
    pattern::PatternKind alternative = pattern::patternKind::None;
    bool mottled = false;

    // The texture as a garment's signature compares it, from the same
    // spectrum as the repeats: how far each pixel lies from the ground
    // colour, at about 0.25 mm a pixel (periods from 0.5 mm up).
    // The spectrum's power in each bin (SpectrumBins.h, band *
    // OrientationBins + orientation) as shares of the whole; all 0 when
    // there is none.
    SpectrumHistogram spectrum{};
    // The root mean square of that distance's windowed deviations (Delta E).
    double spectrumContrast = 0;
    // Which way in Lab the colour varies: the covariance of the L, a and b
    // deviations (LL, aa, bb, La, Lb, ab) divided by its trace; all 0 for
    // one colour.
    std::array<double, 6> colourVariation{};
    // The pixels not of the ground colour: their share of the region and
    // the mean length of their runs along x and along y; 0 without them.
    double minorityRunShare = 0;
    double minorityRunXMm = 0;
    double minorityRunYMm = 0;
};

} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Garments for measuring the analysis: a fabric drawn in millimetres (plain,
// stripes, checks, dots, irregular motifs) and one scan of it, rendered at a
// given resolution with what a flatbed scanner adds: weave texture, an
// uneven light, optical blur, sensor noise and the small shift and turn of
// a garment laid on the glass again. Everything is drawn from a seed, so a
// corpus is the same on every machine and nothing of it needs storing.

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/Image.h"

namespace vestiscop::bench {

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};

// What the analysis should call the fabric; the value is the pattern code
// the analyser returns for it.
enum class Kind { Plain = 0, Stripes = 1, Check = 2, Dots = 3, Motif = 4 };

// One repeating band of a stripe or check sett.
struct Band {
    int colour = 0;        // index into Fabric::colours
    double widthMm = 0;
};

// An elliptic patch of a motif, in millimetres.
struct Blob {
    double x = 0;
    double y = 0;
    double rx = 0;
    double ry = 0;
    double angle = 0;  // radians
    int colour = 0;
};

// How yarn-dyed cloth is woven: which yarn shows at each thread crossing.
enum class Weave { Plain, Twill22, Twill31 };
// Whether the warp shows at the crossing of warp end column and weft pick
// row: every other crossing in a plain weave, two or three of every four
// along a diagonal in a 2/2 or warp-faced 3/1 twill.
bool warpShows(Weave weave, std::int64_t column, std::int64_t row);

// A fabric drawn by code of its own (the wardrobe kinds of
// WardrobeFabrics.cpp): the printed surface, or for yarn-dyed cloth the
// colours of the two yarns and which of them lies on top.
struct Surface {
    virtual ~Surface() = default;
    virtual Rgb colourAt(double x, double y) const = 0;
    // Yarn-dyed cloth: the warp (running along y) and weft yarn colours at
    // a point. Printed cloth has none and returns false.
    virtual bool yarns(double /*x*/, double /*y*/, Rgb& /*warp*/, Rgb& /*weft*/) const { return false; }
    // Whether the warp shows at a thread crossing: a plain weave unless the
    // cloth is a twill.
    virtual bool warpOnTop(std::int64_t column, std::int64_t row) const { return ((column + row) & 1) == 0; }
    // Brightness factor of the surface relief beyond the weave (knit loops).
    virtual double shade(double /*x*/, double /*y*/) const { return 1.0; }
};

struct Fabric {
    Kind kind = Kind::Plain;
    std::string family;              // e.g. "stripes-h 3mm" (a row of the report)
    std::vector<Rgb> colours;        // 0 is the ground
    // Stripes: the sett repeats along the direction at angle (radians;
    // 0 gives vertical stripes, pi/2 horizontal ones).
    double angle = 0;
    std::vector<Band> sett;
    // Checks: warp bands across x and weft bands across y; where two bands
    // cross the two yarn colours mix.
    std::vector<Band> weft;
    // Dots: diameter and centre spacing; alternate rows shifted by half.
    double dotMm = 0;
    double pitchMm = 0;
    bool halfDrop = false;
    // Motifs: patches laid on a square tile of tileMm that repeats.
    std::vector<Blob> blobs;
    double tileMm = 0;
    // Weave: thread spacing and relief (fraction of brightness).
    double threadMm = 0.3;
    double relief = 0.05;
    std::uint32_t yarnSeed = 1;
    // The wardrobe kinds: their own surface, a relief that only darkens
    // (whites lose up to `relief`, as the shadows between threads do), and
    // wrinkles, soft creases that shade the cloth by up to `wrinkle`.
    std::shared_ptr<const Surface> surface;
    bool reliefDarkens = false;
    double wrinkle = 0;
    std::uint32_t wrinkleSeed = 1;

    // The colour of the fabric surface at (x, y) mm, before weave and light.
    Rgb colourAt(double x, double y) const;
};

// How one scan of a fabric is taken.
struct Scan {
    double xDpi = 100;
    double yDpi = 100;
    int width = 512;       // pixels
    int height = 512;
    double shiftXMm = 0;   // where the garment lies on the glass
    double shiftYMm = 0;
    double turn = 0;       // radians
    double lightSlope = 0; // brightness change from one edge of the region to the other
    double lightAngle = 0; // direction of that change
    double blurPx = 0.6;   // optical blur, sigma in pixels
    double noise = 3;      // sensor noise, sigma in 8-bit levels
    std::uint32_t seed = 1;
};

// A fresh scan, independent of Scan::seed only in its noise.
Scan randomScan(std::mt19937& random, double xDpi, double yDpi, int width, int height);
// The same with the garment laid down anywhere within maxShiftMm of the
// centre in each direction and turned by up to maxTurnDegrees.
Scan randomScan(std::mt19937& random, double xDpi, double yDpi, int width, int height, double maxShiftMm,
                double maxTurnDegrees);

// Renders the scan: 2 x 2 samples per pixel, weave relief, light, blur, noise.
std::unique_ptr<imaging::RgbImage> render(const Fabric& fabric, const Scan& scan);

// sRGB bytes of a colour given as 0xRRGGBB.
Rgb rgbOf(std::uint32_t hex);

// n colours of the garment palette that differ pairwise by at least 30 in
// Lab, and that distance, for the wardrobe kinds.
std::vector<Rgb> pickGarmentColours(std::mt19937& random, int n);
double labDistanceOf(const Rgb& p, const Rgb& q);

// Random fabrics of each family, drawn from the seed. The palette is a set
// of typical garment colours; two colours of one fabric differ clearly.
struct FabricFamily {
    std::string name;
    Kind kind;
};
const std::vector<FabricFamily>& fabricFamilies();
Fabric makeFabric(const std::string& family, std::uint32_t seed);

// The fabrics people wear beyond the families above (houndstooth, tartan
// in twill, florals, animal prints, heather, denim, ...): the pattern
// corpus measures fabricFamilies() followed by these.
const std::vector<FabricFamily>& wardrobeFamilies();
std::vector<FabricFamily> patternFamilies();
// Throws std::invalid_argument for a name that is not a wardrobe family.
Fabric makeWardrobeFabric(const std::string& family, std::uint32_t seed);

// Plain cloth a person names by its dyed yarn (denim, chambray, oxford,
// end-on-end, navy suiting, beige gabardine, khaki chino): colour 0 is the
// colour named. Not in the pattern corpus. Throws std::invalid_argument
// for a name that is not one of them.
const std::vector<FabricFamily>& wovenColourFamilies();
Fabric makeWovenColourFabric(const std::string& family, std::uint32_t seed);

} // namespace vestiscop::bench

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the catalogue remembers of one scan of a garment besides its 96-byte
// record: the measured colours with their shares (not the names' table
// entries, so a colour on the border between two names is still itself) and
// the texture, as the pattern kind and a spectrum of the region's Lab
// contrast by orientation and period in millimetres. A re-scan of a garment
// that lies elsewhere on the glass or is turned a little has the same
// spectrum, so the texture tells apart garments whose colours agree.
// With the standard analysis the texture and the pattern's parts are
// measured here on its channels and mask; with the improved analysis they
// are its findings, measured once by the analysis itself (findingsTexture).
//
// Lab values are CIE L*a*b* in the byte Lab of the analysis (L 0..100,
// a and b -128..127), kept as doubles.

#include <array>
#include <cstdint>
#include <future>

#include "analysis/ScanResult.h"
#include "fabric/FabricFindings.h"
#include "fabric/SpectrumBins.h"
#include "foundation/Settings.h"
#include "imaging/Image.h"

namespace vestiscop::signature {

// The largest colours kept; a garment with more keeps its largest, their
// shares scaled to sum to 1.
inline constexpr int MaxColours = 8;
// Spectrum bins (fabric/SpectrumBins.h): orientations of 15 degrees by
// period bands of one octave each, from 0.25 mm up.
inline constexpr int OrientationBins = fabric::OrientationBins;
inline constexpr int PeriodBands = fabric::PeriodBands;
inline constexpr int TextureBins = fabric::SpectrumBins;
inline constexpr double ShortestPeriodMm = fabric::ShortestPeriodMm;
// The weave: half-octave bands of the unsmoothed region's brightness
// spectrum, from 0.25 mm to 2 mm.
inline constexpr int WeaveBands = 6;
// What the improved analysis measured of the pattern's layout (the numbers
// of fabric::FabricFindings that do not depend on where the garment lies).
inline constexpr int LayoutValues = 10;

struct MeasuredColour {
    double l = 0;
    double a = 0;
    double b = 0;
    double share = 0;
};

struct GarmentSignature {
    int colourCount = 0;  // 0 for a scan that could not be analysed
    std::array<MeasuredColour, MaxColours> colours{};  // largest share first
    int pattern = 0;      // the PatternKind the analysis reported
    // Root mean square of the windowed Lab deviations within the period
    // bands, in Lab units: near 0 for a plain fabric, tens for bold stripes.
    double contrast = 0;
    // Share of that contrast's energy in each bin (band * OrientationBins +
    // orientation); the bins sum to 1, or are all 0 when there is none.
    std::array<double, TextureBins> texture{};
    // Which way in Lab the region's colour varies: the covariance of the
    // windowed L, a and b deviations (LL, aa, bb, La, Lb, ab) divided by
    // its trace, all 0 for a uniform region. Pale dots on navy vary in L,
    // red stripes on green in a; it needs no clustering, so a thin stripe
    // the clusters lost is still there.
    std::array<double, 6> colourVariation{};
    // The pattern's parts (every pixel not of the dominant colour): their
    // share of the region and their mean extent in millimetres along x and
    // along y (pixels per run of such pixels in a row or a column), the
    // size of a dot or the width of a stripe; 0 without such pixels.
    double minorityShare = 0;
    double minorityRunX = 0;
    double minorityRunY = 0;

    // Kept from the second version of the signature file on; a signature
    // read from a first-version file has neither (hasWeave false), and
    // the terms that need them are left out of its comparisons.
    bool hasWeave = false;
    // The weave: the unsmoothed region's brightness relative to its mean,
    // the energy of each band (WeaveBands) per unit of area. Threads of
    // another thickness or relief put their energy into other bands.
    std::array<double, WeaveBands> weave{};
    // The improved analysis's findings of the pattern's layout, 0 when it
    // did not run (hasLayout false): see layoutOf() for the order.
    bool hasLayout = false;
    std::array<double, LayoutValues> layout{};

    // Kept from the third version of the signature file on. True when the
    // texture, contrast, colour variation and minority above are the
    // improved analysis's findings (its spectrum of how far each pixel lies
    // from the ground colour at about 0.25 mm a pixel, its own colours),
    // false when they were measured on the standard analysis's channels
    // and mask. The two are measured differently: a comparison of a
    // signature of one kind with one of the other leaves those terms out.
    bool findingsTexture = false;
};

// The texture part from an image in the analysis channels (byte 0 = L times
// lumaScale, byte 1 = b + 128, byte 2 = a + 128) with pixels of the given
// size in millimetres. Uses the largest centred square of a power of two
// side, 16 to 512 pixels; a smaller image gives no texture (contrast 0).
void measureTexture(const imaging::RgbImage& analysisChannels, double lumaScale, double mmPerPixelX,
                    double mmPerPixelY, GarmentSignature& signature);

// The weave part from the analysed region as scanned (sRGB, unsmoothed):
// the top-left width x height pixels of the image, of which the largest
// centred square of a power of two side, 16 to 512 pixels, is used.
void measureWeave(const imaging::RgbImage& image, int width, int height, double mmPerPixelX, double mmPerPixelY,
                  GarmentSignature& signature);

// The pattern parts' share and extent from the analysis's mask (1 = not the
// dominant colour).
void measureMinority(const imaging::ByteImage& mask, double mmPerPixelX, double mmPerPixelY,
                     GarmentSignature& signature);

// The colour part from the analysis's colours (largest share first).
void measureColours(const std::vector<color::ColorCluster>& colours, GarmentSignature& signature);

// The layout values of the improved analysis's findings: the pieces'
// median size (log 1 + mm), roundness, layout spread and size spread, their
// density, the edge density (log 1 + x), the colour contrast (log 1 + Delta
// E), the share of the pattern's colours, and the strongest repeat's period
// (log 1 + mm) and strength (both 0 without one).
std::array<double, LayoutValues> layoutOf(const fabric::FabricFindings& findings);

// Makes, on a thread of its own, the frequency table (FrequencyTable) that
// the signatures of regions of this size at this resolution look their
// spectra's bins up in, so that the first scan's signature need not wait
// for it: started when a program opens its catalogue, it is made while the
// first picture is read. What is measured does not change. The future is
// ready when the table is (at once when there is none to make).
std::future<void> prepare(int regionWidth, int regionHeight, const foundation::ScanSettings& scanSettings);

// The texture, contrast, colour variation and minority of the improved
// analysis's findings (findingsTexture true).
void takeFindingsTexture(const fabric::FabricFindings& findings, GarmentSignature& signature);

// The weave of a scan's region (measureWeave, at the configured scan
// resolution), measured on a thread of its own from the moment the scan is
// at hand, while the analysis of the same scan runs on the caller's: the
// weave does not depend on the analysis, and at a large region it is a good
// part of a signature's time. The image must stay as it is until the
// object is gone; the destructor waits for the thread. Without a thread to
// be had, or without a resolution, nothing is measured ahead.
class WeaveAhead {
public:
    WeaveAhead(const imaging::RgbImage& image, int width, int height, const foundation::ScanSettings& scanSettings);
    ~WeaveAhead();
    WeaveAhead(const WeaveAhead&) = delete;
    WeaveAhead& operator=(const WeaveAhead&) = delete;

    // Puts the weave into signature, once it is measured, when it is of
    // this image and region; false (signature untouched) otherwise.
    bool takeInto(const imaging::RgbImage* image, int width, int height, GarmentSignature& signature);

private:
    const imaging::RgbImage* m_image;
    int m_width;
    int m_height;
    GarmentSignature m_measured;
    std::future<void> m_done;
};

// The signature of an analysis's result, at the configured scan
// resolution: its colours and pattern and the weave of its region (taken
// from ahead when that measured it of the result's image and region); with
// the improved analysis's findings their texture, minority and layout,
// else (the standard analysis) the texture of its channels and the
// minority of its mask, measured here.
GarmentSignature describe(const analysis::ScanResult& result, const foundation::ColorSettings& colorSettings,
                          const foundation::ScanSettings& scanSettings, WeaveAhead* ahead = nullptr);

} // namespace vestiscop::signature

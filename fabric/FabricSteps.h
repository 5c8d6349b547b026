// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The steps of the fabric analysis, for its own sources and tests.

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

#include "fabric/FabricFindings.h"
#include "imaging/Image.h"

namespace vestiscop::fabric {

// The region's pixels (CV_8UC3, blue-green-red) as a matrix, reduced by
// averaging to at most MaxSamples pixels; factor is how many region pixels
// one of them spans along each axis.
constexpr int MaxSamples = 512 * 512;
cv::Mat regionSamples(const imaging::RgbImage& region, int& factor);
// The factor regionSamples takes for a region of w x h pixels.
int samplingFactorOf(int w, int h);

// The pixels in CIELAB (L 0..100, a and b as such), CV_32FC3, smoothed with
// a Gaussian of sigmaPx so that the weave and the scanner's noise even out.
cv::Mat smoothedLab(const cv::Mat& bgr, double sigmaPx);

// A Lab picture (CV_32FC3) at half its width and height, each pixel the
// mean of its 2 x 2 block: the values of OpenCV's area reduction at that
// factor, made without its general machinery where both sides are even.
cv::Mat halvedLab(const cv::Mat& lab);

struct ColourClusters {
    std::vector<cv::Vec3d> centres;  // measured means, largest share first
    std::vector<double> shares;
    cv::Mat labels;                  // CV_8U, the nearest centre of every pixel
    // The Lab picture at half its width and height (halvedLab) on which the
    // small colours were looked for; empty when the picture was too small
    // to halve. The pattern's measures work on the same copy.
    cv::Mat halved;
    // The dyed yarn's colour of a cloth of one colour woven of a dyed and a
    // lighter, less coloured yarn (denim, chambray, oxford): the colour a
    // person names. Empty where it was not asked for or not found.
    std::vector<cv::Vec3d> yarn;
};

// The colours of the cloth: modes of the flat pixels (those whose
// neighbourhood has one colour), so the mixtures along the edges between
// two colours do not form colours of their own, and small but distinct
// colours (dots) are kept. Every pixel is then given its nearest colour.
ColourClusters clusterColours(const cv::Mat& lab);

// The colours as the cloth has them: each colour's mean over the quarter
// of its inner pixels as scanned (bgr, not smoothed) that lie farthest
// from the other colours, so that the yarns of another colour showing
// through do not blend in; on a cloth of one colour, over its lighter
// quarter, so that the shadows of the weave do not turn white into grey.
// With dyedYarn, a cloth of one colour whose most coloured quarter is
// darker and clearly more coloured than its lighter quarter shows a dyed
// and an undyed yarn: that quarter's mean goes to clusters.yarn.
void measureColours(const cv::Mat& bgr, ColourClusters& clusters, bool dyedYarn = false);

// The colours a plain cloth is told by when its colours are one dyed yarn
// and lighter, less coloured undyed ones (the ecru weft of denim, the
// white weft of chambray, told apart by the scan): the dyed yarn's colour
// alone, over the whole cloth, as a person names it. Empty when the
// colours are not so.
std::vector<ClothColour> dyedYarnOfPlain(const std::vector<ClothColour>& colours);

// For every colour under maxShare of the region, whether it forms three or
// more pieces of at least 0.15 mm^2 (after an opening of one pixel): a
// colour of dots or spots, not a shade along edges. The ground (colour 0)
// and larger colours are not looked at (false).
std::vector<bool> formsPieces(const ColourClusters& clusters, double mmPerPx, double maxShare = 1.0);

// The analysis channels' bytes of count Lab samples (L, a, b floats, one
// after the other), into out (3 bytes each): the lightness rounded to the
// nearest whole number (halves away from zero) and held to 0..100, the
// index of its scaled byte; b + 128 and a + 128 rounded alike and held to
// 0..255.
void channelBytes(const float* lab, std::size_t count, std::uint8_t* out);

// Periodicity, edge directions and the minority colours' pieces; fills
// everything of findings but the colours and the pattern.
// preparePattern makes ahead what measurePattern keeps from one picture of
// w x h pixels to the next of that size.
void preparePattern(int w, int h, double mmPerPx);
void measurePattern(const cv::Mat& lab, const ColourClusters& clusters, double mmPerPx, FabricFindings& findings);

} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The improved analysis of a garment's region, used in place of the
// standard one's answers when the configuration asks for it
// ([Texture] Analysis = improved). It measures the colours on the flat
// parts of the cloth, so that yarn-dyed stripes keep both their colours and
// small dots keep theirs, names each with the colour table, and decides
// the pattern from periodicity, edge directions and the shapes of the
// minority colours (PatternRules.h). Deterministic; no Qt.
//
// Not thread-safe; one object serves one analyser.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "color/ColorCluster.h"
#include "color/ColorNameTable.h"
#include "fabric/FabricFindings.h"
#include "imaging/Image.h"

namespace vestiscop::fabric {

class FabricAnalysis {
public:
    // The table must outlive the object; the resolution is the scan's, in
    // dots per inch (both positive). Colours under reportThr (the report
    // threshold) are told only when they form the pattern's pieces, so only
    // those are looked at for it.
    FabricAnalysis(const color::ColorNameTable& names, double xDpi, double yDpi, double reportThr = 1.0);

    // Whether the pattern forest decides the pattern (PatternForest.h)
    // instead of the fitted tree; off at first.
    void setForest(bool forest) { m_forest = forest; }
    // Whether a cloth woven of a dyed and an undyed yarn is told by its
    // dyed yarn (findings().dyedColours) rather than by the mean of what
    // shows; off at first.
    void setDyedYarn(bool dyedYarn) { m_dyedYarn = dyedYarn; }

    // Makes ahead what the analysis keeps from one region to the next of
    // the same size (the spectrum's tables), so that the first measure of
    // a region of width x height pixels does not wait for it.
    void prepare(int width, int height) const;

    // Measures a region without naming: the findings, pattern included, and
    // the colour of every sample (labels()). Failures of the image library
    // propagate as its own exceptions, allocation as std::bad_alloc.
    void measure(const imaging::RgbImage& region);
    // The same, telling a region the image library cannot take by false and
    // its words in why (findings and labels are then not to be used).
    bool tryMeasure(const imaging::RgbImage& region, std::string& why);

    // The measured colours of the last measure() as named colours of a
    // region of the given pixel count, largest share first: colours of one
    // name are told together. spokenOf[k] is the index in colors of the
    // measured colour k (findings().colours[k]).
    void name(std::int64_t regionPixels, std::vector<color::ColorCluster>& colors,
              std::vector<std::uint8_t>& spokenOf) const;
    // The measured colours one by one, as measured: a mottled cloth's
    // colours without their mix, a two-yarn cloth's without its dyed yarn.
    void nameSeparately(std::int64_t regionPixels, std::vector<color::ColorCluster>& colors,
                        std::vector<std::uint8_t>& spokenOf) const;
    // Whether name() tells other colours than nameSeparately() does.
    bool toldDifferently() const { return m_findings.mottled || !m_findings.dyedColours.empty(); }

    // What the last analysis found.
    // (A mottled cloth, findings().mottled, is named as one colour: the
    // mix of its measured colours.)
    const FabricFindings& findings() const { return m_findings; }

    // The measured colour (index into findings().colours) of every sample
    // of the last measure(): the region reduced by samplingFactor() along
    // each axis (1 = every pixel), so sample (x, y) covers the region's
    // pixels x * factor .. x * factor + factor - 1 (likewise y).
    const imaging::ByteImage* labels() const { return m_labels.get(); }
    int samplingFactor() const { return m_factor; }

    // The region of the last measure() in the analysis channels (byte 0 =
    // L times lumaScale, byte 1 = b + 128, byte 2 = a + 128) from the
    // smoothed Lab the analysis measured, each sample over the region's
    // pixels it covers (those past the samples' span take the last); for
    // the view of the colours' spread. channels has the region's size.
    void drawChannels(double lumaScale, imaging::RgbImage& channels) const;
    // The smoothed samples of the last measure() in CIELAB (CV_32FC3).
    const cv::Mat& lab() const { return m_lab; }

private:
    void nameMottled(const std::vector<ClothColour>& colours, std::int64_t regionPixels,
                     std::vector<color::ColorCluster>& colors) const;
    void nameEach(const std::vector<ClothColour>& colours, std::int64_t regionPixels,
                  std::vector<color::ColorCluster>& colors, std::vector<std::uint8_t>& spokenOf) const;

    const color::ColorNameTable& m_names;
    double m_mmPerPx;
    double m_reportThr;
    FabricFindings m_findings;
    cv::Mat m_lab;  // the smoothed samples in CIELAB, CV_32FC3
    std::unique_ptr<imaging::ByteImage> m_labels;
    int m_factor = 1;
    bool m_forest = false;
    bool m_dyedYarn = false;
};

} // namespace vestiscop::fabric

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns one scanned image into everything the user is told about the
// garment: the named colours with their shares (largest first), the pattern
// kind and the ColorAnalysis record that the catalogue stores and matching
// compares.
//
// analyze() crops the image to the configured Width x Height region at its
// top-left corner, smooths it when Filter > 0, converts every pixel to byte
// Lab with the lightness scaled by LumaScale, clusters the colours, names
// each cluster by the nearest colour table entry, merges clusters of one
// name, orders them by share, marks the non-dominant pixels and classifies
// the pattern of the non-dominant clusters.
//
// Ownership: the analyser keeps the settings and the name table by
// reference (they must outlive it) and owns the image of its last analysis,
// which the picture view shows. It runs on the caller's thread and is not
// thread-safe. Work buffers persist and are reallocated only when the
// region's pixel count changes. The smoothed rows go straight into the Lab
// conversion as the filter delivers them, so no smoothed copy of the region
// is kept.

#include <cstdint>
#include <memory>
#include <vector>

#include "color/AnalysisViews.h"
#include "color/ColorAnalysis.h"
#include "color/ColorCluster.h"
#include "color/ColorClusterer.h"
#include "color/ColorNameTable.h"
#include "color/LabConverter.h"
#include "foundation/Settings.h"
#include "imaging/Image.h"
#include "pattern/PatternKind.h"

namespace vestiscop::color {

class ColorAnalyzer {
public:
    // The settings must have passed validateColorSettings and
    // validateTextureSettings.
    ColorAnalyzer(const foundation::ColorSettings& colorSettings, const foundation::TextureSettings& textureSettings,
                  const ColorNameTable& names);
    ~ColorAnalyzer();
    ColorAnalyzer(const ColorAnalyzer&) = delete;
    ColorAnalyzer& operator=(const ColorAnalyzer&) = delete;

    // Whether analyze() classifies the pattern (the default). An analysis
    // that decides the pattern otherwise and reads only the channels, the
    // clusters and the mask leaves it out; pattern() is then None until
    // classifyPattern() is called after a successful analysis.
    void setPatternWanted(bool wanted) { m_patternWanted = wanted; }
    void classifyPattern();

    // Analyses the image and takes it over.
    // - VisionError 0: the image is narrower than Width or lower than Height.
    //   Nothing changes, and the image stays with the caller (image is not
    //   moved from).
    // - VisionError 1: no usable colour clusters (more than MaxBins, or none
    //   large enough). The image has been taken over and the previous one
    //   released; colors(), pattern() and analysis() still hold the previous
    //   results, and renderViews() yields nothing until the next success.
    // Allocation failures propagate as SystemError 0.
    void analyze(std::unique_ptr<imaging::RgbImage>&& image);

    // The named colours, largest share first.
    const std::vector<ColorCluster>& colors() const { return m_colors; }
    pattern::PatternKind pattern() const { return m_pattern; }
    // Two or more colours: A = the second largest with its share, B = the
    // largest with share 0. One colour: that colour in A (with its share)
    // and in B (share 0). The name bytes are never touched here.
    const ColorAnalysis& analysis() const { return m_analysis; }

    // The pictures of the last successful analysis; all slots empty before
    // the first one and after a failure that took over a new image.
    AnalysisViews renderViews() const;

    // The image of the last analysis that took one over (also when that
    // analysis then failed), or null before the first: what a saved scan stores.
    const imaging::RgbImage* image() const { return m_image.get(); }

    int regionWidth() const { return m_regionWidth; }
    int regionHeight() const { return m_regionHeight; }

    // Intermediate results of the last analysis, for the views and tests.
    const imaging::RgbImage* labImage() const { return m_labImage.get(); }
    const imaging::ByteImage* mask() const { return m_mask.get(); }
    const ColorClusterer& clusterer() const { return m_clusterer; }
    const std::vector<LabPixel>& clusterLab() const { return m_clusterLab; }
    const std::vector<int>& clusterMap() const { return m_clusterMap; }

private:
    void convertRow(LabConverter& converter, const std::uint8_t* rgb, int y);
    void nameClusters();
    void mergeByName();
    void orderByShare();
    void buildMask();
    void fillRecord();

    const foundation::ColorSettings& m_colorSettings;
    const ColorNameTable& m_names;
    int m_regionWidth;
    int m_regionHeight;

    std::unique_ptr<imaging::RgbImage> m_image;
    std::unique_ptr<imaging::RgbImage> m_region;  // window onto m_image
    std::unique_ptr<imaging::RgbImage> m_labImage;
    std::unique_ptr<imaging::ByteImage> m_mask;

    ColorClusterer m_clusterer;
    std::vector<std::unique_ptr<LabConverter>> m_labConverters;  // one per band of rows
    std::array<std::uint8_t, 256> m_scaledL{};  // byte Lab L -> analysis channel byte 0

    std::vector<LabPixel> m_clusterLab;
    std::vector<int> m_clusterMap;
    std::vector<ColorCluster> m_colors;
    pattern::PatternKind m_pattern = pattern::patternKind::None;
    ColorAnalysis m_analysis;
    bool m_hasViews = false;
    bool m_patternWanted = true;
};

// Fills the catalogue's record from named colours (largest share first, at
// least one) as ColorAnalyzer::analysis() describes; the name bytes are
// left as they are.
void fillRecord(const std::vector<ColorCluster>& colors, ColorAnalysis& record);

} // namespace vestiscop::color

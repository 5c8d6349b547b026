// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs that fuzzing found to break a reader of outside data, each pinned
// down with the behaviour it must have now. The inputs themselves are also
// kept in fuzz/corpus/<target>/ so that every fuzz run starts from them.

#include <gtest/gtest.h>

#include <memory>

#include "FabricImages.h"
#include "color/ColorAnalyzer.h"
#include "color/ColorNameTable.h"
#include "color/GaussianFilter.h"
#include "foundation/Exception.h"
#include "foundation/Settings.h"
#include "support/TestSettings.h"
#include "imaging/Image.h"

namespace vestiscop {
namespace {

// A LumaScale that passes the start-up check (finite, above 0) but is so
// large that L x LumaScale overflows to infinity: converting the resulting
// NaN byte was undefined. Doubles that large are multiples of 256, so the
// scaled lightness byte of every pixel is 0, white included.
TEST(AnalyzerRegression, HugeLumaScaleGivesLightnessByteZero)
{
    foundation::ColorSettings color = testsupport::testColorSettings();
    color.lumaScale = 1e308;
    color.clusterThr = 0.01;
    const foundation::TextureSettings texture{8, 8};
    const color::ColorNameTable names({{{100, 0, 0}, "bílá"}, {{0, 0, 0}, "černá"}});
    color::ColorAnalyzer analyzer(color, texture, names);

    try {
        analyzer.analyze(color::test::solid({255, 255, 255}, 8, 8));
    } catch (const foundation::VisionError& error) {
        EXPECT_EQ(error.code(), 1);
    }
    ASSERT_NE(analyzer.labImage(), nullptr);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(analyzer.labImage()->pixel(x, y)[0], 0) << x << "," << y;
    }
    for (const color::LabPixel& centre : analyzer.clusterLab())
        EXPECT_EQ(centre.l, 0);
}

// Filter values far from 1 pass the start-up check (they are finite) but
// made the kernel weights 0/0 or inf/inf, whose conversion to an integer is
// undefined. The kernel is now the limit of the formula: a tiny sigma keeps
// each pixel as it is, a huge one averages the nine taps evenly (65536 / 9).
TEST(AnalyzerRegression, ExtremeFilterSigmaGivesTheLimitKernel)
{
    using Kernel = color::GaussianKernel;
    EXPECT_EQ(color::gaussianKernel(1e-200), (Kernel{65536, 0, 0, 0, 0}));
    EXPECT_EQ(color::gaussianKernel(4.9e-324), (Kernel{65536, 0, 0, 0, 0}));
    EXPECT_EQ(color::gaussianKernel(1e308), (Kernel{7282, 7282, 7282, 7282, 7282}));
    // Ordinary sigmas keep their kernels: weights that sum to 65536 give or
    // take the rounding of the nine taps.
    for (double sigma : {0.5, 1.0, 2.0, 100.0}) {
        const Kernel kernel = color::gaussianKernel(sigma);
        const int total = kernel[0] + 2 * (kernel[1] + kernel[2] + kernel[3] + kernel[4]);
        EXPECT_NEAR(total, 65536, 5) << sigma;
        EXPECT_GE(kernel[0], kernel[4]) << sigma;
    }
}

} // namespace
} // namespace vestiscop

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Colour conversions between the scanner's 8-bit RGB pixels and the compact
// byte L*a*b* in which all colour work (clustering, naming, matching) happens.
//
// The constants and the rounding are fixed: every stored catalogue record and
// every colour name chosen depends on the exact bytes these functions return.
// The reference white is the equal-energy white X = Y = Z = 1; the forward
// matrix's Y row sums to 0.999394, so pure white maps to (1, 0.999394, 1).
// All functions are pure, thread-safe, allocate nothing and never fail.

#include <cstdint>

#include "color/LabPixel.h"

namespace vestiscop::color {

// One pixel of an RgbImage, in memory order.
struct RgbPixel {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;

    friend bool operator==(const RgbPixel&, const RgbPixel&) = default;
};
static_assert(sizeof(RgbPixel) == 3);

struct XyzColor {
    double x = 0;
    double y = 0;
    double z = 0;
};

// The gamma the analysis linearises scanner pixels with and the views encode
// cluster colours with. The [Scan] Gamma setting goes to the scanner only.
inline constexpr double AnalysisGamma = 2.2;

// The forward matrix on linearised channel values (0..1).
XyzColor linearRgbToXyz(double red, double green, double blue);

// Linearises each channel as pow(byte / 255, gamma) and applies the forward matrix.
XyzColor rgbToXyz(RgbPixel pixel, double gamma);

// L*a*b* against the white (1, 1, 1); each component is rounded half up and
// clamped to -128..127 (L is then read unsigned, a and b signed).
LabPixel xyzToLab(const XyzColor& xyz);

// How xyzToLab stores one of L, a, b: below -128 gives -128, above 127 gives
// 127, otherwise floor(value + 0.5); the byte is that integer's low byte.
std::uint8_t labComponentToByte(double value);

// The inverse of xyzToLab before rounding; L read unsigned, a and b signed.
XyzColor labToXyz(LabPixel lab);

// The inverse matrix (accurate to six digits only), each channel through gammaEncode.
RgbPixel xyzToRgb(const XyzColor& xyz, double gamma);

// One linear channel value to a byte: negative gives 0, above 1 after the
// power 1/gamma gives 255, otherwise rounded half up.
std::uint8_t gammaEncode(double value, double gamma);

// rgbToXyz then xyzToLab.
LabPixel rgbToLab(RgbPixel pixel, double gamma);

} // namespace vestiscop::color

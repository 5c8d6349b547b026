// SPDX-License-Identifier: GPL-3.0-or-later
#include "color/ColorConversion.h"

#include <cmath>

namespace vestiscop::color {

namespace {

// Cube root above the linear toe; 0.3333333333333333 rather than cbrt, because
// the two differ in the last bits and the bytes must stay the same forever.
double labF(double t)
{
    if (t > 0.008856)
        return std::pow(t, 0.3333333333333333);
    return 7.787 * t + 0.13793103448275862;
}

double labFInverse(double f)
{
    if (f > 0.2068927064827586)
        return f * f * f;
    return (f - 0.13793103448275862) * 0.1284191601386927;
}

} // namespace

std::uint8_t labComponentToByte(double v)
{
    int value;
    if (v < -128)
        value = -128;
    else if (v > 127)
        value = 127;
    else
        value = static_cast<int>(std::floor(v + 0.5));
    return static_cast<std::uint8_t>(value);
}

XyzColor rgbToXyz(RgbPixel pixel, double gamma)
{
    const double r = std::pow(pixel.red * 0.00392156862745098, gamma);
    const double g = std::pow(pixel.green * 0.00392156862745098, gamma);
    const double b = std::pow(pixel.blue * 0.00392156862745098, gamma);
    return linearRgbToXyz(r, g, b);
}

XyzColor linearRgbToXyz(double r, double g, double b)
{
    XyzColor xyz;
    xyz.x = 0.488718 * r + 0.31068 * g + 0.200602 * b;
    xyz.y = 0.176204 * r + 0.812985 * g + 0.010205 * b;
    xyz.z = 0.0 * r + 0.010205 * g + 0.989795 * b;
    return xyz;
}

LabPixel xyzToLab(const XyzColor& xyz)
{
    const double fx = labF(xyz.x);
    const double fy = labF(xyz.y);
    const double fz = labF(xyz.z);
    const double l = 116 * fy - 16;
    const double a = 500 * (fx - fy);
    const double b = 200 * (fy - fz);
    return LabPixel{labComponentToByte(l), static_cast<std::int8_t>(labComponentToByte(a)),
                    static_cast<std::int8_t>(labComponentToByte(b))};
}

XyzColor labToXyz(LabPixel lab)
{
    const double fy = (lab.l + 16) * 0.008620689655172414;
    const double fx = fy + lab.a * 0.002;
    const double fz = fy - lab.b * 0.005;
    return XyzColor{labFInverse(fx), labFInverse(fy), labFInverse(fz)};
}

RgbPixel xyzToRgb(const XyzColor& xyz, double gamma)
{
    const double r = 2.37067 * xyz.x - 0.90004 * xyz.y - 0.470634 * xyz.z;
    const double g = -0.513885 * xyz.x + 1.4253 * xyz.y + 0.088581 * xyz.z;
    const double b = 0.005298 * xyz.x - 0.014695 * xyz.y + 1.0094 * xyz.z;
    return RgbPixel{gammaEncode(b, gamma), gammaEncode(g, gamma), gammaEncode(r, gamma)};
}

std::uint8_t gammaEncode(double value, double gamma)
{
    if (value < 0)
        return 0;
    const double e = std::pow(value, 1.0 / gamma);
    if (e > 1)
        return 255;
    return static_cast<std::uint8_t>(std::floor(e * 255 + 0.5));
}

LabPixel rgbToLab(RgbPixel pixel, double gamma)
{
    return xyzToLab(rgbToXyz(pixel, gamma));
}

} // namespace vestiscop::color

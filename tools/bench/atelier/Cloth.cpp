// SPDX-License-Identifier: GPL-3.0-or-later
#include "Cloth.h"

#include <algorithm>
#include <cmath>

namespace vestiscop::bench::atelier {

namespace {
constexpr double kTwoPi = 6.283185307179586;

std::int64_t floorInt(double x) { return static_cast<std::int64_t>(std::floor(x)); }

// Picks a fibre for a point of a heather yarn: the dyes cluster in runs along
// the yarn, and the mix drifts a little from one stretch of yarn to the next,
// which is what makes a marl look mottled rather than flat.
Lin heatherFibre(const Heather& h, std::uint64_t key, std::int64_t thread, double across, double along)
{
    const auto bucket = floorInt(across * 4.0);
    const double run = 0.35 + 0.9 * hash01(key, thread, bucket, 7);
    const auto segment = floorInt(along / run + 3.0 * hash01(key, thread, bucket, 8));
    double t = hash01(key, thread, bucket, segment);
    t += 0.12 * valueNoise(key ^ 0x7a11ULL, along / 9.0, static_cast<double>(thread) * 0.37);
    return h.pick(std::clamp(t, 0.0, 0.999999));
}
} // namespace

double srgbToLinear(double v255)
{
    const double v = v255 / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double linearToSrgb(double linear)
{
    const double v = std::max(0.0, linear);
    const double s = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return 255.0 * s;
}

Lin fromSrgb(double r, double g, double b) { return {srgbToLinear(r), srgbToLinear(g), srgbToLinear(b)}; }

Lin fromHsv(double hueDeg, double sat, double val)
{
    const double h = std::fmod(std::fmod(hueDeg, 360.0) + 360.0, 360.0) / 60.0;
    const double c = val * sat;
    const double x = c * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
    double r = 0, g = 0, b = 0;
    if (h < 1) { r = c; g = x; }
    else if (h < 2) { r = x; g = c; }
    else if (h < 3) { g = c; b = x; }
    else if (h < 4) { g = x; b = c; }
    else if (h < 5) { r = x; b = c; }
    else { r = c; b = x; }
    const double m = val - c;
    return fromSrgb(255.0 * (r + m), 255.0 * (g + m), 255.0 * (b + m));
}

Lin Heather::pick(double t) const
{
    double acc = 0.0;
    for (std::size_t k = 0; k < fibres.size(); ++k) {
        acc += weights[k];
        if (t < acc) return fibres[k];
    }
    return fibres.back();
}

double Sett::period() const
{
    double p = 0.0;
    for (double w : widths) p += w;
    return p;
}

int Sett::at(double x) const
{
    const double p = period();
    const double span = mirrored ? 2.0 * p : p;
    double t = std::fmod(x + offset, span);
    if (t < 0) t += span;
    if (t >= p) t = span - t;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        if (t < widths[k]) return labels[k];
        t -= widths[k];
    }
    return labels.back();
}

Sample Woven::operator()(double u, double v) const
{
    const WeaveSpec& s = spec;
    // Threads never lie perfectly straight: a slow wander of a fraction of a pitch.
    const double uu = u + 0.18 * s.warpPitch * valueNoise(key ^ 0x11ULL, v * 0.6, u * 0.04);
    const double vv = v + 0.18 * s.weftPitch * valueNoise(key ^ 0x12ULL, u * 0.6, v * 0.04);
    const double xi = uu / s.warpPitch, yj = vv / s.weftPitch;
    const auto i = floorInt(xi), j = floorInt(yj);
    const double fx = xi - static_cast<double>(i), fy = yj - static_cast<double>(j);
    const auto m = ((i + s.step * j) % s.repeat + s.repeat) % s.repeat;
    const bool warpUp = m < s.up;

    const Yarn y = warpUp ? warp(static_cast<int>(i)) : weft(static_cast<int>(j));
    const std::int64_t thread = warpUp ? i : j;
    const double across = warpUp ? fx : fy;
    const double alongCell = warpUp ? fy : fx;
    const double along = warpUp ? v : u;
    const double pitch = warpUp ? s.warpPitch : s.weftPitch;
    const std::uint64_t side = warpUp ? 1 : 2;

    double width = 1.0;  // a slub is a thicker, brighter stretch of yarn
    double shade = 1.0;
    if (s.slub > 0.0) {
        const double sl = valueNoise(key ^ (0x20ULL + side), along / 2.5, static_cast<double>(thread) * 7.31);
        const double thick = std::max(0.0, sl - 0.25);
        width += 1.5 * s.slub * thick;
        shade *= 1.0 + s.slub * thick;
    }
    const double a = (2.0 * across - 1.0) / std::min(1.25, width);
    const double round = a * a < 1.0 ? std::sqrt(1.0 - a * a) : 0.0;
    shade *= 1.0 - s.relief * (1.0 - round);
    const double e = std::fabs(2.0 * alongCell - 1.0);
    shade *= 1.0 - 0.45 * s.relief * e * e * e * e;
    shade *= 1.0 + s.evenness * (2.0 * hash01(key, thread, static_cast<std::int64_t>(side)) - 1.0);
    shade *= 1.0 + 0.05 * std::sin(kTwoPi * (along / (pitch * 0.9) + across * 1.3));
    shade *= 1.0 + s.hair * valueNoise(key ^ 0x13ULL, u * 9.0, v * 9.0);

    Lin c = y.c;
    if (y.heather) c = heatherFibre(*y.heather, key ^ side, thread, across, along);
    const int label = labelByWarp && !warpUp ? warp(static_cast<int>(i)).label : y.label;
    return {c * shade, label, shade};
}

Sample Knit::operator()(double u, double v) const
{
    const KnitSpec& s = spec;
    const double x = u / s.walePitch + 0.12 * valueNoise(key ^ 0x31ULL, v * 0.5, u * 0.05);
    const double y = v / s.coursePitch + 0.12 * valueNoise(key ^ 0x32ULL, u * 0.5, v * 0.05);
    const auto i = floorInt(x), j = floorInt(y);
    const double fx = x - static_cast<double>(i), fy = y - static_cast<double>(j);

    // Each stitch shows as a V of two legs leaning towards each other.
    const bool left = fx < 0.5;
    const double lx = left ? fx * 2.0 : (1.0 - fx) * 2.0;
    const double centre = 0.55 + 0.32 * (fy - 0.5);
    const double d = (lx - centre) / 0.48;
    const double round = d * d < 1.0 ? std::sqrt(1.0 - d * d) : 0.0;
    double shade = 0.42 + 0.58 * round;
    shade *= 0.8 + 0.2 * std::sin(3.141592653589793 * fy);
    if (s.rib == 1 && (i & 1)) shade *= 0.5;
    if (s.rib == 2 && ((i >> 1) & 1)) shade *= 0.5;
    shade *= 1.0 + s.evenness * (2.0 * hash01(key, j, 3) - 1.0);
    shade *= 1.0 + 0.06 * std::sin(kTwoPi * (fy * 2.3 + lx * 0.8));
    shade *= 1.0 + s.hair * valueNoise(key ^ 0x33ULL, u * 8.0, v * 8.0);

    const Yarn yarn = this->yarn(static_cast<int>(j), static_cast<int>(i));
    Lin c = yarn.c;
    if (yarn.heather) {
        const double along = (static_cast<double>(i) + (left ? 0.0 : 0.5)) * s.walePitch + fy * s.coursePitch;
        c = heatherFibre(*yarn.heather, key, j, lx, along);
    }
    return {c * shade, yarn.label, shade};
}

Surface printOver(Surface ground, std::vector<Ink> inks, PrintMap map, double spreadMm, double misregisterMm,
                  std::uint64_t key)
{
    std::vector<std::pair<double, double>> offsets;
    for (std::size_t k = 0; k < inks.size(); ++k) {
        offsets.emplace_back(misregisterMm * (2.0 * hash01(key, static_cast<std::int64_t>(k), 1) - 1.0),
                             misregisterMm * (2.0 * hash01(key, static_cast<std::int64_t>(k), 2) - 1.0));
    }
    return [ground = std::move(ground), inks = std::move(inks), map = std::move(map), offsets, spreadMm,
            misregisterMm, key](double u, double v) {
        Sample g = ground(u, v);
        // Ink bleeds along the fibres: the edge of every shape is ragged.
        const double ru = u + spreadMm * valueNoise(key ^ 0x41ULL, u * 6.0, v * 6.0);
        const double rv = v + spreadMm * valueNoise(key ^ 0x42ULL, u * 6.0, v * 6.0);
        int ink = map(ru, rv);
        if (ink >= 0 && misregisterMm > 0.0 && offsets.size() > 1) {
            // Each ink's screen sits a little off: where this ink's shifted
            // shape does not reach, the ground shows through beside it.
            const auto& o = offsets[static_cast<std::size_t>(ink) % offsets.size()];
            if (map(ru - o.first, rv - o.second) != ink) ink = -1;
        }
        if (ink < 0 || ink >= static_cast<int>(inks.size())) return g;
        const double density = 1.0 + 0.04 * valueNoise(key ^ 0x43ULL, u * 1.3, v * 1.3);
        const double relief = std::sqrt(std::max(0.05, g.shade)) * std::sqrt(std::sqrt(std::max(0.05, g.shade)));
        return Sample{inks[static_cast<std::size_t>(ink)].c * (relief * density), inks[static_cast<std::size_t>(ink)].label,
                      g.shade};
    };
}

} // namespace vestiscop::bench::atelier

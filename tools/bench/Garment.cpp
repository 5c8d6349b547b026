// SPDX-License-Identifier: GPL-3.0-or-later
#include "Garment.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "color/ColorConversion.h"

namespace vestiscop::bench {

namespace {

constexpr double MmPerInch = 25.4;

Rgb mix(const Rgb& p, const Rgb& q)
{
    return {(p.r + q.r) * 0.5, (p.g + q.g) * 0.5, (p.b + q.b) * 0.5};
}

// Position inside a repeating sett, and the band found there.
int bandAt(const std::vector<Band>& sett, double position)
{
    double period = 0;
    for (const Band& band : sett)
        period += band.widthMm;
    double u = std::fmod(position, period);
    if (u < 0)
        u += period;
    for (const Band& band : sett) {
        if (u < band.widthMm)
            return band.colour;
        u -= band.widthMm;
    }
    return sett.back().colour;
}

double wrapCentred(double d, double period)
{
    d = std::fmod(d, period);
    if (d < -period / 2)
        d += period;
    else if (d >= period / 2)
        d -= period;
    return d;
}

// A repeatable value in -1..1 for a yarn number.
double yarnVariation(std::uint32_t seed, std::int64_t index)
{
    std::uint64_t h = static_cast<std::uint64_t>(index) * 0x9E3779B97F4A7C15ull ^ (std::uint64_t{seed} << 32);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return static_cast<double>(h >> 11) / static_cast<double>(1ull << 53) * 2.0 - 1.0;
}

// Garment colours as they come from the dye house: every fabric takes its
// colours from here, so recognition sees realistic near-duplicates.
const std::vector<std::uint32_t>& palette()
{
    static const std::vector<std::uint32_t> colours = {
        0xF2F2EE, 0x1C1C1E, 0x1F2A44, 0x7F7F80, 0xC6C6C8, 0xC0282D, 0x6D1A2A, 0x2A5CAA, 0x9EC3E6, 0x2E7D32,
        0x6B6B2A, 0xEFCF34, 0xE87722, 0xF0A0C0, 0x6A3D9A, 0x6B4226, 0xD8C8A8, 0x2CA8A8, 0x1E4D2B, 0xB05A7A,
        0x4A4A50, 0xA0522D,
    };
    return colours;
}

double labDistance(const Rgb& p, const Rgb& q)
{
    const auto lab = [](const Rgb& c) {
        const color::RgbPixel pixel{static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(c.g),
                                    static_cast<std::uint8_t>(c.r)};
        return color::rgbToLab(pixel, color::AnalysisGamma);
    };
    const color::LabPixel a = lab(p);
    const color::LabPixel b = lab(q);
    const double dl = static_cast<double>(a.l) - b.l;
    const double da = static_cast<double>(a.a) - b.a;
    const double db = static_cast<double>(a.b) - b.b;
    return std::sqrt(dl * dl + da * da + db * db);
}

// Draws n palette colours that differ pairwise by at least 30 in Lab.
std::vector<Rgb> pickColours(std::mt19937& random, int n)
{
    std::vector<Rgb> chosen;
    std::uniform_int_distribution<std::size_t> pick(0, palette().size() - 1);
    while (static_cast<int>(chosen.size()) < n) {
        const Rgb candidate = rgbOf(palette()[pick(random)]);
        bool distinct = true;
        for (const Rgb& c : chosen)
            distinct = distinct && labDistance(c, candidate) >= 30;
        if (distinct)
            chosen.push_back(candidate);
    }
    return chosen;
}

double uniform(std::mt19937& random, double lo, double hi)
{
    return std::uniform_real_distribution<double>(lo, hi)(random);
}

template <typename T>
const T& oneOf(std::mt19937& random, const std::vector<T>& choices)
{
    return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(random)];
}

void gaussianBlur(std::vector<double>& plane, int width, int height, double sigma)
{
    if (sigma <= 0)
        return;
    const int radius = static_cast<int>(std::ceil(3 * sigma));
    std::vector<double> kernel(2 * radius + 1);
    double sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += kernel[i + radius] = std::exp(-i * i / (2 * sigma * sigma));
    for (double& k : kernel)
        k /= sum;
    std::vector<double> tmp(plane.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double v = 0;
            for (int i = -radius; i <= radius; ++i)
                v += kernel[i + radius] * plane[y * width + std::clamp(x + i, 0, width - 1)];
            tmp[y * width + x] = v;
        }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double v = 0;
            for (int i = -radius; i <= radius; ++i)
                v += kernel[i + radius] * tmp[std::clamp(y + i, 0, height - 1) * width + x];
            plane[y * width + x] = v;
        }
}

// Soft creases of a garment laid on the glass: 0 (flat) to 1 (the bottom
// of a crease), a few ridges 3 to 9 mm wide across the cloth in random
// directions, over a gentle wave.
double wrinkleDepth(std::uint32_t seed, double x, double y)
{
    double depth = 0;
    for (int k = 0; k < 3; ++k) {
        const double angle = (yarnVariation(seed, k * 5) + 1) * std::numbers::pi;
        const double offset = yarnVariation(seed, k * 5 + 1) * 40 + 32;
        const double width = 3 + 3 * (yarnVariation(seed, k * 5 + 2) + 1);
        const double bend = yarnVariation(seed, k * 5 + 3) * 0.004;
        const double along = x * std::cos(angle) + y * std::sin(angle);
        const double d = -x * std::sin(angle) + y * std::cos(angle) - offset - bend * (along - 32) * (along - 32);
        depth = std::max(depth, std::exp(-d * d / (2 * width * width)));
    }
    const double wave = 0.5 + 0.5 * std::sin(x / 37.0 + seed % 7) * std::cos(y / 29.0);
    return 0.7 * depth + 0.3 * wave;
}

} // namespace

std::vector<Rgb> pickGarmentColours(std::mt19937& random, int n)
{
    return pickColours(random, n);
}

double labDistanceOf(const Rgb& p, const Rgb& q)
{
    return labDistance(p, q);
}

bool warpShows(Weave weave, std::int64_t column, std::int64_t row)
{
    const std::int64_t step = ((column - row) % 4 + 4) % 4;
    switch (weave) {
    case Weave::Plain:
        return ((column + row) & 1) == 0;
    case Weave::Twill22:
        return step < 2;
    case Weave::Twill31:
        return step < 3;
    }
    return true;
}

Rgb rgbOf(std::uint32_t hex)
{
    return {static_cast<double>((hex >> 16) & 0xFF), static_cast<double>((hex >> 8) & 0xFF),
            static_cast<double>(hex & 0xFF)};
}

Rgb Fabric::colourAt(double x, double y) const
{
    if (surface)
        return surface->colourAt(x, y);
    switch (kind) {
    case Kind::Plain:
        return colours[0];
    case Kind::Stripes:
        return colours[bandAt(sett, x * std::cos(angle) + y * std::sin(angle))];
    case Kind::Check: {
        const int warp = bandAt(sett, x);
        const int weftBand = bandAt(weft, y);
        return warp == weftBand ? colours[warp] : mix(colours[warp], colours[weftBand]);
    }
    case Kind::Dots: {
        double row = std::floor(y / pitchMm);
        double cy = (row + 0.5) * pitchMm;
        double offset = halfDrop && static_cast<std::int64_t>(row) % 2 != 0 ? pitchMm / 2 : 0;
        double cx = (std::floor((x - offset) / pitchMm) + 0.5) * pitchMm + offset;
        const double dx = x - cx;
        const double dy = y - cy;
        return dx * dx + dy * dy <= dotMm * dotMm / 4 ? colours[1] : colours[0];
    }
    case Kind::Motif: {
        int colour = 0;
        for (const Blob& blob : blobs) {
            const double dx = wrapCentred(x - blob.x, tileMm);
            const double dy = wrapCentred(y - blob.y, tileMm);
            const double u = dx * std::cos(blob.angle) + dy * std::sin(blob.angle);
            const double v = -dx * std::sin(blob.angle) + dy * std::cos(blob.angle);
            if (u * u / (blob.rx * blob.rx) + v * v / (blob.ry * blob.ry) <= 1)
                colour = blob.colour;
        }
        return colours[colour];
    }
    }
    return colours[0];
}

Scan randomScan(std::mt19937& random, double xDpi, double yDpi, int width, int height)
{
    return randomScan(random, xDpi, yDpi, width, height, 3, 2);
}

Scan randomScan(std::mt19937& random, double xDpi, double yDpi, int width, int height, double maxShiftMm,
                double maxTurnDegrees)
{
    Scan scan;
    scan.xDpi = xDpi;
    scan.yDpi = yDpi;
    scan.width = width;
    scan.height = height;
    scan.shiftXMm = uniform(random, -maxShiftMm, maxShiftMm);
    scan.shiftYMm = uniform(random, -maxShiftMm, maxShiftMm);
    scan.turn = uniform(random, -maxTurnDegrees, maxTurnDegrees) * std::numbers::pi / 180;
    scan.lightSlope = uniform(random, -0.08, 0.08);
    scan.lightAngle = uniform(random, 0, 2 * std::numbers::pi);
    scan.blurPx = uniform(random, 0.5, 0.8);
    scan.noise = uniform(random, 2, 4);
    scan.seed = static_cast<std::uint32_t>(random());
    return scan;
}

std::unique_ptr<imaging::RgbImage> render(const Fabric& fabric, const Scan& scan)
{
    const int w = scan.width;
    const int h = scan.height;
    const double cx = w / scan.xDpi * MmPerInch / 2;
    const double cy = h / scan.yDpi * MmPerInch / 2;
    const double cosTurn = std::cos(scan.turn);
    const double sinTurn = std::sin(scan.turn);
    std::vector<double> planes[3];
    for (auto& plane : planes)
        plane.assign(static_cast<std::size_t>(w) * h, 0);

    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            Rgb sum;
            for (int s = 0; s < 4; ++s) {
                const double sx = (px + 0.25 + 0.5 * (s & 1)) / scan.xDpi * MmPerInch - cx;
                const double sy = (py + 0.25 + 0.5 * (s >> 1)) / scan.yDpi * MmPerInch - cy;
                const double gx = cosTurn * sx - sinTurn * sy + cx + scan.shiftXMm;
                const double gy = sinTurn * sx + cosTurn * sy + cy + scan.shiftYMm;
                // Weave: warp and weft threads show alternately; each yarn
                // is a little lighter or darker, and a thread is brightest
                // along its middle.
                const auto column = static_cast<std::int64_t>(std::floor(gx / fabric.threadMm));
                const auto row = static_cast<std::int64_t>(std::floor(gy / fabric.threadMm));
                const bool warpOnTop =
                    fabric.surface ? fabric.surface->warpOnTop(column, row) : ((column + row) & 1) == 0;
                Rgb c;
                Rgb warp;
                Rgb weft;
                if (fabric.surface && fabric.surface->yarns(gx, gy, warp, weft))
                    c = warpOnTop ? warp : weft;  // yarn-dyed: the yarn on top shows its own colour
                else
                    c = fabric.colourAt(gx, gy);
                const double across = warpOnTop ? gx / fabric.threadMm - column : gy / fabric.threadMm - row;
                const double yarn = yarnVariation(fabric.yarnSeed + (warpOnTop ? 0u : 7u), warpOnTop ? column : row);
                const double ridge = std::cos((across - 0.5) * std::numbers::pi * 2);
                double relief = fabric.reliefDarkens
                                    ? 1 - fabric.relief * (0.5 - 0.25 * yarn - 0.25 * ridge)
                                    : 1 + fabric.relief * (0.5 * yarn + 0.5 * ridge);
                if (fabric.surface)
                    relief *= fabric.surface->shade(gx, gy);
                if (fabric.wrinkle > 0)
                    relief *= 1 - fabric.wrinkle * wrinkleDepth(fabric.wrinkleSeed, gx, gy);
                sum.r += c.r * relief;
                sum.g += c.g * relief;
                sum.b += c.b * relief;
            }
            const double fx = static_cast<double>(px) / w - 0.5;
            const double fy = static_cast<double>(py) / h - 0.5;
            const double light =
                1 + scan.lightSlope * (fx * std::cos(scan.lightAngle) + fy * std::sin(scan.lightAngle));
            const std::size_t i = static_cast<std::size_t>(py) * w + px;
            planes[0][i] = sum.r / 4 * light;
            planes[1][i] = sum.g / 4 * light;
            planes[2][i] = sum.b / 4 * light;
        }
    }
    for (auto& plane : planes)
        gaussianBlur(plane, w, h, scan.blurPx);

    std::mt19937 random(scan.seed);
    std::normal_distribution<double> noise(0, scan.noise);
    auto image = imaging::RgbImage::create(w, h);
    for (int py = 0; py < h; ++py) {
        std::uint8_t* out = image->row(py);
        for (int px = 0; px < w; ++px) {
            const std::size_t i = static_cast<std::size_t>(py) * w + px;
            // Byte order blue, green, red.
            for (int c = 0; c < 3; ++c) {
                const double v = planes[2 - c][i] + noise(random);
                out[px * 3 + c] = static_cast<std::uint8_t>(std::clamp(std::floor(v + 0.5), 0.0, 255.0));
            }
        }
    }
    return image;
}

const std::vector<FabricFamily>& fabricFamilies()
{
    static const std::vector<FabricFamily> families = {
        {"plain", Kind::Plain},
        {"pinstripe 1mm", Kind::Stripes},
        {"stripes 2mm", Kind::Stripes},
        {"stripes-h 3-20mm", Kind::Stripes},
        {"stripes-v 3-20mm", Kind::Stripes},
        {"stripes-d 3-20mm", Kind::Stripes},
        {"stripes 3 colours", Kind::Stripes},
        {"gingham 3-10mm", Kind::Check},
        {"tartan", Kind::Check},
        {"dots 2-4mm dense", Kind::Dots},
        {"dots 2-4mm sparse", Kind::Dots},
        {"dots 5-10mm dense", Kind::Dots},
        {"dots 5-10mm sparse", Kind::Dots},
        {"motif", Kind::Motif},
    };
    return families;
}

Fabric makeFabric(const std::string& family, std::uint32_t seed)
{
    std::mt19937 random(seed);
    Fabric f;
    f.family = family;
    f.threadMm = uniform(random, 0.2, 0.45);
    f.relief = uniform(random, 0.03, 0.08);
    f.yarnSeed = static_cast<std::uint32_t>(random());
    const double horizontal = std::numbers::pi / 2;
    const auto stripes = [&](int colours, double angle, std::vector<double> widths) {
        f.kind = Kind::Stripes;
        f.colours = pickColours(random, colours);
        f.angle = angle;
        for (std::size_t i = 0; i < widths.size(); ++i)
            f.sett.push_back({static_cast<int>(i % colours), widths[i]});
    };
    if (family == "plain") {
        f.kind = Kind::Plain;
        f.colours = pickColours(random, 1);
    } else if (family == "pinstripe 1mm") {
        stripes(2, oneOf(random, std::vector<double>{0, horizontal}), {uniform(random, 4, 10), 1.0});
    } else if (family == "stripes 2mm") {
        stripes(2, oneOf(random, std::vector<double>{0, horizontal}), {2.0, 2.0});
    } else if (family == "stripes-h 3-20mm" || family == "stripes-v 3-20mm" || family == "stripes-d 3-20mm") {
        const double width = oneOf(random, std::vector<double>{3, 4, 5, 7, 10, 14, 20});
        const double other = width * oneOf(random, std::vector<double>{1.0, 1.0, 0.6, 1.5, 2.0});
        const double angle = family[8] == 'h'   ? horizontal
                             : family[8] == 'v' ? 0
                                                : oneOf(random, std::vector<double>{std::numbers::pi / 4,
                                                                                    3 * std::numbers::pi / 4});
        stripes(2, angle, {other, width});
    } else if (family == "stripes 3 colours") {
        stripes(3, oneOf(random, std::vector<double>{0, horizontal, std::numbers::pi / 4}),
                {uniform(random, 4, 10), uniform(random, 3, 8), uniform(random, 3, 8)});
    } else if (family == "gingham 3-10mm") {
        f.kind = Kind::Check;
        f.colours = pickColours(random, 2);
        f.colours[0] = rgbOf(0xF2F2EE);
        if (labDistance(f.colours[0], f.colours[1]) < 30)
            f.colours[1] = rgbOf(0x2A5CAA);
        const double width = uniform(random, 3, 10);
        f.sett = {{0, width}, {1, width}};
        f.weft = f.sett;
    } else if (family == "tartan") {
        f.kind = Kind::Check;
        f.colours = pickColours(random, 3);
        const int bands = std::uniform_int_distribution<int>(4, 6)(random);
        for (int i = 0; i < bands; ++i)
            f.sett.push_back({i % 3, uniform(random, 3, 14)});
        f.weft = f.sett;
    } else if (family.starts_with("dots")) {
        f.kind = Kind::Dots;
        f.colours = pickColours(random, 2);
        f.dotMm = family.find("2-4mm") != std::string::npos ? uniform(random, 2, 4) : uniform(random, 5, 10);
        const bool dense = family.ends_with("dense");
        f.pitchMm = f.dotMm * (dense ? uniform(random, 1.5, 2.0) : uniform(random, 3.0, 4.5));
        f.halfDrop = std::uniform_int_distribution<int>(0, 1)(random) != 0;
    } else if (family == "motif") {
        f.kind = Kind::Motif;
        f.colours = pickColours(random, std::uniform_int_distribution<int>(2, 3)(random));
        f.tileMm = uniform(random, 60, 100);
        const int count = std::uniform_int_distribution<int>(8, 18)(random);
        for (int i = 0; i < count; ++i) {
            Blob blob;
            blob.x = uniform(random, 0, f.tileMm);
            blob.y = uniform(random, 0, f.tileMm);
            blob.rx = uniform(random, 3, 14);
            blob.ry = blob.rx * uniform(random, 0.3, 1.0);
            blob.angle = uniform(random, 0, std::numbers::pi);
            blob.colour = 1 + i % (static_cast<int>(f.colours.size()) - 1);
            f.blobs.push_back(blob);
        }
    } else {
        return makeWardrobeFabric(family, seed);
    }
    return f;
}

} // namespace vestiscop::bench

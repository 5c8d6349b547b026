// SPDX-License-Identifier: GPL-3.0-or-later
#include "Scanner.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace vestiscop::bench::atelier {

namespace {

constexpr int kSuper = 2;  // samples per pixel along each axis

struct Fold {
    double x0, y0;     // mm, centre on the glass
    double dx, dy;     // unit direction of the ridge
    double width;      // mm, across the ridge
    double length;     // mm, along it
    double height;     // lift of the cloth off the glass, 0..1
};

void blurRow(const float* in, float* out, int n, int stride, const std::vector<float>& k)
{
    const int r = static_cast<int>(k.size()) / 2;
    for (int x = 0; x < n; ++x) {
        float acc = 0.0f;
        for (int t = -r; t <= r; ++t) {
            const int xx = std::clamp(x + t, 0, n - 1);
            acc += k[static_cast<std::size_t>(t + r)] * in[static_cast<std::ptrdiff_t>(xx) * stride];
        }
        out[static_cast<std::ptrdiff_t>(x) * stride] = acc;
    }
}

// Separable Gaussian blur of one channel plane in place.
void gaussian(std::vector<float>& plane, int w, int h, double sigma)
{
    if (sigma < 0.05) return;
    const int r = std::max(1, static_cast<int>(std::ceil(3.0 * sigma)));
    std::vector<float> k(static_cast<std::size_t>(2 * r + 1));
    double sum = 0.0;
    for (int t = -r; t <= r; ++t) sum += k[static_cast<std::size_t>(t + r)] = static_cast<float>(std::exp(-0.5 * t * t / (sigma * sigma)));
    for (float& v : k) v = static_cast<float>(v / sum);
    std::vector<float> tmp(plane.size());
    for (int y = 0; y < h; ++y) blurRow(&plane[static_cast<std::size_t>(y) * w], &tmp[static_cast<std::size_t>(y) * w], w, 1, k);
    for (int x = 0; x < w; ++x) blurRow(&tmp[static_cast<std::size_t>(x)], &plane[static_cast<std::size_t>(x)], h, w, k);
}

// sRGB encoding through a table: the exact curve costs a power per value.
double encode(double linear)
{
    static const std::vector<double> table = [] {
        std::vector<double> t(4097);
        for (std::size_t k = 0; k < t.size(); ++k) t[k] = linearToSrgb(static_cast<double>(k) / 4096.0);
        return t;
    }();
    if (!(linear > 0.0)) return 0.0;
    if (linear >= 1.0) return linearToSrgb(linear);
    // Near black the curve is steep but linear (12.92 x); the table's steps are fine above it.
    if (linear < 0.0031308) return 255.0 * 12.92 * linear;
    const double f = linear * 4096.0;
    const auto i = static_cast<std::size_t>(f);
    const double t = f - static_cast<double>(i);
    return table[i] + (table[i + 1] - table[i]) * t;
}

} // namespace

void scan(const Cloth& cloth, Rng& rng, int width, int height, double dpi, Swatch& out)
{
    const double mmPerSample = 25.4 / dpi / kSuper;
    const int sw = width * kSuper, sh = height * kSuper;
    const double cxMm = sw * mmPerSample * 0.5, cyMm = sh * mmPerSample * 0.5;

    // Placement: turned a few degrees and shifted anywhere.
    const double angle = rng.uniform(-5.0, 5.0) * 3.141592653589793 / 180.0;
    const double ca = std::cos(angle), sa = std::sin(angle);
    const double shiftU = rng.uniform(0.0, 200.0), shiftV = rng.uniform(0.0, 200.0);

    // Folds: soft ridges where the cloth lifts off the glass.
    std::vector<Fold> folds;
    const int nFolds = rng.integer(0, 3);
    for (int f = 0; f < nFolds; ++f) {
        const double th = rng.uniform(0.0, 3.141592653589793);
        folds.push_back({rng.uniform(0.0, 2 * cxMm), rng.uniform(0.0, 2 * cyMm), std::cos(th), std::sin(th),
                         rng.uniform(2.0, 9.0), rng.uniform(15.0, 70.0), rng.uniform(0.1, 0.6) * cloth.relief});
    }
    const double lightDir = rng.uniform(-1.0, 1.0) > 0 ? 1.0 : -1.0;

    // The lamp: even but falling off towards its ends, and exposure.
    const double falloff = rng.uniform(0.01, 0.07);
    const double tilt = rng.uniform(-0.03, 0.03);
    const double gain = rng.uniform(0.93, 1.04);
    // Calibration leaves a faint colour cast.
    const double cast[3] = {rng.uniform(0.985, 1.015), rng.uniform(0.985, 1.015), rng.uniform(0.985, 1.015)};

    std::vector<float> lin[3];
    for (auto& p : lin) p.assign(static_cast<std::size_t>(width) * height, 0.0f);
    std::vector<int> labels(static_cast<std::size_t>(sw) * sh);
    double lightSum = 0.0;

    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            // Light and folds change slowly: once per pixel.
            const double xm = (px + 0.5) * kSuper * mmPerSample, ym = (py + 0.5) * kSuper * mmPerSample;
            double lift = 0.0, slope = 0.0;
            for (const Fold& f : folds) {
                const double rx = xm - f.x0, ry = ym - f.y0;
                const double along = rx * f.dx + ry * f.dy;
                const double acrossD = -rx * f.dy + ry * f.dx;
                const double e = 0.5 * along * along / (f.length * f.length) + 0.5 * acrossD * acrossD / (f.width * f.width);
                if (e > 30.0) continue;
                const double g = std::exp(-e);
                lift += f.height * g;
                // The lamp sweeps from one side: the slope facing it is lit, the other shaded.
                slope += f.height * g * (-acrossD / f.width) * f.dx * lightDir;
            }
            const double nx = xm / cxMm - 1.0;
            double light = gain * (1.0 - falloff * nx * nx) * (1.0 + tilt * (ym / cyMm - 1.0));
            light *= (1.0 - 0.35 * std::min(1.0, lift)) * (1.0 + 0.25 * slope);
            lightSum += light;

            double r = 0.0, g = 0.0, b = 0.0;
            for (int sy = 0; sy < kSuper; ++sy) {
                for (int sx = 0; sx < kSuper; ++sx) {
                    const int x = px * kSuper + sx, y = py * kSuper + sy;
                    const double qx = (x + 0.5) * mmPerSample - cxMm, qy = (y + 0.5) * mmPerSample - cyMm;
                    const Sample s = cloth.at(ca * qx - sa * qy + shiftU, sa * qx + ca * qy + shiftV);
                    r += s.c.r;
                    g += s.c.g;
                    b += s.c.b;
                    labels[static_cast<std::size_t>(y) * sw + x] = s.label;
                }
            }
            const std::size_t p = static_cast<std::size_t>(py) * width + px;
            const double k = light / (kSuper * kSuper);
            lin[0][p] = static_cast<float>(r * k * cast[0]);
            lin[1][p] = static_cast<float>(g * k * cast[1]);
            lin[2][p] = static_cast<float>(b * k * cast[2]);
        }
    }
    const double meanLight = lightSum / (static_cast<double>(width) * height);

    // Stray surface fibres: short curling hairs that catch the lamp.
    if (cloth.hair > 0.0) {
        const double pxPerMm = dpi / 25.4;
        const int fibres = static_cast<int>(cloth.hair * width * height / 500.0);
        for (int f = 0; f < fibres; ++f) {
            double x = rng.uniform(0.0, width), y = rng.uniform(0.0, height);
            double th = rng.uniform(0.0, 6.283185307179586);
            const double curl = rng.uniform(-0.15, 0.15);
            const int steps = static_cast<int>(rng.uniform(0.8, 3.5) * pxPerMm * 2.0);
            const double bright = rng.uniform(1.15, 1.5), alpha = rng.uniform(0.2, 0.45);
            for (int t = 0; t < steps; ++t) {
                x += 0.5 * std::cos(th);
                y += 0.5 * std::sin(th);
                th += curl;
                const int ix = static_cast<int>(x), iy = static_cast<int>(y);
                if (ix < 0 || iy < 0 || ix >= width || iy >= height) break;
                const std::size_t p = static_cast<std::size_t>(iy) * width + ix;
                for (auto& plane : lin) plane[p] = static_cast<float>(plane[p] * (1.0 - alpha + alpha * bright));
            }
        }
    }

    // Dust and lint on the glass: a few specks of a pixel or two.
    const int specks = rng.integer(0, 3);
    for (int d = 0; d < specks; ++d) {
        const int x0 = rng.integer(0, width - 1), y0 = rng.integer(0, height - 1);
        const double tone = rng.chance(0.5) ? rng.uniform(0.05, 0.3) : rng.uniform(0.6, 0.9);
        const int size = rng.integer(1, 2);
        for (int y = y0; y < std::min(height, y0 + size); ++y)
            for (int x = x0; x < std::min(width, x0 + size); ++x)
                for (auto& plane : lin) plane[static_cast<std::size_t>(y) * width + x] = static_cast<float>(tone);
    }

    // Optics: a little blur, and lateral colour fringing growing to the sides.
    const double sigma = rng.uniform(0.35, 0.85);
    for (auto& p : lin) gaussian(p, width, height, sigma);
    const double fringe = rng.uniform(0.0, 0.4);
    if (fringe > 0.02) {
        for (int ch : {0, 2}) {
            std::vector<float> src = lin[ch];
            const double sign = ch == 0 ? 1.0 : -1.0;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const double sx = x + sign * fringe * (2.0 * x / width - 1.0);
                    const int x0 = std::clamp(static_cast<int>(std::floor(sx)), 0, width - 1);
                    const int x1 = std::min(x0 + 1, width - 1);
                    const double t = std::clamp(sx - std::floor(sx), 0.0, 1.0);
                    const std::size_t row = static_cast<std::size_t>(y) * width;
                    lin[ch][row + x] = static_cast<float>(src[row + x0] * (1.0 - t) + src[row + x1] * t);
                }
            }
        }
    }

    // The sensor: noise growing with the signal, a faint per-line offset, then 8 bits.
    const double read = rng.uniform(0.6, 2.0), shot = rng.uniform(0.8, 2.5), line = rng.uniform(0.0, 0.7);
    out.width = width;
    out.height = height;
    out.dpi = dpi;
    out.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
    for (int y = 0; y < height; ++y) {
        double rowOffset[3];
        for (double& o : rowOffset) o = line * rng.quickNormal();
        for (int x = 0; x < width; ++x) {
            const std::size_t p = static_cast<std::size_t>(y) * width + x;
            for (int ch = 0; ch < 3; ++ch) {
                const double s = encode(lin[ch][p]);
                const double n = (read + shot * std::sqrt(std::max(0.0, s) / 255.0)) * rng.quickNormal() + rowOffset[ch];
                out.rgb[p * 3 + ch] = static_cast<std::uint8_t>(std::clamp(std::lround(s + n), 0L, 255L));
            }
        }
    }

    // Named colours: every label's share of the cloth, and its colour as the
    // scan shows it well inside its areas (or its yarn's colour).
    std::vector<long> perLabel;
    for (int l : labels) {
        if (static_cast<std::size_t>(l) >= perLabel.size()) perLabel.resize(static_cast<std::size_t>(l) + 1, 0);
        ++perLabel[static_cast<std::size_t>(l)];
    }
    std::map<int, long> counts;
    for (std::size_t l = 0; l < perLabel.size(); ++l)
        if (perLabel[l] > 0) counts[static_cast<int>(l)] = perLabel[l];
    std::map<int, std::array<double, 4>> sums;  // r, g, b, pixels
    std::vector<int> pure(static_cast<std::size_t>(width) * height, -1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int l = labels[static_cast<std::size_t>(y * kSuper) * sw + x * kSuper];
            bool same = true;
            for (int dy = 0; dy < kSuper; ++dy)
                for (int dx = 0; dx < kSuper; ++dx)
                    same = same && labels[static_cast<std::size_t>(y * kSuper + dy) * sw + x * kSuper + dx] == l;
            if (same) pure[static_cast<std::size_t>(y) * width + x] = l;
        }
    }
    for (int y = 1; y + 1 < height; ++y) {
        for (int x = 1; x + 1 < width; ++x) {
            const std::size_t p = static_cast<std::size_t>(y) * width + x;
            const int l = pure[p];
            if (l < 0 && !cloth.mottled) continue;
            if (!cloth.mottled && (pure[p - 1] != l || pure[p + 1] != l || pure[p - width] != l || pure[p + width] != l))
                continue;
            auto& s = sums[cloth.mottled ? labels[0] : l];
            for (int ch = 0; ch < 3; ++ch) s[ch] += out.rgb[p * 3 + ch];
            s[3] += 1.0;
        }
    }
    if (cloth.mottled) {  // the whole picture is the one colour a person sees
        auto& s = sums[labels[0]];
        s = {0, 0, 0, static_cast<double>(width) * height};
        for (std::size_t p = 0; p < static_cast<std::size_t>(width) * height; ++p)
            for (int ch = 0; ch < 3; ++ch) s[ch] += out.rgb[p * 3 + ch];
        counts.clear();
        counts[labels[0]] = 1;
    }
    const double total = cloth.mottled ? 1.0 : static_cast<double>(sw) * sh;
    out.namedColours.clear();
    for (const auto& [l, n] : counts) {
        const auto li = static_cast<std::size_t>(l);
        const bool byYarn = li < cloth.byYarn.size() && cloth.byYarn[li];
        std::array<double, 4> c{};
        auto it = sums.find(l);
        if (!byYarn && it != sums.end() && it->second[3] >= 40.0) {
            for (int ch = 0; ch < 3; ++ch) c[ch] = it->second[ch] / it->second[3];
        } else {
            const Lin nom = li < cloth.nominal.size() ? cloth.nominal[li] : Lin{};
            c = {std::clamp(linearToSrgb(nom.r * meanLight), 0.0, 255.0), std::clamp(linearToSrgb(nom.g * meanLight), 0.0, 255.0),
                 std::clamp(linearToSrgb(nom.b * meanLight), 0.0, 255.0), 0.0};
        }
        c[3] = static_cast<double>(n) / total;
        out.namedColours.push_back(c);
    }
    std::stable_sort(out.namedColours.begin(), out.namedColours.end(),
                     [](const auto& a, const auto& b) { return a[3] > b[3]; });
}

} // namespace vestiscop::bench::atelier

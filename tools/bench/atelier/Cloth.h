// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cloth models of the renderer. A cloth answers, for a point of its
// surface in millimetres, the linear-light colour seen there and which of the
// colours a person names it belongs to (its label). Grounds are woven or
// knitted from yarns; prints lay inks over a ground whose texture shows
// through.

#include "Noise.h"

#include <functional>
#include <memory>
#include <vector>

namespace vestiscop::bench::atelier {

struct Lin {
    double r = 0.0, g = 0.0, b = 0.0;
};

inline Lin operator*(Lin c, double k) { return {c.r * k, c.g * k, c.b * k}; }
inline Lin operator+(Lin a, Lin b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Lin mixLin(Lin a, Lin b, double t) { return a * (1.0 - t) + b * t; }
inline double luminance(Lin c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; }

double srgbToLinear(double v255);
double linearToSrgb(double linear);  // 0..255, not rounded or clamped
Lin fromSrgb(double r, double g, double b);
// A colour from hue (degrees), saturation and value, all as a designer picks them.
Lin fromHsv(double hueDeg, double sat, double val);

struct Sample {
    Lin c;
    int label = 0;
    double shade = 1.0;  // the ground's relief at this point, for inks laid over it
};

using Surface = std::function<Sample(double u, double v)>;

// A heather yarn: fibres of several dyes spun together.
struct Heather {
    std::vector<Lin> fibres;
    std::vector<double> weights;  // same length, summing to 1
    Lin pick(double t) const;      // t uniform in [0, 1)
};

struct Yarn {
    Lin c;
    int label = 0;
    std::shared_ptr<const Heather> heather;  // null for a solid-dyed yarn
};

using ThreadColour = std::function<Yarn(int thread)>;

// A repeating sequence of coloured bands (a warp or weft plan, or a printed
// stripe), each band a label and a width in millimetres.
struct Sett {
    std::vector<int> labels;
    std::vector<double> widths;
    bool mirrored = false;  // a tartan's sett runs back and forth
    double offset = 0.0;
    double period() const;
    int at(double x) const;  // the label at position x (mm)
};

struct WeaveSpec {
    int repeat = 2, up = 1, step = 1;  // interlacing: warp up where (i + step*j) mod repeat < up
    double warpPitch = 0.2, weftPitch = 0.2;  // mm between threads
    double evenness = 0.06;   // thread-to-thread variation of brightness
    double slub = 0.0;        // lengthwise thickening of the yarn (linen, slub cotton)
    double relief = 0.3;      // how deep the yarn's roundness and the gaps shade
    double hair = 0.04;       // fibre fuzz over the surface
};

struct Woven {
    WeaveSpec spec;
    std::uint64_t key = 1;
    ThreadColour warp, weft;
    // Warp stripes are named by the stripe, whichever yarn shows on top.
    bool labelByWarp = false;
    Sample operator()(double u, double v) const;
};

struct KnitSpec {
    double walePitch = 0.9, coursePitch = 0.7;  // mm
    int rib = 0;            // 0 jersey, 1 one-by-one rib, 2 two-by-two rib
    double evenness = 0.05;
    double hair = 0.05;
};

struct Knit {
    KnitSpec spec;
    std::uint64_t key = 1;
    std::function<Yarn(int course, int wale)> yarn;
    Sample operator()(double u, double v) const;
};

// An ink: its colour and label; the ground's relief shows through it.
struct Ink {
    Lin c;
    int label = 0;
};

// The ink at a point, or -1 for bare ground.
using PrintMap = std::function<int(double u, double v)>;

// Inks over a ground: each ink's map may be misregistered by a small offset,
// and edges are roughened by the ink's spread into the fibres.
Surface printOver(Surface ground, std::vector<Ink> inks, PrintMap map, double spreadMm, double misregisterMm,
                  std::uint64_t key);

struct Cloth {
    Surface at;
    std::vector<Lin> nominal;      // the nominal colour of every label
    std::vector<bool> byYarn;      // name this label's nominal (dyed yarn) colour, not its look
    bool mottled = false;
    double relief = 1.0;           // how strongly folds show on this fabric
    double hair = 0.0;             // stray surface fibres drawn over the scan (0 none .. 1 fleece)
};

} // namespace vestiscop::bench::atelier

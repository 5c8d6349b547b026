#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes decision-checks.tsv: colours of the kinds a Czech speaker has
decided how to name for clothes, placed by reasoning in the analysis's own
byte Lab (equal-energy white, gamma 2.2, color/ColorConversion.h), never
taken from the colour survey list, each with the names that are right for
it and the names that are the known wrong kind.

    tools/colors/decision_checks.py > tools/colors/decision-checks.tsv

Every kind spreads its colours evenly over a box of lightness, chroma and
hue (a low-discrepancy sequence, so nothing clusters); a colour the screen
cannot show (an RGB channel outside 0..255 before rounding) is skipped and
the next one taken. The table (vestiscop_bench decisions) names each colour
as a uniform noisy patch through the analysis, as the naming benchmark does.
"""

import math

# The analysis's conversion and its inverse (color/ColorConversion.cpp).
M = ((0.488718, 0.31068, 0.200602), (0.176204, 0.812985, 0.010205), (0.0, 0.010205, 0.989795))
MI = ((2.37067, -0.90004, -0.470634), (-0.513885, 1.4253, 0.088581), (0.005298, -0.014695, 1.0094))


def lab_of_rgb(rgb):
    lin = [(c / 255) ** 2.2 for c in rgb]
    x, y, z = (sum(m * v for m, v in zip(row, lin)) for row in M)
    f = [t ** (1 / 3) if t > 0.008856 else 7.787 * t + 16 / 116 for t in (x, y, z)]
    return (116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2]))


def rgb_of_lab(l, a, b):
    fy = (l + 16) / 116
    fx, fz = fy + a / 500, fy - b / 200
    xyz = [t ** 3 if t > 0.2068927064827586 else (t - 16 / 116) / 7.787 for t in (fx, fy, fz)]
    lin = [sum(m * v for m, v in zip(row, xyz)) for row in MI]
    if min(lin) < -0.0005 or max(lin) > 1.0005:
        return None
    return tuple(round(255 * max(0.0, min(1.0, v)) ** (1 / 2.2)) for v in lin)


# kind, count, (L low, high), (C low, high), (hue low, high in degrees, may
# wrap past 360), right names, wrong names. "=term" is every name of that
# basic term (vocabulary.tsv); "*" every name that is not right; a wrong
# name that is also right (through "=term") counts as wrong.
KINDS = [
    # Cream, ivory, eggshell, bone, champagne, parchment, light beige: pale
    # yellowish off-whites, never green.
    ("cream", 36, (80, 97), (7, 24), (78, 112),
     "smetanová,béžová,písková,šedobéžová,světle žlutá", "=zelená"),
    # Wine, burgundy, maroon, merlot, garnet, mahogany: red until the hue
    # has turned to brown.
    ("darkred", 36, (14, 32), (30, 60), (4, 30),
     "vínová,bordó,tmavě červená,červená,karmínová,cihlová", "=hnědá,=černá"),
    # Amber, rust, spice, clay: dark orange-browns.
    ("darkorange", 36, (34, 55), (40, 70), (42, 62),
     "rezavá,cihlová,tmavě oranžová,oranžová,skořicová,karamelová,okrová", "kaštanová,hnědá,tmavě hnědá,čokoládová"),
    # Punch, rouge, coral: warm pinks stay pink.
    ("warmpink", 36, (45, 68), (50, 80), (352, 384),
     "=růžová,korálová,karmínová", "malinová,=oranžová"),
    # Slate: grey-blues with a colour a person sees.
    ("slate", 33, (38, 62), (13, 24), (235, 275),
     "=modrá", "=šedá,=černá,=bílá"),
    # Grey-violets: greyish purples (slézová is our name for them, so it
    # counts right); what is wrong is a grey.
    ("greyviolet", 33, (38, 65), (13, 24), (282, 318),
     "=fialová,šedomodrá,chrpová", "=šedá,=černá,=bílá"),
    # Beige, camel, trench coat, khaki chinos: b over 20 is never grey.
    ("beigekhaki", 36, (55, 84), (22, 36), (74, 100),
     "=hnědá,=žlutá,khaki,smetanová", "=šedá,bílá,=černá"),
    # The dark set: navy, dark brown and dark green keep their hue.
    ("navy", 24, (12, 25), (15, 40), (255, 295),
     "=modrá,indigová,lilková", "=černá"),
    ("darkbrown", 24, (12, 25), (12, 30), (40, 72),
     "=hnědá,vínová,bordó,tmavě červená,tmavě olivová", "=černá"),
    ("darkgreen", 24, (12, 25), (15, 35), (130, 175),
     "=zelená,petrolejová", "=černá"),
    # True blacks: no colour a person sees, dark.
    ("black", 30, (2, 16), (0, 3.5), (0, 360),
     "černá", "*"),
]


def spread(i):
    """The i-th point of a three-dimensional low-discrepancy sequence."""
    g = 1.2207440846057596  # the plastic number for three dimensions
    alphas = (1 / g, 1 / g ** 2, 1 / g ** 3)
    return tuple((0.5 + a * (i + 1)) % 1 for a in alphas)


def main():
    print("# Colours to check the tables against a native speaker's decisions on naming")
    print("# clothes (written by decision_checks.py; see its text for how they are placed).")
    print("# Made by reasoning in the analysis's byte Lab, not from the colour survey.")
    print("# kind<TAB>#rrggbb<TAB>L a b (the analysis's own, of that RGB)<TAB>right names<TAB>wrong names")
    print("# '=term': every name of that basic term; '*': every name not right.")
    for kind, count, (l0, l1), (c0, c1), (h0, h1), right, wrong in KINDS:
        made = 0
        i = 0
        while made < count:
            u, v, w = spread(i)
            i += 1
            l = l0 + u * (l1 - l0)
            c = c0 + v * (c1 - c0)
            h = math.radians((h0 + w * (h1 - h0)) % 360)
            rgb = rgb_of_lab(l, c * math.cos(h), c * math.sin(h))
            if rgb is None:
                continue
            lab = lab_of_rgb(rgb)
            print("%s\t#%02x%02x%02x\t%d %d %d\t%s\t%s" % (kind, *rgb, *(math.floor(x + 0.5) for x in lab), right, wrong))
            made += 1


if __name__ == "__main__":
    main()

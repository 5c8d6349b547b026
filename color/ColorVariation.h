// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The direction in Lab a fabric's colour varies in: the sums of the
// products of the deviations from the mean (LL, aa, bb, La, Lb, ab), each
// divided by the trace. A plain cloth whose lightness alone varies has its
// weight in LL; a two-colour print has it along the line between the two
// colours. The sums are added pixel by pixel in the caller's order, so a
// stored signature's values come out the same on every build.

#include <array>
#include <cstddef>

namespace vestiscop::color {

class ColourCovariance {
public:
    void add(double dl, double da, double db)
    {
        m_sums[0] += dl * dl;
        m_sums[1] += da * da;
        m_sums[2] += db * db;
        m_sums[3] += dl * da;
        m_sums[4] += dl * db;
        m_sums[5] += da * db;
    }

    // The sums over their trace; all zero for a region without variation.
    std::array<double, 6> variation() const
    {
        const double trace = m_sums[0] + m_sums[1] + m_sums[2];
        std::array<double, 6> v{};
        if (trace > 0)
            for (std::size_t k = 0; k < v.size(); ++k)
                v[k] = m_sums[k] / trace;
        return v;
    }

private:
    std::array<double, 6> m_sums{};
};

} // namespace vestiscop::color

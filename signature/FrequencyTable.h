// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where each frequency of an n x n transform of the analysed region falls in
// the signature's spectra: its period as octaves above ShortestPeriodMm and
// its direction. They depend only on the square's side and the pixels' size
// in millimetres, which every scan at the configured resolution shares, so
// one table serves every texture and weave measurement of that size; the
// values are those the measures would compute for each frequency, to the bit.
//
// Frequencies are (fu, fv) with -n/2 <= fu, fv <= n/2, cycles per n pixels
// along x and y; the period is 1 / hypot(fu / (n mmX), fv / (n mmY)) and the
// direction atan2(fv / (n mmY), fu / (n mmX)). Both are computed once for
// each frequency of the half-plane fv >= 0 (the period once for each of
// |fu|, |fv|): hypot and atan2 treat a negative y as its mirror image
// exactly (hypot is sign-free, atan2(-y, x) is -atan2(y, x)), so the rest
// follow without rounding.
//
// The directions are made by makeDirections(), before the first lookup: the weave, all
// that the improved analysis's signatures measure here, needs only the
// periods.
//
// Thread-safe: a table's values never change once made; of() and the
// lookups may be called from several threads at once.

#include <memory>
#include <mutex>
#include <vector>

namespace vestiscop::signature {

class FrequencyTable {
public:
    // n a power of two from 2 up, both sizes positive.
    FrequencyTable(int n, double mmPerPixelX, double mmPerPixelY);

    // The table of this size and resolution: the one made last when it
    // fits (two measures of one scan and every later scan ask for the
    // same), a new one otherwise.
    static std::shared_ptr<const FrequencyTable> of(int n, double mmPerPixelX, double mmPerPixelY);

    bool fits(int n, double mmPerPixelX, double mmPerPixelY) const
    {
        return m_n == n && m_mmX == mmPerPixelX && m_mmY == mmPerPixelY;
    }

    // log2(period / ShortestPeriodMm); (fu, fv) not (0, 0).
    double octaves(int fu, int fv) const
    {
        return m_octaves[quadrantIndex(fu < 0 ? -fu : fu, fv < 0 ? -fv : fv)];
    }

    // atan2 of the frequency's cycles per millimetre along y and x, in
    // -pi..pi; (fu, fv) not (0, 0).
    // makeDirections() must have been called once on this table.
    double direction(int fu, int fv) const
    {
        return fv >= 0 ? m_directions[halfPlaneIndex(fu, fv)] : -m_directions[halfPlaneIndex(fu, -fv)];
    }

private:
    std::size_t quadrantIndex(int u, int v) const
    {
        return static_cast<std::size_t>(v) * static_cast<std::size_t>(m_n / 2 + 1) + static_cast<std::size_t>(u);
    }
    std::size_t halfPlaneIndex(int fu, int fv) const
    {
        return static_cast<std::size_t>(fv) * static_cast<std::size_t>(m_n + 1) + static_cast<std::size_t>(fu + m_n / 2);
    }

public:
    // Makes the directions, once per table (callers from several threads
    // may ask at once); the lookups in a measure's loop stay plain reads.
    void makeDirections() const
    {
        std::call_once(m_directionsMade, [this] { fillDirections(); });
    }

private:
    void fillDirections() const;

    int m_n;
    double m_mmX;
    double m_mmY;
    std::vector<double> m_octaves;             // 0 <= fu, fv <= n/2
    mutable std::vector<double> m_directions;  // -n/2 <= fu <= n/2, 0 <= fv <= n/2
    mutable std::once_flag m_directionsMade;
};

} // namespace vestiscop::signature

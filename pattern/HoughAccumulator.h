// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Votes of region-boundary pixels for straight lines through the picture, in
// 32 directions over half a turn and 101 distance bins. The classifier only
// asks how the votes spread per direction: a direction along which many
// boundary pixels line up has votes concentrated in few bins, a high variance.

#include <array>
#include <cstdint>
#include <vector>

namespace vestiscop::pattern {

class HoughAccumulator {
public:
    static constexpr int RhoOffset = 50;
    static constexpr int AngleCount = 32;
    static constexpr int RhoBins = 2 * RhoOffset + 1;

    HoughAccumulator() { reset(0, 0); }

    // Clears the votes and sets the picture size the distances refer to.
    void reset(int imageWidth, int imageHeight);

    // One vote per direction for the pixel at column x of row y. Pixels of
    // the picture always land inside the bins; a vote that would fall
    // outside them (a point well off the picture) is dropped.
    void vote(int y, int x);
    // The same for a pixel that has all eight neighbours (1 <= x <= W - 2,
    // 1 <= y <= H - 2), whose distances are known to lie well inside the
    // bins: the per-direction range test becomes a cheap integer one.
    void voteInterior(int y, int x);

    // Adds the votes of another accumulator of the same picture size, as
    // if its pixels had voted here.
    void add(const HoughAccumulator& other);

    // 1: one dominant direction or none; 2: two or three comparable
    // directions; 0: more than three directions, the top two comparable.
    int orientationPeaks() const;

    // The per-direction variance of the votes, as the peak test sees it.
    std::array<double, AngleCount> variances() const;

    // Votes of direction angle (0..31) in bin rho (0..100).
    int votes(int angle, int rho) const { return m_votes[angle][rho]; }
    int imageWidth() const { return m_imageWidth; }
    int imageHeight() const { return m_imageHeight; }
    double scale() const { return m_scale; }

    // The decision of orientationPeaks on given variances; split out so that
    // the thresholds can be checked on chosen numbers.
    static int peaksOf(const std::array<double, AngleCount>& variances);

private:
    void updateRowTerms(int y);

    // One spare bin past the last takes the votes that fall off the bins,
    // so that the vote loop needs no branch; it is never read.
    static constexpr int OffBins = RhoBins;
    std::array<std::array<std::int32_t, RhoBins + 1>, AngleCount> m_votes{};
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    double m_scale = 0;
    // sin(theta_i) x (x - W / 2) for every column x and direction i, and
    // cos(theta_i) x (H / 2 - y) for the row voted last: the same products
    // the formula forms, computed once instead of once per vote.
    std::vector<double> m_columnTerms;
    std::array<double, AngleCount> m_rowTerms{};
    int m_rowTermsY = 0;
    bool m_rowTermsValid = false;
};

} // namespace vestiscop::pattern

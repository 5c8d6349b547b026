// SPDX-License-Identifier: GPL-3.0-or-later
#include "pattern/HoughAccumulator.h"

#include <cmath>

namespace vestiscop::pattern {

namespace {

// sin and cos of the 32 directions, computed once. The values are the very
// doubles a fresh sin(i * pi / 32) would give, so a table keeps the votes
// identical while sparing two library calls per vote.
struct AngleTable {
    std::array<double, HoughAccumulator::AngleCount> sine{};
    std::array<double, HoughAccumulator::AngleCount> cosine{};

    AngleTable()
    {
        for (int i = 0; i < HoughAccumulator::AngleCount; ++i) {
            const double theta = i * 3.141592653589793 / HoughAccumulator::AngleCount;
            sine[i] = std::sin(theta);
            cosine[i] = std::cos(theta);
        }
    }
};

const AngleTable& angles()
{
    static const AngleTable table;
    return table;
}

} // namespace

void HoughAccumulator::reset(int imageWidth, int imageHeight)
{
    for (auto& row : m_votes)
        row.fill(0);
    m_imageWidth = imageWidth;
    m_imageHeight = imageHeight;
    const int halfWidth = imageWidth / 2;
    const int halfHeight = imageHeight / 2;
    const double radius = std::sqrt(static_cast<double>(halfWidth) * halfWidth
                                    + static_cast<double>(halfHeight) * halfHeight);
    // A picture too small to have a centre away from its corner has no
    // interior pixel to vote; keep the scale finite all the same.
    m_scale = radius > 0 ? RhoOffset / radius : 0.0;

    const AngleTable& table = angles();
    m_columnTerms.assign(static_cast<std::size_t>(imageWidth > 0 ? imageWidth : 0) * AngleCount, 0.0);
    for (int x = 0; x < imageWidth; ++x) {
        const double dx = x - halfWidth;
        for (int i = 0; i < AngleCount; ++i)
            m_columnTerms[static_cast<std::size_t>(x) * AngleCount + static_cast<std::size_t>(i)] = table.sine[i] * dx;
    }
    m_rowTermsValid = false;
}

void HoughAccumulator::updateRowTerms(int y)
{
    if (m_rowTermsValid && y == m_rowTermsY)
        return;
    const AngleTable& table = angles();
    const double dy = m_imageHeight / 2 - y;
    for (int i = 0; i < AngleCount; ++i)
        m_rowTerms[i] = table.cosine[i] * dy;
    m_rowTermsY = y;
    m_rowTermsValid = true;
}

void HoughAccumulator::voteInterior(int y, int x)
{
    // |x - W / 2| <= W / 2 - 1 and |H / 2 - y| <= H / 2 - 1, so the distance
    // is below the half diagonal by a clear margin and rho lies within
    // (0.5, 100.5): truncation is floor. The integer test only guards the
    // memory should that reasoning ever be wrong.
    updateRowTerms(y);
    const double* sx = m_columnTerms.data() + static_cast<std::size_t>(x) * AngleCount;
    std::array<std::int32_t, AngleCount> bins;
    for (int i = 0; i < AngleCount; ++i) {
        const auto bin = static_cast<std::int32_t>((sx[i] - m_rowTerms[i]) * m_scale + RhoOffset + 0.5);
        bins[i] = static_cast<std::uint32_t>(bin) < static_cast<std::uint32_t>(RhoBins) ? bin : OffBins;
    }
    for (int i = 0; i < AngleCount; ++i)
        ++m_votes[i][bins[i]];
}

void HoughAccumulator::vote(int y, int x)
{
    const AngleTable& table = angles();
    updateRowTerms(y);
    std::array<double, AngleCount> columnTerms;
    const double* sx = columnTerms.data();
    if (x >= 0 && x < m_imageWidth) {
        sx = m_columnTerms.data() + static_cast<std::size_t>(x) * AngleCount;
    } else {
        const double dx = x - m_imageWidth / 2;
        for (int i = 0; i < AngleCount; ++i)
            columnTerms[i] = table.sine[i] * dx;
    }
    // The bins first, in a loop the compiler can vectorise, then the
    // scattered increments.
    std::array<std::int32_t, AngleCount> bins;
    for (int i = 0; i < AngleCount; ++i) {
        const double rho = (sx[i] - m_rowTerms[i]) * m_scale + RhoOffset + 0.5;
        // Within [0, 101) truncation is floor; anything else is off the bins.
        bins[i] = rho >= 0.0 && rho < RhoBins ? static_cast<std::int32_t>(rho) : OffBins;
    }
    for (int i = 0; i < AngleCount; ++i)
        ++m_votes[i][bins[i]];
}

void HoughAccumulator::add(const HoughAccumulator& other)
{
    for (int i = 0; i < AngleCount; ++i)
        for (int rho = 0; rho <= RhoBins; ++rho)
            m_votes[i][rho] += other.m_votes[i][rho];
}

std::array<double, HoughAccumulator::AngleCount> HoughAccumulator::variances() const
{
    std::array<double, AngleCount> var{};
    for (int i = 0; i < AngleCount; ++i) {
        // Integer sums are exact; the squares of vote counts of a large
        // picture do not fit 32 bits.
        std::int64_t sum = 0;
        std::int64_t sumSquares = 0;
        for (int rho = 0; rho < RhoBins; ++rho) {
            const std::int32_t v = m_votes[i][rho];
            sum += v;
            sumSquares += static_cast<std::int64_t>(v) * v;
        }
        const double mean = static_cast<double>(sum) / RhoBins;
        var[i] = static_cast<double>(sumSquares) / RhoBins - mean * mean;
    }
    return var;
}

int HoughAccumulator::orientationPeaks() const
{
    return peaksOf(variances());
}

int HoughAccumulator::peaksOf(const std::array<double, AngleCount>& var)
{
    double mean = 0;
    for (const double v : var)
        mean += v;
    mean /= AngleCount;

    double first = 0;
    double second = 0;
    int peaks = 0;
    for (int i = 0; i < AngleCount; ++i) {
        const double before = var[(i + AngleCount - 1) % AngleCount];
        const double after = var[(i + 1) % AngleCount];
        if (var[i] > mean && var[i] > before && var[i] > after) {
            if (var[i] > second)
                second = var[i];
            if (var[i] > first) {
                second = first;
                first = var[i];
            }
            ++peaks;
        }
    }
    if (second != 0 && first / second <= 3)
        return peaks > 3 ? 0 : 2;
    return 1;
}

} // namespace vestiscop::pattern

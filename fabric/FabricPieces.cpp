// SPDX-License-Identifier: GPL-3.0-or-later
#include "fabric/FabricPieces.h"
#include "fabric/FabricSteps.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include <opencv2/imgproc.hpp>

namespace vestiscop::fabric {

namespace {

// The first x from x on (end when none) whose byte is non-zero (set) or
// zero (!set), eight bytes at a time: a cloth's mask is long runs of both.
int nextByte(const std::uint8_t* row, int x, int end, bool set)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    for (; x + 8 <= end; x += 8) {
        std::uint64_t word;
        std::memcpy(&word, row + x, sizeof word);
        // set: any non-zero byte; !set: the high bit of every zero byte
        // (and maybe of bytes above the first zero one, which do not count).
        const std::uint64_t found = set ? word : (word - ones) & ~word & highs;
        if (found != 0)
            return x + std::countr_zero(found) / 8;
    }
    while (x < end && (row[x] != 0) != set)
        ++x;
    return x;
}

// The runs of non-zero pixels of every row of a mask, joined into pieces:
// a run joins the runs of the row above that touch it, diagonally too.
// Only the runs are labelled, not every pixel (a cloth's pieces are long
// runs: a few thousand where the region has 250,000 pixels).
struct RunPieces {
    struct Run {
        int y;
        int first;
        int last;
    };
    std::vector<Run> runs;  // row by row, left to right
    std::vector<std::int32_t> parent;

    explicit RunPieces(const cv::Mat& mask)
    {
        CV_Assert(mask.type() == CV_8U);
        std::size_t above = 0;  // the first run of the row above
        for (int y = 0; y < mask.rows; ++y) {
            const std::uint8_t* row = mask.ptr<std::uint8_t>(y);
            const std::size_t here = runs.size();
            for (int x = nextByte(row, 0, mask.cols, true); x < mask.cols; x = nextByte(row, x, mask.cols, true)) {
                const int first = x;
                x = nextByte(row, x, mask.cols, false);
                const auto id = static_cast<std::int32_t>(runs.size());
                runs.push_back({y, first, x - 1});
                parent.push_back(id);
                // Runs of the row above that end left of this one's left
                // neighbour touch neither it nor any run right of it.
                while (above < here && runs[above].last < first - 1)
                    ++above;
                for (std::size_t a = above; a < here && runs[a].first <= x; ++a) {
                    const std::int32_t p = root(static_cast<std::int32_t>(a));
                    const std::int32_t q = root(id);
                    if (p != q)
                        parent[static_cast<std::size_t>(std::max(p, q))] = std::min(p, q);
                }
            }
            above = here;
        }
    }

    std::int32_t root(std::int32_t i)
    {
        while (parent[static_cast<std::size_t>(i)] != i) {
            parent[static_cast<std::size_t>(i)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(i)])];
            i = parent[static_cast<std::size_t>(i)];
        }
        return i;
    }
};

} // namespace

std::vector<std::int64_t> pieceAreas(const cv::Mat& mask)
{
    RunPieces found(mask);
    const std::size_t n = found.runs.size();
    std::vector<std::int64_t> sums(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        sums[static_cast<std::size_t>(found.root(static_cast<std::int32_t>(i)))] +=
            found.runs[i].last - found.runs[i].first + 1;
    std::vector<std::int64_t> pieces;
    for (std::size_t i = 0; i < n; ++i)
        if (found.parent[i] == static_cast<std::int32_t>(i))
            pieces.push_back(sums[i]);
    return pieces;
}

std::vector<MaskPiece> maskPieces(const cv::Mat& mask)
{
    RunPieces found(mask);
    const std::size_t n = found.runs.size();
    // Each piece's place: the first 2 x 2 block of the mask that holds a
    // pixel of it, blocks in rows of blocks, each row left to right.
    const std::int64_t blocksPerRow = (static_cast<std::int64_t>(mask.cols) + 1) / 2;
    std::vector<std::int64_t> place(n, std::numeric_limits<std::int64_t>::max());
    std::vector<std::int32_t> rootOf(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto r = static_cast<std::size_t>(found.root(static_cast<std::int32_t>(i)));
        rootOf[i] = static_cast<std::int32_t>(r);
        const RunPieces::Run& run = found.runs[i];
        place[r] = std::min(place[r], (run.y / 2) * blocksPerRow + run.first / 2);
    }
    std::vector<std::int32_t> roots;
    for (std::size_t i = 0; i < n; ++i)
        if (rootOf[i] == static_cast<std::int32_t>(i))
            roots.push_back(static_cast<std::int32_t>(i));
    std::sort(roots.begin(), roots.end(), [&](std::int32_t p, std::int32_t q) {
        return place[static_cast<std::size_t>(p)] < place[static_cast<std::size_t>(q)];
    });
    std::vector<std::int32_t> number(n, -1);
    for (std::size_t k = 0; k < roots.size(); ++k)
        number[static_cast<std::size_t>(roots[k])] = static_cast<std::int32_t>(k);

    // Area, bounding box and the sums of the coordinates, as whole numbers.
    std::vector<MaskPiece> pieces(roots.size());
    std::vector<std::int64_t> sumX(roots.size(), 0);
    std::vector<std::int64_t> sumY(roots.size(), 0);
    std::vector<int> right(roots.size(), -1);
    std::vector<int> bottom(roots.size(), -1);
    for (MaskPiece& piece : pieces) {
        piece.left = mask.cols;
        piece.top = mask.rows;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const RunPieces::Run& run = found.runs[i];
        const auto k = static_cast<std::size_t>(number[static_cast<std::size_t>(rootOf[i])]);
        MaskPiece& piece = pieces[k];
        const std::int64_t length = run.last - run.first + 1;
        piece.area += length;
        piece.left = std::min(piece.left, run.first);
        piece.top = std::min(piece.top, run.y);
        right[k] = std::max(right[k], run.last);
        bottom[k] = std::max(bottom[k], run.y);
        sumX[k] += (static_cast<std::int64_t>(run.first) + run.last) * length / 2;
        sumY[k] += static_cast<std::int64_t>(run.y) * length;
    }
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        MaskPiece& piece = pieces[k];
        piece.width = right[k] - piece.left + 1;
        piece.height = bottom[k] - piece.top + 1;
        const auto area = static_cast<double>(piece.area);
        piece.centreX = static_cast<double>(sumX[k]) / area;
        piece.centreY = static_cast<double>(sumY[k]) / area;
    }
    // The second moments about the centre, each piece's pixels summed row
    // by row, left to right.
    for (std::size_t i = 0; i < n; ++i) {
        const RunPieces::Run& run = found.runs[i];
        MaskPiece& piece = pieces[static_cast<std::size_t>(number[static_cast<std::size_t>(rootOf[i])])];
        const double dy = run.y - piece.centreY;
        for (int x = run.first; x <= run.last; ++x) {
            const double dx = x - piece.centreX;
            piece.sxx += dx * dx;
            piece.syy += dy * dy;
            piece.sxy += dx * dy;
        }
    }
    return pieces;
}

int countPieces(const cv::Mat& mask, double minAreaPx)
{
    cv::Mat opened;
    cv::morphologyEx(mask, opened, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3)));
    int pieces = 0;
    for (const std::int64_t area : pieceAreas(opened))
        pieces += static_cast<double>(area) >= minAreaPx ? 1 : 0;
    return pieces;
}

MaskRuns maskRuns(const imaging::ByteImage& mask)
{
    MaskRuns runs;
    const int w = mask.width();
    const int h = mask.height();
    if (w <= 0 || h <= 0)
        return runs;
    // A run starts at a pattern pixel whose left (or upper) neighbour is not
    // one. Counted with the row above and the pixel to the left read straight
    // from the mask, the counts of a row need no pixel before them: the loop
    // takes many pixels at once, and a 2048 x 2048 mask is a few milliseconds.
    const std::vector<std::uint8_t> none(static_cast<std::size_t>(w), 0);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = mask.row(y);
        const std::uint8_t* above = y > 0 ? mask.row(y - 1) : none.data();
        const int first = row[0] != 0 ? 1 : 0;
        runs.pixels += first;
        runs.runsX += first;
        runs.runsY += first & (above[0] == 0 ? 1 : 0);
        // Byte counters over stretches of at most 255 pixels, so that the
        // loop works on as many pixels at once as a vector register holds.
        for (int start = 1; start < w; start += 255) {
            const int end = std::min(w, start + 255);
            std::uint8_t on = 0;
            std::uint8_t startsX = 0;
            std::uint8_t startsY = 0;
            for (int x = start; x < end; ++x) {
                const std::uint8_t here = row[x] != 0 ? 1 : 0;
                on = static_cast<std::uint8_t>(on + here);
                startsX = static_cast<std::uint8_t>(startsX + (here & (row[x - 1] == 0 ? 1 : 0)));
                startsY = static_cast<std::uint8_t>(startsY + (here & (above[x] == 0 ? 1 : 0)));
            }
            runs.pixels += on;
            runs.runsX += startsX;
            runs.runsY += startsY;
        }
    }
    return runs;
}

std::vector<bool> formsPieces(const ColourClusters& clusters, double mmPerPx, double maxShare)
{
    std::vector<bool> result(clusters.centres.size(), false);
    const double minArea = 0.15 / (mmPerPx * mmPerPx);
    for (std::size_t k = 1; k < result.size(); ++k)
        if (clusters.shares[k] < maxShare)
            result[k] = countPieces(clusters.labels == static_cast<int>(k), minArea) >= 3;
    return result;
}

} // namespace vestiscop::fabric

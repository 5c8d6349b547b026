// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Splits the rows of a large picture into bands that are worked on at the
// same time, one thread per band. A caller gives every band its own counts
// and adds them up in band order afterwards; as long as what is added is an
// integer count, the result is the very same as one pass over all rows.
// Small pictures stay in one band on the calling thread: starting a thread
// costs more than it saves there.

#include <functional>

namespace vestiscop::foundation {

struct RowBand {
    int index = 0;  // 0 .. count - 1, top band first
    int first = 0;  // first row of the band
    int end = 0;    // one past its last row
};

inline constexpr int MaxRowBands = 8;
inline constexpr long MinBandPixels = 65536;

// How many bands a width x height picture is worked in: one per processor
// (or as set by setRowBands), at most MaxRowBands, with at least
// MinBandPixels pixels and one row in each.
int rowBandCount(int width, int height);

// Sets the bands per picture for the whole process in place of one per
// processor (1 = everything on the calling thread); 0 restores the default.
// For comparing banded and single runs on any machine.
void setRowBands(int bands);

// Splits height rows into `bands` bands of nearly equal height and calls
// work(band) for each, band 0 on the calling thread and the others on
// threads of their own, and returns once all have finished. If any call
// throws, the exception of the lowest band is rethrown.
void forEachRowBand(int height, int bands, const std::function<void(const RowBand&)>& work);

} // namespace vestiscop::foundation

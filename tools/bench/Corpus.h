// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The benchmark corpus: which fabrics and which scans of them, for the
// tuning part (settings are chosen on it) and the checking part (figures
// are reported on it, never tuned on). The two parts use disjoint seeds,
// so no fabric, colour choice or scan of one appears in the other.

#include <cstdint>
#include <string>
#include <vector>

#include "Garment.h"

namespace vestiscop::bench {

enum class Split { Tune, Check };

Split parseSplit(const std::string& text);  // "tune" or "check"; std::invalid_argument otherwise
const char* splitName(Split split);
// The first seed of a corpus of the part for one purpose (1 patterns, 2
// recognition, ...; 6 the woven colours); the parts never share a seed.
std::uint32_t baseSeed(Split split, std::uint32_t purpose);

struct CorpusCase {
    Fabric fabric;
    Scan scan;  // resolution and size still to be set by the caller
};

// perFamily fabrics of every family, one scan each: the families the
// standard analysis was tuned on (fabricFamilies()), or all of them with the
// wardrobe kinds (patternFamilies()). A family's fabrics and scans are the
// same in both.
std::vector<CorpusCase> patternCorpus(Split split, int perFamily, bool wardrobe = false);

// Garments for recognition: count fabrics (families in turn) with scans
// scans each; scan 0 is the one the garment is added from.
struct GarmentScans {
    Fabric fabric;
    std::vector<Scan> scans;
};
std::vector<GarmentScans> recognitionCorpus(Split split, int count, int scans);
// Other garments for recognition, re-scanned as a user lays them on the
// glass again: each scan shifted by up to maxShiftMm and turned by up to
// maxTurnDegrees, with its own noise. first skips that many garments of the
// part's sequence (a further set of garments, drawn the same way).
std::vector<GarmentScans> rescanCorpus(Split split, int count, int scans, double maxShiftMm, double maxTurnDegrees,
                                       int first = 0);

// Pairs of plain garments of the very same colour that differ only in their
// weave (thread spacing, relief and yarns drawn anew for the second of a
// pair), scanned as rescanCorpus does: garments 2i and 2i + 1 are a pair.
std::vector<GarmentScans> weaveTwinCorpus(Split split, int pairs, int scans, double maxShiftMm, double maxTurnDegrees);

// Held out from tuning: every third entry of the survey colour list.
bool surveyColourHeldOut(std::size_t index);
// For cross-validation inside the tuning part: the fold (0..folds-1) of a
// survey colour, by runs of three list entries.
int surveyColourFold(std::size_t index, int folds);

} // namespace vestiscop::bench

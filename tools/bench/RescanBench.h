// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the re-scan command (RescanBench.cpp) and its searches over the
// signature matching's values (RescanGrids.cpp) share.

#include "BenchCommands.h"

namespace vestiscop::bench {

// ------------------------------------------------------- re-scans
//
// Each garment has 7 scans: 0 adds the known ones, 1-3 are the first round
// of re-scans, 4-6 the second. The second round is measured twice: once
// with the catalogue as added, once after every first-round re-scan that
// was not matched right was corrected into its garment.

struct ScanParts {
    color::ColorAnalysis record;
    signature::GarmentSignature signature;
};

struct RoundCounts {
    int right = 0;
    int wrong = 0;
    int rejected = 0;
    int total = 0;
    std::vector<int> rightPerGarment;
    void count(int found, int expected, int garment)
    {
        ++total;
        if (found == expected) {
            ++right;
            ++rightPerGarment[static_cast<std::size_t>(garment)];
        } else {
            ++(found < 0 ? rejected : wrong);
        }
    }
    RoundCounts& operator+=(const RoundCounts& c)
    {
        right += c.right;
        wrong += c.wrong;
        rejected += c.rejected;
        total += c.total;
        return *this;
    }
};

struct RescanCounts {
    RoundCounts first, secondAsAdded, secondCorrected;
    int strangerMatched = 0;
    int strangerScans = 0;
    int corrected = 0;
    int garmentsWorse = 0;  // garments whose second round lost right matches through corrections
    std::vector<double> ownDistance, otherDistance;
    RescanCounts& operator+=(const RescanCounts& c)
    {
        first += c.first;
        secondAsAdded += c.secondAsAdded;
        secondCorrected += c.secondCorrected;
        strangerMatched += c.strangerMatched;
        strangerScans += c.strangerScans;
        corrected += c.corrected;
        garmentsWorse += c.garmentsWorse;
        ownDistance.insert(ownDistance.end(), c.ownDistance.begin(), c.ownDistance.end());
        otherDistance.insert(otherDistance.end(), c.otherDistance.begin(), c.otherDistance.end());
        return *this;
    }
    // Every re-scan of a known garment without corrections: the first and
    // the later ones.
    RoundCounts all() const
    {
        RoundCounts c = first;
        return c += secondAsAdded;
    }
};

// The scans of each set of garments (--rounds), each set its own catalogue.
using ScanSets = std::vector<std::vector<std::vector<ScanParts>>>;

constexpr int RescanGarments = 50;
constexpr int RescanKnown = 40;
constexpr int RescanScans = 7;
constexpr int WeaveTwinPairs = 10;


RescanCounts replayRescans(const std::vector<std::vector<ScanParts>>& scans, const foundation::AllSettings& all,
                           const signature::RecognitionSettings& recognition, int known = RescanKnown);
RescanCounts replaySets(const ScanSets& sets, const foundation::AllSettings& all,
                        const signature::RecognitionSettings& recognition, int known = RescanKnown);
std::string roundText(const RoundCounts& r);
void printRescans(const char* label, const RescanCounts& c);
void printQuantiles(const char* label, std::vector<double> v);
// One figure to rank values by: right re-scans less the wrong ones, the
// unknown garments matched and the garments made worse by corrections.
double rescanScore(const RescanCounts& c);

// The searches (RescanGrids.cpp): each ranks values of the signature
// matching on the tuning sets and the weave twins.
void weightGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
                const signature::RecognitionSettings& recognition, int knownCount);
void capGrid(const ScanSets& scans, const signature::RecognitionSettings& recognition, int knownCount);
void weaveGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
               const signature::RecognitionSettings& recognition, int knownCount);
void findingsGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
                  const signature::RecognitionSettings& recognition, int knownCount);
void groundGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
                const signature::RecognitionSettings& recognition, int knownCount);
void textureGrid(const ScanSets& scans, const std::vector<std::vector<ScanParts>>& twins,
                 const signature::RecognitionSettings& recognition, int knownCount);
// The texture terms between two signatures, as text (for misses).
std::string textureTerms(const signature::GarmentSignature& p, const signature::GarmentSignature& q,
                         const signature::DistanceWeights& w);

} // namespace vestiscop::bench

// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop_bench recognition: catalogues added from one scan each.

#include "BenchCommands.h"

namespace vestiscop::bench {

namespace {

// ----------------------------------------------------------- recognition

struct MatchCounts {
    int right = 0;
    int wrong = 0;
    int rejected = 0;
    int rescans = 0;
    int strangerMatched = 0;
    int strangerScans = 0;

    // Counts one scan's match; a garment never added has no slot (-1).
    // True when a known garment's scan was not matched to it, so that the
    // replay corrects it as a user would.
    bool count(int found, int slot)
    {
        if (slot < 0) {
            ++strangerScans;
            strangerMatched += found >= 0 ? 1 : 0;
            return false;
        }
        ++rescans;
        if (found == slot) {
            ++right;
            return false;
        }
        ++(found < 0 ? rejected : wrong);
        return true;
    }
};

// The first `known` garments are added from scan 0; every later scan of
// them should be matched to them; the scans of the others to nothing. A
// scan that is not matched right is corrected into its garment, as a user
// who tells the program which garment it is.
MatchCounts replay(const std::vector<std::vector<color::ColorAnalysis>>& records, int known,
                   const foundation::MatchingSettings& matching, const std::vector<GarmentScans>* explain = nullptr)
{
    foundation::MatchingSettings settings = matching;
    settings.materials = scratchCatalogue();
    std::filesystem::remove(settings.materials);
    MatchCounts counts;
    {
        catalog::GarmentCatalog catalogue(settings);
        std::vector<int> slot(records.size(), -1);
        for (int g = 0; g < known; ++g)
            slot[static_cast<std::size_t>(g)] = catalogue.add(records[static_cast<std::size_t>(g)][0], "g" + std::to_string(g));
        const std::size_t scans = records.front().size();
        for (std::size_t s = 1; s < scans; ++s) {
            for (std::size_t g = 0; g < records.size(); ++g) {
                double similarity = 0;
                const int found = catalogue.findMatch(records[g][s], similarity);
                if (!counts.count(found, slot[g]))
                    continue;
                if (explain != nullptr) {
                    const auto lab = [](const color::LabPixel& p) {
                        return std::to_string(p.l) + " " + std::to_string(p.a) + " " + std::to_string(p.b);
                    };
                    const color::ColorAnalysis& r = records[g][s];
                    std::printf("    garment %zu (%s) scan %zu: A %s %.2f, B %s -> %s\n", g,
                                (*explain)[g].fabric.family.c_str(), s, lab(r.colorA).c_str(), r.shareA,
                                lab(r.colorB).c_str(),
                                found < 0 ? "rejected"
                                          : ("garment " + std::to_string(found) + " (" +
                                             (*explain)[static_cast<std::size_t>(found)].fabric.family + ")")
                                                .c_str());
                }
                catalogue.correct(slot[g], records[g][s]);
            }
        }
        // The strangers' first scans too.
        for (std::size_t g = static_cast<std::size_t>(known); g < records.size(); ++g) {
            double similarity = 0;
            counts.count(catalogue.findMatch(records[g][0], similarity), -1);
        }
    }
    std::filesystem::remove(settings.materials);
    return counts;
}

// The same replay through the matching that the configuration's [Matching]
// Signatures names, with each scan's signature beside its record.
MatchCounts replaySignatures(const std::vector<std::vector<color::ColorAnalysis>>& records,
                             const std::vector<std::vector<signature::GarmentSignature>>& signatures, int known,
                             const foundation::AllSettings& all, signature::RecognitionSettings recognition)
{
    foundation::MatchingSettings matching = all.matching;
    matching.materials = scratchCatalogue();
    recognition.signatures = matching.materials + ".sig";
    std::filesystem::remove(matching.materials);
    std::filesystem::remove(recognition.signatures);
    MatchCounts counts;
    {
        catalog::GarmentCatalog catalogue(matching);
        signature::Recognizer recognizer(catalogue, matching, recognition, all.color, all.scan);
        std::vector<int> slot(records.size(), -1);
        for (std::size_t g = 0; g < static_cast<std::size_t>(known); ++g)
            slot[g] = recognizer.add(records[g][0], signatures[g][0], "g" + std::to_string(g));
        const auto match = [&](std::size_t g, std::size_t s) {
            double similarity = 0;
            return recognizer.findMatch(records[g][s], signatures[g][s], similarity);
        };
        for (std::size_t s = 1; s < records.front().size(); ++s)
            for (std::size_t g = 0; g < records.size(); ++g) {
                if (counts.count(match(g, s), slot[g]))
                    recognizer.correct(slot[g], records[g][s], signatures[g][s]);
            }
        for (std::size_t g = static_cast<std::size_t>(known); g < records.size(); ++g)
            counts.count(match(g, 0), -1);
    }
    std::filesystem::remove(matching.materials);
    std::filesystem::remove(recognition.signatures);
    return counts;
}

double score(const MatchCounts& c)
{
    const double right = 100.0 * c.right / c.rescans;
    const double wrong = 100.0 * c.wrong / c.rescans;
    const double stranger = 100.0 * c.strangerMatched / c.strangerScans;
    // A wrong name is worse than none: the user trusts it.
    return right - 4 * wrong - stranger;
}

void printCounts(const char* label, const MatchCounts& c)
{
    std::printf("  %-28s right %s  wrong %s  rejected %s  unrelated matched %s (%d + %d + %d of %d; %d of %d)\n",
                label, percent(c.right, c.rescans).c_str(), percent(c.wrong, c.rescans).c_str(),
                percent(c.rejected, c.rescans).c_str(), percent(c.strangerMatched, c.strangerScans).c_str(), c.right,
                c.wrong, c.rejected, c.rescans, c.strangerMatched, c.strangerScans);
}

} // namespace

int runRecognition(const Options& options)
{
    const Setup setup = loadSetup(options.config);
    const auto& s = setup.settings;
    const color::ColorNameTable names = color::ColorNameTable::load(tablePath(setup, s.color.definitions));
    const int garments = 40;
    const int known = 30;
    const int scans = 5;
    const auto corpus = recognitionCorpus(options.split, garments, scans);
    const std::unique_ptr<analysis::Analyser> analyzer = configuredAnalyser(setup, s.texture, names);
    // "from TABLE": the garments were added with another colour table (an
    // older catalogue), the re-scans use the configured one.
    const bool older = options.arguments.size() == 3 && options.arguments[1] == "from";
    const color::ColorNameTable addedNames = older ? color::ColorNameTable::load(tablePath(setup, options.arguments[2])) : names;

    const signature::RecognitionSettings recognition = signature::recognitionSettings(s.matching);
    const std::unique_ptr<analysis::Analyser> addedAnalyzer = configuredAnalyser(setup, s.texture, addedNames);
    std::vector<std::vector<color::ColorAnalysis>> records;
    std::vector<std::vector<signature::GarmentSignature>> signatures;
    for (const GarmentScans& g : corpus) {
        records.emplace_back();
        signatures.emplace_back();
        for (Scan scan : g.scans) {
            const bool added = records.size() <= static_cast<std::size_t>(known) && records.back().empty();
            analysis::Analyser& scanAnalyzer = older && added ? *addedAnalyzer : *analyzer;
            scan.xDpi = s.scan.xRes;
            scan.yDpi = s.scan.yRes;
            scan.width = s.texture.width;
            scan.height = s.texture.height;
            color::ColorAnalysis record;
            signature::GarmentSignature sig;
            try {
                scanAnalyzer.analyze(render(g.fabric, scan));
                record = scanAnalyzer.result().record;
                if (!recognition.signatures.empty())
                    sig = signature::describe(scanAnalyzer.result(), s.color, s.scan);
            } catch (const foundation::VisionError&) {
                record.valid = 1;  // an empty record: matches nothing near
            }
            records.back().push_back(record);
            signatures.back().push_back(sig);
        }
    }
    std::printf("Recognition, %s part: %d garments added from one scan, %d re-scans each; %d unrelated garments, %d scans "
                "each; %s analysis\n",
                splitName(options.split), known, scans - 1, garments - known, scans, setup.improved ? "improved" : "standard");
    const MatchCounts shipped =
        replay(records, known, s.matching, std::getenv("BENCH_VERBOSE") != nullptr ? &corpus : nullptr);
    printCounts("configured [Matching]", shipped);
    std::printf("RESULT recognition %s right %.1f wrong %.1f rejected %.1f unrelated %.1f\n", splitName(options.split),
                100.0 * shipped.right / shipped.rescans, 100.0 * shipped.wrong / shipped.rescans,
                100.0 * shipped.rejected / shipped.rescans, 100.0 * shipped.strangerMatched / shipped.strangerScans);
    if (!recognition.signatures.empty()) {
        // What the configuration itself does: the same scans, signatures on.
        const MatchCounts c = replaySignatures(records, signatures, known, s, recognition);
        printCounts("configured, signatures on", c);
        std::printf("RESULT signature-recognition %s right %.1f wrong %.1f rejected %.1f unrelated %.1f\n",
                    splitName(options.split), 100.0 * c.right / c.rescans, 100.0 * c.wrong / c.rescans,
                    100.0 * c.rejected / c.rescans, 100.0 * c.strangerMatched / c.strangerScans);
    }
    if (std::find(options.arguments.begin(), options.arguments.end(), "grid") == options.arguments.end())
        return 0;

    foundation::MatchingSettings best = s.matching;
    MatchCounts bestCounts = shipped;
    // Of equally good settings the first found stays, so the values nearest
    // to the plain defaults (equal weights, share 400, decay 3) come first.
    for (const double lab : {1.0, 0.5, 2.0})
        for (const double share : {400.0, 100.0, 1600.0, 0.0})
            for (const double second : {1.0, 0.5})
                for (const double maxDistance : {400.0, 200.0, 800.0, 100.0, 1600.0, 3200.0})
                    for (const double minSimilarity : {0.5, 0.35, 0.65, 0.2})
                        for (const double decay : {3.0, 1.0, 6.0}) {
                            foundation::MatchingSettings m = s.matching;
                            m.color1Weight = {lab, 1, 1, share};
                            m.color2Weight = {lab * second, second, second, share};
                            m.maxDistance = maxDistance;
                            m.minSimilarity = minSimilarity;
                            m.mergeDecay = decay;
                            const MatchCounts c = replay(records, known, m);
                            if (score(c) > score(bestCounts)) {
                                bestCounts = c;
                                best = m;
                            }
                        }
    std::printf("  best of the grid: Color1Weight = %g %g %g %g  Color2Weight = %g %g %g %g  MaxDistance = %g  "
                "MinSimilarity = %g  MergeDecay = %g\n",
                best.color1Weight[0], best.color1Weight[1], best.color1Weight[2], best.color1Weight[3],
                best.color2Weight[0], best.color2Weight[1], best.color2Weight[2], best.color2Weight[3],
                best.maxDistance, best.minSimilarity, best.mergeDecay);
    printCounts("best of the grid", bestCounts);
    return 0;
}

} // namespace vestiscop::bench

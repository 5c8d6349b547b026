// SPDX-License-Identifier: GPL-3.0-or-later
// Measures how well the shipped configuration names colours, classifies
// patterns and recognises garments, driving the analysis in this process.
//
//   vestiscop_bench [--config FILE] [--split tune|check] [--per-family N] [--fold K/N] [--rounds N] COMMAND
//
//   naming SURVEY.tsv SURVEY-MAP NAMES-MAP [TABLE]
//       Names a uniform noisy patch of every mapped survey colour (the
//       part of the list that --split selects) and compares the basic term
//       of our name with the basic term of the survey name; names between
//       two basic terms are scored apart (either term is right). With
//       --fold K/N only fold K of N of the tuning part is scored (a table
//       fitted without it: make_color_table --fold K/N).
//   decisions CHECKS.tsv NAMES-MAP [TABLE]
//       Names a uniform noisy patch of every colour of CHECKS
//       (tools/colors/decision-checks.tsv: kinds a Czech speaker decided
//       how to name) and counts per kind the right names and the names of
//       the wrong kind.
//   pattern        Pattern text per fabric family, with the confusion matrix.
//   sweep          Pattern accuracy per class while one setting at a time
//                  (XRes/YRes, Filter, LumaScale, ClusterThr, HistSmooth,
//                  MaxBins) moves away from the configured value.
//   grid           Pattern accuracy per class for every combination of
//                  XRes/YRes, Filter, ClusterThr and HistSmooth around the
//                  defaults, ranked by the worst class (for tuning).
//   whites         White, cream and light grey fabrics named bílá,
//                  smetanová and světle šedá (Whites.h).
//   fit [DEPTH]    Fits the improved analysis's pattern rules (FabricBench.cpp).
//   forest fit|cross|check ...
//                  The pattern forest fitted on one renderer's scans and
//                  checked on the other's (ForestBench.cpp).
//   woven ours|atelier|both
//                  Woven plain cloth named in the hue of its dyed yarn
//                  (WovenBench.cpp).
//   fabric [NAMES-MAP]
//                  The standard and the improved analysis side by side.
//   recognition [grid | from TABLE]
//                  Catalogue of garments added from one scan each; how
//                  re-scans and unrelated garments are matched. With "grid"
//                  also a search over the [Matching] values; with "from
//                  TABLE" the garments are added with another colour table
//                  (a catalogue made before the table changed). When the
//                  configuration names [Matching] Signatures, the same
//                  scans are also matched that way (the configured matching).
//   rescans [standard|improved] [grid] [cap] [weave] [findings] [ground] [texture] [misses]
//                  40 garments added from one scan each and 10 never added,
//                  re-scanned shifted by up to 20 mm and turned by up to 3
//                  degrees: the classic matching and the signature matching
//                  side by side, before and after corrections, with the
//                  analysis the configuration names or the one given. With
//                  "grid" also a search over the signature matching's values,
//                  with "misses" every re-scan not matched right, with
//                  "cap" a search over the spectrum's cap, the motifs'
//                  spectrum weight and the ambiguity margin. On the
//                  tuning part, --rounds N repeats it all on N sets of 50
//                  garments (the first set is the one of --rounds 1), each
//                  with its own catalogue of 40, and adds up the counts: a
//                  tuning part large enough to show misses; --catalogue K
//                  puts K of those sets into one catalogue (K x 40 known
//                  garments, K x 10 unknown), so that garments of one
//                  colour and kind meet. "weave" searches the weave's
//                  weight and blur tolerance, "findings" the weights of
//                  two signatures of the improved analysis's findings
//                  (their texture's half-contrast, their contrast's weight
//                  and a factor on their spectrum's terms), "ground" those
//                  of two such signatures of another ground colour (when the
//                  ground counts as another, the factors on the orientation
//                  and the contrast terms), "texture" their colour
//                  variation's weight, weave half-contrast and extent's
//                  weight, each alone. "misses" shows each texture
//                  term of a missed re-scan. BENCH_PAIRS=FILE writes the
//                  distance terms of every scan to every known garment,
//                  BENCH_TERMS=FILE the same unweighted, for trying weights.
//                  The checking part is always the one set.
//
// The configuration defaults to data/vestiscop.cfg of the source tree; the
// colour table is its Definitions path, relative to the configuration's
// folder. Figures go to standard output as aligned text tables.


#include "BenchCommands.h"

using namespace vestiscop;
using namespace vestiscop::bench;

namespace {

int usage()
{
    std::fputs("usage: vestiscop_bench [--config FILE] [--split tune|check] [--per-family N] [--fold K/N] [--rounds N] "
               "[--catalogue K] "
               "naming|decisions|pattern|sweep|grid|recognition|whites|rescans|fit|forest|woven|fabric ...\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--config" && i + 1 < argc)
            options.config = argv[++i];
        else if (a == "--split" && i + 1 < argc)
            options.split = parseSplit(argv[++i]);
        else if (a == "--per-family" && i + 1 < argc)
            options.perFamily = std::stoi(argv[++i]);
        else if (a == "--rounds" && i + 1 < argc)
            options.rounds = std::stoi(argv[++i]);
        else if (a == "--catalogue" && i + 1 < argc)
            options.catalogue = std::stoi(argv[++i]);
        else if (a == "--fold" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%d/%d", &options.fold, &options.folds) != 2 || options.folds < 2 ||
                options.fold < 0 || options.fold >= options.folds)
                return usage();
        }
        else
            options.arguments.push_back(a);
    }
    if (options.arguments.empty())
        return usage();
    try {
        const std::string& command = options.arguments.front();
        if (command == "naming")
            return runNaming(options);
        if (command == "decisions")
            return runDecisions(options);
        if (command == "pattern")
            return runPattern(options);
        if (command == "sweep")
            return runSweep(options);
        if (command == "grid")
            return runGrid(options);
        if (command == "recognition")
            return runRecognition(options);
        if (command == "whites") {
            const Setup setup = loadSetup(options.config);
            const std::string table = options.arguments.size() > 1 ? options.arguments[1] : setup.settings.color.definitions;
            measureWhites(setup.settings, color::ColorNameTable::load(tablePath(setup, table)), options.split,
                          options.perFamily);
            return 0;
        }
        if (command == "rescans")
            return runRescans(options);
        if (command == "forest")
            return runForest(options);
        if (command == "woven")
            return runWoven(options);
        if (command == "fit" || command == "fabric") {
            const FabricBenchOptions fabricOptions{options.config, options.split, options.perFamily, options.arguments};
            return command == "fit" ? runFit(fabricOptions) : runFabricComparison(fabricOptions);
        }
        return usage();
    } catch (const foundation::Exception& e) {
        std::fprintf(stderr, "vestiscop_bench: %s\n", e.message(foundation::MessageCatalog::builtin(), 2).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vestiscop_bench: %s\n", e.what());
    }
    return 1;
}

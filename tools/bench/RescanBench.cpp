// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop_bench rescans: re-scans shifted and turned, classic and signature matching.

#include "RescanBench.h"

namespace vestiscop::bench {

RescanCounts replayRescans(const std::vector<std::vector<ScanParts>>& scans, const foundation::AllSettings& all,
                           const signature::RecognitionSettings& recognition, int known)
{
    RescanCounts counts;
    for (RoundCounts* r : {&counts.first, &counts.secondAsAdded, &counts.secondCorrected})
        r->rightPerGarment.assign(scans.size(), 0);
    for (const bool correcting : {false, true}) {
        foundation::MatchingSettings matching = all.matching;
        matching.materials = scratchCatalogue();
        signature::RecognitionSettings settings = recognition;
        if (!settings.signatures.empty())
            settings.signatures = matching.materials + ".sig";
        std::filesystem::remove(matching.materials);
        std::filesystem::remove(matching.materials + ".sig");
        {
            catalog::GarmentCatalog catalogue(matching);
            signature::Recognizer recognizer(catalogue, matching, settings, all.color, all.scan);
            std::vector<int> slot(scans.size(), -1);
            for (int g = 0; g < known; ++g) {
                const ScanParts& p = scans[static_cast<std::size_t>(g)][0];
                slot[static_cast<std::size_t>(g)] = recognizer.add(p.record, p.signature, "g" + std::to_string(g));
            }
            const auto match = [&](const ScanParts& p) {
                double similarity = 0;
                return recognizer.findMatch(p.record, p.signature, similarity);
            };
            for (std::size_t g = 0; g < scans.size(); ++g) {
                for (int s = 1; s < RescanScans; ++s) {
                    const ScanParts& p = scans[g][static_cast<std::size_t>(s)];
                    if (slot[g] < 0) {
                        if (!correcting) {
                            ++counts.strangerScans;
                            counts.strangerMatched += match(p) >= 0 ? 1 : 0;
                        }
                        continue;
                    }
                    const int found = match(p);
                    if (s <= 3) {
                        if (!correcting)
                            counts.first.count(found, slot[g], static_cast<int>(g));
                        if (correcting && found != slot[g]) {
                            recognizer.correct(slot[g], p.record, p.signature);
                            ++counts.corrected;
                        }
                    } else {
                        (correcting ? counts.secondCorrected : counts.secondAsAdded).count(found, slot[g], static_cast<int>(g));
                    }
                }
            }
            if (correcting) {
                // Unknown garments against the corrected catalogue too.
                for (std::size_t g = known; g < scans.size(); ++g) {
                    ++counts.strangerScans;
                    counts.strangerMatched += match(scans[g][0]) >= 0 ? 1 : 0;
                }
            } else if (!settings.signatures.empty()) {
                // Where the re-scans lie: from their own garment, and from the nearest other.
                for (std::size_t g = 0; g < scans.size(); ++g) {
                    for (int s = g < static_cast<std::size_t>(known) ? 1 : 0; s < RescanScans; ++s) {
                        const auto& sig = scans[g][static_cast<std::size_t>(s)].signature;
                        double other = 1e9;
                        for (std::size_t h = 0; h < static_cast<std::size_t>(known); ++h) {
                            const double d = signature::signatureDistance(sig, scans[h][0].signature, settings.weights);
                            if (h == g)
                                counts.ownDistance.push_back(d);
                            else
                                other = std::min(other, d);
                        }
                        counts.otherDistance.push_back(other);
                    }
                }
            }
        }
        std::filesystem::remove(matching.materials);
        std::filesystem::remove(matching.materials + ".sig");
    }
    for (std::size_t g = 0; g < scans.size(); ++g)
        counts.garmentsWorse += counts.secondCorrected.rightPerGarment[g] < counts.secondAsAdded.rightPerGarment[g] ? 1 : 0;
    return counts;
}

RescanCounts replaySets(const ScanSets& sets, const foundation::AllSettings& all,
                        const signature::RecognitionSettings& recognition, int known)
{
    RescanCounts sum;
    for (const auto& scans : sets)
        sum += replayRescans(scans, all, recognition, known);
    return sum;
}

std::string roundText(const RoundCounts& r)
{
    return "right " + percent(r.right, r.total) + "  wrong " + percent(r.wrong, r.total) + "  rejected " +
           percent(r.rejected, r.total) + " (" + std::to_string(r.right) + " + " + std::to_string(r.wrong) + " + " +
           std::to_string(r.rejected) + " of " + std::to_string(r.total) + ")";
}

void printRescans(const char* label, const RescanCounts& c)
{
    std::printf("  %s\n", label);
    std::printf("    first re-scans                    %s\n", roundText(c.first).c_str());
    std::printf("    later re-scans, no corrections    %s\n", roundText(c.secondAsAdded).c_str());
    std::printf("    all re-scans, no corrections      %s\n", roundText(c.all()).c_str());
    std::printf("    later re-scans, %2d corrections    %s\n", c.corrected, roundText(c.secondCorrected).c_str());
    std::printf("    garments recognised less after corrections: %d\n", c.garmentsWorse);
    std::printf("    unknown garments matched          %s (%d of %d)\n", percent(c.strangerMatched, c.strangerScans).c_str(),
                c.strangerMatched, c.strangerScans);
}



int runRescans(const Options& options)
{
    const Setup setup = loadSetup(options.config);
    const auto& s = setup.settings;
    signature::RecognitionSettings recognition = signature::recognitionSettings(s.matching);
    if (recognition.signatures.empty())
        recognition.signatures = "on";
    const color::ColorNameTable names = color::ColorNameTable::load(tablePath(setup, s.color.definitions));
    if (options.rounds < 1 || options.rounds > 20 || (options.rounds > 1 && options.split != Split::Tune))
        throw std::invalid_argument("--rounds 1-20 enlarges the tuning part only: --split tune");
    if (options.catalogue < 1 || options.rounds % options.catalogue != 0 || (options.catalogue > 1 && options.split != Split::Tune))
        throw std::invalid_argument("--catalogue K pools K of the --rounds sets (a divisor) on the tuning part only");
    std::vector<std::vector<GarmentScans>> corpus;
    for (int r = 0; r < options.rounds; ++r)
        corpus.push_back(rescanCorpus(options.split, RescanGarments, RescanScans, 20, 3, r * RescanGarments));
    // The analysis the configuration names ([Texture] Analysis), unless the
    // command line names one.
    std::string analysis = setup.improved ? "improved" : "standard";
    for (const std::string& a : options.arguments)
        if (a == "standard" || a == "improved")
            analysis = a;
    Setup chosen = setup;
    chosen.improved = analysis == "improved";
    const bool improved = chosen.improved;
    const std::unique_ptr<analysis::Analyser> analyzer = configuredAnalyser(chosen, s.texture, names);
    const auto analyse = [&](const std::vector<GarmentScans>& garments) {
        std::vector<std::vector<ScanParts>> all;
        for (const GarmentScans& g : garments) {
            all.emplace_back();
            for (Scan scan : g.scans) {
                scan.xDpi = s.scan.xRes;
                scan.yDpi = s.scan.yRes;
                scan.width = s.texture.width;
                scan.height = s.texture.height;
                ScanParts parts;
                try {
                    analyzer->analyze(render(g.fabric, scan));
                    parts.record = analyzer->result().record;
                    parts.signature = signature::describe(analyzer->result(), s.color, s.scan);
                } catch (const foundation::VisionError&) {
                    parts.record.valid = 1;  // an empty record: matches nothing near
                }
                all.back().push_back(parts);
            }
        }
        return all;
    };
    // BENCH_CACHE=DIR keeps the analysed scans between runs of one build
    // (for trying weights; the cache is not checked against the code).
    const auto cached = [&](const std::string& name, const std::vector<GarmentScans>& garments) {
        static_assert(std::is_trivially_copyable_v<ScanParts>);
        const char* dir = std::getenv("BENCH_CACHE");
        const std::string path = dir == nullptr ? std::string()
                                                : std::string(dir) + "/" + name + "-" + splitName(options.split) + "-" +
                                                      (improved ? "improved" : "standard") + ".bin";
        std::vector<std::vector<ScanParts>> all(garments.size(), std::vector<ScanParts>(RescanScans));
        if (!path.empty()) {
            std::ifstream in(path, std::ios::binary);
            bool ok = static_cast<bool>(in);
            for (auto& g : all)
                ok = ok && in.read(reinterpret_cast<char*>(g.data()), static_cast<std::streamsize>(g.size() * sizeof(ScanParts)));
            if (ok)
                return all;
        }
        all = analyse(garments);
        if (!path.empty()) {
            std::ofstream out(path, std::ios::binary);
            for (const auto& g : all)
                out.write(reinterpret_cast<const char*>(g.data()), static_cast<std::streamsize>(g.size() * sizeof(ScanParts)));
        }
        return all;
    };
    ScanSets scans;
    for (int r = 0; r < options.rounds; ++r)
        scans.push_back(cached(r == 0 ? std::string("rescans") : "rescans" + std::to_string(r), corpus[static_cast<std::size_t>(r)]));
    // Plain garments of one colour that differ only in weave, every one of
    // them added: whether the matching tells the two of a pair apart.
    const std::vector<std::vector<ScanParts>> twinScans =
        cached("weave-pairs", weaveTwinCorpus(options.split, WeaveTwinPairs, RescanScans, 20, 3));
    // --catalogue K: K sets in one catalogue (their known garments first),
    // so that garments of one colour and kind meet more often.
    int knownCount = RescanKnown;
    if (options.catalogue > 1) {
        ScanSets pooled;
        std::vector<std::vector<GarmentScans>> pooledCorpus;
        for (std::size_t r = 0; r + static_cast<std::size_t>(options.catalogue) <= scans.size();
             r += static_cast<std::size_t>(options.catalogue)) {
            pooled.emplace_back();
            pooledCorpus.emplace_back();
            for (const bool knownPart : {true, false})
                for (std::size_t q = r; q < r + static_cast<std::size_t>(options.catalogue); ++q)
                    for (std::size_t g = knownPart ? 0 : RescanKnown; g < (knownPart ? RescanKnown : scans[q].size()); ++g) {
                        pooled.back().push_back(scans[q][g]);
                        pooledCorpus.back().push_back(corpus[q][g]);
                    }
        }
        scans = std::move(pooled);
        corpus = std::move(pooledCorpus);
        knownCount = RescanKnown * options.catalogue;
    }
    std::printf("Re-scans, %s part, %s analysis: %d garments added from one scan, %d never added; each scanned %d "
                "more times, shifted up to 20 mm and turned up to 3 degrees",
                splitName(options.split), improved ? "improved" : "standard", knownCount,
                static_cast<int>(scans.front().size()) - knownCount, RescanScans - 1);
    if (options.rounds > 1)
        std::printf("; %d such sets, each its own catalogue, counts added up", options.rounds);
    std::printf("\n");
    signature::RecognitionSettings classicSettings;
    const RescanCounts classic = replaySets(scans, s, classicSettings, knownCount);
    const RescanCounts signatures = replaySets(scans, s, recognition, knownCount);
    printRescans("classic matching (two leading colours)", classic);
    printRescans("signature matching", signatures);
    const RescanCounts twins = replayRescans(twinScans, s, recognition, WeaveTwinPairs * 2);
    std::printf("  %d plain garments, pairs of one colour in two weaves, signature matching:\n", WeaveTwinPairs * 2);
    std::printf("    re-scans                          %s\n", roundText(twins.first).c_str());
    std::printf("    later re-scans, no corrections    %s\n", roundText(twins.secondAsAdded).c_str());
    std::printf("  signature distances, quantiles 0 1 5 50 95 99 100 %%:\n");
    printQuantiles("re-scan from its own garment", signatures.ownDistance);
    printQuantiles("any scan from the nearest other", signatures.otherDistance);
    // BENCH_PAIRS=FILE writes every scan's distance terms to every known
    // garment's first scan, one line each, for looking at them elsewhere.
    if (const char* pairsPath = std::getenv("BENCH_PAIRS")) {
        std::FILE* out = std::fopen(pairsPath, "w");
        const auto only = [](auto set) {
            signature::DistanceWeights w{};
            w.orientationWeight = w.periodWeight = w.spectrumWeight = w.variationWeight = 0;
            w.contrastWeight = w.patternWeight = w.weaveWeight = w.layoutWeight = w.sizeWeight = 0;
            w.findingsContrastWeight = w.findingsVariationWeight = w.findingsSizeWeight = 0;
            w.motifSpectrumScale = 1;
            set(w);
            return w;
        };
        const auto base = recognition.weights;
        const auto spectral = only([&](signature::DistanceWeights& w) {
            w.orientationWeight = base.orientationWeight;
            w.periodWeight = base.periodWeight;
            w.spectrumWeight = base.spectrumWeight;
            w.variationWeight = base.variationWeight;
            w.findingsVariationWeight = base.findingsVariationWeight;
        });
        const auto contrastOnly = only([](signature::DistanceWeights& w) { w.contrastWeight = w.findingsContrastWeight = 1; });
        const auto weaveOnly = only([&](signature::DistanceWeights& w) {
            w.weaveWeight = 1;
            w.weaveFloor = base.weaveFloor;
        });
        for (std::size_t r = 0; out != nullptr && r < scans.size(); ++r) {
            const auto& set = scans[r];
            for (std::size_t g = 0; g < set.size(); ++g) {
                for (int k = g < static_cast<std::size_t>(knownCount) ? 1 : 0; k < RescanScans; ++k) {
                    const auto& sig = set[g][static_cast<std::size_t>(k)].signature;
                    const auto longShareOf = [](const signature::GarmentSignature& x) {
                        double share = 0;
                        for (int o = 0; o < signature::OrientationBins; ++o)
                            share += x.texture[static_cast<std::size_t>(5 * signature::OrientationBins + o)] +
                                     x.texture[static_cast<std::size_t>(6 * signature::OrientationBins + o)];
                        return share;
                    };
                    const double longShare = longShareOf(sig);
                    for (std::size_t h = 0; h < static_cast<std::size_t>(knownCount); ++h) {
                        const auto& ref = set[h][0].signature;
                        std::fprintf(out, "%zu %zu %d %zu \"%s\" \"%s\" %.4f %.4f %d %.4f %d %.4f %d %d %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f\n",
                                     r, g, k, h, corpus[r][g].fabric.family.c_str(), corpus[r][h].fabric.family.c_str(),
                                     signature::colourDistance(sig, ref, base), signature::textureDistance(sig, ref, spectral),
                                     sig.pattern == pattern::patternKind::Unknown && ref.pattern == pattern::patternKind::Unknown ? 1 : 0,
                                     signature::textureDistance(sig, ref, contrastOnly), sig.pattern != ref.pattern ? 1 : 0,
                                     signature::textureDistance(sig, ref, weaveOnly), sig.pattern, ref.pattern, sig.contrast,
                                     ref.contrast, longShare, sig.minorityRunX, sig.minorityRunY,
                                     sig.hasLayout ? sig.layout[8] : 0.0, longShareOf(ref), ref.minorityRunX, ref.minorityRunY,
                                     ref.hasLayout ? ref.layout[8] : 0.0, sig.minorityShare, ref.minorityShare);
                    }
                }
            }
        }
        if (out != nullptr)
            std::fclose(out);
    }
    // BENCH_TERMS=FILE: every scan against every known garment's first
    // scan, the distance's terms unweighted, for trying weights elsewhere.
    if (const char* termsPath = std::getenv("BENCH_TERMS")) {
        std::FILE* out = std::fopen(termsPath, "w");
        const auto unit = [](auto set) {
            signature::DistanceWeights z{};
            z.orientationWeight = z.periodWeight = z.spectrumWeight = z.variationWeight = 0;
            z.contrastWeight = z.findingsContrastWeight = z.patternWeight = z.weaveWeight = z.layoutWeight = z.sizeWeight = 0;
            z.findingsVariationWeight = z.findingsSizeWeight = 0;
            z.findingsGroundOrientation = 1;
            z.motifSpectrumScale = 1;
            z.textureContrast = z.findingsTextureContrast = 0;
            set(z);
            return z;
        };
        const auto orientOnly = unit([](auto& z) { z.orientationWeight = 1; });
        const auto periodOnly = unit([](auto& z) { z.periodWeight = 1; });
        const auto spectrumOnly = unit([](auto& z) { z.spectrumWeight = 1; });
        const auto variationOnly = unit([](auto& z) { z.variationWeight = z.findingsVariationWeight = 1; });
        const auto& base = recognition.weights;
        for (std::size_t r = 0; out != nullptr && r < scans.size(); ++r) {
            const auto& set = scans[r];
            for (std::size_t g = 0; g < set.size(); ++g)
                for (int k = g < static_cast<std::size_t>(knownCount) ? 1 : 0; k < RescanScans; ++k) {
                    const auto& p = set[g][static_cast<std::size_t>(k)].signature;
                    for (std::size_t h = 0; h < static_cast<std::size_t>(knownCount); ++h) {
                        const auto& q = set[h][0].signature;
                        std::fprintf(out,
                                     "%zu %zu %d %zu %d %d %d %d %.5f %.5f %.5f %.5f %.5f %.5f %.5f %d %.5f %.5f %.5f %.5f %.5f %.5f "
                                     "%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f \"%s\" \"%s\"\n",
                                     r, g, k, h, p.findingsTexture == q.findingsTexture ? 1 : 0, p.findingsTexture ? 1 : 0,
                                     p.pattern == pattern::patternKind::Unknown && q.pattern == pattern::patternKind::Unknown ? 1 : 0,
                                     p.pattern != q.pattern ? 1 : 0, p.contrast, q.contrast,
                                     signature::textureDistance(p, q, orientOnly), signature::textureDistance(p, q, periodOnly),
                                     signature::textureDistance(p, q, spectrumOnly), signature::textureDistance(p, q, variationOnly),
                                     p.hasWeave && q.hasWeave ? signature::weaveDifference(p, q, base) : 0.0,
                                     p.hasWeave && q.hasWeave ? 1 : 0, signature::colourDistance(p, q, base), p.minorityShare,
                                     q.minorityShare, p.minorityRunX, p.minorityRunY, q.minorityRunX, q.minorityRunY,
                                     p.layout[8], p.layout[9], q.layout[8], q.layout[9],
                                     signature::colourDifference(p.colours[0], q.colours[0]), p.colours[0].share, q.colours[0].share, corpus[r][g].fabric.family.c_str(), corpus[r][h].fabric.family.c_str());
                    }
                }
        }
        if (out != nullptr)
            std::fclose(out);
    }
    const bool misses = std::find(options.arguments.begin(), options.arguments.end(), "misses") != options.arguments.end();
    if (misses || std::getenv("BENCH_VERBOSE") != nullptr) {
        const auto describeSig = [](const signature::GarmentSignature& g) {
            std::string t = "p" + std::to_string(g.pattern) + " c" + std::to_string(static_cast<int>(g.contrast * 10)) +
                            " m" + std::to_string(static_cast<int>(g.minorityShare * 100)) + " " +
                            std::to_string(g.minorityRunX).substr(0, 4) + "x" + std::to_string(g.minorityRunY).substr(0, 4) + " [";
            for (int i = 0; i < g.colourCount; ++i) {
                const auto& c = g.colours[static_cast<std::size_t>(i)];
                char b[64];
                std::snprintf(b, sizeof b, "%.0f %.0f %.0f %.2f; ", c.l, c.a, c.b, c.share);
                t += b;
            }
            return t + "]";
        };
        const auto& w = recognition.weights;
        std::map<std::string, int> missesPerFamily;
        for (std::size_t r = 0; r < scans.size(); ++r) {
            const auto& set = scans[r];
            const auto family = [&](std::size_t g) { return corpus[r][g].fabric.family.c_str(); };
            for (std::size_t g = 0; g < set.size(); ++g) {
                for (int k = g < static_cast<std::size_t>(knownCount) ? 1 : 0; k < RescanScans; ++k) {
                    const auto& sig = set[g][static_cast<std::size_t>(k)].signature;
                    // The nearest other garment, and the own one.
                    std::size_t other = 0;
                    double otherDistance = 1e9, own = 1e9;
                    for (std::size_t h = 0; h < static_cast<std::size_t>(knownCount); ++h) {
                        const double d = signature::signatureDistance(sig, set[h][0].signature, w);
                        if (h == g)
                            own = d;
                        else if (d < otherDistance) {
                            otherDistance = d;
                            other = h;
                        }
                    }
                    const bool known = g < static_cast<std::size_t>(knownCount);
                    const bool right = known && own <= recognition.maxDistance &&
                                       otherDistance - own >= recognition.ambiguityMargin;
                    const bool strangerOk = !known && otherDistance > recognition.maxDistance;
                    if (misses && (known ? right : strangerOk))
                        continue;
                    ++missesPerFamily[family(g)];
                    const auto terms = [&](const signature::GarmentSignature& ref) {
                        return "colour " + std::to_string(signature::colourDistance(sig, ref, w)).substr(0, 5) +
                               " texture " + std::to_string(signature::textureDistance(sig, ref, w)).substr(0, 5) + " = " +
                               textureTerms(sig, ref, w);
                    };
                    std::printf("    MISS set %zu garment %zu/%d (%s%s): own %.2f (%s), nearest other %zu (%s) %.2f (%s)\n"
                                "      scan %s\n      own  %s\n      othr %s\n",
                                r, g, k, family(g), known ? "" : ", unknown", own,
                                known ? terms(set[g][0].signature).c_str() : "-", other, family(other), otherDistance,
                                terms(set[other][0].signature).c_str(), describeSig(sig).c_str(),
                                known ? describeSig(set[g][0].signature).c_str() : "-",
                                describeSig(set[other][0].signature).c_str());
                }
            }
        }
        std::printf("  misses per family (no corrections, one example per garment):");
        for (const auto& [f, n] : missesPerFamily)
            std::printf(" %s %d", f.c_str(), n);
        std::printf("\n");
    }
    for (const auto& [name, c] : {std::pair{"classic", &classic}, std::pair{"signature", &signatures}}) {
        const RoundCounts& f = c->first;
        const RoundCounts every = c->all();
        std::printf("RESULT rescans %s %s right %.1f wrong %.1f rejected %.1f later-right %.1f later-right-corrected %.1f "
                    "worse %d unrelated %.1f analysis %s all-right %.1f all-wrong %.1f all-rejected %.1f\n",
                    splitName(options.split), name, 100.0 * f.right / f.total, 100.0 * f.wrong / f.total,
                    100.0 * f.rejected / f.total, 100.0 * c->secondAsAdded.right / c->secondAsAdded.total,
                    100.0 * c->secondCorrected.right / c->secondCorrected.total, c->garmentsWorse,
                    100.0 * c->strangerMatched / c->strangerScans, improved ? "improved" : "standard",
                    100.0 * every.right / every.total, 100.0 * every.wrong / every.total,
                    100.0 * every.rejected / every.total);
    }
    if (std::find(options.arguments.begin(), options.arguments.end(), "cap") != options.arguments.end())
        capGrid(scans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "weave") != options.arguments.end())
        weaveGrid(scans, twinScans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "findings") != options.arguments.end())
        findingsGrid(scans, twinScans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "ground") != options.arguments.end())
        groundGrid(scans, twinScans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "texture") != options.arguments.end())
        textureGrid(scans, twinScans, recognition, knownCount);
    if (std::find(options.arguments.begin(), options.arguments.end(), "grid") == options.arguments.end())
        return 0;

    weightGrid(scans, twinScans, recognition, knownCount);
    signature::RecognitionSettings best = recognition;
    RescanCounts bestCounts = signatures;
    // The acceptance distance: where wrong matches and unknown garments
    // begin, for choosing it on the tuning part.
    for (const double maxDistance : {8.0, 10.0, 12.0, 13.0, 14.0, 15.0, 16.0, 18.0, 20.0}) {
        signature::RecognitionSettings r = recognition;
        r.maxDistance = maxDistance;
        const RescanCounts c = replaySets(scans, s, r, knownCount);
        std::printf("  grid: maxDistance %g: first %d/%d/%d later %d/%d/%d corrected %d/%d/%d worse %d unknown %d\n",
                    maxDistance, c.first.right, c.first.wrong, c.first.rejected, c.secondAsAdded.right,
                    c.secondAsAdded.wrong, c.secondAsAdded.rejected, c.secondCorrected.right, c.secondCorrected.wrong,
                    c.secondCorrected.rejected, c.garmentsWorse, c.strangerMatched);
        if (rescanScore(c) > rescanScore(bestCounts)) {
            bestCounts = c;
            best = r;
        }
    }
    std::printf("  best of the grid: maxDistance %g\n", best.maxDistance);
    printRescans("best of the grid", bestCounts);
    return 0;
}

} // namespace vestiscop::bench


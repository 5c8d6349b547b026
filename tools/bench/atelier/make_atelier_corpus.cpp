// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a corpus of the second renderer's scans: PNG files and a manifest.
//
//   make_atelier_corpus DIR [--split tune|check] [--per-kind N]
//
// DIR/manifest.tsv has one line per picture: file, kind, pattern, mottled,
// and the named colours as "r,g,b,share" separated by spaces.

#include "AtelierWardrobe.h"
#include "imaging/PngFile.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

int usage()
{
    std::cerr << "usage: make_atelier_corpus DIR [--split tune|check] [--per-kind N]\n";
    return 2;
}

std::string fileName(const std::string& kind, int i)
{
    std::string s;
    for (char c : kind) s += c == ' ' ? '-' : c;
    char n[16];
    std::snprintf(n, sizeof n, "-%03d.png", i);
    return s + n;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace vestiscop::bench::atelier;
    if (argc < 2) return usage();
    const std::string dir = argv[1];
    bool check = false;
    int perKind = 4;
    for (int a = 2; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--split" && a + 1 < argc) {
            const std::string v = argv[++a];
            if (v != "tune" && v != "check") return usage();
            check = v == "check";
        } else if (arg == "--per-kind" && a + 1 < argc) {
            perKind = std::atoi(argv[++a]);
            if (perKind < 1 || perKind > 1000) return usage();
        } else {
            return usage();
        }
    }
    try {
        std::filesystem::create_directories(dir);
        std::ofstream manifest(dir + "/manifest.tsv");
        manifest << "file\tkind\tpattern\tmottled\tnamed_colours\n";
        const auto& all = kinds();
        for (int k = 0; k < static_cast<int>(all.size()); ++k) {
            for (int i = 0; i < perKind; ++i) {
                const Swatch s = render(all[static_cast<std::size_t>(k)], seedFor(check, k, i));
                const std::string name = fileName(s.kind, i);
                vestiscop::imaging::PngFile png(dir + "/" + name, vestiscop::imaging::ImageFile::Write);
                png.writeHeader(s.width, s.height);
                std::vector<std::uint8_t> row(static_cast<std::size_t>(s.width) * 3);
                for (int y = 0; y < s.height; ++y) {
                    const std::uint8_t* src = &s.rgb[static_cast<std::size_t>(y) * s.width * 3];
                    for (int x = 0; x < s.width; ++x) {  // the writer takes blue, green, red
                        row[x * 3 + 0] = src[x * 3 + 2];
                        row[x * 3 + 1] = src[x * 3 + 1];
                        row[x * 3 + 2] = src[x * 3 + 0];
                    }
                    png.writeRow(row.data());
                }
                png.finish();
                manifest << name << '\t' << s.kind << '\t' << s.pattern << '\t' << (s.mottled ? 1 : 0) << '\t';
                for (std::size_t c = 0; c < s.namedColours.size(); ++c) {
                    const auto& n = s.namedColours[c];
                    char buf[64];
                    std::snprintf(buf, sizeof buf, "%s%.0f,%.0f,%.0f,%.4f", c ? " " : "", n[0], n[1], n[2], n[3]);
                    manifest << buf;
                }
                manifest << '\n';
            }
        }
        if (!manifest) {
            std::cerr << "make_atelier_corpus: cannot write the manifest\n";
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << "make_atelier_corpus: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

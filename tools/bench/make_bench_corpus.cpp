// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the benchmark corpus as image files, for looking at and for the
// programs that take files: every fabric of the chosen part as PNG, and one
// large check fabric as BMP and PNG for the speed comparison.
//
//   make_bench_corpus OUTDIR [--split tune|check] [--per-family N] [--dpi D]
//                     [--size PX] [--large PX]
//
// Same arguments, same files, on every machine.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "Corpus.h"
#include "Garment.h"
#include "foundation/Exception.h"
#include "foundation/MessageCatalog.h"
#include "imaging/BmpFile.h"
#include "imaging/PngFile.h"

using namespace vestiscop;
using namespace vestiscop::bench;

namespace {

std::string fileName(std::string family, int index)
{
    for (char& c : family)
        if (c == ' ')
            c = '_';
    return family + "-" + std::to_string(index);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: make_bench_corpus OUTDIR [--split tune|check] [--per-family N] [--dpi D] [--size PX] "
                   "[--large PX]\n",
                   stderr);
        return 2;
    }
    const std::string dir = argv[1];
    Split split = Split::Check;
    int perFamily = 2;
    double dpi = 100;
    int size = 512;
    int large = 2048;
    try {
        for (int i = 2; i + 1 < argc; i += 2) {
            const std::string option = argv[i];
            const std::string value = argv[i + 1];
            if (option == "--split")
                split = parseSplit(value);
            else if (option == "--per-family")
                perFamily = std::stoi(value);
            else if (option == "--dpi")
                dpi = std::stod(value);
            else if (option == "--size")
                size = std::stoi(value);
            else if (option == "--large")
                large = std::stoi(value);
            else
                throw std::invalid_argument("unknown option " + option);
        }
        std::filesystem::create_directories(dir);
        const auto corpus = patternCorpus(split, perFamily, true);
        int index = 0;
        for (const CorpusCase& c : corpus) {
            Scan scan = c.scan;
            scan.xDpi = scan.yDpi = dpi;
            scan.width = scan.height = size;
            imaging::PngFile file(dir + "/" + fileName(c.fabric.family, index++ % perFamily) + ".png",
                                  imaging::ImageFile::Write);
            imaging::saveImage(*render(c.fabric, scan), file);
        }
        if (large > 0) {
            const Fabric fabric = makeFabric("tartan", 7);
            std::mt19937 random(7);
            const auto image = render(fabric, randomScan(random, dpi, dpi, large, large));
            const std::string base = dir + "/large-" + std::to_string(large);
            imaging::BmpFile bmp(base + ".bmp", imaging::ImageFile::Write);
            imaging::saveImage(*image, bmp);
            imaging::PngFile png(base + ".png", imaging::ImageFile::Write);
            imaging::saveImage(*image, png);
        }
        std::printf("%zu fabrics written to %s\n", corpus.size(), dir.c_str());
        return 0;
    } catch (const foundation::Exception& e) {
        std::fprintf(stderr, "make_bench_corpus: %s\n", e.message(foundation::MessageCatalog::builtin(), 2).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_bench_corpus: %s\n", e.what());
    }
    return 1;
}

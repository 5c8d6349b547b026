// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramFiles.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "FileBytes.h"

namespace vestiscop::testsupport {

std::string shippedFile(const std::string& name)
{
    return std::string(VESTISCOP_SOURCE_DIR) + "/data/" + name;
}

std::string testConfiguration(const std::vector<std::string>& replace)
{
    const std::vector<std::string> lines = {
        "[Debug]", "LogFile=vestiscop.log", "ExtendedUI=0", "AskForDescr=0", "SaveImage=0", "SaveFormat=BMP",
        "SaveDir=skeny", "[Scan]", "XRes=100", "YRes=100", "Gamma=2.2", "WndLeft=0", "WndTop=0", "WndWidth=6",
        "WndHeight=6", "IgnoreErrors=1", "[Color]", "Definitions=colors.txt", "Filter=0", "LumaScale=1.0",
        "ClusterThr=0.03", "HistSmooth=1.0", "MaxBins=12", "ReportThr=0.05", "[Texture]", "Width=64", "Height=64",
        "[Matching]", "Materials=odevy.dat", "Color1Weight=1 1 1 400", "Color2Weight=1 1 1 400", "MaxDistance=400",
        "MinSimilarity=0.5", "MergeDecay=3"};
    std::ostringstream out;
    for (const std::string& line : lines) {
        std::string chosen = line;
        const std::size_t equals = line.find('=');
        for (const std::string& replacement : replace) {
            if (equals != std::string::npos && replacement.compare(0, equals + 1, line, 0, equals + 1) == 0)
                chosen = replacement;
        }
        out << chosen << "\n";
    }
    return out.str();
}

std::string testColorTable()
{
    return "; test colours\n"
           "černá = 0 0 0\n"
           "bílá = 100 0 0\n"
           "červená = 49 114 84\n"
           "zelená = 90 -127 91\n"
           "modrá = 13 -52 -127\n";
}

std::string withKeys(std::string configuration, const std::vector<std::pair<std::string, std::string>>& values)
{
    for (const auto& [key, value] : values) {
        bool found = false;
        std::size_t start = 0;
        while (start < configuration.size()) {
            const std::size_t end = std::min(configuration.find('\n', start), configuration.size());
            const std::size_t afterKey = start + key.size();
            if (configuration.compare(start, key.size(), key) == 0) {
                const std::size_t equals = configuration.find_first_not_of(" \t", afterKey);
                if (equals < end && configuration[equals] == '=') {
                    configuration.replace(start, end - start, key + " = " + value);
                    found = true;
                    break;
                }
            }
            start = end + 1;
        }
        if (!found)
            throw std::runtime_error("the configuration lacks " + key);
    }
    return configuration;
}

std::string shippedConfiguration(const std::vector<std::pair<std::string, std::string>>& values)
{
    const std::string text = readText(shippedFile("vestiscop.cfg"));
    if (text.empty())
        throw std::runtime_error("data/vestiscop.cfg is missing");
    return withKeys(text, values);
}

namespace {

void put16(std::vector<std::uint8_t>& bytes, std::uint16_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    put16(bytes, static_cast<std::uint16_t>(value));
    put16(bytes, static_cast<std::uint16_t>(value >> 16));
}

// A bottom-up 24-bit BMP with a 40-byte header; pixel(x, y) is asked for each
// pixel once, in the file's order (bottom row first), and gives blue, green,
// red.
template <typename Pixel>
std::vector<std::uint8_t> bmp(int width, int height, std::uint32_t pixelsPerMetre, Pixel pixel)
{
    const std::size_t rowLength = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const auto pixelBytes = static_cast<std::uint32_t>(rowLength * static_cast<std::size_t>(height));
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + pixelBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, pixelsPerMetre > 0 ? pixelBytes : 0);
    put32(out, pixelsPerMetre);
    put32(out, pixelsPerMetre);
    put32(out, 0);
    put32(out, 0);
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        for (int x = 0; x < width; ++x) {
            const std::array<std::uint8_t, 3> bgr = pixel(x, height - 1 - fileRow);
            out.insert(out.end(), bgr.begin(), bgr.end());
        }
        out.resize(out.size() + rowLength - static_cast<std::size_t>(width) * 3, 0);
    }
    return out;
}

} // namespace

std::vector<std::uint8_t> redWhiteBmp(int redRows)
{
    // Fabric is never one flat colour; the histogram clustering needs the
    // spread of a real scan to find its colours. Fixed seed: same picture
    // every time.
    std::uint32_t seed = 12345;
    const auto noisy = [&seed](int value) {
        seed = seed * 1103515245u + 12345u;
        const int offset = static_cast<int>((seed >> 16) % 17) - 8;
        return static_cast<std::uint8_t>(std::clamp(value + offset, 0, 255));
    };
    return bmp(64, 64, 2835, [&](int, int y) {
        const bool red = y < redRows;
        const std::uint8_t blue = noisy(red ? 30 : 230);
        const std::uint8_t green = noisy(red ? 30 : 230);
        return std::array<std::uint8_t, 3>{blue, green, noisy(red ? 220 : 230)};
    });
}

std::vector<std::uint8_t> stripedBmp(int width, int height, std::array<std::uint8_t, 3> first,
                                     std::array<std::uint8_t, 3> second, int stripe)
{
    return bmp(width, height, 0, [&](int x, int) { return stripe > 0 && (x / stripe) % 2 == 1 ? second : first; });
}

} // namespace vestiscop::testsupport

// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestDirectory.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace vestiscop::testing {

TestDirectory::TestDirectory()
{
    char pattern[] = "/tmp/vestiscop-app-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        throw std::runtime_error("mkdtemp");
    m_path = pattern;
}

TestDirectory::~TestDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void TestDirectory::write(const std::string& name, const std::string& content) const
{
    std::ofstream out(file(name), std::ios::binary);
    out << content;
}

void TestDirectory::write(const std::string& name, const std::vector<std::uint8_t>& content) const
{
    std::ofstream out(file(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
}

std::string TestDirectory::read(const std::string& name) const
{
    if (!std::filesystem::is_regular_file(file(name)))
        return std::string();
    std::ifstream in(file(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::uint8_t> TestDirectory::readBytes(const std::string& name) const
{
    const std::string content = read(name);
    return std::vector<std::uint8_t>(content.begin(), content.end());
}

bool TestDirectory::exists(const std::string& name) const
{
    return std::filesystem::exists(file(name));
}

void TestDirectory::writeConfig(const std::vector<std::string>& replace) const
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
    write("vestiscop.cfg", out.str());
}

void TestDirectory::writeColorTable() const
{
    write("colors.txt", "; test colours\n"
                        "černá = 0 0 0\n"
                        "bílá = 100 0 0\n"
                        "červená = 49 114 84\n"
                        "zelená = 90 -127 91\n"
                        "modrá = 13 -52 -127\n");
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

} // namespace

void TestDirectory::writeRedWhiteBmp(const std::string& name, int redRows) const
{
    constexpr int size = 64;
    constexpr std::uint32_t pixelBytes = size * size * 3;  // 192 bytes a row: no padding
    std::vector<std::uint8_t> bmp;
    bmp.push_back('B');
    bmp.push_back('M');
    put32(bmp, 54 + pixelBytes);
    put32(bmp, 0);
    put32(bmp, 54);
    put32(bmp, 40);
    put32(bmp, size);
    put32(bmp, size);  // positive height: bottom row first
    put16(bmp, 1);
    put16(bmp, 24);
    put32(bmp, 0);
    put32(bmp, pixelBytes);
    put32(bmp, 2835);
    put32(bmp, 2835);
    put32(bmp, 0);
    put32(bmp, 0);
    // Fabric is never one flat colour; the histogram clustering needs the
    // spread of a real scan to find its colours. Fixed seed: same picture
    // every time.
    std::uint32_t seed = 12345;
    const auto noisy = [&seed](int value) {
        seed = seed * 1103515245u + 12345u;
        const int offset = static_cast<int>((seed >> 16) % 17) - 8;
        return static_cast<std::uint8_t>(std::clamp(value + offset, 0, 255));
    };
    for (int fileRow = 0; fileRow < size; ++fileRow) {
        const int y = size - 1 - fileRow;
        const bool red = y < redRows;
        for (int x = 0; x < size; ++x) {
            bmp.push_back(noisy(red ? 30 : 230));   // blue
            bmp.push_back(noisy(red ? 30 : 230));   // green
            bmp.push_back(noisy(red ? 220 : 230));  // red
        }
    }
    write(name, bmp);
}

} // namespace vestiscop::testing

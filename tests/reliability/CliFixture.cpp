// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vestiscop::reliability {

namespace {

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}

// The shipped configuration with a 32 x 32 analysis region and no smoothing,
// so that one analysis under the sanitizers takes milliseconds.
std::string configuration()
{
    std::ifstream in(std::string(VESTISCOP_SOURCE_DIR) + "/data/vestiscop.cfg");
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (text.empty())
        throw std::runtime_error("data/vestiscop.cfg is missing");
    const auto set = [&text](const std::string& key, const std::string& value) {
        const std::size_t at = text.find("\n" + key + " =");
        if (at == std::string::npos)
            throw std::runtime_error("data/vestiscop.cfg lacks " + key);
        const std::size_t end = text.find('\n', at + 1);
        text.replace(at + 1, end - at - 1, key + " = " + value);
    };
    set("LogFile", "vestiscop.log");
    set("Definitions", "barvy.txt");
    set("Materials", "odevy.dat");
    set("Width", "32");
    set("Height", "32");
    set("Filter", "0");
    set("SaveImage", "0");
    set("AskForDescr", "0");
    return text;
}

} // namespace

std::string cliProgram()
{
    return std::string(VESTISCOP_BINARY_DIR) + "/app/vestiscop-cli";
}

std::vector<std::uint8_t> bmpBytes(int width, int height, std::array<std::uint8_t, 3> first,
                                   std::array<std::uint8_t, 3> second, int stripe)
{
    const std::size_t rowLength = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> out(54 + rowLength * static_cast<std::size_t>(height), 0);
    put16(out, 0, 0x4D42);
    put32(out, 2, static_cast<std::uint32_t>(out.size()));
    put32(out, 10, 54);
    put32(out, 14, 40);
    put32(out, 18, static_cast<std::uint32_t>(width));
    put32(out, 22, static_cast<std::uint32_t>(height));
    put16(out, 26, 1);
    put16(out, 28, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool useSecond = stripe > 0 && (x / stripe) % 2 == 1;
            const auto& colour = useSecond ? second : first;
            const std::size_t at = 54 + rowLength * static_cast<std::size_t>(y) + static_cast<std::size_t>(x) * 3;
            for (int c = 0; c < 3; ++c)
                out[at + static_cast<std::size_t>(c)] = colour[static_cast<std::size_t>(c)];
        }
    }
    return out;
}

DataDir::DataDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vestiscop-rel-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp");
    m_path = pattern;
    writeText("vestiscop.cfg", configuration());
    std::filesystem::copy_file(std::string(VESTISCOP_SOURCE_DIR) + "/data/barvy.txt", file("barvy.txt"));
}

void DataDir::withoutSignatures() const
{
    std::vector<std::uint8_t> bytes = readFile("vestiscop.cfg");
    std::string text(bytes.begin(), bytes.end());
    const std::size_t at = text.find("\nSignatures =");
    if (at == std::string::npos)
        throw std::runtime_error("vestiscop.cfg names no signature file");
    text.erase(at + 1, text.find('\n', at + 1) - at);
    writeText("vestiscop.cfg", text);
}

DataDir::~DataDir()
{
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string DataDir::picture(const std::string& name, int variant)
{
    // Colours far apart in Lab, in blue, green, red order.
    static const std::array<std::array<std::uint8_t, 3>, 8> colours{{
        {200, 40, 30}, {30, 40, 200}, {40, 180, 40}, {240, 240, 240},
        {20, 20, 20}, {30, 200, 230}, {150, 40, 150}, {120, 120, 120},
    }};
    const auto& first = colours[static_cast<std::size_t>(variant) % colours.size()];
    const auto& second = colours[static_cast<std::size_t>(variant / 8 + 3) % colours.size()];
    writeFile(name, bmpBytes(40, 40, first, second, variant % 3 == 0 ? 0 : 4 + variant % 5));
    return file(name);
}

void DataDir::writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const
{
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file(name));
}

void DataDir::writeText(const std::string& name, const std::string& text) const
{
    writeFile(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> DataDir::readFile(const std::string& name) const
{
    std::ifstream in(file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ChildOptions DataDir::options() const
{
    ChildOptions options;
    options.workingDirectory = m_path;
    options.environment = {{"ASAN_OPTIONS", "detect_leaks=1"}, {"UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1"}};
    return options;
}

ChildResult DataDir::cli(const std::vector<std::string>& arguments, ChildOptions options) const
{
    if (options.workingDirectory.empty())
        options.workingDirectory = m_path;
    if (options.environment.empty())
        options.environment = this->options().environment;
    return runChild(cliProgram(), arguments, options);
}

std::vector<Record> DataDir::records() const
{
    const std::vector<std::uint8_t> bytes = readFile("odevy.dat");
    EXPECT_EQ(bytes.size() % RecordSize, 0u) << "the Materials file holds a partial record";
    std::vector<Record> result(bytes.size() / RecordSize);
    for (std::size_t i = 0; i < result.size(); ++i)
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(i * RecordSize), RecordSize, result[i].begin());
    return result;
}

std::vector<std::string> DataDir::names() const
{
    std::vector<std::string> result;
    for (const Record& record : records())
        result.push_back(recordInUse(record) ? recordName(record) : std::string());
    return result;
}

std::string recordName(const Record& record)
{
    std::string name;
    for (std::size_t i = 1; i < 66 && record[i] != 0; ++i)
        name += static_cast<char>(record[i]);
    return name;
}

bool recordInUse(const Record& record)
{
    return record[0] != 0;
}

} // namespace vestiscop::reliability

// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace vestiscop::reliability {

DataDir::DataDir()
{
    // The shipped configuration with a 32 x 32 analysis region and no
    // smoothing, so that one analysis under the sanitizers takes milliseconds.
    write("vestiscop.cfg", testsupport::shippedConfiguration({{"LogFile", "vestiscop.log"},
                                                              {"Definitions", "barvy.txt"},
                                                              {"Materials", "odevy.dat"},
                                                              {"Width", "32"},
                                                              {"Height", "32"},
                                                              {"Filter", "0"},
                                                              {"SaveImage", "0"},
                                                              {"AskForDescr", "0"}}));
    for (const char* table : {"barvy.txt", "barvy-zakladni.txt"})
        std::filesystem::copy_file(testsupport::shippedFile(table), file(table));
}

void DataDir::withoutSignatures() const
{
    std::string text = read("vestiscop.cfg");
    const std::size_t at = text.find("\nSignatures =");
    if (at == std::string::npos)
        throw std::runtime_error("vestiscop.cfg names no signature file");
    text.erase(at + 1, text.find('\n', at + 1) - at);
    write("vestiscop.cfg", text);
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
    write(name, stripedBmp(40, 40, first, second, variant % 3 == 0 ? 0 : 4 + variant % 5));
    return file(name);
}

ChildOptions DataDir::options() const
{
    return testsupport::cliOptions(path());
}

ChildResult DataDir::cli(const std::vector<std::string>& arguments, ChildOptions options) const
{
    if (options.workingDirectory.empty())
        options.workingDirectory = path();
    if (options.environment.empty()) {
        options.environment = this->options().environment;
        options.unset = this->options().unset;
    }
    return runChild(cliProgram(), arguments, options);
}

std::vector<Record> DataDir::records() const
{
    const std::vector<std::uint8_t> bytes = readBytes("odevy.dat");
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

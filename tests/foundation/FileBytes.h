// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A file's whole contents as bytes, read or written in one call, for tests
// that look at or damage what the program stored.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vestiscop::foundation {

inline std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scratch directory for one test, with a configuration, a small colour
// table and hand-written BMP pictures, removed afterwards.

#include <cstdint>
#include <string>
#include <vector>

namespace vestiscop::testing {

class TestDirectory {
public:
    TestDirectory();
    ~TestDirectory();
    TestDirectory(const TestDirectory&) = delete;
    TestDirectory& operator=(const TestDirectory&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

    void write(const std::string& name, const std::string& content) const;
    void write(const std::string& name, const std::vector<std::uint8_t>& content) const;
    std::string read(const std::string& name) const;
    std::vector<std::uint8_t> readBytes(const std::string& name) const;
    bool exists(const std::string& name) const;

    // vestiscop.cfg with every key; replace = "Key=value" lines that take the
    // place of the default line of that key.
    void writeConfig(const std::vector<std::string>& replace = {}) const;
    // colors.txt: black, white, red, green and blue in byte Lab.
    void writeColorTable() const;
    // A 64 x 64 BMP whose top redRows rows are red (220, 30, 30) and the rest
    // light grey (230, 230, 230), each channel with up to 8 of noise.
    void writeRedWhiteBmp(const std::string& name, int redRows) const;

private:
    std::string m_path;
};

} // namespace vestiscop::testing

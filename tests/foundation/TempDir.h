// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh directory under the system's temporary directory, removed with
// everything in it when the test ends. path() ends in '/'.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace vestiscop::foundation {

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vestiscop-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern + "/";
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh directory for one test under the system's temporary directory
// (TMPDIR), removed with everything in it when the object goes. Each test
// makes its own, so tests run side by side without seeing each other's files.

#include <cstdint>
#include <string>
#include <vector>

namespace vestiscop::testsupport {

class ScratchDirectory {
public:
    // Throws std::runtime_error when no directory can be made.
    ScratchDirectory();
    // Removes the directory, after giving back the owner's permissions that a
    // test may have taken from it or from a directory inside.
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // The directory's path, without a trailing '/'.
    const std::string& path() const { return m_path; }
    // The same with a trailing '/', for code that takes a directory as a
    // prefix to put file names after.
    std::string pathWithSlash() const { return m_path + "/"; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

    // Whole files by name within the directory; see FileBytes.h.
    void write(const std::string& name, const std::string& content) const;
    void write(const std::string& name, const std::vector<std::uint8_t>& content) const;
    // Empty when the file is not there or is no regular file.
    std::string read(const std::string& name) const;
    std::vector<std::uint8_t> readBytes(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::string m_path;
};

} // namespace vestiscop::testsupport

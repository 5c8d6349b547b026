// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A data directory for vestiscop-cli as a user has it: vestiscop.cfg (the
// shipped one with a small analysis region so that each run is quick), the
// shipped colour table, a Materials file, and garment pictures written here
// as plain 24-bit BMP bytes. Checks read the Materials file directly.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace vestiscop::reliability {

inline constexpr std::size_t RecordSize = 96;
using Record = std::array<std::uint8_t, RecordSize>;

// The program's exit statuses.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitStartupFailed = 2;

// The path of vestiscop-cli in this build.
std::string cliProgram();

// A garment picture: width x height, two colours (blue, green, red) in
// vertical stripes stripe pixels wide (0: one colour only).
std::vector<std::uint8_t> bmpBytes(int width, int height, std::array<std::uint8_t, 3> first,
                                   std::array<std::uint8_t, 3> second, int stripe);

class DataDir {
public:
    // Creates a fresh directory below the system's temporary directory.
    DataDir();
    ~DataDir();
    DataDir(const DataDir&) = delete;
    DataDir& operator=(const DataDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    std::string materials() const { return file("odevy.dat"); }
    std::string logFile() const { return file("vestiscop.log"); }

    // Writes a picture and returns its path; variant picks the colours.
    std::string picture(const std::string& name, int variant);
    void writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    void writeText(const std::string& name, const std::string& text) const;
    std::vector<std::uint8_t> readFile(const std::string& name) const;

    // Takes the Signatures line out of vestiscop.cfg: the catalogue is then
    // the Materials file alone, as older versions keep it.
    void withoutSignatures() const;
    // The signature file the shipped configuration names.
    std::string signatures() const { return file("odevy.sig"); }

    // Runs vestiscop-cli in this directory. The child's ASan options keep the
    // leak check on.
    ChildResult cli(const std::vector<std::string>& arguments, ChildOptions options = {}) const;
    ChildOptions options() const;

    // The records of the Materials file; a test failure if its length is not
    // a whole number of records.
    std::vector<Record> records() const;
    // Names of the definitions in use, by slot (empty for free slots).
    std::vector<std::string> names() const;

private:
    std::string m_path;
};

// The name stored in a record (bytes up to the first zero).
std::string recordName(const Record& record);
bool recordInUse(const Record& record);

} // namespace vestiscop::reliability

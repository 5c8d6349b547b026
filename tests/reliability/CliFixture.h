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

#include "support/ChildProcess.h"
#include "support/CliRun.h"
#include "support/ProgramFiles.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::reliability {

using testsupport::ChildOptions;
using testsupport::ChildProcess;
using testsupport::ChildResult;
using testsupport::cliProgram;
using testsupport::residentKb;
using testsupport::runChild;
using testsupport::stripedBmp;
using testsupport::withKeys;

inline constexpr std::size_t RecordSize = 96;
using Record = std::array<std::uint8_t, RecordSize>;

// The program's exit statuses.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitStartupFailed = 2;

class DataDir : public testsupport::ScratchDirectory {
public:
    DataDir();

    std::string materials() const { return file("odevy.dat"); }
    std::string logFile() const { return file("vestiscop.log"); }

    // Writes a picture and returns its path; variant picks the colours.
    std::string picture(const std::string& name, int variant);

    // Takes the Signatures line out of vestiscop.cfg: the catalogue is then
    // the Materials file alone, as older versions keep it.
    void withoutSignatures() const;
    // The signature file the shipped configuration names.
    std::string signatures() const { return file("odevy.sig"); }

    // Runs vestiscop-cli in this directory (with options(), where options
    // leaves the working directory or the environment empty).
    ChildResult cli(const std::vector<std::string>& arguments, ChildOptions options = {}) const;
    // A run in this directory, as testsupport::cliOptions makes it.
    ChildOptions options() const;

    // The records of the Materials file; a test failure if its length is not
    // a whole number of records.
    std::vector<Record> records() const;
    // Names of the definitions in use, by slot (empty for free slots).
    std::vector<std::string> names() const;
};

// The name stored in a record (bytes up to the first zero).
std::string recordName(const Record& record);
bool recordInUse(const Record& record);

} // namespace vestiscop::reliability

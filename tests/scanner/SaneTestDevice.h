// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SANE's virtual "test" device as the scanner tests set it up: a directory
// that SANE_CONFIG_DIR names, holding dll.conf (the backends SANE loads) and
// test.conf (the device's defaults followed by each test's own lines).

#include <filesystem>
#include <fstream>
#include <string>

#include "support/ScratchDirectory.h"

namespace vestiscop::scanner::testing {

// A directory for SANE_CONFIG_DIR. SANE reads that variable once per
// process, so the tests of one process share one directory, removed when
// the process ends.
inline std::filesystem::path processConfigurationDirectory()
{
    static const testsupport::ScratchDirectory directory;
    return directory.path();
}

// The test backend's defaults, as its shipped configuration has them.
inline constexpr const char* SaneTestDefaults = R"(number_of_devices 1
mode Gray
depth 8
hand-scanner false
three-pass false
three-pass-order RGB
resolution_min 1.0
resolution_max 1200.0
resolution_quant 1.0
resolution 50.0
invert-endianess false
read-limit false
read-limit-size 1
read-delay false
read-delay-duration 1000
fuzzy-parameters false
ppl-loss 0
non-blocking false
select-fd false
enable-test-options false
geometry_min 0.0
geometry_max 200.0
geometry_quant 0.0
tl_x 0.0
tl_y 0.0
br_x 80.0
br_y 100.0
)";

// backends: the dll.conf line; extra: test.conf lines after the defaults.
inline void writeSaneConfiguration(const std::filesystem::path& directory, const std::string& backends,
                                   const std::string& extra)
{
    std::ofstream(directory / "dll.conf") << backends << "\n";
    std::ofstream(directory / "test.conf") << SaneTestDefaults << extra;
}

} // namespace vestiscop::scanner::testing

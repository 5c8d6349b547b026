// SPDX-License-Identifier: GPL-3.0-or-later
// The environment record's reading of every variable, as one table: each
// row sets some variables and names the field it decides, the value the
// field then holds and whether the value set was rejected (and so logged).

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "foundation/Environment.h"

using vestiscop::foundation::Environment;

namespace {

using Variables = std::map<std::string, std::string>;

Environment parsed(const Variables& variables)
{
    return Environment::parse([&variables](const char* name) -> const char* {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    });
}

struct Row {
    const char* what;
    Variables variables;
    std::function<std::string(const Environment&)> field;
    std::string expected;
    // The rejected value's fallback as logged; empty when nothing is rejected.
    std::string fallback;
};

std::string timeout(const Environment& e) { return std::to_string(e.scanTimeout.count()); }
std::string warmup(const Environment& e) { return std::to_string(e.scannerWarmup.count()); }
std::string stop(const Environment& e) { return std::to_string(e.scannerStop.count()); }
std::string dataDirectory(const Environment& e) { return e.userDataDirectory; }
std::string temporary(const Environment& e) { return e.temporaryDirectory; }
std::string desktop(const Environment& e) { return e.desktop ? "yes" : "no"; }
std::string manager(const Environment& e) { return e.managerPath; }
std::string shipped(const Environment& e) { return e.shippedData; }

const Row Rows[] = {
    {"time-out unset", {}, timeout, "120", ""},
    {"time-out empty", {{"VESTISCOP_SCAN_TIMEOUT", ""}}, timeout, "120", ""},
    {"time-out one second", {{"VESTISCOP_SCAN_TIMEOUT", "1"}}, timeout, "1", ""},
    {"time-out a day", {{"VESTISCOP_SCAN_TIMEOUT", "86400"}}, timeout, "86400", ""},
    {"time-out over a day", {{"VESTISCOP_SCAN_TIMEOUT", "86401"}}, timeout, "120", "120"},
    {"time-out zero", {{"VESTISCOP_SCAN_TIMEOUT", "0"}}, timeout, "120", "120"},
    {"time-out negative", {{"VESTISCOP_SCAN_TIMEOUT", "-5"}}, timeout, "120", "120"},
    {"time-out with a unit", {{"VESTISCOP_SCAN_TIMEOUT", "30s"}}, timeout, "120", "120"},
    {"time-out not a number", {{"VESTISCOP_SCAN_TIMEOUT", "dlouho"}}, timeout, "120", "120"},
    {"time-out beyond long", {{"VESTISCOP_SCAN_TIMEOUT", "99999999999999999999999"}}, timeout, "120", "120"},
    {"warm-up unset", {}, warmup, "30", ""},
    {"warm-up zero", {{"VESTISCOP_SCANNER_WARMUP", "0"}}, warmup, "0", ""},
    {"warm-up negative", {{"VESTISCOP_SCANNER_WARMUP", "-1"}}, warmup, "30", "30"},
    {"stop unset", {}, stop, "3000", ""},
    {"stop chosen", {{"VESTISCOP_SCANNER_STOP_MS", "300"}}, stop, "300", ""},
    {"stop not a number", {{"VESTISCOP_SCANNER_STOP_MS", "x"}}, stop, "3000", "3000"},
    {"data under XDG_DATA_HOME", {{"XDG_DATA_HOME", "/data/ema"}, {"HOME", "/home/ema"}}, dataDirectory,
     "/data/ema/vestiscop", ""},
    {"relative XDG_DATA_HOME ignored", {{"XDG_DATA_HOME", "relative/ignored"}, {"HOME", "/home/ema"}}, dataDirectory,
     "/home/ema/.local/share/vestiscop", ""},
    {"data under HOME", {{"HOME", "/home/ema"}}, dataDirectory, "/home/ema/.local/share/vestiscop", ""},
    {"no data directory", {}, dataDirectory, "", ""},
    {"temporary default", {}, temporary, "/tmp", ""},
    {"temporary chosen", {{"TMPDIR", "/var/tmp"}}, temporary, "/var/tmp", ""},
    {"relative temporary ignored", {{"TMPDIR", "tmp"}}, temporary, "/tmp", ""},
    {"no desktop", {{"DISPLAY", ""}}, desktop, "no", ""},
    {"X desktop", {{"DISPLAY", ":0"}}, desktop, "yes", ""},
    {"Wayland desktop", {{"WAYLAND_DISPLAY", "wayland-0"}}, desktop, "yes", ""},
    {"toolkit platform", {{"QT_QPA_PLATFORM", "offscreen"}}, desktop, "yes", ""},
    {"own manager", {{"VESTISCOP_TWAIN_MANAGER", ""}}, manager, "", ""},
    {"chosen manager", {{"VESTISCOP_TWAIN_MANAGER", "/x/libfake.so"}}, manager, "/x/libfake.so", ""},
    {"shipped data chosen", {{"VESTISCOP_SHIPPED_DATA", "/opt/data"}}, shipped, "/opt/data", ""},
};

TEST(Environment, EveryVariableIsReadAndCheckedByItsRule)
{
    for (const Row& row : Rows) {
        SCOPED_TRACE(row.what);
        const Environment record = parsed(row.variables);
        EXPECT_EQ(row.field(record), row.expected);
        if (row.fallback.empty()) {
            EXPECT_TRUE(record.rejected.empty());
        } else {
            ASSERT_EQ(record.rejected.size(), 1u);
            const auto& [name, value] = *row.variables.begin();
            EXPECT_EQ(record.rejected[0], (Environment::Rejected{name, value, row.fallback}));
        }
    }
}

} // namespace

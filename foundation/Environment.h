// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The environment variables the programs take, read and checked in one
// place. A program reads them once when it starts (read()) and hands the
// record on: to the data directory's choice, the application object, the
// scan session, the command line's standard input. The values are the
// ones used; a variable that is set but unusable is listed in rejected, so
// that the application writes it to the log once it has one, and its
// default is used.
//
//   VESTISCOP_SCAN_TIMEOUT     seconds a scan may take, 1 to 86400 (120)
//   VESTISCOP_TWAIN_MANAGER    the data source manager library to load
//                              instead of the program's own (tests load a
//                              scripted one); empty means the program's own
//   VESTISCOP_SHIPPED_DATA     where the shipped data is looked for first
//   VESTISCOP_SCANNER_WARMUP   seconds a warming lamp is waited for, 0 or
//                              more (30)
//   VESTISCOP_SCANNER_STOP_MS  milliseconds a stopping scan is waited for,
//                              0 or more (3000)
//   XDG_DATA_HOME, HOME        the user's data directory: an absolute
//                              XDG_DATA_HOME (a relative one is invalid by
//                              the XDG rules and ignored), else HOME
//   TMPDIR                     where standard input is spooled, when
//                              absolute (/tmp)
//   QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY
//                              whether the window can be shown at all
//
// SANE's own variables (SANE_DEFAULT_DEVICE, SANE_CONFIG_DIR) are read by
// SANE's conventions where SANE is driven, not here.
//
// No dependencies beyond the standard library: the manager library, which
// the program loads at run time and cannot hand the record to, builds this
// file in as well.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace vestiscop::foundation {

struct Environment {
    // A variable that was set to a value that cannot be used: its name, the
    // value and the value used instead.
    struct Rejected {
        std::string variable;
        std::string value;
        std::string used;
        bool operator==(const Rejected&) const = default;
    };

    static constexpr long DefaultScanTimeoutSeconds = 120;
    static constexpr long MaxScanTimeoutSeconds = 24 * 3600;
    static constexpr long DefaultWarmupSeconds = 30;
    static constexpr long DefaultStopMilliseconds = 3000;

    std::chrono::seconds scanTimeout{DefaultScanTimeoutSeconds};
    std::string managerPath;  // empty: the program's own manager
    std::string shippedData;  // empty: not chosen
    std::chrono::seconds scannerWarmup{DefaultWarmupSeconds};
    std::chrono::milliseconds scannerStop{DefaultStopMilliseconds};
    // ".../vestiscop" under XDG_DATA_HOME or HOME's .local/share; empty
    // when neither is usable.
    std::string userDataDirectory;
    std::string temporaryDirectory = "/tmp";
    bool desktop = false;
    std::vector<Rejected> rejected;

    // Looks a variable up: its value, or null when it is not set.
    using Lookup = std::function<const char*(const char* name)>;
    static Environment parse(const Lookup& lookup);
    // The process's environment as it is now.
    static Environment read();
};

} // namespace vestiscop::foundation

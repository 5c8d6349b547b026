// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/Environment.h"

#include <cerrno>
#include <cstdlib>
#include <optional>

namespace vestiscop::foundation {

namespace {

// A whole decimal number in [low, high]; none for anything else.
std::optional<long> number(const char* text, long low, long high)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || value < low || value > high)
        return std::nullopt;
    return value;
}

class Reader {
public:
    Reader(const Environment::Lookup& lookup, Environment& record) : m_lookup(lookup), m_record(record) {}

    // The value when it is set and not empty; null otherwise.
    const char* text(const char* name) const
    {
        const char* value = m_lookup(name);
        return value != nullptr && *value != '\0' ? value : nullptr;
    }

    // The variable's number when it is set and in range; otherwise the
    // fallback, and a value that was set is noted as rejected.
    long numberOr(const char* name, long low, long high, long fallback)
    {
        const char* value = text(name);
        if (value == nullptr)
            return fallback;
        if (const std::optional<long> chosen = number(value, low, high))
            return *chosen;
        m_record.rejected.push_back({name, value, std::to_string(fallback)});
        return fallback;
    }

private:
    const Environment::Lookup& m_lookup;
    Environment& m_record;
};

} // namespace

Environment Environment::parse(const Lookup& lookup)
{
    Environment record;
    Reader reader(lookup, record);
    record.scanTimeout = std::chrono::seconds(
        reader.numberOr("VESTISCOP_SCAN_TIMEOUT", 1, MaxScanTimeoutSeconds, DefaultScanTimeoutSeconds));
    if (const char* manager = reader.text("VESTISCOP_TWAIN_MANAGER"))
        record.managerPath = manager;
    if (const char* shipped = reader.text("VESTISCOP_SHIPPED_DATA"))
        record.shippedData = shipped;
    // The upper ends only keep the conversion to milliseconds in range.
    record.scannerWarmup = std::chrono::seconds(
        reader.numberOr("VESTISCOP_SCANNER_WARMUP", 0, MaxScanTimeoutSeconds, DefaultWarmupSeconds));
    record.scannerStop = std::chrono::milliseconds(reader.numberOr(
        "VESTISCOP_SCANNER_STOP_MS", 0, MaxScanTimeoutSeconds * 1000L, DefaultStopMilliseconds));
    if (const char* xdg = reader.text("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/')
        record.userDataDirectory = std::string(xdg) + "/vestiscop";
    else if (const char* home = reader.text("HOME"))
        record.userDataDirectory = std::string(home) + "/.local/share/vestiscop";
    if (const char* tmp = reader.text("TMPDIR"); tmp != nullptr && *tmp == '/')
        record.temporaryDirectory = tmp;
    record.desktop = reader.text("QT_QPA_PLATFORM") != nullptr || reader.text("DISPLAY") != nullptr ||
                     reader.text("WAYLAND_DISPLAY") != nullptr;
    return record;
}

Environment Environment::read()
{
    return parse([](const char* name) -> const char* { return std::getenv(name); });
}

} // namespace vestiscop::foundation

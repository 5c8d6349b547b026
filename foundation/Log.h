// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run log: one line per event, "%2d.%02d.%4d %2d:%02d:%02d" local time,
// a level tag, the text. Opened for appending, flushed after every line so
// it is complete even if the program is killed. Thread-safe.

#include <ctime>
#include <functional>
#include <mutex>
#include <string>

#include "foundation/Files.h"

namespace vestiscop::foundation {

enum class LogLevel { Info = 0, Warn = 1, Error = 2 };

class Log {
public:
    // Opens dir + fileName for appending; SystemError 4 when it cannot.
    Log(const std::string& dir, const std::string& fileName);

    void writeRaw(const std::string& text);
    void write(LogLevel level, const std::string& text);

    // The line write() produces for a given local time (for tests).
    static std::string formatLine(const std::tm& localTime, LogLevel level, const std::string& text);

    const std::string& path() const { return m_stream.path(); }

private:
    std::mutex m_lock;
    TextFile m_stream;
};

} // namespace vestiscop::foundation

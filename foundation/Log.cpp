// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/Log.h"

#include "foundation/Format.h"

namespace vestiscop::foundation {

namespace {

const char* tag(LogLevel level)
{
    switch (level) {
    case LogLevel::Info:
        return " - INFO : ";
    case LogLevel::Warn:
        return " - WARN : ";
    case LogLevel::Error:
        return " - ERROR: ";
    }
    return " - ERROR: ";
}

} // namespace

Log::Log(const std::string& dir, const std::string& fileName)
{
    // Appending: the lines of earlier runs stay.
    m_stream.open(dir + fileName, TextFile::Append);
}

void Log::writeRaw(const std::string& text)
{
    const std::lock_guard<std::mutex> guard(m_lock);
    m_stream.writeString(text);
    m_stream.writeChar('\n');
    // Flushed line by line, so the log is complete even if the program is killed.
    m_stream.flush();
}

void Log::write(LogLevel level, const std::string& text)
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    writeRaw(formatLine(local, level, text));
}

std::string Log::formatLine(const std::tm& localTime, LogLevel level, const std::string& text)
{
    return format("%2d.%02d.%4d %2d:%02d:%02d", localTime.tm_mday, localTime.tm_mon + 1, localTime.tm_year + 1900,
                  localTime.tm_hour, localTime.tm_min, localTime.tm_sec) +
        tag(level) + text;
}

} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/IniFile.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "foundation/Exception.h"
#include "foundation/Files.h"

namespace vestiscop::foundation {

IniError::IniError(std::int32_t code, const IniFile& file, std::string entry)
    : IniError(code, file.path(), file.section(), std::move(entry))
{
}

void IniTokenizer::fail(std::int32_t code) const
{
    throw IniError(code, m_file, m_entry);
}

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Section and key names match without regard to (ASCII) letter case.
bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

// One line of the file as the lookup sees it: the platform's profile reader
// works on C strings, so a NUL byte ends the line's text.
std::string_view lineText(const std::string& line)
{
    std::string_view text(line);
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    return text;
}

// The value of key in section, cleaned as the profile format defines it,
// or nothing when the key is absent.
std::optional<std::string> findEntry(const std::string& path, std::string_view section, std::string_view key)
{
    TextFile file(path, TextFile::Read);
    bool inSection = false;
    bool firstLine = true;
    while (!file.atEnd()) {
        const std::string line = file.readLine();
        std::string_view text = lineText(line);
        if (firstLine && text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);  // editors may start a UTF-8 file with a byte-order mark
        firstLine = false;
        text = trim(text);
        if (text.empty() || text.front() == ';')
            continue;
        if (text.front() == '[') {
            const std::size_t close = text.find(']');
            if (close != std::string_view::npos)
                inSection = sameName(trim(text.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos || !sameName(trim(text.substr(0, equals)), key))
            continue;
        std::string_view value = trim(text.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return std::nullopt;
}

std::string absolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        return path;
    return absolute.lexically_normal().string();
}

} // namespace

IniFile::IniFile(const std::string& path, char comment) : m_comment(comment), m_path(absolutePath(path))
{
}

std::string IniFile::readRaw(const std::string& key) const
{
    std::string value;
    try {
        value = findEntry(m_path, m_section, key).value_or(std::string());
    } catch (const SystemError&) {
        // A file that cannot be read looks like an empty one: the first
        // required entry then reports itself as not found.
        return std::string();
    }
    std::size_t end = value.find(m_comment);
    if (end == std::string::npos)
        end = value.size();
    while (end > 0 && (value[end - 1] == ' ' || value[end - 1] == '\t'))
        --end;
    value.resize(end);
    return value;
}

std::string IniFile::readString(const std::string& key) const
{
    std::string value = readRaw(key);
    if (value.empty())
        throw IniError(0, *this, key);
    return value;
}

std::int32_t IniFile::readInt(const std::string& key) const
{
    std::int32_t value = 0;
    tokenizer(key).readInt(value).expectEnd();
    return value;
}

double IniFile::readReal(const std::string& key) const
{
    double value = 0.0;
    tokenizer(key).readReal(value).expectEnd();
    return value;
}

IniTokenizer IniFile::tokenizer(const std::string& key) const
{
    return IniTokenizer(*this, key, readRaw(key));
}

} // namespace vestiscop::foundation

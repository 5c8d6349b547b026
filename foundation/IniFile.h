// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Read access to the configuration file, one entry at a time. Every problem
// becomes an IniError naming the entry, the current section and the file's
// full path. The file is only read; a missing file reads as empty.

#include <cstdint>
#include <string>

#include "foundation/Tokenizer.h"

namespace vestiscop::foundation {

class IniFile;

// A tokenizer over one entry whose failures are IniErrors for that entry.
class IniTokenizer : public Tokenizer {
public:
    IniTokenizer(const IniFile& file, std::string entry, std::string text)
        : Tokenizer(std::move(text)), m_file(file), m_entry(std::move(entry)) {}

protected:
    [[noreturn]] void fail(std::int32_t code) const override;

private:
    const IniFile& m_file;
    std::string m_entry;
};

class IniFile {
public:
    // Stores the absolute form of path; the file is neither opened nor tested.
    IniFile(const std::string& path, char comment);

    void setSection(const std::string& name) { m_section = name; }
    const std::string& section() const { return m_section; }
    const std::string& path() const { return m_path; }
    char comment() const { return m_comment; }

    // The entry's text up to the comment character, trailing blanks and
    // tabs removed; empty when absent.
    std::string readRaw(const std::string& key) const;
    // As readRaw; empty is IniError 0.
    std::string readString(const std::string& key) const;
    std::int32_t readInt(const std::string& key) const;
    double readReal(const std::string& key) const;
    IniTokenizer tokenizer(const std::string& key) const;

private:
    char m_comment;
    std::string m_path;
    std::string m_section;
};

} // namespace vestiscop::foundation

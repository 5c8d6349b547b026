// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File streams whose every failure is a SystemError carrying the path
// (2 open, 3 read, 4 write), and a wildcard directory search.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace vestiscop::foundation {

// A buffered text stream. Lines end in LF; a CR directly before LF is
// dropped when reading, so files written elsewhere read the same.
class TextFile {
public:
    enum Mode { Read = 0, Write = 1, Append = 2 };

    TextFile() = default;
    TextFile(const std::string& path, Mode mode) { open(path, mode); }
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Read: code 3 when it fails; write and append: code 4.
    void open(const std::string& path, Mode mode);
    // The next line with its LF; at the end, what was left (possibly empty).
    std::string readLine();
    // Set only after a read has hit the end.
    bool atEnd() const;
    void writeString(const std::string& text);
    void writeChar(char c);
    void flush();
    long tell();
    void close();
    bool isOpen() const { return m_file != nullptr; }
    const std::string& path() const { return m_path; }

private:
    [[noreturn]] void fail(std::int32_t code) const;
    // Code 3 in read mode, 4 otherwise.
    std::int32_t modeCode() const;

    std::FILE* m_file = nullptr;
    std::string m_path;
    Mode m_mode = Read;
};

// An unbuffered binary stream over a descriptor. New files get owner read
// and write permission.
class BinaryFile {
public:
    enum Mode { Read = 0, Write = 1, Append = 2, ReadWrite = 3, Closed = 4 };

    BinaryFile() = default;
    BinaryFile(const std::string& path, Mode mode) { open(path, mode); }
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Any failure: code 2.
    void open(const std::string& path, Mode mode);
    // Exactly n bytes or code 3.
    void read(void* buffer, std::size_t n);
    // Exactly n bytes or code 4.
    std::size_t write(const void* buffer, std::size_t n);
    // n copies of a byte, in chunks of at most 512.
    void writeFill(std::size_t n, std::uint8_t byte);
    void skip(std::int64_t n);
    std::int64_t seek(std::int64_t offset);
    std::int64_t size();
    bool atEnd();
    // Makes what was written durable (fdatasync); code 4 when it fails.
    void sync();
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    const std::string& path() const { return m_path; }
    Mode mode() const { return m_mode; }

private:
    // Code 3 in read mode, 4 otherwise.
    [[noreturn]] void failForMode() const;

    int m_fd = -1;
    std::string m_path;
    Mode m_mode = Closed;
};

struct DirectoryEntry {
    std::string directory;  // as passed to the search, ending in '/'
    std::string name;
    std::uint32_t size = 0;
    std::time_t lastAccess = 0;
    std::time_t lastWrite = 0;
    std::time_t creation = 0;
    std::uint32_t attributes = 0;  // AttrDirectory for directories

    std::string fullPath() const { return directory + name; }
};

inline constexpr std::uint32_t AttrDirectory = 0x10;

// Appends the entries of directory (ending in '/'; one is added when it is
// missing, and "" is the current directory) matching pattern (* and ?)
// that have all of required and none of excluded attribute bits; with recurse,
// then those of each subdirectory, depth first. A missing directory yields nothing.
void findFiles(const std::string& directory, const std::string& pattern, bool recurse, std::uint32_t required,
               std::uint32_t excluded, std::vector<DirectoryEntry>& entries);

} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/Files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/Exception.h"

namespace vestiscop::foundation {

// ---------------------------------------------------------------- TextFile

TextFile::~TextFile()
{
    if (m_file != nullptr)
        std::fclose(m_file);
}

void TextFile::fail(std::int32_t code) const
{
    throw SystemError(code, m_path);
}

std::int32_t TextFile::modeCode() const
{
    return m_mode == Read ? systemError::Read : systemError::Write;
}

void TextFile::open(const std::string& path, Mode mode)
{
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_path = path;
    m_mode = mode;
    const char* flags = mode == Read ? "re" : mode == Write ? "we" : "ae";
    m_file = std::fopen(path.c_str(), flags);
    if (m_file == nullptr)
        fail(modeCode());
}

std::string TextFile::readLine()
{
    if (m_file == nullptr)
        fail(systemError::Read);
    // getline has no length limit and keeps NUL bytes, so a line of any
    // length or content arrives whole.
    char* buffer = nullptr;
    std::size_t capacity = 0;
    errno = 0;
    const ssize_t length = ::getline(&buffer, &capacity, m_file);
    const std::unique_ptr<char, decltype(&std::free)> owner(buffer, &std::free);
    if (length < 0) {
        if (errno == ENOMEM)
            throw std::bad_alloc();
        if (std::ferror(m_file) != 0)
            fail(systemError::Read);
        return std::string();
    }
    std::string line(buffer, static_cast<std::size_t>(length));
    // Files written on the other platform end their lines in CR LF.
    if (line.size() >= 2 && line[line.size() - 1] == '\n' && line[line.size() - 2] == '\r')
        line.erase(line.size() - 2, 1);
    return line;
}

bool TextFile::atEnd() const
{
    return m_file == nullptr || std::feof(m_file) != 0;
}

void TextFile::writeString(const std::string& text)
{
    if (m_file == nullptr)
        fail(systemError::Write);
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), m_file) != text.size())
        fail(systemError::Write);
}

void TextFile::writeChar(char c)
{
    if (m_file == nullptr || std::fputc(static_cast<unsigned char>(c), m_file) == EOF)
        fail(systemError::Write);
}

void TextFile::flush()
{
    if (m_file == nullptr || std::fflush(m_file) != 0)
        fail(modeCode());
}

long TextFile::tell()
{
    const long offset = m_file == nullptr ? -1 : std::ftell(m_file);
    if (offset < 0)
        fail(modeCode());
    return offset;
}

void TextFile::close()
{
    if (m_file == nullptr)
        return;
    const int result = std::fclose(m_file);
    m_file = nullptr;
    if (result != 0)
        fail(modeCode());
}

// -------------------------------------------------------------- BinaryFile

BinaryFile::~BinaryFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void BinaryFile::failForMode() const
{
    throw SystemError(m_mode == Read ? systemError::Read : systemError::Write, m_path);
}

void BinaryFile::open(const std::string& path, Mode mode)
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_path = path;
    int flags = O_CLOEXEC;
    switch (mode) {
    case Read:
        flags |= O_RDONLY;
        break;
    case Write:
        flags |= O_WRONLY | O_CREAT | O_TRUNC;
        break;
    case Append:
        flags |= O_WRONLY | O_CREAT | O_APPEND;
        break;
    case ReadWrite:
        flags |= O_RDWR | O_CREAT;
        break;
    case Closed:
        m_mode = Closed;
        throw SystemError(systemError::Open, m_path);
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags, S_IRUSR | S_IWUSR);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_mode = Closed;
        throw SystemError(systemError::Open, m_path);
    }
    m_fd = fd;
    m_mode = mode;
}

void BinaryFile::read(void* buffer, std::size_t n)
{
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::read(m_fd, out + done, n - done);
        if (got < 0 && errno == EINTR)
            continue;
        // An error, or the end of the file before n bytes: a short read.
        if (got <= 0)
            throw SystemError(systemError::Read, m_path);
        done += static_cast<std::size_t>(got);
    }
}

std::size_t BinaryFile::write(const void* buffer, std::size_t n)
{
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(m_fd, in + done, n - done);
        if (put < 0 && errno == EINTR)
            continue;
        // A full device or a file-size limit ends a write early; the next
        // attempt reports why, and either way not everything was written.
        if (put <= 0)
            throw SystemError(systemError::Write, m_path);
        done += static_cast<std::size_t>(put);
    }
    return n;
}

void BinaryFile::writeFill(std::size_t n, std::uint8_t byte)
{
    constexpr std::size_t chunkSize = 512;
    std::array<std::uint8_t, chunkSize> chunk;
    chunk.fill(byte);
    while (n > 0) {
        const std::size_t count = std::min(n, chunkSize);
        write(chunk.data(), count);
        n -= count;
    }
}

void BinaryFile::skip(std::int64_t n)
{
    if (n == 0)
        return;
    if (::lseek(m_fd, static_cast<off_t>(n), SEEK_CUR) < 0)
        failForMode();
}

std::int64_t BinaryFile::seek(std::int64_t offset)
{
    const off_t position = ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET);
    if (position < 0)
        failForMode();
    return position;
}

std::int64_t BinaryFile::size()
{
    struct stat status {};
    if (::fstat(m_fd, &status) != 0)
        failForMode();
    return status.st_size;
}

bool BinaryFile::atEnd()
{
    const off_t position = ::lseek(m_fd, 0, SEEK_CUR);
    if (position < 0)
        failForMode();
    return position >= size();
}

void BinaryFile::sync()
{
    if (::fdatasync(m_fd) != 0)
        throw SystemError(systemError::Write, m_path);
}

void BinaryFile::close()
{
    if (m_fd < 0) {
        m_mode = Closed;
        return;
    }
    const Mode mode = m_mode;
    const int result = ::close(m_fd);
    m_fd = -1;
    m_mode = Closed;
    // The descriptor is gone even when close reports an error (Linux), so
    // it must not be closed again; the failure is still the caller's to know.
    if (result != 0 && errno != EINTR)
        throw SystemError(mode == Read ? systemError::Read : systemError::Write, m_path);
}

// -------------------------------------------------------------- findFiles

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::uint32_t clampSize(off_t size)
{
    if (size < 0)
        return 0;
    constexpr auto largest = std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uintmax_t>(size) > largest ? largest : static_cast<std::uint32_t>(size);
}

// Appends the matching entries of one directory. Real subdirectories (not
// symbolic links, which could lead round in a circle) go to subdirectories.
void searchOne(const std::string& directory, const std::string& pattern, std::uint32_t required,
               std::uint32_t excluded, std::vector<DirectoryEntry>& entries, std::vector<std::string>* subdirectories)
{
    const std::string opened = directory.empty() ? std::string(".") : directory;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(opened.c_str()));
    if (!dir)
        return;
    while (const dirent* found = ::readdir(dir.get())) {
        const std::string name = found->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = directory + name;
        struct stat link {};
        if (::lstat(path.c_str(), &link) != 0)
            continue;  // vanished since it was listed
        struct stat status = link;
        if (S_ISLNK(link.st_mode))
            ::stat(path.c_str(), &status);  // a dangling link keeps its own data
        const std::uint32_t attributes = S_ISDIR(status.st_mode) ? AttrDirectory : 0;
        if (subdirectories != nullptr && S_ISDIR(link.st_mode))
            subdirectories->push_back(name);
        if ((attributes & required) != required || (attributes & excluded) != 0)
            continue;
        if (::fnmatch(pattern.c_str(), name.c_str(), FNM_NOESCAPE) != 0)
            continue;
        DirectoryEntry entry;
        entry.directory = directory;
        entry.name = name;
        entry.size = clampSize(status.st_size);
        entry.lastAccess = status.st_atime;
        entry.lastWrite = status.st_mtime;
        // Linux keeps no creation time in stat; the status change time is
        // the closest it records.
        entry.creation = status.st_ctime;
        entry.attributes = attributes;
        entries.push_back(std::move(entry));
    }
}

} // namespace

void findFiles(const std::string& directoryIn, const std::string& pattern, bool recurse, std::uint32_t required,
               std::uint32_t excluded, std::vector<DirectoryEntry>& entries)
{
    if (entries.capacity() == 0)
        entries.reserve(32);
    // Paths are joined by concatenation, so a directory given without its
    // final separator gets one; otherwise every entry would be missed.
    std::string directory = directoryIn;
    if (!directory.empty() && directory.back() != '/')
        directory += '/';
    std::vector<std::string> subdirectories;
    searchOne(directory, pattern, required, excluded, entries, recurse ? &subdirectories : nullptr);
    for (const std::string& name : subdirectories)
        findFiles(directory + name + "/", pattern, recurse, required, excluded, entries);
}

} // namespace vestiscop::foundation

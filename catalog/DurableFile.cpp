// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalog/DurableFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "foundation/Exception.h"

namespace vestiscop::catalog {

// Best effort; the file itself works either way.
void syncDirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    [[maybe_unused]] const int ignored = ::fsync(fd);
    ::close(fd);
}

void openForChanges(foundation::BinaryFile& file, const std::string& path, bool lock)
{
    const bool existed = ::access(path.c_str(), F_OK) == 0;
    file.open(path, foundation::BinaryFile::ReadWrite);
    if (!existed)
        syncDirectoryOf(path);
    if (!lock)
        return;
    int result;
    do {
        result = ::flock(file.descriptor(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        throw foundation::SystemError(foundation::systemError::Open, file.path());
}

void writeInPlace(foundation::BinaryFile& file, std::int64_t offset, const void* data, std::size_t n)
{
    const std::int64_t oldSize = file.size();
    const bool extends = offset + static_cast<std::int64_t>(n) > oldSize;

    std::vector<std::uint8_t> previous;
    bool havePrevious = false;
    if (!extends) {
        previous.resize(n);
        havePrevious = ::pread(file.descriptor(), previous.data(), n, offset) == static_cast<ssize_t>(n);
    }

    try {
        file.seek(offset);
        file.write(data, n);
        file.sync();
    } catch (...) {
        // Best effort: the original failure is what the user must hear about.
        if (extends) {
            [[maybe_unused]] const int ignored = ::ftruncate(file.descriptor(), static_cast<off_t>(oldSize));
        } else if (havePrevious) {
            [[maybe_unused]] const ssize_t ignored = ::pwrite(file.descriptor(), previous.data(), n, offset);
        }
        [[maybe_unused]] const int ignored = ::fdatasync(file.descriptor());
        throw;
    }
}

} // namespace vestiscop::catalog

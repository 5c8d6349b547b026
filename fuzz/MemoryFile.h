// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hands fuzz input to readers that take a path: the bytes live in an
// anonymous in-memory file, reached through its /proc/self/fd path, so no
// run touches the disk and nothing is left behind.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace vestiscop::fuzz {

class MemoryFile {
public:
    MemoryFile(const void* data, std::size_t size)
    {
        m_fd = memfd_create("vestiscop-fuzz", 0);
        if (m_fd < 0)
            std::abort();
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, bytes + done, size - done);
            if (n <= 0)
                std::abort();
            done += static_cast<std::size_t>(n);
        }
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    explicit MemoryFile(const std::string& text) : MemoryFile(text.data(), text.size()) {}
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string& path() const { return m_path; }
    int descriptor() const { return m_fd; }

private:
    int m_fd = -1;
    std::string m_path;
};

// An invariant the reader must keep whatever the input: a breach is a finding.
inline void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace vestiscop::fuzz

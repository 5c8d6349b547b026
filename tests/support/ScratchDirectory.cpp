// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScratchDirectory.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "FileBytes.h"

namespace vestiscop::testsupport {

namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory()
{
    std::string pattern = (fs::temp_directory_path() / "vestiscop-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a directory like " + pattern);
    m_path = pattern;
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    // A directory's permissions are put back when the walk reaches it, before
    // the walk goes into it.
    for (auto it = fs::recursive_directory_iterator(m_path, ignored); !ignored && it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_path, ignored);
}

void ScratchDirectory::write(const std::string& name, const std::string& content) const
{
    writeText(file(name), content);
}

void ScratchDirectory::write(const std::string& name, const std::vector<std::uint8_t>& content) const
{
    writeBytes(file(name), content);
}

std::string ScratchDirectory::read(const std::string& name) const
{
    if (!fs::is_regular_file(file(name)))
        return std::string();
    return readText(file(name));
}

std::vector<std::uint8_t> ScratchDirectory::readBytes(const std::string& name) const
{
    const std::string content = read(name);
    return std::vector<std::uint8_t>(content.begin(), content.end());
}

bool ScratchDirectory::exists(const std::string& name) const
{
    return fs::exists(file(name));
}

} // namespace vestiscop::testsupport

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataDirectory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/Files.h"
#include "foundation/Format.h"
#include "foundation/IniFile.h"
#include "foundation/MessageCatalog.h"
#include "foundation/StringTable.h"

namespace vestiscop::app {

namespace {

constexpr const char* ConfigFileName = "vestiscop.cfg";

// String-table ids of the texts below (the command-line program's range:
// both programs say them).
constexpr int CannotMakeDirectory = 2021;  // %s: the directory
constexpr int CannotEnterDirectory = 2022; // %s: the directory
constexpr int NoDataDirectory = 2023;
constexpr int NoShippedData = 2024;

std::string textWith(int id, const std::string& argument)
{
    return foundation::format(foundation::loadString(id).c_str(), argument.c_str());
}

std::string systemErrorText(std::int32_t code, const std::string& path)
{
    return foundation::SystemError(code, path).message(foundation::MessageCatalog::application(), 0);
}

bool isFile(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool exists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

std::string parentOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p; false when a component cannot be made.
bool makeDirectories(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0)
        return S_ISDIR(status.st_mode);
    const std::string parent = parentOf(path);
    if (parent != path && !makeDirectories(parent))
        return false;
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

// A relative name inside the data directory that does not climb out of it.
bool isPlainRelative(const std::string& name)
{
    if (name.empty() || name.front() == '/')
        return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        if (name.compare(start, end - start, "..") == 0 && end - start == 2)
            return false;
        start = end + 1;
    }
    return true;
}

// Writes content to target only if target does not exist yet: into a
// temporary file beside it, made durable, then linked to the name (which
// fails harmlessly when another start made it meanwhile).
std::string placeNewFile(const std::string& target, const std::string& content)
{
    if (!makeDirectories(parentOf(target)))
        return textWith(CannotMakeDirectory, parentOf(target));
    const std::string temporary = target + ".new-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return systemErrorText(foundation::systemError::Write, target);
    std::size_t written = 0;
    bool ok = true;
    while (ok && written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            written += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::link(temporary.c_str(), target.c_str()) != 0 && errno != EEXIST)
        ok = false;
    ::unlink(temporary.c_str());
    return ok ? std::string() : systemErrorText(foundation::systemError::Write, target);
}

bool readWhole(const std::string& path, std::string& content)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        content.append(buffer, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

std::string copyIfMissing(const std::string& data, const std::string& shipped, const std::string& name)
{
    if (!isPlainRelative(name) || exists(data + "/" + name) || !isFile(shipped + "/" + name))
        return {};
    std::string content;
    if (!readWhole(shipped + "/" + name, content))
        return systemErrorText(foundation::systemError::Read, shipped + "/" + name);
    return placeNewFile(data + "/" + name, content);
}

// A key of the configuration as the start-up would read it; empty when it
// is missing or the file cannot be read (the start-up then says why).
std::string configuredName(const std::string& config, const char* section, const char* key)
{
    try {
        foundation::IniFile ini(config, ';');
        ini.setSection(section);
        return ini.readString(key);
    } catch (...) {
        return {};
    }
}

std::string executableDirectory()
{
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return {};
    return parentOf(std::string(buffer.data(), static_cast<std::size_t>(n)));
}

} // namespace

std::string shippedDataDirectory(const foundation::Environment& environment)
{
    std::vector<std::string> candidates;
    if (!environment.shippedData.empty())
        candidates.push_back(environment.shippedData);
    if (const std::string bin = executableDirectory(); !bin.empty())
        candidates.push_back(parentOf(bin) + "/share/vestiscop");
    candidates.emplace_back(VESTISCOP_INSTALLED_DATA_DIR);
    for (const std::string& candidate : candidates) {
        if (isFile(candidate + "/" + ConfigFileName))
            return candidate;
    }
    return {};
}

std::string seedDataDirectory(const std::string& data, const std::string& shipped)
{
    if (!makeDirectories(data))
        return textWith(CannotMakeDirectory, data);
    if (std::string problem = copyIfMissing(data, shipped, ConfigFileName); !problem.empty())
        return problem;
    // Every shipped colour table, so that switching Definitions needs no copying.
    std::vector<foundation::DirectoryEntry> tables;
    foundation::findFiles(shipped, "barvy*.txt", false, 0, foundation::AttrDirectory, tables);
    for (const foundation::DirectoryEntry& table : tables) {
        if (std::string problem = copyIfMissing(data, shipped, table.name); !problem.empty())
            return problem;
    }
    const std::string config = data + "/" + ConfigFileName;
    if (std::string problem = copyIfMissing(data, shipped, configuredName(config, "Color", "Definitions"));
        !problem.empty())
        return problem;
    const std::string materials = configuredName(config, "Matching", "Materials");
    if (isPlainRelative(materials) && !exists(data + "/" + materials))
        return placeNewFile(data + "/" + materials, std::string());
    return {};
}

std::string enterDataDirectory(const std::optional<std::string>& chosen, const foundation::Environment& environment)
{
    std::string directory;
    if (chosen) {
        directory = *chosen;
    } else if (isFile(ConfigFileName)) {
        return {};
    } else {
        directory = environment.userDataDirectory;
        if (directory.empty())
            return foundation::loadString(NoDataDirectory);
        const std::string shipped = shippedDataDirectory(environment);
        if (shipped.empty())
            return foundation::loadString(NoShippedData);
        if (std::string problem = seedDataDirectory(directory, shipped); !problem.empty())
            return problem;
    }
    if (::chdir(directory.c_str()) != 0)
        return textWith(CannotEnterDirectory, directory);
    return {};
}

} // namespace vestiscop::app

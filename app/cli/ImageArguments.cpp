// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli/ImageArguments.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

#include "app/DroppedFile.h"
#include "app/cli/CliTextIds.h"
#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::app::cli {

namespace {

// Standard input copied whole into a temporary file (the readers want a
// file they can open by name), removed again when this ends.
class StandardInputCopy {
public:
    StandardInputCopy()
    {
        const char* tmp = std::getenv("TMPDIR");
        m_path = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/vestiscop-stdin-XXXXXX";
        const int fd = ::mkstemp(m_path.data());
        if (fd < 0)
            throw foundation::SystemError(foundation::systemError::Write, m_path);
        bool ok = true;
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                ok = false;
                break;
            }
            if (got == 0)
                break;
            for (ssize_t done = 0; ok && done < got;) {
                const ssize_t n = ::write(fd, buffer + done, static_cast<std::size_t>(got - done));
                if (n < 0 && errno == EINTR)
                    continue;
                ok = n > 0;
                done += ok ? n : 0;
            }
            if (!ok)
                break;
        }
        ::close(fd);
        if (!ok) {
            ::unlink(m_path.c_str());
            throw foundation::SystemError(foundation::systemError::Read, StandardInput);
        }
    }
    ~StandardInputCopy() { ::unlink(m_path.c_str()); }
    StandardInputCopy(const StandardInputCopy&) = delete;
    StandardInputCopy& operator=(const StandardInputCopy&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

std::unique_ptr<imaging::RgbImage> loadStandardInput()
{
    const StandardInputCopy copy;
    try {
        if (signatureKind(copy.path()) != DroppedFileKind::Bmp && signatureKind(copy.path()) != DroppedFileKind::Png)
            throw foundation::SystemError(foundation::systemError::BadFormat, StandardInput);
        return loadDroppedFile(copy.path());
    } catch (const foundation::SystemError& error) {
        // The temporary name means nothing to the user.
        if (error.argument() == copy.path())
            throw foundation::SystemError(error.code(), StandardInput);
        throw;
    }
}

std::string& argumentDirectory()
{
    static std::string directory;
    return directory;
}

// A named file, read from where the user named it; failures name it as the
// user did.
std::unique_ptr<imaging::RgbImage> loadNamedFile(const std::string& path)
{
    if (argumentDirectory().empty() || path.starts_with("/"))
        return loadDroppedFile(path);
    const std::string resolved = argumentDirectory() + "/" + path;
    try {
        return loadDroppedFile(resolved);
    } catch (const foundation::SystemError& error) {
        if (error.argument() == resolved)
            throw foundation::SystemError(error.code(), path);
        throw;
    }
}

} // namespace

void setArgumentDirectory(const std::string& directory)
{
    argumentDirectory() = directory;
}

bool acceptsImageFile(const std::string& path, std::string& problem)
{
    if (path == StandardInput)
        return true;
    const std::optional<DroppedFileKind> kind = signatureKind(path);
    if (kind.value_or(droppedFileKind(path)) != DroppedFileKind::None)
        return true;
    problem = foundation::format(foundation::loadString(cliText::NotAnImage).c_str(), path.c_str());
    return false;
}

void analyzeImageFile(analysis::Analyser& analyzer, const std::string& path)
{
    analyzer.analyze(path == StandardInput ? loadStandardInput() : loadNamedFile(path));
}

} // namespace vestiscop::app::cli

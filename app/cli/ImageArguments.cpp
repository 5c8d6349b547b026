// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli/ImageArguments.h"

#include <unistd.h>

#include <optional>

#include "app/DroppedFile.h"
#include "app/SpooledPicture.h"
#include "app/cli/CliTextIds.h"
#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::app::cli {

namespace {

// Standard input, judged as it arrives and kept no longer than its reading.
std::unique_ptr<imaging::RgbImage> loadStandardInput(const std::string& temporaryDirectory)
{
    const SpooledPicture copy(STDIN_FILENO, StandardInput, temporaryDirectory);
    try {
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

std::unique_ptr<imaging::RgbImage> loadImageFile(const std::string& path, const foundation::Environment& environment)
{
    return path == StandardInput ? loadStandardInput(environment.temporaryDirectory) : loadNamedFile(path);
}

void analyzeImageFile(analysis::Analyser& analyzer, const std::string& path,
                      const foundation::Environment& environment)
{
    analyzer.analyze(loadImageFile(path, environment));
}

} // namespace vestiscop::app::cli

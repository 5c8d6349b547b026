// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ScanArchive.h"

#include "foundation/Files.h"
#include "foundation/Format.h"
#include "imaging/BmpFile.h"
#include "imaging/PngFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace vestiscop::imaging {

namespace {

constexpr int RingSize = 1000;

// The number after the newest archive file, by modification time. Equal
// times keep the entry listed first. A name without digits after "scan"
// (scanner.txt) counts as 0.
int nextNumber(const std::vector<foundation::DirectoryEntry>& entries)
{
    const foundation::DirectoryEntry* newest = nullptr;
    for (const auto& entry : entries)
        if (newest == nullptr || entry.lastWrite > newest->lastWrite)
            newest = &entry;
    if (newest == nullptr)
        return 0;
    const long number = std::strtol(newest->name.c_str() + 4, nullptr, 10) + 1;
    // A sign in the name ("scan-05.bmp") must not lead out of the ring either.
    return number < 0 || number >= RingSize ? 0 : static_cast<int>(number);
}

} // namespace

std::string saveScan(const RgbImage& image, const std::string& startDirectory, const std::string& saveDir,
                     foundation::SaveFormat format)
{
    const std::string directory = startDirectory + saveDir + "/";
    // An existing directory is fine; one that cannot be made shows up as the
    // failure to open the file.
    std::error_code ignored;
    std::filesystem::create_directory(directory, ignored);

    std::vector<foundation::DirectoryEntry> entries;
    foundation::findFiles(directory, "scan???.*", false, 0, 0, entries);

    const bool png = format == foundation::SaveFormat::Png;
    const std::string name = foundation::format("scan%03d.", nextNumber(entries)) + (png ? "png" : "bmp");
    const std::string path = directory + name;
    // A scan that could not be written in full (a full disk) is no picture:
    // what was written goes again, so the archive holds only whole files and
    // the next scan takes the same number. Only a file this call opened is
    // removed, never one it failed to open.
    const auto write = [&](ImageFile& file) {
        try {
            saveImage(image, file);
        } catch (...) {
            std::error_code ignoredRemoval;
            std::filesystem::remove(path, ignoredRemoval);
            throw;
        }
    };
    if (png) {
        PngFile file(path, ImageFile::Write);
        write(file);
    } else {
        BmpFile file(path, ImageFile::Write);
        write(file);
    }
    return name;
}

} // namespace vestiscop::imaging

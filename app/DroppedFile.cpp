// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DroppedFile.h"

#include <strings.h>

#include <array>
#include <cstring>
#include <fstream>

#include "foundation/Exception.h"

#include "imaging/BmpFile.h"
#include "imaging/PngFile.h"

namespace vestiscop::app {

DroppedFileKind droppedFileKind(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return DroppedFileKind::None;
    const std::string extension = path.substr(dot + 1);
    if (::strcasecmp(extension.c_str(), "bmp") == 0)
        return DroppedFileKind::Bmp;
    if (::strcasecmp(extension.c_str(), "png") == 0)
        return DroppedFileKind::Png;
    return DroppedFileKind::None;
}

std::optional<DroppedFileKind> signatureKind(const std::string& path)
{
    static constexpr std::array<char, 8> png = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
    std::array<char, 8> head{};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.read(head.data(), head.size());
    if (in.bad())
        return std::nullopt;
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got == head.size() && head == png)
        return DroppedFileKind::Png;
    if (got >= 2 && head[0] == 'B' && head[1] == 'M')
        return DroppedFileKind::Bmp;
    return DroppedFileKind::None;
}

std::unique_ptr<imaging::RgbImage> loadDroppedFile(const std::string& path)
{
    const std::optional<DroppedFileKind> signature = signatureKind(path);
    if (signature == DroppedFileKind::None)
        throw foundation::SystemError(foundation::systemError::BadFormat, path);
    switch (signature.value_or(droppedFileKind(path))) {
    case DroppedFileKind::Bmp: {
        imaging::BmpFile file(path, imaging::ImageFile::Read);
        return imaging::loadImage(file);
    }
    case DroppedFileKind::Png: {
        imaging::PngFile file(path, imaging::ImageFile::Read);
        return imaging::loadImage(file);
    }
    case DroppedFileKind::None:
        break;
    }
    return nullptr;
}

} // namespace vestiscop::app

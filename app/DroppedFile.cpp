#include "app/DroppedFile.h"

#include <strings.h>

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

std::unique_ptr<imaging::RgbImage> loadDroppedFile(const std::string& path)
{
    switch (droppedFileKind(path)) {
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

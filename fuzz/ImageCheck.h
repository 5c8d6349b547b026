// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Checks shared by the image-file targets: a refusal is one of the image
// files' own failures, and a picture that was accepted survives a write and
// a second read unchanged.

#include <cstdint>
#include <cstring>
#include <memory>

#include "MemoryFile.h"
#include "foundation/Exception.h"
#include "imaging/ImageFile.h"

namespace vestiscop::fuzz {

// 0 out of memory, 3 a file that ends too soon, 5 content the format refuses.
// An open failure (2) cannot happen: the file is there.
inline void requireReadRefusal(const foundation::SystemError& error)
{
    require(error.code() == 0 || error.code() == 3 || error.code() == 5);
}

inline bool samePixels(const imaging::RgbImage& a, const imaging::RgbImage& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.row(y), b.row(y), a.rowBytes()) != 0)
            return false;
    }
    return true;
}

// Writes the picture in the same format and reads it back.
template <class Format>
void requireRoundTrip(const imaging::RgbImage& image)
{
    MemoryFile copy(nullptr, 0);
    {
        Format writer(copy.path(), imaging::ImageFile::Write);
        imaging::saveImage(image, writer);
    }
    Format reader(copy.path(), imaging::ImageFile::Read);
    const auto again = imaging::loadImage(reader);
    require(samePixels(image, *again));
}

} // namespace vestiscop::fuzz

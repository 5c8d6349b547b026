// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion of a scanner's packed DIB of known length. Either the
// picture comes out with the header's size and every row copied from its
// place in the block (bottom row first), or SystemError 5 and nothing else.

#include <cstdint>
#include <cstring>
#include <memory>

#include "MemoryFile.h"
#include "foundation/Exception.h"
#include "imaging/PackedDib.h"

using namespace vestiscop;
using fuzz::require;

namespace {

std::int32_t get32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A block of exactly the input's size, so that any read past it is caught.
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[size]);
    if (size > 0)
        std::memcpy(block.get(), data, size);
    try {
        const auto image = imaging::fromPackedDib(block.get(), size);
        require(size >= 40);
        const std::int32_t width = get32(block.get() + 4);
        const std::int32_t height = get32(block.get() + 8);
        require(image->width() == width && image->height() == height);
        const std::size_t rowLength = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
        require(40 + rowLength * static_cast<std::size_t>(height) <= size);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* stored = block.get() + 40 + rowLength * static_cast<std::size_t>(height - 1 - y);
            require(std::memcmp(image->row(y), stored, image->rowBytes()) == 0);
        }
    } catch (const foundation::SystemError& error) {
        require(error.code() == 5 || error.code() == 0);
    }
    return 0;
}

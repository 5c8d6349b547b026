// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DibAssembler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vestiscop::platform {

using namespace scanner;

bool DibAssembler::beginFrame(const SANE_Parameters& parameters)
{
    const bool knownFormat = parameters.format == SANE_FRAME_GRAY || parameters.format == SANE_FRAME_RGB ||
                             parameters.format == SANE_FRAME_RED || parameters.format == SANE_FRAME_GREEN ||
                             parameters.format == SANE_FRAME_BLUE;
    const bool knownDepth = parameters.depth == 1 || parameters.depth == 8 || parameters.depth == 16;
    if (!knownFormat || !knownDepth || parameters.pixels_per_line <= 0 || parameters.bytes_per_line <= 0)
        return false;
    const std::int64_t samples = parameters.format == SANE_FRAME_RGB ? 3 : 1;
    const std::int64_t neededBits = parameters.pixels_per_line * samples * parameters.depth;
    if (std::int64_t{parameters.bytes_per_line} * 8 < neededBits)
        return false;
    if (parameters.lines > 0 && std::int64_t{parameters.pixels_per_line} * parameters.lines > MaxPixels)
        return false;
    if (m_width != 0 && m_width != parameters.pixels_per_line)
        return false;
    m_width = parameters.pixels_per_line;
    m_frame = parameters;
    m_frameRow = 0;
    m_raw.clear();
    return true;
}

bool DibAssembler::add(const std::uint8_t* bytes, std::size_t count)
{
    const auto rowBytes = static_cast<std::size_t>(m_frame.bytes_per_line);
    while (count > 0) {
        const std::size_t taken = std::min(count, rowBytes - m_raw.size());
        m_raw.insert(m_raw.end(), bytes, bytes + taken);
        bytes += taken;
        count -= taken;
        if (m_raw.size() == rowBytes) {
            if (static_cast<std::int64_t>(m_frameRow + 1) * m_width > MaxPixels)
                return false;
            convertRow();
            m_raw.clear();
        }
    }
    return true;
}

std::uint8_t DibAssembler::sample(std::size_t index) const
{
    switch (m_frame.depth) {
    case 1: {
        const bool set = (m_raw[index / 8] >> (7 - index % 8)) & 1;
        // A set bit is black in a grey frame and full intensity in a colour one.
        if (m_frame.format == SANE_FRAME_GRAY)
            return set ? 0 : 255;
        return set ? 255 : 0;
    }
    case 16: {
        std::uint16_t value = 0;
        std::memcpy(&value, &m_raw[index * 2], 2);  // host byte order
        return static_cast<std::uint8_t>(value >> 8);
    }
    default:
        return m_raw[index];
    }
}

void DibAssembler::convertRow()
{
    const auto width = static_cast<std::size_t>(m_width);
    if (m_frameRow == m_rows) {
        m_pixels.resize(m_pixels.size() + width * 3, 0);
        ++m_rows;
    }
    std::uint8_t* row = m_pixels.data() + m_frameRow * width * 3;
    for (std::size_t x = 0; x < width; ++x) {
        std::uint8_t* pixel = row + x * 3;  // blue, green, red
        switch (m_frame.format) {
        case SANE_FRAME_RGB:
            pixel[2] = sample(x * 3);
            pixel[1] = sample(x * 3 + 1);
            pixel[0] = sample(x * 3 + 2);
            break;
        case SANE_FRAME_RED:
            pixel[2] = sample(x);
            break;
        case SANE_FRAME_GREEN:
            pixel[1] = sample(x);
            break;
        case SANE_FRAME_BLUE:
            pixel[0] = sample(x);
            break;
        default:
            pixel[0] = pixel[1] = pixel[2] = sample(x);
            break;
        }
    }
    ++m_frameRow;
}

TW_HANDLE DibAssembler::finish(double xDpi, double yDpi) const
{
    if (m_rows == 0 || m_width <= 0)
        return nullptr;
    const auto width = static_cast<std::size_t>(m_width);
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    const std::size_t imageBytes = stride * m_rows;
    TW_HANDLE handle = twainAlloc(sizeof(DibHeader) + imageBytes);
    if (!handle)
        return nullptr;
    auto* bytes = static_cast<std::uint8_t*>(twainLock(handle));
    DibHeader header{};
    header.biSize = sizeof(DibHeader);
    header.biWidth = m_width;
    header.biHeight = static_cast<std::int32_t>(m_rows);
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = 0;
    header.biSizeImage = static_cast<std::uint32_t>(imageBytes);
    header.biXPelsPerMeter = static_cast<std::int32_t>(std::lround(xDpi / 0.0254));
    header.biYPelsPerMeter = static_cast<std::int32_t>(std::lround(yDpi / 0.0254));
    std::memcpy(bytes, &header, sizeof header);
    // Bottom row first; the padding stays zero from the allocation.
    for (std::size_t y = 0; y < m_rows; ++y)
        std::memcpy(bytes + sizeof header + (m_rows - 1 - y) * stride, m_pixels.data() + y * width * 3, width * 3);
    twainUnlock(handle);
    return handle;
}

} // namespace vestiscop::platform

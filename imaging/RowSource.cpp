// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/RowSource.h"

#include <cassert>

namespace vestiscop::imaging {

RowSource::RowSource(const std::uint8_t* data, int rowBytes, std::ptrdiff_t strideBytes, int height, int direction)
    : Filter(rowBytes, height), m_data(data), m_strideBytes(strideBytes), m_direction(direction)
{
    assert(direction == 1 || direction == -1);
}

const std::uint8_t* RowSource::pull()
{
    if (m_delivered >= rowCount())
        throw EndOfStream();
    const int y = m_direction > 0 ? m_delivered : rowCount() - 1 - m_delivered;
    ++m_delivered;
    return m_data + y * m_strideBytes;
}

} // namespace vestiscop::imaging

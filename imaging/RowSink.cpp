// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/RowSink.h"

#include <cassert>

namespace vestiscop::imaging {

RowSink::RowSink(std::uint8_t* data, int rowBytes, std::ptrdiff_t strideBytes, int height, int direction,
                 Filter& upstream)
    : Filter(rowBytes, height), m_data(data), m_strideBytes(strideBytes), m_direction(direction),
      m_upstream(upstream)
{
    assert(direction == 1 || direction == -1);
    assert(upstream.rowLength() == rowBytes);
}

const std::uint8_t* RowSink::pull()
{
    if (m_filled >= rowCount())
        throw EndOfStream();
    const int y = m_direction > 0 ? m_filled : rowCount() - 1 - m_filled;
    std::uint8_t* row = m_data + y * m_strideBytes;
    m_upstream.pullInto(row);
    ++m_filled;
    return row;
}

} // namespace vestiscop::imaging

// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/Filter.h"

#include <cstring>

namespace vestiscop::imaging {

void Filter::pullInto(std::uint8_t* row)
{
    const std::uint8_t* source = pull();
    std::memcpy(row, source, static_cast<std::size_t>(m_rowLength));
}

} // namespace vestiscop::imaging

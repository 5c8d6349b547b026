// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature/FrequencyTable.h"

#include <cmath>
#include <mutex>

#include "signature/GarmentSignature.h"

namespace vestiscop::signature {

FrequencyTable::FrequencyTable(int n, double mmPerPixelX, double mmPerPixelY)
    : m_n(n), m_mmX(mmPerPixelX), m_mmY(mmPerPixelY),
      m_octaves(static_cast<std::size_t>(n / 2 + 1) * static_cast<std::size_t>(n / 2 + 1))
{
    const int half = n / 2;
    for (int fv = 0; fv <= half; ++fv) {
        const double cyclesY = fv / (n * mmPerPixelY);
        for (int fu = 0; fu <= half; ++fu) {
            if (fu == 0 && fv == 0)
                continue;  // no period: no measure bins it
            const double cyclesX = fu / (n * mmPerPixelX);
            const double period = 1 / std::hypot(cyclesX, cyclesY);
            m_octaves[quadrantIndex(fu, fv)] = std::log2(period / ShortestPeriodMm);
        }
    }
}

void FrequencyTable::fillDirections() const
{
    const int n = m_n;
    const int half = n / 2;
    m_directions.assign(static_cast<std::size_t>(half + 1) * static_cast<std::size_t>(n + 1), 0.0);
    for (int fv = 0; fv <= half; ++fv) {
        const double cyclesY = fv / (n * m_mmY);
        for (int fu = -half; fu <= half; ++fu) {
            if (fu == 0 && fv == 0)
                continue;  // no direction: no measure bins it
            const double cyclesX = fu / (n * m_mmX);
            m_directions[halfPlaneIndex(fu, fv)] = std::atan2(cyclesY, cyclesX);
        }
    }
}

std::shared_ptr<const FrequencyTable> FrequencyTable::of(int n, double mmPerPixelX, double mmPerPixelY)
{
    // The texture and the weave of one scan ask from two threads at once:
    // one makes the table, the other waits for it.
    static std::mutex guard;
    static std::shared_ptr<const FrequencyTable> last;
    const std::lock_guard<std::mutex> lock(guard);
    if (!last || !last->fits(n, mmPerPixelX, mmPerPixelY))
        last = std::make_shared<const FrequencyTable>(n, mmPerPixelX, mmPerPixelY);
    return last;
}

} // namespace vestiscop::signature

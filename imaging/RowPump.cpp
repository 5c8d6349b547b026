// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/RowPump.h"

namespace vestiscop::imaging {

void pumpRows(Filter& last, ProgressObserver& progress)
{
    const int count = last.rowCount();
    try {
        if (count < 0) {
            progress.begin(1);
            for (;;)
                last.pull();
        }
        progress.begin(count);
        for (int i = 0; i < count; ++i) {
            last.pull();
            progress.step();
        }
    } catch (const Filter::EndOfStream&) {
        progress.step();
    }
}

} // namespace vestiscop::imaging

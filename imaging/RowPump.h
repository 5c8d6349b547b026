// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drives a chain of row stages by pulling its last stage: rowCount() times
// when the count is known, otherwise until the stream ends. Running out of
// rows early (Filter::EndOfStream) is a normal end; every other exception
// passes through with the chain as it is.

#include "imaging/Filter.h"
#include "imaging/ProgressObserver.h"

namespace vestiscop::imaging {

void pumpRows(Filter& last, ProgressObserver& progress);

} // namespace vestiscop::imaging

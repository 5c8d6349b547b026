// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Large work buffers (a 2048 x 2048 region's are 4 to 12 MB each) are asked
// to be backed by huge pages where the system offers them on request
// (transparent huge pages in "madvise" mode): the first write to each 2 MB
// then costs one page fault instead of 512, and such faults were about a
// fifth of a 2048 x 2048 analysis. Only the whole 2 MB stretches inside the
// buffer are advised, and only in buffers of at least 4 MB; the buffer, its
// bytes and its owner stay as they are, and a system without huge pages
// ignores the advice.

#include <cstddef>

namespace vestiscop::foundation {

void adviseHugePages(void* data, std::size_t bytes);

} // namespace vestiscop::foundation

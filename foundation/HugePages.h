// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Large work buffers (a 2048 x 2048 region's are 4 to 12 MB each) are backed
// by huge pages where the system offers them on request (transparent huge
// pages in "madvise" mode): the first write to each 2 MB then costs one page
// fault instead of 512, which spares a large analysis most of the kernel's
// work of clearing fresh pages. A buffer of at least 4 MB is allocated with hugePageRoom(bytes)
// bytes and used from hugePageStart() on, a 2 MB boundary, so that all of it
// lies in whole huge pages; the unused room before it is never written and
// costs no memory. Smaller buffers are left as they are. What the buffer
// holds does not depend on it, and a system without huge pages ignores the
// advice.

#include <cstddef>

namespace vestiscop::foundation {

// The bytes to allocate for a buffer of the given size.
std::size_t hugePageRoom(std::size_t bytes);

// Where the buffer of the given size starts in an allocation of
// hugePageRoom(bytes) bytes; from there on bytes bytes are advised.
void* hugePageStart(void* allocation, std::size_t bytes);

} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/HugePages.h"

#include <sys/mman.h>

#include <cstdint>

namespace vestiscop::foundation {

void adviseHugePages(void* data, std::size_t bytes)
{
    constexpr std::uintptr_t HugePage = std::uintptr_t{1} << 21;
    if (data == nullptr || bytes < 2 * HugePage)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t end = (begin + bytes) & ~(HugePage - 1);
    // Advice only: a kernel without it, or memory it will not back so,
    // leaves the buffer on small pages, which is how it was before.
    if (end > first)
        (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

} // namespace vestiscop::foundation

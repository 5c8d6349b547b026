// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/HugePages.h"

#include <sys/mman.h>

#include <cstdint>

namespace vestiscop::foundation {

namespace {

constexpr std::size_t HugePage = std::size_t{1} << 21;

bool large(std::size_t bytes)
{
    return bytes >= 2 * HugePage;
}

} // namespace

std::size_t hugePageRoom(std::size_t bytes)
{
    return large(bytes) ? bytes + HugePage - 1 : bytes;
}

void* hugePageStart(void* allocation, std::size_t bytes)
{
    if (allocation == nullptr || !large(bytes))
        return allocation;
    const auto at = reinterpret_cast<std::uintptr_t>(allocation);
    const std::uintptr_t start = (at + HugePage - 1) & ~std::uintptr_t{HugePage - 1};
    // Advice only: a kernel without it, or memory it will not back so,
    // leaves the buffer on small pages, which works as well, only slower. A last
    // part shorter than a huge page stays on small pages.
    const std::uintptr_t end = (start + bytes) & ~std::uintptr_t{HugePage - 1};
    if (end > start)
        (void)::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(start);
}

} // namespace vestiscop::foundation

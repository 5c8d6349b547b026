// SPDX-License-Identifier: GPL-3.0-or-later
// A buffer placed for huge pages lies wholly inside the room allocated for
// it, a large one from a 2 MB boundary on, a small one where it was.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "foundation/HugePages.h"

namespace vestiscop::foundation {
namespace {

constexpr std::size_t MiB = std::size_t{1} << 20;

struct PlacementCase {
    const char* name;
    std::size_t bytes;
    bool onHugePage;
};

class HugePagePlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(HugePagePlacement, TheBufferLiesInsideItsRoom)
{
    const PlacementCase& c = GetParam();
    const std::size_t room = hugePageRoom(c.bytes);
    ASSERT_GE(room, c.bytes);
    // Several allocations, so that their addresses fall at different
    // distances from the next boundary.
    for (int i = 0; i < 4; ++i) {
        const std::unique_ptr<std::uint8_t[]> allocation(new std::uint8_t[room + static_cast<std::size_t>(i) * 4096]);
        auto* start = static_cast<std::uint8_t*>(hugePageStart(allocation.get(), c.bytes));
        EXPECT_GE(start, allocation.get());
        EXPECT_LE(start + c.bytes, allocation.get() + room);
        if (c.onHugePage)
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(start) % (2 * MiB), 0u);
        else
            EXPECT_EQ(start, allocation.get());
        // Every byte of the buffer can be written (AddressSanitizer would
        // stop a buffer that reached past its room).
        std::memset(start, 0x5a, c.bytes);
        EXPECT_EQ(start[c.bytes - 1], 0x5a);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, HugePagePlacement,
                         ::testing::Values(PlacementCase{"OneByte", 1, false},
                                           PlacementCase{"JustUnderFourMegabytes", 4 * MiB - 1, false},
                                           PlacementCase{"FourMegabytes", 4 * MiB, true},
                                           PlacementCase{"TwelveMegabytesAndOne", 12 * MiB + 1, true}),
                         [](const ::testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

} // namespace
} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The 96 bytes of one catalogue record as they lie in the Materials file:
// multi-byte fields little-endian, padding written as zero and ignored when
// read. On a little-endian machine this is the in-memory layout of
// ColorAnalysis; spelling it out keeps the file format independent of the
// compiler's layout and of the padding bytes' contents in memory.

#include <array>
#include <cstdint>

#include "color/ColorAnalysis.h"

namespace vestiscop::catalog {

using RecordBytes = std::array<std::uint8_t, sizeof(color::ColorAnalysis)>;

RecordBytes encodeRecord(const color::ColorAnalysis& record);
// The padding of the result is zero whatever the bytes held.
color::ColorAnalysis decodeRecord(const RecordBytes& bytes);

} // namespace vestiscop::catalog

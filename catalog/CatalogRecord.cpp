// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalog/CatalogRecord.h"

#include <bit>
#include <cstddef>
#include <cstring>

namespace vestiscop::catalog {

namespace {

void putLab(RecordBytes& bytes, std::size_t offset, const color::LabPixel& lab)
{
    bytes[offset] = lab.l;
    bytes[offset + 1] = static_cast<std::uint8_t>(lab.a);
    bytes[offset + 2] = static_cast<std::uint8_t>(lab.b);
}

color::LabPixel getLab(const RecordBytes& bytes, std::size_t offset)
{
    color::LabPixel lab;
    lab.l = bytes[offset];
    lab.a = static_cast<std::int8_t>(bytes[offset + 1]);
    lab.b = static_cast<std::int8_t>(bytes[offset + 2]);
    return lab;
}

void putDouble(RecordBytes& bytes, std::size_t offset, double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
}

double getDouble(const RecordBytes& bytes, std::size_t offset)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(bytes[offset + static_cast<std::size_t>(i)]) << (8 * i);
    return std::bit_cast<double>(bits);
}

} // namespace

RecordBytes encodeRecord(const color::ColorAnalysis& record)
{
    RecordBytes bytes{};
    bytes[offsetof(color::ColorAnalysis, valid)] = record.valid;
    std::memcpy(bytes.data() + offsetof(color::ColorAnalysis, name), record.name, sizeof record.name);
    putLab(bytes, offsetof(color::ColorAnalysis, colorA), record.colorA);
    putDouble(bytes, offsetof(color::ColorAnalysis, shareA), record.shareA);
    putLab(bytes, offsetof(color::ColorAnalysis, colorB), record.colorB);
    putDouble(bytes, offsetof(color::ColorAnalysis, shareB), record.shareB);
    return bytes;
}

color::ColorAnalysis decodeRecord(const RecordBytes& bytes)
{
    color::ColorAnalysis record;
    record.valid = bytes[offsetof(color::ColorAnalysis, valid)];
    std::memcpy(record.name, bytes.data() + offsetof(color::ColorAnalysis, name), sizeof record.name);
    record.colorA = getLab(bytes, offsetof(color::ColorAnalysis, colorA));
    record.shareA = getDouble(bytes, offsetof(color::ColorAnalysis, shareA));
    record.colorB = getLab(bytes, offsetof(color::ColorAnalysis, colorB));
    record.shareB = getDouble(bytes, offsetof(color::ColorAnalysis, shareB));
    return record;
}

} // namespace vestiscop::catalog

// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature/SignatureFile.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "catalog/DurableFile.h"
#include "foundation/Exception.h"

namespace vestiscop::signature {

namespace {

constexpr char Magic[8] = {'V', 'S', 'T', 'S', 'I', 'G', 'N', '\0'};

std::uint32_t crc32(const std::uint8_t* data, std::size_t size)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        c = table[(c ^ data[i]) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

class Writer {
public:
    explicit Writer(std::uint8_t* out) : m_out(out) {}
    void u8(int v) { *m_out++ = static_cast<std::uint8_t>(v); }
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            *m_out++ = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void u64(std::uint64_t v)
    {
        for (int i = 0; i < 8; ++i)
            *m_out++ = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void f32(double v) { u32(std::bit_cast<std::uint32_t>(static_cast<float>(v))); }
    void skip(std::size_t n) { m_out += n; }

private:
    std::uint8_t* m_out;
};

class Reader {
public:
    explicit Reader(const std::uint8_t* in) : m_in(in) {}
    int u8() { return *m_in++; }
    std::uint32_t u32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(*m_in++) << (8 * i);
        return v;
    }
    std::uint64_t u64()
    {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i)
            v |= static_cast<std::uint64_t>(*m_in++) << (8 * i);
        return v;
    }
    double f32() { return static_cast<double>(std::bit_cast<float>(u32())); }
    void skip(std::size_t n) { m_in += n; }

private:
    const std::uint8_t* m_in;
};

// Also false for NaN.
bool inRange(double value, double low, double high)
{
    return value >= low && value <= high;
}

bool allZero(const std::uint8_t* bytes, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

} // namespace

std::uint64_t SignatureFile::recordHash(const std::uint8_t* bytes, std::size_t size)
{
    // FNV-1a; never 0, so that a zero hash in an entry matches no record.
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (std::size_t i = 0; i < size; ++i) {
        h ^= bytes[i];
        h *= 0x100000001B3ull;
    }
    return h == 0 ? 1 : h;
}

std::array<std::uint8_t, SignatureFile::HeaderSize> SignatureFile::header(std::uint32_t version)
{
    std::array<std::uint8_t, HeaderSize> bytes{};
    std::memcpy(bytes.data(), Magic, sizeof Magic);
    Writer w(bytes.data() + 8);
    w.u32(version);
    w.u32(static_cast<std::uint32_t>(entrySize(version)));
    w.u32(static_cast<std::uint32_t>(HeaderSize));
    Writer(bytes.data() + 60).u32(crc32(bytes.data(), 60));
    return bytes;
}

std::vector<std::uint8_t> SignatureFile::encode(const SignatureEntry& entry, std::uint32_t version)
{
    const std::size_t size = entrySize(version);
    std::vector<std::uint8_t> bytes(size, 0);
    Writer w(bytes.data() + 4);
    w.u32(version);
    w.u64(entry.recordHash);
    w.u64(entry.previousRecordHash);
    w.u8(entry.exampleCount);
    w.u8(entry.nextReplaced);
    w.skip(2);
    for (int e = 0; e < MaxExamples; ++e) {
        const GarmentSignature& s = entry.examples[static_cast<std::size_t>(e)];
        const bool used = e < entry.exampleCount;
        w.u8(used ? s.colourCount : 0);
        w.u8(used ? s.pattern : 0);
        w.skip(2);
        w.f32(used ? s.contrast : 0);
        w.f32(used ? s.minorityShare : 0);
        w.f32(used ? s.minorityRunX : 0);
        w.f32(used ? s.minorityRunY : 0);
        for (const double v : s.colourVariation)
            w.f32(used ? v : 0);
        for (int c = 0; c < MaxColours; ++c) {
            const MeasuredColour& m = s.colours[static_cast<std::size_t>(c)];
            const bool colour = used && c < s.colourCount;
            w.f32(colour ? m.l : 0);
            w.f32(colour ? m.a : 0);
            w.f32(colour ? m.b : 0);
            w.f32(colour ? m.share : 0);
        }
        for (int t = 0; t < TextureBins; ++t)
            w.f32(used ? s.texture[static_cast<std::size_t>(t)] : 0);
        if (version < 2)
            continue;
        w.u8(used && s.hasWeave ? 1 : 0);
        w.u8(used && s.hasLayout ? 1 : 0);
        w.u8(version >= 3 && used && s.findingsTexture ? 1 : 0);
        w.skip(1);
        for (const double v : s.weave)
            w.f32(used && s.hasWeave ? v : 0);
        for (const double v : s.layout)
            w.f32(used && s.hasLayout ? v : 0);
    }
    Writer(bytes.data()).u32(crc32(bytes.data() + 4, size - 4));
    return bytes;
}

bool SignatureFile::decode(const std::uint8_t* bytes, SignatureEntry& entry, std::uint32_t version)
{
    if (version < OldestReadVersion || version > Version)
        return false;
    Reader r(bytes);
    if (r.u32() != crc32(bytes + 4, entrySize(version) - 4) || r.u32() != version)
        return false;
    SignatureEntry e;
    e.recordHash = r.u64();
    e.previousRecordHash = r.u64();
    e.exampleCount = r.u8();
    e.nextReplaced = r.u8();
    r.skip(2);
    if (e.exampleCount < 1 || e.exampleCount > MaxExamples || e.nextReplaced < 1 || e.nextReplaced >= MaxExamples)
        return false;
    for (int i = 0; i < MaxExamples; ++i) {
        GarmentSignature& s = e.examples[static_cast<std::size_t>(i)];
        s.colourCount = r.u8();
        s.pattern = r.u8();
        r.skip(2);
        s.contrast = r.f32();
        s.minorityShare = r.f32();
        s.minorityRunX = r.f32();
        s.minorityRunY = r.f32();
        for (double& v : s.colourVariation) {
            v = r.f32();
            if (!inRange(v, -1, 1))
                return false;
        }
        // Values a measurement cannot give are damage the checksum missed.
        if (s.colourCount > MaxColours || !inRange(s.contrast, 0, 1000) || !inRange(s.minorityShare, 0, 1)
            || !inRange(s.minorityRunX, 0, 1e6) || !inRange(s.minorityRunY, 0, 1e6))
            return false;
        for (MeasuredColour& m : s.colours) {
            m.l = r.f32();
            m.a = r.f32();
            m.b = r.f32();
            m.share = r.f32();
            if (!inRange(m.l, -1000, 1000) || !inRange(m.a, -1000, 1000) || !inRange(m.b, -1000, 1000)
                || !inRange(m.share, 0, 1))
                return false;
        }
        for (double& t : s.texture) {
            t = r.f32();
            if (!inRange(t, 0, 1))
                return false;
        }
        if (version < 2)
            continue;
        const int hasWeave = r.u8();
        const int hasLayout = r.u8();
        // A second version's byte here is padding: its texture is always
        // the standard analysis's channels'.
        const int findingsTexture = version >= 3 ? r.u8() : 0;
        r.skip(version >= 3 ? 1 : 2);
        if (hasWeave > 1 || hasLayout > 1 || findingsTexture > 1)
            return false;
        s.hasWeave = hasWeave == 1;
        s.hasLayout = hasLayout == 1;
        s.findingsTexture = findingsTexture == 1;
        for (double& v : s.weave) {
            v = r.f32();
            if (!inRange(v, 0, 1e3))
                return false;
        }
        for (double& v : s.layout) {
            v = r.f32();
            if (!inRange(v, -1e6, 1e6))
                return false;
        }
    }
    entry = e;
    return true;
}

SignatureFile::SignatureFile(const std::string& path, bool changes) : m_changes(changes)
{
    catalog::openForChanges(m_file, path, changes);
    const std::int64_t size = m_file.size();
    if (size == 0) {
        if (changes) {
            const auto bytes = header(Version);
            catalog::writeInPlace(m_file, 0, bytes.data(), bytes.size());
        }
        return;
    }
    std::array<std::uint8_t, HeaderSize> head{};
    if (size < static_cast<std::int64_t>(HeaderSize)) {
        m_state = State::Damaged;
        return;
    }
    m_file.seek(0);
    m_file.read(head.data(), head.size());
    Reader r(head.data() + 8);
    const std::uint32_t version = r.u32();
    const std::uint32_t entrySize = r.u32();
    const std::uint32_t headerSize = r.u32();
    if (std::memcmp(head.data(), Magic, sizeof Magic) != 0 || Reader(head.data() + 60).u32() != crc32(head.data(), 60)) {
        m_state = State::Damaged;
        return;
    }
    if (version > Version) {
        m_state = State::Newer;
        return;
    }
    if (version < OldestReadVersion || entrySize != SignatureFile::entrySize(version) || headerSize != HeaderSize) {
        m_state = State::Older;
        return;
    }
    m_version = version;
    const auto stride = static_cast<std::int64_t>(entrySize);
    const std::int64_t count = (size - static_cast<std::int64_t>(HeaderSize)) / stride;
    if ((size - static_cast<std::int64_t>(HeaderSize)) % stride != 0)
        ++m_damaged;
    m_present.assign(static_cast<std::size_t>(count), false);
    m_entries.resize(static_cast<std::size_t>(count));
    std::vector<std::uint8_t> bytes(entrySize);
    for (std::int64_t i = 0; i < count; ++i) {
        m_file.read(bytes.data(), bytes.size());
        if (allZero(bytes.data(), bytes.size()))
            continue;
        if (decode(bytes.data(), m_entries[static_cast<std::size_t>(i)], version))
            m_present[static_cast<std::size_t>(i)] = true;
        else
            ++m_damaged;
    }
}

const SignatureEntry* SignatureFile::entry(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_present.size() || !m_present[static_cast<std::size_t>(index)])
        return nullptr;
    return &m_entries[static_cast<std::size_t>(index)];
}

void SignatureFile::restart()
{
    // The old entries could not be used; the file starts again with this
    // version's header and no entries.
    if (::ftruncate(m_file.descriptor(), 0) != 0)
        throw foundation::SystemError(foundation::systemError::Write, m_file.path());
    const auto bytes = header(Version);
    catalog::writeInPlace(m_file, 0, bytes.data(), bytes.size());
    m_state = State::Current;
    m_version = Version;
    m_damaged = 0;
    m_present.clear();
    m_entries.clear();
}

void SignatureFile::upgrade()
{
    // The whole file in this version's layout, entry for entry (a damaged
    // entry stays none), written beside the old one and put in its place
    // in one step: a kill or a failure before the rename leaves the old
    // file as it was, after it the new one is whole.
    std::vector<std::uint8_t> bytes(HeaderSize + m_entries.size() * EntrySize, 0);
    const auto head = header(Version);
    std::copy(head.begin(), head.end(), bytes.begin());
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_present[i])
            continue;
        const auto entry = encode(m_entries[i]);
        std::copy(entry.begin(), entry.end(), bytes.begin() + static_cast<std::ptrdiff_t>(HeaderSize + i * EntrySize));
    }
    const std::string path = m_file.path();
    const std::string fresh = path + ".new";
    try {
        foundation::BinaryFile out(fresh, foundation::BinaryFile::Write);
        out.write(bytes.data(), bytes.size());
        out.sync();
        out.close();
    } catch (...) {
        ::unlink(fresh.c_str());
        throw;
    }
    if (::rename(fresh.c_str(), path.c_str()) != 0) {
        ::unlink(fresh.c_str());
        throw foundation::SystemError(foundation::systemError::Write, path);
    }
    catalog::syncDirectoryOf(path);
    // The lock moves to the new file; the catalogue's own lock keeps other
    // programs from changing anything meanwhile.
    m_file.close();
    catalog::openForChanges(m_file, path, true);
    m_version = Version;
}

void SignatureFile::store(int index, const SignatureEntry& entry)
{
    if (!writable())
        throw std::logic_error("signature file not open for changes");
    if (index < 0)
        throw std::out_of_range("signature slot index");
    if (m_state != State::Current)
        restart();
    else if (m_version != Version)
        upgrade();
    const std::vector<std::uint8_t> bytes = encode(entry);
    const std::int64_t offset =
        static_cast<std::int64_t>(HeaderSize) + static_cast<std::int64_t>(index) * static_cast<std::int64_t>(EntrySize);
    catalog::writeInPlace(m_file, offset, bytes.data(), bytes.size());
    const std::size_t i = static_cast<std::size_t>(index);
    if (m_present.size() <= i) {
        m_present.resize(i + 1, false);
        m_entries.resize(i + 1);
    }
    // Decoded again so that memory holds exactly what the file does (the
    // file keeps single precision).
    SignatureEntry stored;
    decode(bytes.data(), stored);
    m_entries[i] = stored;
    m_present[i] = true;
}

} // namespace vestiscop::signature

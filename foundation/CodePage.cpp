// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/CodePage.h"

#include <cerrno>
#include <cstdint>
#include <new>

#include <iconv.h>

#include "foundation/Exception.h"

namespace vestiscop::foundation {

namespace {

// Bytes a UTF-8 sequence takes, judged by its first byte; 1 for a byte that
// cannot start one, so that a bad byte is skipped alone.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

class Converter {
public:
    Converter(const char* to, const char* from) : m_handle(::iconv_open(to, from))
    {
        // Only a C library built without its code-page tables lacks these.
        if (m_handle == reinterpret_cast<iconv_t>(-1))
            throw SystemError(systemError::Configuration, std::string(from) + " -> " + to);
    }
    ~Converter() { ::iconv_close(m_handle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts everything; an input sequence the target cannot hold, or
    // that is malformed, becomes one '?' and the conversion goes on after
    // it. skipLength tells how many input bytes such a sequence spans.
    template <typename SkipLength>
    std::string convert(const std::string& input, SkipLength skipLength)
    {
        std::string output;
        output.reserve(input.size() * 2 + 4);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = ::iconv(m_handle, &in, &inLeft, &out, &outLeft);
            const int error = errno;
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            if (result != static_cast<std::size_t>(-1))
                continue;
            if (error == E2BIG)
                continue;
            if (error == ENOMEM)
                throw std::bad_alloc();
            // EILSEQ or EINVAL (a sequence cut off at the end).
            output.push_back('?');
            std::size_t skip = skipLength(static_cast<unsigned char>(*in), inLeft);
            if (skip > inLeft || error == EINVAL)
                skip = inLeft;
            in += skip;
            inLeft -= skip;
            ::iconv(m_handle, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        }
        return output;
    }

private:
    iconv_t m_handle;
};

} // namespace

std::string utf8ToCp1250(const std::string& utf8)
{
    Converter converter("WINDOWS-1250", "UTF-8");
    return converter.convert(utf8, [&](unsigned char lead, std::size_t left) {
        // A well-formed character the code page lacks is skipped whole; a
        // malformed byte only by itself.
        const std::size_t length = sequenceLength(lead);
        const std::size_t offset = utf8.size() - left;
        return length <= left && isValidUtf8(utf8.substr(offset, length)) ? length : std::size_t{1};
    });
}

std::string cp1250ToUtf8(const std::string& cp1250)
{
    Converter converter("UTF-8", "WINDOWS-1250");
    // The few byte values the code page leaves undefined become '?'.
    return converter.convert(cp1250, [](unsigned char, std::size_t) { return std::size_t{1}; });
}

bool isValidUtf8(const std::string& text)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = sequenceLength(lead);
        if (length == 1 || i + length > n)
            return false;
        std::uint32_t code = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and values beyond Unicode.
        const std::uint32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code < smallest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/Tokenizer.h"

#include <charconv>
#include <cmath>
#include <limits>

#include <locale.h>
#include <stdlib.h>

#include "foundation/Exception.h"
#include "foundation/Files.h"

namespace vestiscop::foundation {

namespace {

bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isQuote(char c)
{
    return c == '"';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The white space a decimal conversion skips by itself (C locale isspace).
bool isConversionSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Where a number's digits start: past the white space a decimal conversion
// skips and one optional sign from start. negative tells whether it was '-'.
std::size_t skipSpaceAndSign(const std::string& input, std::size_t start, bool& negative)
{
    std::size_t i = start;
    while (i < input.size() && isConversionSpace(input[i]))
        ++i;
    negative = false;
    if (i < input.size() && (input[i] == '+' || input[i] == '-')) {
        negative = input[i] == '-';
        ++i;
    }
    return i;
}

locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

} // namespace

void Tokenizer::fail(std::int32_t code) const
{
    throw ParseError(code);
}

void Tokenizer::skipSeparators()
{
    while (m_position < m_input.size() && isSeparator(m_input[m_position]))
        ++m_position;
}

bool Tokenizer::onlySeparatorsLeft() const
{
    for (std::size_t i = m_position; i < m_input.size(); ++i) {
        if (!isSeparator(m_input[i]))
            return false;
    }
    return true;
}

Tokenizer& Tokenizer::readToken(std::string& token)
{
    skipSeparators();
    if (m_position >= m_input.size())
        fail(0);
    if (isQuote(m_input[m_position])) {
        const std::size_t start = m_position + 1;
        std::size_t end = start;
        while (end < m_input.size() && !isQuote(m_input[end]))
            ++end;
        if (end >= m_input.size())
            fail(0);  // an unclosed quote counts as nothing found
        token.assign(m_input, start, end - start);
        m_position = end + 1;
        return *this;
    }
    const std::size_t start = m_position;
    std::size_t end = start;
    while (end < m_input.size() && !isSeparator(m_input[end]))
        ++end;
    token.assign(m_input, start, end - start);
    m_position = end;
    return *this;
}

Tokenizer& Tokenizer::readInt(std::int32_t& value)
{
    skipSeparators();
    if (m_position >= m_input.size())
        fail(0);

    bool negative = false;
    std::size_t i = skipSpaceAndSign(m_input, m_position, negative);
    if (i >= m_input.size() || !isDigit(m_input[i]))
        fail(1);

    // Accumulate as a negative number so that the lower limit fits; beyond
    // either limit the value sticks at the limit, as a 32-bit strtol does.
    constexpr std::int64_t lower = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t upper = std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    while (i < m_input.size() && isDigit(m_input[i])) {
        if (magnitude <= upper + 1)
            magnitude = magnitude * 10 + (m_input[i] - '0');
        ++i;
    }
    std::int64_t result = negative ? -magnitude : magnitude;
    if (result < lower)
        result = lower;
    if (result > upper)
        result = upper;
    value = static_cast<std::int32_t>(result);
    m_position = i;
    return *this;
}

Tokenizer& Tokenizer::readReal(double& value)
{
    skipSeparators();
    if (m_position >= m_input.size())
        fail(0);

    bool negative = false;
    std::size_t i = skipSpaceAndSign(m_input, m_position, negative);
    // Only plain decimal notation is a number here: no hexadecimal, no
    // "inf" or "nan", which would slip unusable values into the settings.
    const bool startsNumber = i < m_input.size() &&
        (isDigit(m_input[i]) || (m_input[i] == '.' && i + 1 < m_input.size() && isDigit(m_input[i + 1])));
    if (!startsNumber)
        fail(1);

    // from_chars reads '.' as the decimal point whatever the locale.
    const char* first = m_input.data() + i;
    const char* last = m_input.data() + m_input.size();
    double parsed = 0.0;
    const std::from_chars_result result = std::from_chars(first, last, parsed, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument)
        fail(1);
    if (result.ec == std::errc::result_out_of_range) {
        // A number too large for a double does not convert; one too small
        // keeps the value the C library rounds it to (0 or subnormal).
        const std::string digits(first, result.ptr);
        parsed = ::strtod_l(digits.c_str(), nullptr, cLocale());
        if (std::isinf(parsed))
            fail(1);
    }
    value = negative ? -parsed : parsed;
    m_position = static_cast<std::size_t>(result.ptr - m_input.data());
    return *this;
}

Tokenizer& Tokenizer::expectEnd()
{
    if (!onlySeparatorsLeft())
        fail(2);
    return *this;
}

void stripLineEnd(std::string& text)
{
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
}

void readDataFile(const std::string& path, const std::function<void(Tokenizer&)>& parseRecord)
{
    TextFile file(path, TextFile::Read);
    while (!file.atEnd()) {
        std::string line = file.readLine();
        stripLineEnd(line);
        Tokenizer tokenizer(line);
        // Only a semicolon in the very first column makes a comment.
        if (tokenizer.onlySeparatorsLeft() || line.front() == ';')
            continue;
        parseRecord(tokenizer);
    }
    file.close();
}

} // namespace vestiscop::foundation

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads blank-, tab- and LF-separated tokens, quoted tokens, integers and
// reals from one line of text. Failures are ParseError: 0 nothing left,
// 1 not a number, 2 text left over.

#include <cstdint>
#include <functional>
#include <string>

namespace vestiscop::foundation {

class Tokenizer {
public:
    explicit Tokenizer(std::string input) : m_input(std::move(input)) {}
    virtual ~Tokenizer() = default;

    void skipSeparators();
    bool onlySeparatorsLeft() const;
    Tokenizer& readToken(std::string& token);
    // Decimal, saturating at the 32-bit limits.
    Tokenizer& readInt(std::int32_t& value);
    // '.' is the decimal point whatever the locale.
    Tokenizer& readReal(double& value);
    Tokenizer& expectEnd();

    const std::string& input() const { return m_input; }
    std::size_t position() const { return m_position; }

protected:
    // The configuration variant turns ParseError into IniError here.
    [[noreturn]] virtual void fail(std::int32_t code) const;

private:
    std::string m_input;
    std::size_t m_position = 0;
};

// Removes one trailing LF.
void stripLineEnd(std::string& text);

// Reads a line-oriented data file: blank lines and lines starting with ';'
// are skipped, every other line goes to the record parser. Exceptions
// propagate; what was read so far is the caller's to discard.
void readDataFile(const std::string& path, const std::function<void(Tokenizer&)>& parseRecord);

} // namespace vestiscop::foundation

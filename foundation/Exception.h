// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's failures. An exception carries a type name, a message code
// and arguments, never a text: the words are looked up in a MessageCatalog
// only where the failure reaches the user (a message box, standard error or
// the log), so every text the user hears comes from the one string table.

#include <cstdint>
#include <memory>
#include <string>

namespace vestiscop::foundation {

class MessageCatalog;
class IniFile;

class Exception {
public:
    Exception() = default;
    Exception(const Exception&) = default;
    Exception& operator=(const Exception&) = default;
    virtual ~Exception() = default;

    // A heap copy with the dynamic type; the caller owns it.
    virtual std::unique_ptr<Exception> clone() const;
    // Throws a copy with the dynamic type, so a stored failure keeps its type.
    [[noreturn]] virtual void raise() const;
    // The catalogue key ("Exception", "Error", ...).
    virtual const char* name() const;
    // The user text. Verbosity 2 prefixes the type name; the reporting path passes 0.
    virtual std::string message(const MessageCatalog& catalog, int verbosity) const;

protected:
    // The code used for the look-up; 0 for the types that carry none.
    virtual std::int32_t lookupCode() const { return 0; }
    // Fills the found text with the arguments.
    virtual std::string formatText(const std::string& text) const { return text; }
};

class Cancelled : public Exception {
public:
    std::unique_ptr<Exception> clone() const override;
    [[noreturn]] void raise() const override;
    const char* name() const override;
};

class Error : public Exception {
public:
    Error(std::int32_t code, std::string argument) : m_code(code), m_argument(std::move(argument)) {}

    std::unique_ptr<Exception> clone() const override;
    [[noreturn]] void raise() const override;
    const char* name() const override;

    std::int32_t code() const { return m_code; }
    const std::string& argument() const { return m_argument; }

protected:
    std::int32_t lookupCode() const override { return m_code; }
    std::string formatText(const std::string& text) const override;

private:
    std::int32_t m_code;
    std::string m_argument;
};

// 0 = nothing found where a value was expected, 1 = the value does not
// convert, 2 = text left over after the expected values.
class ParseError : public Error {
public:
    explicit ParseError(std::int32_t code) : Error(code, std::string()) {}

    std::unique_ptr<Exception> clone() const override;
    [[noreturn]] void raise() const override;
    const char* name() const override;

protected:
    // Lets IniError carry the configuration file's path as its argument.
    ParseError(std::int32_t code, std::string argument) : Error(code, std::move(argument)) {}
};

// A configuration entry that is missing (0), invalid (1) or followed by
// unexpected data (2). The argument is the configuration file's full path.
class IniError : public ParseError {
public:
    // Copies the file's full path and its current section (defined with IniFile).
    IniError(std::int32_t code, const IniFile& file, std::string entry);
    IniError(std::int32_t code, std::string path, std::string section, std::string entry)
        : ParseError(code, std::move(path)), m_section(std::move(section)), m_entry(std::move(entry)) {}

    std::unique_ptr<Exception> clone() const override;
    [[noreturn]] void raise() const override;
    const char* name() const override;

    const std::string& path() const { return argument(); }
    const std::string& section() const { return m_section; }
    const std::string& entry() const { return m_entry; }

protected:
    std::string formatText(const std::string& text) const override;

private:
    std::string m_section;
    std::string m_entry;
};

// 0 out of memory, 1 out of system resources, 2 open, 3 read, 4 write,
// 5 bad data format, 6 time-out, 7 system configuration. Argument: usually a path.
class SystemError : public Error {
public:
    SystemError(std::int32_t code, std::string argument) : Error(code, std::move(argument)) {}

    std::unique_ptr<Exception> clone() const override;
    [[noreturn]] void raise() const override;
    const char* name() const override;
};

class ScannerError : public Error {
public:
    ScannerError(std::int32_t code, std::string argument) : Error(code, std::move(argument)) {}

    std::unique_ptr<Exception> clone() const override;
    [[noreturn]] void raise() const override;
    const char* name() const override;
};

// A scanner that is there but cannot serve the program: 0 access denied
// (no permission, a network scanner refusing this computer), 1 no colour
// mode. Caught wherever a ScannerError is.
class ScannerRefused : public ScannerError {
public:
    ScannerRefused(std::int32_t code, std::string argument) : ScannerError(code, std::move(argument)) {}

    std::unique_ptr<Exception> clone() const override;
    [[noreturn]] void raise() const override;
    const char* name() const override;
};

namespace scannerRefused {
inline constexpr std::int32_t AccessDenied = 0;
inline constexpr std::int32_t NoColour = 1;
} // namespace scannerRefused

// 0 the input image is smaller than the analysis region, 1 no dominant colour.
class VisionError : public Error {
public:
    explicit VisionError(std::int32_t code) : Error(code, std::string()) {}

    std::unique_ptr<Exception> clone() const override;
    [[noreturn]] void raise() const override;
    const char* name() const override;
};

namespace systemError {
inline constexpr std::int32_t OutOfMemory = 0;
inline constexpr std::int32_t OutOfResources = 1;
inline constexpr std::int32_t Open = 2;
inline constexpr std::int32_t Read = 3;
inline constexpr std::int32_t Write = 4;
inline constexpr std::int32_t BadFormat = 5;
inline constexpr std::int32_t TimedOut = 6;
inline constexpr std::int32_t Configuration = 7;
} // namespace systemError

} // namespace vestiscop::foundation

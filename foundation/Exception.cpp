// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/Exception.h"

#include "foundation/Format.h"
#include "foundation/MessageCatalog.h"

namespace vestiscop::foundation {

namespace {
const char* const NotFoundText = "*** ERROR MESSAGE NOT FOUND ***";
}

std::string Exception::message(const MessageCatalog& catalog, int verbosity) const
{
    const MessageSource* source = catalog.lookup(name());
    const std::int32_t code = lookupCode();
    std::string text = (source != nullptr && source->valid(code)) ? source->text(code) : std::string(NotFoundText);
    text = formatText(text);
    if (verbosity == 2)
        return format("%-20s : %s", name(), text.c_str());
    return text;
}

std::string Error::formatText(const std::string& text) const
{
    return format(text.c_str(), m_argument.c_str());
}

std::string IniError::formatText(const std::string& text) const
{
    return format(text.c_str(), m_entry.c_str(), m_section.c_str(), path().c_str());
}

#define VESTISCOP_EXCEPTION_BASICS(Type)                                                 \
    std::unique_ptr<Exception> Type::clone() const { return std::make_unique<Type>(*this); } \
    void Type::raise() const { throw Type(*this); }                                     \
    const char* Type::name() const { return #Type; }

VESTISCOP_EXCEPTION_BASICS(Exception)
VESTISCOP_EXCEPTION_BASICS(Cancelled)
VESTISCOP_EXCEPTION_BASICS(Error)
VESTISCOP_EXCEPTION_BASICS(ParseError)
VESTISCOP_EXCEPTION_BASICS(IniError)
VESTISCOP_EXCEPTION_BASICS(SystemError)
VESTISCOP_EXCEPTION_BASICS(ScannerError)
VESTISCOP_EXCEPTION_BASICS(ScannerRefused)
VESTISCOP_EXCEPTION_BASICS(VisionError)

#undef VESTISCOP_EXCEPTION_BASICS

} // namespace vestiscop::foundation

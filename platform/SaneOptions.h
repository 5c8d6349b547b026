// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The options of one open SANE device, reached by name, with the checks a
// TWAIN source makes before it changes anything: an option the device lacks
// (or has switched off) is "unsupported", a value outside its constraint is
// "bad value". Results are TWAIN condition codes, TWCC_SUCCESS when set.

#include "scanner/Twain.h"

#include <sane/sane.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vestiscop::platform {

using scanner::TW_UINT16;

class SaneOptions {
public:
    explicit SaneOptions(SANE_Handle handle) : m_handle(handle) {}

    // The option's index when the device has it active and settable.
    std::optional<SANE_Int> find(const char* name) const;
    bool has(const char* name) const { return find(name).has_value(); }
    // A single-valued integer or fixed-point option, or nothing.
    std::optional<double> number(const char* name) const;
    SANE_Unit unit(const char* name) const;

    // Whether value fits the option's constraint (TWCC_SUCCESS, TWCC_BADVALUE,
    // TWCC_CAPUNSUPPORTED), without setting it.
    TW_UINT16 checkNumber(const char* name, double value) const;
    TW_UINT16 setNumber(const char* name, double value);
    // The first entry of the option's string list that accept() takes.
    template <typename Accept>
    TW_UINT16 setStringFromList(const char* name, Accept accept);

    // The value the device offers that is nearest to value from above (the
    // largest it offers when none is as large): a list member, or a range
    // value on the range's step. Nothing when the option is not a number.
    std::optional<double> offeredAtOrAbove(const char* name, double value) const;
    // The lowest and highest value the option takes; nothing without a
    // range or a list.
    std::optional<std::pair<double, double>> limits(const char* name) const;

    std::vector<std::string> stringList(const char* name) const;
    TW_UINT16 setString(const char* name, const std::string& value);

private:
    // The option's index when it holds one integer or fixed-point number;
    // a missing option and one of another kind alike give nothing.
    std::optional<SANE_Int> findNumber(const char* name) const;
    const SANE_Option_Descriptor* descriptor(SANE_Int index) const;
    // The value as the option stores it (rounded for integers).
    static SANE_Word toWord(const SANE_Option_Descriptor& option, double value);

    SANE_Handle m_handle;
};

template <typename Accept>
TW_UINT16 SaneOptions::setStringFromList(const char* name, Accept accept)
{
    if (!has(name))
        return scanner::TWCC_CAPUNSUPPORTED;
    for (const std::string& entry : stringList(name))
        if (accept(entry))
            return setString(name, entry);
    return scanner::TWCC_BADVALUE;
}

} // namespace vestiscop::platform

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SaneOptions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vestiscop::platform {

using namespace scanner;

namespace {

// Frames and resolutions arrive as TW_FIX32 and pass through decimal
// millimetres: a value this close to a limit is taken as the limit.
constexpr double Tolerance = 1e-3;

double fromWord(const SANE_Option_Descriptor& option, SANE_Word word)
{
    return option.type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : static_cast<double>(word);
}

} // namespace

const SANE_Option_Descriptor* SaneOptions::descriptor(SANE_Int index) const
{
    return sane_get_option_descriptor(m_handle, index);
}

std::optional<SANE_Int> SaneOptions::find(const char* name) const
{
    SANE_Int count = 0;
    if (sane_control_option(m_handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return std::nullopt;
    for (SANE_Int index = 1; index < count; ++index) {
        const SANE_Option_Descriptor* option = descriptor(index);
        if (option && option->name && std::strcmp(option->name, name) == 0) {
            if (!SANE_OPTION_IS_ACTIVE(option->cap) || !SANE_OPTION_IS_SETTABLE(option->cap))
                return std::nullopt;
            return index;
        }
    }
    return std::nullopt;
}

std::optional<SANE_Int> SaneOptions::findNumber(const char* name) const
{
    const std::optional<SANE_Int> index = find(name);
    if (!index)
        return std::nullopt;
    const SANE_Option_Descriptor* option = descriptor(*index);
    if ((option->type != SANE_TYPE_INT && option->type != SANE_TYPE_FIXED) || option->size != sizeof(SANE_Word))
        return std::nullopt;
    return index;
}

std::optional<double> SaneOptions::number(const char* name) const
{
    const std::optional<SANE_Int> index = findNumber(name);
    if (!index)
        return std::nullopt;
    const SANE_Option_Descriptor* option = descriptor(*index);
    SANE_Word word = 0;
    if (sane_control_option(m_handle, *index, SANE_ACTION_GET_VALUE, &word, nullptr) != SANE_STATUS_GOOD)
        return std::nullopt;
    return fromWord(*option, word);
}

SANE_Unit SaneOptions::unit(const char* name) const
{
    const std::optional<SANE_Int> index = find(name);
    return index ? descriptor(*index)->unit : SANE_UNIT_NONE;
}

SANE_Word SaneOptions::toWord(const SANE_Option_Descriptor& option, double value)
{
    if (option.type == SANE_TYPE_FIXED)
        return static_cast<SANE_Word>(std::lround(value * 65536.0));
    return static_cast<SANE_Word>(std::lround(value));
}

TW_UINT16 SaneOptions::checkNumber(const char* name, double value) const
{
    const std::optional<SANE_Int> index = findNumber(name);
    if (!index)
        return TWCC_CAPUNSUPPORTED;
    const SANE_Option_Descriptor* option = descriptor(*index);
    if (!std::isfinite(value) || std::fabs(value) > 32767.0)
        return TWCC_BADVALUE;
    switch (option->constraint_type) {
    case SANE_CONSTRAINT_RANGE: {
        const SANE_Range* range = option->constraint.range;
        const double low = fromWord(*option, range->min);
        const double high = fromWord(*option, range->max);
        return value >= low - Tolerance && value <= high + Tolerance ? TWCC_SUCCESS : TWCC_BADVALUE;
    }
    case SANE_CONSTRAINT_WORD_LIST: {
        const SANE_Word* list = option->constraint.word_list;
        for (SANE_Word i = 1; i <= list[0]; ++i)
            if (std::fabs(fromWord(*option, list[i]) - value) <= Tolerance)
                return TWCC_SUCCESS;
        return TWCC_BADVALUE;
    }
    default:
        return TWCC_SUCCESS;
    }
}

TW_UINT16 SaneOptions::setNumber(const char* name, double value)
{
    const TW_UINT16 check = checkNumber(name, value);
    if (check != TWCC_SUCCESS)
        return check;
    const SANE_Int index = *find(name);
    const SANE_Option_Descriptor* option = descriptor(index);
    SANE_Word word = toWord(*option, value);
    if (option->constraint_type == SANE_CONSTRAINT_RANGE) {
        // Inside the tolerance but past the limit: take the limit.
        const SANE_Range* range = option->constraint.range;
        word = std::min(std::max(word, range->min), range->max);
    }
    const SANE_Status status = sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, &word, nullptr);
    if (status == SANE_STATUS_INVAL)
        return TWCC_BADVALUE;
    return status == SANE_STATUS_GOOD ? TWCC_SUCCESS : TWCC_OPERATIONERROR;
}

std::optional<double> SaneOptions::offeredAtOrAbove(const char* name, double value) const
{
    const std::optional<SANE_Int> index = findNumber(name);
    if (!index)
        return std::nullopt;
    const SANE_Option_Descriptor* option = descriptor(*index);
    switch (option->constraint_type) {
    case SANE_CONSTRAINT_RANGE: {
        const SANE_Range* range = option->constraint.range;
        const double low = fromWord(*option, range->min);
        const double high = fromWord(*option, range->max);
        if (value <= low)
            return low;
        if (value >= high)
            return high;
        const double step = fromWord(*option, range->quant);
        if (step <= 0)
            return value;
        const double steps = std::ceil((value - low) / step - Tolerance);
        return std::min(high, low + steps * step);
    }
    case SANE_CONSTRAINT_WORD_LIST: {
        const SANE_Word* list = option->constraint.word_list;
        std::optional<double> above;
        std::optional<double> largest;
        for (SANE_Word i = 1; i <= list[0]; ++i) {
            const double offered = fromWord(*option, list[i]);
            if (offered >= value - Tolerance && (!above || offered < *above))
                above = offered;
            if (!largest || offered > *largest)
                largest = offered;
        }
        return above ? above : largest;
    }
    default:
        return value;
    }
}

std::optional<std::pair<double, double>> SaneOptions::limits(const char* name) const
{
    const std::optional<SANE_Int> index = findNumber(name);
    if (!index)
        return std::nullopt;
    const SANE_Option_Descriptor* option = descriptor(*index);
    if (option->constraint_type == SANE_CONSTRAINT_RANGE)
        return std::make_pair(fromWord(*option, option->constraint.range->min),
                              fromWord(*option, option->constraint.range->max));
    if (option->constraint_type == SANE_CONSTRAINT_WORD_LIST && option->constraint.word_list[0] > 0) {
        const SANE_Word* list = option->constraint.word_list;
        std::pair<double, double> bounds{fromWord(*option, list[1]), fromWord(*option, list[1])};
        for (SANE_Word i = 2; i <= list[0]; ++i) {
            bounds.first = std::min(bounds.first, fromWord(*option, list[i]));
            bounds.second = std::max(bounds.second, fromWord(*option, list[i]));
        }
        return bounds;
    }
    return std::nullopt;
}

std::vector<std::string> SaneOptions::stringList(const char* name) const
{
    std::vector<std::string> entries;
    const std::optional<SANE_Int> index = find(name);
    if (!index)
        return entries;
    const SANE_Option_Descriptor* option = descriptor(*index);
    if (option->type != SANE_TYPE_STRING || option->constraint_type != SANE_CONSTRAINT_STRING_LIST)
        return entries;
    for (const SANE_String_Const* entry = option->constraint.string_list; *entry; ++entry)
        entries.emplace_back(*entry);
    return entries;
}

TW_UINT16 SaneOptions::setString(const char* name, const std::string& value)
{
    const std::optional<SANE_Int> index = find(name);
    if (!index)
        return TWCC_CAPUNSUPPORTED;
    const SANE_Option_Descriptor* option = descriptor(*index);
    if (option->type != SANE_TYPE_STRING || option->size <= 0 ||
        value.size() >= static_cast<std::size_t>(option->size))
        return TWCC_BADVALUE;
    std::vector<char> buffer(static_cast<std::size_t>(option->size), '\0');
    std::memcpy(buffer.data(), value.data(), value.size());
    const SANE_Status status = sane_control_option(m_handle, *index, SANE_ACTION_SET_VALUE, buffer.data(), nullptr);
    if (status == SANE_STATUS_INVAL)
        return TWCC_BADVALUE;
    return status == SANE_STATUS_GOOD ? TWCC_SUCCESS : TWCC_OPERATIONERROR;
}

} // namespace vestiscop::platform

// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalog/GarmentName.h"

#include <algorithm>

#include "catalog/GarmentCatalog.h"
#include "foundation/CodePage.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::catalog {

namespace {

// String-table ids of the refusals.
constexpr int RefusedControlCharacter = 3300;
constexpr int RefusedCharacter = 3301; // %s: the character
constexpr int RefusedLength = 3302;    // %d: the limit
constexpr int RefusedEncoding = 3303;

// The length of the UTF-8 sequence a lead byte starts; 1 for a stray byte.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

} // namespace

GarmentNameCheck checkGarmentName(const std::string& utf8Name)
{
    if (!foundation::isValidUtf8(utf8Name))
        return {GarmentNameProblem::NotStorable, std::string()};
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8Name.size();) {
        const auto lead = static_cast<unsigned char>(utf8Name[i]);
        const std::size_t length = std::min(sequenceLength(lead), utf8Name.size() - i);
        const std::string character = utf8Name.substr(i, length);
        if (lead < 0x20 || lead == 0x7F || character == "\xC2\x85" || character == "\xE2\x80\xA8" ||
            character == "\xE2\x80\xA9")
            return {GarmentNameProblem::ControlCharacter, std::string()};
        // A character survives when it comes back from the code page unchanged.
        if (foundation::cp1250ToUtf8(foundation::utf8ToCp1250(character)) != character)
            return {GarmentNameProblem::NotStorable, character};
        i += length;
        ++characters;
    }
    if (characters > GarmentCatalog::MaxNameLength)
        return {GarmentNameProblem::TooLong, std::string()};
    return {};
}

std::string garmentNameRefusal(const GarmentNameCheck& check)
{
    switch (check.problem) {
    case GarmentNameProblem::None:
        return {};
    case GarmentNameProblem::ControlCharacter:
        return foundation::loadString(RefusedControlCharacter);
    case GarmentNameProblem::NotStorable:
        if (check.character.empty())
            return foundation::loadString(RefusedEncoding);
        return foundation::format(foundation::loadString(RefusedCharacter).c_str(), check.character.c_str());
    case GarmentNameProblem::TooLong:
        return foundation::format(foundation::loadString(RefusedLength).c_str(),
                                  static_cast<int>(GarmentCatalog::MaxNameLength));
    }
    return {};
}

} // namespace vestiscop::catalog

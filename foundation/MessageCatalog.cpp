// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundation/MessageCatalog.h"

#include "foundation/StringTable.h"

namespace vestiscop::foundation {

std::int32_t MessageSource::find(const std::string& text) const
{
    for (std::int32_t code = 0; code < count(); ++code) {
        if (this->text(code) == text)
            return code;
    }
    return -1;
}

std::string ResourceMessageSource::text(std::int32_t code) const
{
    std::string found = loadString(m_base + code);
    return found.empty() ? std::string("* Resource string not defined *") : found;
}

void MessageCatalog::add(const std::string& name, std::unique_ptr<MessageSource> source)
{
    m_sources[name] = std::move(source);
}

const MessageSource* MessageCatalog::lookup(const std::string& name) const
{
    const auto found = m_sources.find(name);
    return found == m_sources.end() ? nullptr : found->second.get();
}

MessageCatalog MessageCatalog::application()
{
    struct Range {
        const char* name;
        std::int32_t base;
        std::int32_t count;
    };
    // VisionError declares 13 codes although only 0 and 1 have texts.
    static const Range ranges[] = {
        {"Exception", 65000, 1},  {"Cancelled", 65001, 1},     {"NotImplemented", 65002, 1},
        {"Error", 65003, 1},      {"SystemError", 65004, 8},   {"NumError", 65012, 3},
        {"ParseError", 65018, 3}, {"IniError", 65015, 3},      {"ScannerError", 65021, 5},
        {"VisionError", 65026, 13},
        // Its own range, so the older ranges keep their ids.
        {"ScannerRefused", 3100, 2},
    };
    MessageCatalog catalog;
    for (const Range& range : ranges)
        catalog.add(range.name, std::make_unique<ResourceMessageSource>(range.base, range.count));
    return catalog;
}

const MessageCatalog& MessageCatalog::builtin()
{
    static const MessageCatalog catalog = [] {
        MessageCatalog built;
        built.add("Exception", std::make_unique<TextMessageSource>(std::vector<std::string>{"Unknown exception"}));
        built.add("Cancelled", std::make_unique<TextMessageSource>(std::vector<std::string>{"Operation was cancelled"}));
        built.add("NotImplemented", std::make_unique<TextMessageSource>(std::vector<std::string>{"Not yet implemented"}));
        built.add("Error", std::make_unique<TextMessageSource>(std::vector<std::string>{"Unknown error"}));
        built.add("SystemError", std::make_unique<TextMessageSource>(std::vector<std::string>{
            "Out of memory", "Out of system resources", "Can't open file %s", "Can't read from file %s",
            "Can't write to file %s", "Invalid data format", "Operation timed out", "System configuration error"}));
        built.add("IniError", std::make_unique<TextMessageSource>(std::vector<std::string>{
            "Entry %s in section [%s] in file %s was not found", "Entry %s in section [%s] in file %s is invalid",
            "Entry %s in section [%s] in file %s has unexpected data"}));
        built.add("ParseError", std::make_unique<TextMessageSource>(std::vector<std::string>{
            "Data not found in parsed text", "Invalid data found in parsed text",
            "Unexpected data found in parsed text"}));
        return built;
    }();
    return catalog;
}

} // namespace vestiscop::foundation

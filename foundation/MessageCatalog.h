// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Maps an exception type name to the source of its message texts.
// The application catalogue reads the string table; the built-in one holds
// English texts compiled into the program and is not used for reporting.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vestiscop::foundation {

class MessageSource {
public:
    virtual ~MessageSource() = default;
    // True when 0 <= code < count.
    virtual bool valid(std::int32_t code) const = 0;
    // The text of a valid code.
    virtual std::string text(std::int32_t code) const = 0;
    // The first code whose text equals the given one, or -1.
    virtual std::int32_t find(const std::string& text) const;
    virtual std::int32_t count() const = 0;
};

// Codes 0..count-1 read string-table entries base..base+count-1.
class ResourceMessageSource : public MessageSource {
public:
    ResourceMessageSource(std::int32_t base, std::int32_t count) : m_base(base), m_count(count) {}
    bool valid(std::int32_t code) const override { return code >= 0 && code < m_count; }
    // "* Resource string not defined *" for a code the table lacks.
    std::string text(std::int32_t code) const override;
    std::int32_t count() const override { return m_count; }

private:
    std::int32_t m_base;
    std::int32_t m_count;
};

class TextMessageSource : public MessageSource {
public:
    explicit TextMessageSource(std::vector<std::string> texts) : m_texts(std::move(texts)) {}
    bool valid(std::int32_t code) const override { return code >= 0 && code < count(); }
    std::string text(std::int32_t code) const override { return m_texts.at(static_cast<std::size_t>(code)); }
    std::int32_t count() const override { return static_cast<std::int32_t>(m_texts.size()); }

private:
    std::vector<std::string> m_texts;
};

class MessageCatalog {
public:
    // Inserts or replaces the source of a type name; the catalogue owns it.
    void add(const std::string& name, std::unique_ptr<MessageSource> source);
    // The source of a type name (exact, case-sensitive), or null.
    const MessageSource* lookup(const std::string& name) const;
    std::size_t size() const { return m_sources.size(); }

    // The catalogue the program reports with: the string-table ranges.
    static MessageCatalog application();
    // The process-wide catalogue of built-in English texts.
    static const MessageCatalog& builtin();

private:
    std::unordered_map<std::string, std::unique_ptr<MessageSource>> m_sources;
};

} // namespace vestiscop::foundation

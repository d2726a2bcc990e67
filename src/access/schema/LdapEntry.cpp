#include "LdapEntry.h"

#include <limits>
#include <stdexcept>

namespace ridge::access {

namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when lowered (lower-case) is name in any ASCII case. Attribute descriptions are ASCII.
bool sameLowered(std::string_view lowered, std::string_view name) {
    if (lowered.size() != name.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (lowered[i] != asciiLower(name[i]))
            return false;
    return true;
}

uint32_t narrow(size_t n) {
    if (n > std::numeric_limits<uint32_t>::max())
        throw std::length_error("LDAP entry over 4 GiB");
    return static_cast<uint32_t>(n);
}

}  // namespace

bool sameAsciiText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

LdapAttributes::Span LdapAttributes::store(std::string_view text) {
    const Span span{narrow(m_text.size()), narrow(text.size())};
    narrow(m_text.size() + text.size());
    m_text.append(text);
    return span;
}

void LdapAttributes::add(std::string_view name, std::span<const std::string_view> values) {
    size_t index = 0;
    while (index < m_attributes.size() && !sameLowered(text(m_attributes[index].name), name))
        ++index;
    if (index == m_attributes.size()) {
        Attribute added;
        added.name = store(name);
        for (char* c = m_text.data() + added.name.offset; c != m_text.data() + m_text.size(); ++c)
            *c = asciiLower(*c);
        added.first = narrow(m_values.size());
        m_attributes.push_back(added);
    }
    if (values.empty())
        return;
    // The attribute's values follow each other: those of a name seen again (in another case)
    // go after its own, before the next attribute's.
    const size_t at = m_attributes[index].first + m_attributes[index].count;
    if (at == m_values.size()) {
        for (const std::string_view v : values)
            m_values.push_back(store(v));
    } else {
        m_values.insert(m_values.begin() + static_cast<std::ptrdiff_t>(at), values.size(), Span{});
        for (size_t i = 0; i < values.size(); ++i)
            m_values[at + i] = store(values[i]);
    }
    m_attributes[index].count += narrow(values.size());
    for (size_t later = index + 1; later < m_attributes.size(); ++later)
        m_attributes[later].first += narrow(values.size());
}

std::optional<LdapAttributes::Values> LdapAttributes::find(std::string_view name) const {
    for (const auto& a : m_attributes)
        if (sameLowered(text(a.name), name))
            return Values(m_text.data(), m_values.data() + a.first, a.count);
    return std::nullopt;
}

void LdapAttributes::reserve(size_t attributes, size_t values, size_t bytes) {
    m_attributes.reserve(attributes);
    m_values.reserve(values);
    m_text.reserve(bytes);
}

std::string_view LdapEntry::value(std::string_view attribute) const {
    const auto list = attributes.find(attribute);
    return !list || list->empty() ? std::string_view() : list->front();
}

LdapAttributes::Values LdapEntry::values(std::string_view attribute) const {
    return attributes.find(attribute).value_or(LdapAttributes::Values());
}

bool LdapEntry::has(std::string_view attribute) const {
    return attributes.find(attribute).has_value();
}

}  // namespace ridge::access

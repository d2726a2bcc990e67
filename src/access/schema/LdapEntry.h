// One entry of a search result: its DN and its attributes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ridge::access {

// The attributes of an entry: lower-cased names with their values, in the order first seen.
// Names and values are kept in one text and found by offset, so that an entry costs a few
// allocations whatever its attributes (with a string and a list for each, a page of a hundred
// records made and freed some two thousand blocks). An entry has a dozen attributes or so: one
// list searched in order is cheaper to build and to ask than a map. Names are compared as they
// are, in any ASCII case (an option such as "cn;lang-fr" names an attribute of its own).
class LdapAttributes {
    struct Span {
        uint32_t offset = 0;
        uint32_t size = 0;
    };

public:
    // The values of one attribute, as views into the entry's text: valid while the entry is
    // neither changed nor destroyed.
    class Values {
    public:
        class iterator {
        public:
            using iterator_concept = std::forward_iterator_tag;
            using iterator_category = std::input_iterator_tag;  // its reference is a value
            using value_type = std::string_view;
            using difference_type = std::ptrdiff_t;
            using pointer = void;
            using reference = std::string_view;

            iterator() = default;
            iterator(const char* text, const Span* at) : m_text(text), m_at(at) {}
            std::string_view operator*() const { return {m_text + m_at->offset, m_at->size}; }
            iterator& operator++() {
                ++m_at;
                return *this;
            }
            iterator operator++(int) {
                iterator before = *this;
                ++m_at;
                return before;
            }
            bool operator==(const iterator& other) const { return m_at == other.m_at; }

        private:
            const char* m_text = nullptr;
            const Span* m_at = nullptr;
        };

        Values() = default;
        Values(const char* text, const Span* first, size_t count)
            : m_text(text), m_first(first), m_count(count) {}
        iterator begin() const { return {m_text, m_first}; }
        iterator end() const { return {m_text, m_first + m_count}; }
        size_t size() const { return m_count; }
        bool empty() const { return m_count == 0; }
        std::string_view operator[](size_t i) const {
            return {m_text + m_first[i].offset, m_first[i].size};
        }
        std::string_view front() const { return (*this)[0]; }

    private:
        const char* m_text = nullptr;
        const Span* m_first = nullptr;
        size_t m_count = 0;
    };

    // Adds the values to the named attribute, which is added after the others when absent (with
    // no values, it is present without values).
    void add(std::string_view name, std::span<const std::string_view> values);
    void add(std::string_view name, std::initializer_list<std::string_view> values = {}) {
        add(name, std::span<const std::string_view>(values.begin(), values.size()));
    }
    // nullopt when absent.
    std::optional<Values> find(std::string_view name) const;
    // Room for this many attributes and values and this many bytes of names and values.
    void reserve(size_t attributes, size_t values, size_t bytes);
    size_t size() const { return m_attributes.size(); }
    bool empty() const { return m_attributes.empty(); }
    // The name and values of the attribute at index (0 to size() - 1), in the order added.
    std::string_view nameAt(size_t index) const { return text(m_attributes[index].name); }
    Values valuesAt(size_t index) const {
        const Attribute& a = m_attributes[index];
        return {m_text.data(), m_values.data() + a.first, a.count};
    }

private:
    struct Attribute {
        Span name;
        uint32_t first = 0;  // of its values in m_values, which follow each other
        uint32_t count = 0;
    };

    Span store(std::string_view text);
    std::string_view text(Span span) const { return {m_text.data() + span.offset, span.size}; }

    std::string m_text;
    std::vector<Attribute> m_attributes;
    std::vector<Span> m_values;
};

// One entry of a search result. Attribute names are lower-cased; values are raw (UTF-8).
struct LdapEntry {
    std::string dn;
    LdapAttributes attributes;

    // First value of an attribute (name in any case), or "" when absent.
    std::string_view value(std::string_view attribute) const;
    // All values (none when absent).
    LdapAttributes::Values values(std::string_view attribute) const;
    bool has(std::string_view attribute) const;
};

// True when a and b are the same text in any ASCII case (object class names, "TRUE").
bool sameAsciiText(std::string_view a, std::string_view b);

}  // namespace ridge::access

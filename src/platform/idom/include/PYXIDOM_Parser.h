#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "I18NString.h"
#include "PYXIDOM_Document.h"

// Parses XML text into a PYXIDOM_Document. Safe by construction: no validation, no DTD or
// schema is fetched, external entities (general or parameter) are never read, and the number
// of entity expansions is limited so that nested entities cannot blow up memory. Entity
// references are replaced by their text. One parser may be used for many documents, by one
// thread at a time; use one parser per thread.
class PYXIDOM_Parser {
public:
    static constexpr unsigned kDefaultEntityExpansionLimit = 1000;

    PYXIDOM_Parser();
    ~PYXIDOM_Parser();
    PYXIDOM_Parser(const PYXIDOM_Parser&) = delete;
    PYXIDOM_Parser& operator=(const PYXIDOM_Parser&) = delete;

    // Parses length bytes (encoding from the byte-order mark or XML declaration, else UTF-8).
    // On failure returns null and sets error to "line L, column C: reason".
    std::unique_ptr<PYXIDOM_Document> parse(const char* text, std::size_t length,
                                            I18NString& error);
    std::unique_ptr<PYXIDOM_Document> parse(std::string_view text, I18NString& error) {
        return parse(text.data(), text.size(), error);
    }

    void setEntityExpansionLimit(unsigned limit) { m_entityExpansionLimit = limit; }
    unsigned getEntityExpansionLimit() const { return m_entityExpansionLimit; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    unsigned m_entityExpansionLimit = kDefaultEntityExpansionLimit;
};

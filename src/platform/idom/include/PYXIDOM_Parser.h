#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "I18NString.h"
#include "PYXIDOM_Document.h"

// Parses XML text into a PYXIDOM_Document. Safe by construction: no validation, no schema is
// fetched, a document type declaration is refused (so no entity is declared or expanded, and
// no external entity is ever read), and the document bounds of PYXDocumentLimits (size, element
// depth) are enforced while parsing. One parser may be used for many documents, by one
// thread at a time; use one parser per thread.
class PYXIDOM_Parser {
public:
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

    // True when the last parse failed because the document broke a rule of PYXDocumentLimits
    // (size, depth, DOCTYPE) rather than because it was not well-formed.
    bool wasRefused() const { return m_refusedByBound; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_refusedByBound = false;
};

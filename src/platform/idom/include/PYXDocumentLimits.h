// The bounds every XML reader of the platform applies to a document before and while it
// parses it: the SAX readers of the document layer and the DOM parser.
//
//   - no document type declaration (no document the host sends has one; refusing it also
//     refuses every internal entity, so nothing expands);
//   - at most maxDocumentSize bytes of text;
//   - elements nested at most maxElementDepth deep (the parser's namespace lookup costs time
//     in proportion to the depth for every element, so an unbounded depth costs quadratic time).
//
// The bounds come from "documents.conf" in the home directory ("key = value" lines, '#'
// comments):
//     max_document_size = 16777216      bytes
//     max_element_depth = 256           levels, the document element being level 1
// A missing file, key or a value that is not a positive decimal number keeps the default.
// The file is read once per home directory (BASALT_HOME) in a process.
#pragma once

#include <cstddef>
#include <string>

struct PYXDocumentLimits {
    // The largest legitimate document is a page of a query response: a few MB at most. The
    // deepest is a query response with nested property values: under 20 levels.
    static constexpr std::size_t kDefaultMaxDocumentSize = 16 * 1024 * 1024;
    static constexpr unsigned kDefaultMaxElementDepth = 256;
    static constexpr const char* kFileName = "documents.conf";

    std::size_t maxDocumentSize = kDefaultMaxDocumentSize;
    unsigned maxElementDepth = kDefaultMaxElementDepth;

    // The bounds of the current home directory. Never throws except for out of memory.
    static PYXDocumentLimits Current();
    // The bounds read from the documents.conf of the given home directory.
    static PYXDocumentLimits Read(const std::string& homeDirectory);

    bool SizeAllowed(std::size_t length) const { return length <= maxDocumentSize; }
    bool DepthAllowed(unsigned depth) const { return depth <= maxElementDepth; }

    // The reasons a reader gives when it refuses a document; each names its bound.
    std::string SizeRefusal(std::size_t length) const;
    std::string DepthRefusal() const;
    static std::string DoctypeRefusal();
};

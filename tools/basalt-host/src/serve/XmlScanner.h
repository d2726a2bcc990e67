#pragma once
// A pull reader over the provider's answers (UTF-8 XML), for the gateway, which reads a few of
// them on every page: it checks the text is well-formed as it goes and hands out one tag at a
// time, so a reader takes the values it needs without building a tree of the whole answer.
// Names are matched by local name with the prefix ignored, as parseXml does; a DOCTYPE is
// refused outright, so no entity is ever declared, and so is an XML declaration of another
// version or encoding than 1.0 in UTF-8, so no text is read in an encoding it is not in.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "XmlTree.h"

namespace basalt_host {

class XmlScanner {
public:
    // what names the text in errors ("the <what> is not well-formed XML (line, column): ...").
    XmlScanner(std::string_view text, std::string what);

    // Moves to the root element's start tag; HostError when the text holds none.
    void root();
    // Moves to the next child start tag of the element open at parentDepth (the root is at 1),
    // passing over whatever of earlier children was not read; false at that element's end.
    bool nextChild(int parentDepth);
    // Moves to the first element with this local name inside the current one, depth first;
    // false, at the current element's end, when there is none.
    bool descend(std::string_view local);

    // The current start tag: its depth, names and attributes (values unescaped).
    int depth() const { return static_cast<int>(m_open.size()); }
    std::string_view name() const { return m_local; }
    std::string_view qualifiedName() const { return m_open.back().name; }
    std::optional<std::string> attribute(std::string_view local) const;

    // Reads the current element to its end: its own character data (children passed over),
    // its subtree as a tree, or its text as written, with the namespace declarations in scope
    // from its ancestors repeated on it so that it stands alone.
    // copy calls atStart, when given, at each start tag inside, where the tag can be looked at.
    std::string text();
    std::unique_ptr<XmlElement> element();
    std::string copy(const std::function<void()>& atStart = nullptr);

private:
    enum class Token { Start, End, Done };
    struct Attribute {
        std::string_view name;  // qualified
        std::string_view raw;   // as written, between its quotes
        char quote;
    };
    struct Open {
        std::string_view name;
        std::vector<Attribute> namespaces;  // xmlns declarations made on it
    };

    Token next();
    void readStartTag();
    void readEndTag();
    void close();  // the current element ends
    void readCharacterData();
    void readProcessingInstruction();
    std::string_view readName();
    void skipSpace();
    // The first position from at whose byte is not of these classes (a mask of byte classes).
    std::size_t skipWhile(std::size_t at, unsigned char classes) const;
    bool atEnd() const { return m_at >= m_text.size(); }
    void decodeInto(std::string& out, std::string_view raw, bool attribute) const;
    [[noreturn]] void fail(const std::string& reason) const;
    [[noreturn]] void failAt(std::size_t at, const std::string& reason) const;

    std::string_view m_text;
    std::string m_what;
    std::size_t m_at = 0;
    std::vector<Open> m_open;
    bool m_rootSeen = false;
    bool m_rootClosed = false;
    bool m_pendingEnd = false;  // a self-closing tag's end, still to be handed out
    // The current start tag.
    std::string_view m_local;
    std::vector<Attribute> m_attributes;
    std::size_t m_afterName = 0;
    std::size_t m_elementEnd = 0;  // just past the end tag of the element that ended last
    std::string m_characters;      // the character data read before the current tag
    std::string m_scratch;         // attribute values decoded to check them, kept for its room
};

}  // namespace basalt_host

#include "XmlScanner.h"

#include <algorithm>
#include <array>

#include "AsciiCase.h"
#include "HostError.h"
#include "Utf8.h"

namespace basalt_host {
namespace {

std::string_view localPart(std::string_view qualified) {
    std::size_t colon = qualified.find(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

bool isNamespaceDeclaration(std::string_view name) {
    return name == "xmlns" || name.starts_with("xmlns:");
}

// What the scanner needs to know of each byte, looked up once instead of compared in turn.
enum : unsigned char {
    kSpace = 1,
    kNameStart = 2,
    kNameChar = 4,
    kMarkup = 8,  // a byte decodeInto must look at: a control character, '&', '<' or '>'
};

constexpr std::array<unsigned char, 256> byteClasses() {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        unsigned char bits = 0;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            bits |= kSpace;
        }
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80) {
            bits |= kNameStart | kNameChar;
        }
        if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
            bits |= kNameChar;
        }
        if (c < 0x20 || c == '&' || c == '<' || c == '>') {
            bits |= kMarkup;
        }
        classes[static_cast<std::size_t>(c)] = bits;
    }
    return classes;
}

constexpr std::array<unsigned char, 256> kByteClasses = byteClasses();

bool isA(char c, unsigned char bits) {
    return (kByteClasses[static_cast<unsigned char>(c)] & bits) != 0;
}

bool isSpace(char c) {
    return isA(c, kSpace);
}

// The first byte of raw decodeInto must look at; raw.size() when there is none.
std::size_t firstMarkup(std::string_view raw) {
    std::size_t i = 0;
    while (i < raw.size() && !isA(raw[i], kMarkup)) {
        ++i;
    }
    return i;
}

// The value of a pseudo-attribute of the XML declaration, or nothing.
std::optional<std::string_view> declared(std::string_view body, std::string_view name) {
    std::size_t at = body.find(name);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t i = at + name.size();
    auto skip = [&] {
        while (i < body.size() && isSpace(body[i])) {
            ++i;
        }
    };
    skip();
    if (i >= body.size() || body[i] != '=') {
        return std::nullopt;
    }
    ++i;
    skip();
    if (i >= body.size() || (body[i] != '"' && body[i] != '\'')) {
        return std::nullopt;
    }
    std::size_t close = body.find(body[i], i + 1);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return body.substr(i + 1, close - i - 1);
}

}  // namespace

XmlScanner::XmlScanner(std::string_view text, std::string what)
    : m_text(text), m_what(std::move(what)) {
    // Room for the depths and attributes answers have, taken once.
    m_open.reserve(16);
    m_attributes.reserve(8);
    if (m_text.starts_with("\xEF\xBB\xBF")) {
        m_at = 3;
    }
    // Checked once for the whole text: XML allows these characters nowhere, not in comments
    // or CDATA sections either.
    if (std::size_t bad = invalidXmlCharacter(m_text); bad != std::string_view::npos) {
        failAt(bad, "invalid UTF-8 or a character XML does not allow");
    }
}

void XmlScanner::fail(const std::string& reason) const {
    failAt(m_at, reason);
}

void XmlScanner::failAt(std::size_t at, const std::string& reason) const {
    at = std::min(at, m_text.size());
    std::string_view before = m_text.substr(0, at);
    std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    std::size_t lineStart = before.rfind('\n');
    std::size_t column = at - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
    throw HostError("the " + m_what + " is not well-formed XML (line " + std::to_string(line) +
                    ", column " + std::to_string(column) + "): " + reason);
}

void XmlScanner::root() {
    if (next() != Token::Start) {
        throw HostError("the " + m_what + " holds no XML element");
    }
}

bool XmlScanner::nextChild(int parentDepth) {
    for (;;) {
        Token token = next();
        if (token == Token::Start && depth() == parentDepth + 1) {
            return true;
        }
        if (token == Token::Done || (token == Token::End && depth() < parentDepth)) {
            return false;
        }
    }
}

bool XmlScanner::descend(std::string_view local) {
    const int own = depth();
    for (;;) {
        Token token = next();
        if (token == Token::Start && m_local == local) {
            return true;
        }
        if (token == Token::Done || (token == Token::End && depth() < own)) {
            return false;
        }
    }
}

std::optional<std::string> XmlScanner::attribute(std::string_view local) const {
    for (const Attribute& attribute : m_attributes) {
        if (!isNamespaceDeclaration(attribute.name) && localPart(attribute.name) == local) {
            std::string value;
            decodeInto(value, attribute.raw, true);
            return value;
        }
    }
    return std::nullopt;
}

std::string XmlScanner::text() {
    const int own = depth();
    std::string out;
    for (;;) {
        Token token = next();
        // Character data belongs to the element open while it was read.
        if (token == Token::Start && depth() - 1 == own) {
            out += m_characters;
        } else if (token == Token::End && depth() + 1 == own) {
            out += m_characters;
            return out;
        }
    }
}

std::unique_ptr<XmlElement> XmlScanner::element() {
    auto makeElement = [this](XmlElement* parent) {
        auto made = std::make_unique<XmlElement>();
        made->qualifiedName = std::string(m_open.back().name);
        made->localName = std::string(m_local);
        for (const Attribute& attribute : m_attributes) {
            std::string value;
            decodeInto(value, attribute.raw, true);
            made->attributes.emplace_back(std::string(attribute.name), std::move(value));
        }
        made->parent = parent;
        return made;
    };
    std::unique_ptr<XmlElement> top = makeElement(nullptr);
    std::vector<XmlElement*> open{top.get()};
    while (!open.empty()) {
        Token token = next();
        open.back()->text += m_characters;
        if (token == Token::Start) {
            open.back()->children.push_back(makeElement(open.back()));
            open.push_back(open.back()->children.back().get());
        } else {
            open.pop_back();
        }
    }
    return top;
}

std::string XmlScanner::copy(const std::function<void()>& atStart) {
    std::string out = "<";
    out += m_open.back().name;
    // Declarations made on ancestors and not redeclared below them travel with the copy.
    std::vector<std::string_view> declared;
    for (const Attribute& attribute : m_attributes) {
        if (isNamespaceDeclaration(attribute.name)) {
            declared.push_back(attribute.name);
        }
    }
    for (std::size_t level = m_open.size() - 1; level-- > 0;) {
        for (const Attribute& declaration : m_open[level].namespaces) {
            if (std::find(declared.begin(), declared.end(), declaration.name) == declared.end()) {
                declared.push_back(declaration.name);
                out += ' ';
                out += declaration.name;
                out += '=';
                out += declaration.quote;
                out += declaration.raw;
                out += declaration.quote;
            }
        }
    }
    const std::size_t from = m_afterName;
    const int own = depth();
    for (;;) {
        Token token = next();
        if (token == Token::End && depth() + 1 == own) {
            break;
        }
        if (token == Token::Start && atStart) {
            atStart();
        }
    }
    out += m_text.substr(from, m_elementEnd - from);
    return out;
}

XmlScanner::Token XmlScanner::next() {
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_characters.clear();
        close();
        return Token::End;
    }
    m_characters.clear();
    readCharacterData();
    if (atEnd()) {
        if (!m_open.empty()) {
            fail("the text ends inside the element <" + std::string(m_open.back().name) + ">");
        }
        if (!m_rootSeen) {
            throw HostError("the " + m_what + " holds no XML element");
        }
        return Token::Done;
    }
    if (m_at + 1 == m_text.size()) {
        fail("the text ends inside a tag");
    }
    if (m_text[m_at + 1] == '/') {
        readEndTag();
        return Token::End;
    }
    readStartTag();
    return Token::Start;
}

void XmlScanner::readCharacterData() {
    const std::size_t started = m_at;
    while (!atEnd()) {
        std::size_t tag = m_text.find('<', m_at);
        if (tag == std::string_view::npos) {
            tag = m_text.size();
        }
        decodeInto(m_characters, m_text.substr(m_at, tag - m_at), false);
        m_at = tag;
        std::string_view rest = m_text.substr(m_at);
        if (rest.starts_with("<!--")) {
            // The first "--" in a comment must end it.
            std::size_t dashes = m_text.find("--", m_at + 4);
            if (dashes == std::string_view::npos) {
                fail("a comment is not closed");
            }
            if (m_text.substr(dashes + 2, 1) != ">") {
                failAt(dashes, "'--' inside a comment");
            }
            m_at = dashes + 3;
        } else if (rest.starts_with("<?")) {
            readProcessingInstruction();
        } else if (rest.starts_with("<![CDATA[")) {
            if (m_open.empty()) {
                fail("character data outside the root element");
            }
            std::size_t end = m_text.find("]]>", m_at);
            if (end == std::string_view::npos) {
                fail("a CDATA section is not closed");
            }
            // Line ends are normalised here too.
            std::string_view section = m_text.substr(m_at + 9, end - m_at - 9);
            for (std::size_t i = 0; i < section.size(); ++i) {
                bool pair = section[i] == '\r' && i + 1 < section.size() && section[i + 1] == '\n';
                m_characters += section[i] == '\r' ? '\n' : section[i];
                i += pair ? 1 : 0;
            }
            m_at = end + 3;
        } else if (rest.starts_with("<!DOCTYPE")) {
            throw HostError("the " + m_what +
                            " contains a DOCTYPE declaration, which is not accepted");
        } else if (rest.starts_with("<!")) {
            fail("markup that is not understood");
        } else {
            break;
        }
    }
    if (m_open.empty() &&
        !std::all_of(m_characters.begin(), m_characters.end(), [](char c) { return isSpace(c); })) {
        failAt(started,
               m_rootSeen ? "text after the root element" : "text before the root element");
    }
}

// A processing instruction is passed over; the one named xml, the XML declaration, is taken
// only at the very start and only for what this reader reads: XML 1.0 in UTF-8.
void XmlScanner::readProcessingInstruction() {
    const std::size_t start = m_at;
    m_at += 2;
    const std::string_view target = readName();
    const std::size_t end = m_text.find("?>", m_at);
    if (end == std::string_view::npos) {
        fail("a processing instruction is not closed");
    }
    const std::string_view body = m_text.substr(m_at, end - m_at);
    if (!body.empty() && !isSpace(body.front())) {
        fail("white space was expected after the name of a processing instruction");
    }
    if (equalsIgnoringAsciiCase(target, "xml")) {
        if (target != "xml" || start != (m_text.starts_with("\xEF\xBB\xBF") ? 3 : 0)) {
            failAt(start, "an XML declaration that is not at the start of the text");
        }
        std::optional<std::string_view> encoding = declared(body, "encoding");
        if (declared(body, "version") != "1.0" ||
            (encoding && !equalsIgnoringAsciiCase(*encoding, "UTF-8"))) {
            throw HostError("the " + m_what +
                            " declares another XML version or encoding than 1.0 in UTF-8, which "
                            "is not accepted");
        }
    }
    m_at = end + 2;
}

std::size_t XmlScanner::skipWhile(std::size_t at, unsigned char classes) const {
    // Over a local copy: the member would be read again at each byte.
    const char* text = m_text.data();
    const std::size_t size = m_text.size();
    while (at < size && isA(text[at], classes)) {
        ++at;
    }
    return at;
}

std::string_view XmlScanner::readName() {
    const std::size_t start = m_at;
    if (atEnd() || !isA(m_text[m_at], kNameStart)) {
        fail("a name was expected");
    }
    m_at = skipWhile(m_at + 1, kNameChar);
    return m_text.substr(start, m_at - start);
}

void XmlScanner::skipSpace() {
    m_at = skipWhile(m_at, kSpace);
}

void XmlScanner::readStartTag() {
    if (m_rootClosed) {
        fail("a second root element");
    }
    ++m_at;
    Open element{readName(), {}};
    m_afterName = m_at;
    m_attributes.clear();
    bool selfClosing = false;
    for (;;) {
        const std::size_t before = m_at;
        skipSpace();
        if (atEnd()) {
            fail("the text ends inside a tag");
        }
        if (m_text[m_at] == '>') {
            ++m_at;
            break;
        }
        if (m_text.substr(m_at).starts_with("/>")) {
            m_at += 2;
            selfClosing = true;
            break;
        }
        if (m_at == before) {
            fail("white space was expected before an attribute");
        }
        std::string_view name = readName();
        skipSpace();
        if (atEnd() || m_text[m_at] != '=') {
            fail("'=' was expected after the attribute " + std::string(name));
        }
        ++m_at;
        skipSpace();
        if (atEnd() || (m_text[m_at] != '"' && m_text[m_at] != '\'')) {
            fail("a quoted value was expected for the attribute " + std::string(name));
        }
        const char quote = m_text[m_at];
        std::size_t close = m_text.find(quote, m_at + 1);
        if (close == std::string_view::npos) {
            fail("the value of the attribute " + std::string(name) + " is not closed");
        }
        Attribute attribute{name, m_text.substr(m_at + 1, close - m_at - 1), quote};
        m_at = close + 1;
        if (std::any_of(m_attributes.begin(), m_attributes.end(),
                        [&](const Attribute& seen) { return seen.name == name; })) {
            fail("the attribute " + std::string(name) + " is given twice");
        }
        // Checked now, unescaped when asked for; a value without markup needs no check.
        if (firstMarkup(attribute.raw) < attribute.raw.size()) {
            m_scratch.clear();
            decodeInto(m_scratch, attribute.raw, true);
        }
        if (isNamespaceDeclaration(name)) {
            element.namespaces.push_back(attribute);
        }
        m_attributes.push_back(attribute);
    }
    m_rootSeen = true;
    m_local = localPart(element.name);
    m_open.push_back(std::move(element));
    m_pendingEnd = selfClosing;
}

void XmlScanner::readEndTag() {
    m_at += 2;
    std::string_view name = readName();
    skipSpace();
    if (atEnd() || m_text[m_at] != '>') {
        fail("'>' was expected to end the tag </" + std::string(name) + ">");
    }
    if (m_open.empty() || m_open.back().name != name) {
        fail("the end tag </" + std::string(name) + "> does not match " +
             (m_open.empty() ? std::string("any start tag")
                             : "<" + std::string(m_open.back().name) + ">"));
    }
    ++m_at;
    close();
}

void XmlScanner::close() {
    m_elementEnd = m_at;
    m_open.pop_back();
    if (!m_open.empty()) {
        return;
    }
    m_rootClosed = true;
    // Only white space, comments and processing instructions may follow the root.
    std::string held = std::move(m_characters);
    m_characters.clear();
    readCharacterData();
    if (!atEnd()) {
        fail("text after the root element");
    }
    m_characters = std::move(held);
}

// Unescapes raw text and normalises its line ends (and, in an attribute, its white space) as
// an XML reader must; a reference that is not one of XML's own, a character XML does not
// allow, or a '<' in an attribute is an error.
void XmlScanner::decodeInto(std::string& out, std::string_view raw, bool attribute) const {
    auto errorAt = [&](std::size_t i, const std::string& reason) {
        failAt(static_cast<std::size_t>(raw.data() - m_text.data()) + i, reason);
    };
    std::size_t plain = 0;
    for (std::size_t i = firstMarkup(raw); i < raw.size(); ++i) {
        auto c = static_cast<unsigned char>(raw[i]);
        if (!isA(raw[i], kMarkup)) {
            continue;
        }
        if (c == '>' && !attribute && i >= 2 && raw[i - 1] == ']' && raw[i - 2] == ']') {
            errorAt(i - 2, "']]>' in character data");
        }
        if (c == '>' || (c == '\n' && !attribute)) {
            continue;
        }
        out.append(raw.substr(plain, i - plain));
        plain = i + 1;
        if (c == '<') {
            errorAt(i, "'<' in an attribute value");
        } else if (c == '\r') {
            if (i + 1 < raw.size() && raw[i + 1] == '\n') {
                ++i;
                plain = i + 1;
            }
            out += attribute ? ' ' : '\n';
        } else if (c == '\t' || c == '\n') {
            out += attribute ? ' ' : static_cast<char>(c);
        } else if (c == '&') {
            std::size_t semicolon = raw.find(';', i);
            if (semicolon == std::string_view::npos) {
                errorAt(i, "a '&' that starts no reference");
            }
            std::string_view reference = raw.substr(i + 1, semicolon - i - 1);
            if (reference == "lt") {
                out += '<';
            } else if (reference == "gt") {
                out += '>';
            } else if (reference == "amp") {
                out += '&';
            } else if (reference == "quot") {
                out += '"';
            } else if (reference == "apos") {
                out += '\'';
            } else if (reference.starts_with('#') && reference.size() > 1) {
                const bool hex = reference[1] == 'x';
                std::string_view digits = reference.substr(hex ? 2 : 1);
                char32_t code = 0;
                bool valid = !digits.empty();
                for (char digit : digits) {
                    int value = digit >= '0' && digit <= '9'          ? digit - '0'
                                : hex && digit >= 'a' && digit <= 'f' ? digit - 'a' + 10
                                : hex && digit >= 'A' && digit <= 'F' ? digit - 'A' + 10
                                                                      : -1;
                    valid = valid && value >= 0 && code <= 0x10FFFF;
                    code = code * (hex ? 16 : 10) + static_cast<char32_t>(std::max(value, 0));
                }
                valid = valid && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF) &&
                        code != 0xFFFE && code != 0xFFFF &&
                        (code >= 0x20 || code == '\t' || code == '\n' || code == '\r');
                if (!valid) {
                    errorAt(i, "a character reference to no allowed character");
                }
                appendUtf8(out, code);
            } else {
                errorAt(i, "a reference to an undeclared entity");
            }
            i = semicolon;
            plain = i + 1;
        } else {
            errorAt(i, "a control character XML does not allow");
        }
    }
    out.append(raw.substr(plain));
}

}  // namespace basalt_host

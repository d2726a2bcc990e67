// The gateway's readers of the provider's answers (the pull scanner and the exception,
// authenticate and search answers read with it), checked against the Xerces tree reader on the
// same text: both must take the same texts as well-formed XML, and read the same objects, the
// same ancestors and the same visa out of them.
#include "FuzzTarget.h"
#include "HostError.h"
#include "HttpCookies.h"
#include "ObjectTable.h"
#include "ProviderAnswers.h"
#include "Utf8.h"
#include "XmlScanner.h"
#include "XmlTree.h"

#include <memory>
#include <optional>

using namespace basalt_host;
using basalt::fuzz::Violated;

namespace {

// What read returns, or nothing when it throws HostError (why then says why).
template <typename Read>
auto readOrNothing(Read read, std::string* why = nullptr) -> std::optional<decltype(read())> {
    try {
        return read();
    } catch (const HostError& error) {
        if (why) {
            *why = error.what();
        }
        return std::nullopt;
    }
}

// Markup the scanner checks less closely than Xerces: processing instructions (the XML
// declaration's syntax past its version and encoding) and names beyond ASCII. It refuses
// outright, where Xerces reads on, a DOCTYPE and a declaration of another version or encoding.
bool lenientlyChecked(std::string_view text) {
    bool inTag = false;
    for (char c : text) {
        inTag = c == '<' || (inTag && c != '>');
        if (inTag && static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return text.find("<?") != std::string_view::npos;
}

bool refusedByDesign(const std::string& why) {
    return why.ends_with("which is not accepted");
}

// The answer readers stop once they have what they need; this reads the whole text.
bool scansWhole(const std::string& text) {
    return readOrNothing([&] {
               XmlScanner xml(text, "answer");
               xml.root();
               return xml.descend("\x01");  // no element has that name: to the root's end
           })
        .has_value();
}

std::vector<std::pair<std::string, std::string>> treeAncestors(const XmlElement& root) {
    std::vector<std::pair<std::string, std::string>> ancestors;
    const XmlElement* result = root.find("queryResult");
    const XmlElement* first = result ? result->child("item") : nullptr;
    const XmlElement* property = first ? first->child("ancestors") : nullptr;
    const XmlElement* values = property ? property->child("value") : nullptr;
    for (const XmlElement* item :
         values ? values->childrenNamed("item") : std::vector<const XmlElement*>{}) {
        ancestors.emplace_back(item->childText("title"), item->childText("searchPath"));
    }
    return ancestors;
}

bool sameRows(const std::vector<ObjectRow>& a, const std::vector<ObjectRow>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].objectClass != b[i].objectClass || a[i].searchPath != b[i].searchPath ||
            a[i].properties != b[i].properties) {
            return false;
        }
    }
    return true;
}

}  // namespace

BASALT_FUZZ_TARGET() {
    static XercesSession xerces;
    const std::string text(basalt::fuzz::Bytes(data, size));
    // Never fails: a text that is not XML becomes the message.
    serve::readExceptionText(text);

    std::unique_ptr<XmlElement> tree =
        readOrNothing([&] { return parseXml(text, "answer"); }).value_or(nullptr);
    if (!tree && scansWhole(text) && !lenientlyChecked(text)) {
        Violated("the scanner takes as XML a text Xerces refuses", text);
    }
    std::string why;
    auto search = readOrNothing([&] { return serve::readSearchResponse(text); }, &why);
    auto authenticate =
        readOrNothing([&] { return serve::readAuthenticateResponse(0, text); }, &why);
    if (tree && (!search || !authenticate)) {
        // Xerces passes over an unfinished UTF-8 sequence at the end of the text.
        if (refusedByDesign(why) || invalidXmlCharacter(text) != std::string::npos) {
            return 0;
        }
        Violated("the scanner refuses a text Xerces reads", text);
    }
    if (authenticate) {
        for (const serve::SetCookieVar& cookie : authenticate->setCookies) {
            std::optional<std::string> header = serve::setCookieHeader(cookie);
            if (header && header->find_first_of("\r\n\0\x7f", 0, 4) != std::string::npos) {
                Violated("a provider's cookie breaks its Set-Cookie header", text);
            }
        }
    }
    if (!tree) {
        return 0;
    }
    if (!sameRows(search->rows, responseRows(*tree))) {
        Violated("the scanner and Xerces read different objects", text);
    }
    if (search->ancestors != treeAncestors(*tree)) {
        Violated("the scanner and Xerces read different ancestors", text);
    }
    const XmlElement* visa = tree->child("visa");
    if ((visa == nullptr) != authenticate->visa.empty()) {
        Violated("the scanner and Xerces disagree on whether there is a visa", text);
    }
    if (visa) {
        // The copy goes back to the provider on every call: it must stand alone and hold what
        // the visa in its place holds.
        auto copy = readOrNothing([&] { return parseXml(authenticate->visa, "visa"); });
        if (!copy || serializeXml(**copy) != serializeXml(*visa)) {
            Violated("the visa's copy does not read as the visa in the answer", text);
        }
    }
    return 0;
}

// The gateway's readers of a browser's request, over texts separated by NUL bytes: the query or
// form text, the Cookie header, Accept-Language, a "skip" count, a page to return to after
// sign-on and the Host header. What they let through goes into the authenticate document the
// provider reads, which must stay well-formed and carry the same names and values.
#include "AuthenticateDocuments.h"
#include "FuzzTarget.h"
#include "HostError.h"
#include "HttpCookies.h"
#include "HttpMessage.h"
#include "PageTexts.h"
#include "RequestChecks.h"
#include "XmlTree.h"

#include <array>
#include <regex>

using namespace basalt_host;
using basalt::fuzz::Violated;

namespace {

// The (name, value) items of one of the document's bus-header arrays, as Xerces reads them.
NameValues arrayItems(const XmlElement& document, std::string_view array) {
    NameValues items;
    const XmlElement* found = document.find(array);
    for (const XmlElement* item :
         found ? found->childrenNamed("item") : std::vector<const XmlElement*>{}) {
        items.emplace_back(item->childText("name"), item->childText("value"));
    }
    return items;
}

// What a browser makes of a Location header's value before it resolves it: tabs and line
// ends dropped, a backslash read as a slash.
bool leavesThisSite(std::string_view target) {
    std::string seen;
    for (char c : target) {
        if (c != '\t' && c != '\n' && c != '\r') {
            seen += c == '\\' ? '/' : c;
        }
    }
    return seen.empty() || seen.front() != '/' || seen.starts_with("//");
}

}  // namespace

BASALT_FUZZ_TARGET() {
    static XercesSession xerces;
    std::array<std::string, 6> part;
    std::string_view rest = basalt::fuzz::Bytes(data, size);
    for (std::string& text : part) {
        std::tie(text, std::ignore) = basalt::fuzz::SplitAtNul(rest);
        rest.remove_prefix(std::min(rest.size(), text.size() + 1));
    }
    const auto& [form, cookieHeader, languages, skip, next, host] = part;

    std::optional<serve::NameValues> fields = serve::parseFormText(form);
    AuthenticateRequest request;
    request.action = "logon";
    request.formFields = fields.value_or(serve::NameValues{});
    request.cookies = serve::parseCookieHeader(cookieHeader);
    request.productLocale = serve::productLocaleFrom(languages, "en-us");
    serve::pageTexts(request.productLocale);
    std::unique_ptr<XmlElement> document;
    try {
        document = parseXml(authenticateDocument(request), "authenticate document");
    } catch (const HostError&) {
        Violated("a request's text makes the authenticate document unreadable", form);
    }
    if (arrayItems(*document, "formFieldVars") != request.formFields ||
        arrayItems(*document, "cookieVars") != request.cookies ||
        document->find("productLocale")->text != request.productLocale) {
        Violated("the authenticate document does not carry the request's text as read", form);
    }

    if (std::optional<int> count = serve::parseCount(skip, 1000000)) {
        if (std::to_string(*count) !=
            skip.substr(std::min(skip.find_first_not_of('0'), skip.size() - 1))) {
            Violated("a count reads as another number", skip);
        }
    } else if (!skip.empty() && skip.size() < 8 &&
               skip.find_first_not_of("0123456789") == std::string::npos &&
               std::stoi(skip) <= 1000000) {
        Violated("a count is refused", skip);
    }

    if (serve::isLocalTarget(next) && leavesThisSite(next)) {
        Violated("a page to return to leads off this site", next);
    }

    // Accepted, a Host header is one of the server's names or, listening on every address, an
    // address literal, with perhaps a port; never a name with something else attached.
    static const std::regex loopback(
        R"((localhost|127\.0\.0\.1|\[::1\]|basalt\.example\.org)(:[0-9]*)?)", std::regex::icase);
    static const std::regex wildcard(
        R"((0\.0\.0\.0|basalt\.example\.org|[0-9.]+|\[[0-9a-f:.]+\])(:[0-9]*)?)",
        std::regex::icase);
    serve::HttpRequest http;
    http.headers = {{"Host", host}};
    if (serve::hostAccepted(http, "127.0.0.1", {"basalt.example.org"}) &&
        !std::regex_match(host, loopback)) {
        Violated("a Host header naming another server is accepted", host);
    }
    if (serve::hostAccepted(http, "0.0.0.0", {"basalt.example.org"}) &&
        !std::regex_match(host, wildcard)) {
        Violated("a Host header naming another server is accepted", host);
    }
    return 0;
}

#include "VOR_AAA_SearchPath.h"

#include "VOR_AAA_PathText.h"
#include "VOR_AAA_VORID.h"

#include <array>
#include <string_view>
#include <utility>

namespace {

using std::string_view;

// A "]" closes a predicate when the text ends after it or a new predicate starts there: "[" and
// then a comparison or one of the filter functions. This lets "]" stand inside quoted values.
bool closesPredicate(string_view s, size_t afterBracket) {
    size_t r = VOR_AAA_SkipBlanks(s, afterBracket);
    if (r == s.size()) {
        return true;
    }
    if (s[r] != '[') {
        return false;
    }
    size_t f = VOR_AAA_SkipBlanks(s, r + 1);
    return VOR_AAA_StartsWithNoCase(s, f, "@") || VOR_AAA_StartsWithNoCase(s, f, "contains") ||
           VOR_AAA_StartsWithNoCase(s, f, "starts-with") ||
           VOR_AAA_StartsWithNoCase(s, f, "ends-with");
}

}  // namespace

bool VOR_AAA_SearchPath::Parse(const std::string& text) {
    m_pathText = text;
    m_objectID.clear();
    m_predicates.clear();
    m_kind = eSPInvalid;
    m_axis = eAxisNone;

    static const std::pair<const char*, Kind> kFixedPaths[] = {
        {"~", eSPSelf},
        {"~~", eSPSelfSelf},
        {"identity(~~)", eSPIdentity},
        {"/directory/*", eSPDirectory},
        {"/directory/namespace", eSPDirectory},
        {"membership(~)", eSPMembership},
    };
    for (const auto& [fixed, kind] : kFixedPaths) {
        if (text == fixed) {
            m_kind = kind;
            return true;
        }
    }
    if (!parseVORIDPath()) {
        m_kind = eSPInvalid;
        m_axis = eAxisNone;
        m_objectID.clear();
        m_predicates.clear();
        return false;
    }
    return true;
}

bool VOR_AAA_SearchPath::parseVORIDPath() {
    const string_view s = m_pathText;
    size_t opener = s.find(VOR_AAA_VORID::kOpenerDouble);
    size_t closer = s.find(VOR_AAA_VORID::kCloserDouble);
    if (opener == string_view::npos) {
        // A stray double-quote closer makes the text suspect even if a single-quote form follows.
        if (closer != string_view::npos) {
            return false;
        }
        opener = s.find(VOR_AAA_VORID::kOpenerSingle);
        closer = s.find(VOR_AAA_VORID::kCloserSingle);
        if (opener == string_view::npos) {
            return false;
        }
    }
    // The identifier is taken from the start of the path, so the opener must stand there; the
    // closer must follow the whole opener (in "VORID(')" the closer overlaps it).
    const size_t openerLength = VOR_AAA_VORID::kOpenerLength;
    if (opener != 0 || closer == string_view::npos || closer < openerLength) {
        return false;
    }
    m_kind = eSPVORID;
    m_objectID.assign(s.substr(openerLength, closer - openerLength));

    const string_view rest = s.substr(closer + VOR_AAA_VORID::kCloserLength);
    m_axis = eAxisSelf;
    if (rest.empty()) {
        return true;
    }
    static const std::array<std::pair<string_view, Axis>, 6> kAxes = {{
        {"/*", eAxisChildren},
        {"/child::*", eAxisChildren},
        {"/descendant::*", eAxisDescendants},
        {"//*", eAxisDescendantsOrSelf},
        {"/descendant-or-self::*", eAxisDescendantsOrSelf},
        {"//~", eAxisReserved},
    }};
    size_t p = VOR_AAA_SkipBlanks(rest, 0);
    for (const auto& [token, axis] : kAxes) {
        if (rest.compare(p, token.size(), token) == 0) {
            m_axis = axis;
            p += token.size();
            break;
        }
    }
    size_t q = VOR_AAA_SkipBlanks(rest, p);
    if (q == rest.size()) {
        return true;  // nothing, or only blanks, after the axis
    }
    if (m_axis == eAxisReserved || rest[q] != '[') {
        return false;
    }
    while (q < rest.size()) {
        // rest[q] is the "[" of a predicate.
        size_t close = rest.find(']', q + 1);
        while (close != string_view::npos && !closesPredicate(rest, close + 1)) {
            close = rest.find(']', VOR_AAA_SkipBlanks(rest, close + 1));
        }
        if (close == string_view::npos) {
            return false;
        }
        m_predicates.emplace_back(rest.substr(q + 1, close - q - 1));
        q = VOR_AAA_SkipBlanks(rest, close + 1);  // the end, or the "[" closesPredicate saw
    }
    return true;
}

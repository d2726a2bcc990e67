#include "VOR_AAA_VORID.h"

#include "PYXThrowable.h"

namespace VOR_AAA_VORID {

namespace {

struct Body {
    size_t begin;  // first character after the opener
    size_t end;    // the closer's position, or npos
    bool doubleQuoted;
};

// The next VORID body at or after from, whichever opener form comes first. Both forms begin
// with the same stem: one search for it, then the quote after it tells which.
bool nextBody(const std::string& text, size_t from, Body& body) {
    constexpr std::string_view kStem = kOpenerDouble.substr(0, kOpenerLength - 1);
    static_assert(kStem == kOpenerSingle.substr(0, kOpenerLength - 1));
    for (size_t at = text.find(kStem, from); at != std::string::npos;
         at = text.find(kStem, at + 1)) {
        const size_t quote = at + kStem.size();
        if (quote < text.size() && (text[quote] == '"' || text[quote] == '\'')) {
            body.doubleQuoted = text[quote] == '"';
            body.begin = at + kOpenerLength;
            body.end = text.find(body.doubleQuoted ? kCloserDouble : kCloserSingle, body.begin);
            return true;
        }
    }
    return false;
}

// Every occurrence of from in s replaced by to (built anew: in-place replace trips GCC 12's
// -Wrestrict false positive).
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    size_t done = 0;
    for (size_t p = s.find(from); p != std::string_view::npos; p = s.find(from, done)) {
        out.append(s.substr(done, p - done));
        out.append(to);
        done = p + from.size();
    }
    out.append(s.substr(done));
    return out;
}

}  // namespace

std::string EscapeDelimiters(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    Body body;
    while (nextBody(text, done, body)) {
        // The closer is the first one after the opener; a body that holds the closer sequence
        // itself cannot be told apart and ends there.
        PYX_ASSERT(body.end != std::string::npos);
        out.append(text, done, body.begin - done);
        const char quote = body.doubleQuoted ? '"' : '\'';
        const char* entity = body.doubleQuoted ? "&quot;" : "&apos;";
        // Whole runs between quotes: most bodies hold none.
        size_t from = body.begin;
        for (size_t q = text.find(quote, from); q < body.end; q = text.find(quote, from)) {
            out.append(text, from, q - from);
            out += entity;
            from = q + 1;
        }
        out.append(text, from, body.end - from);
        done = body.end;
    }
    out.append(text, done, std::string::npos);
    return out;
}

std::string UnescapeDelimiters(const std::string& text) {
    Body body;
    if (!nextBody(text, 0, body)) {
        return replaceAll(text, "&quot;", "\"");
    }
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    do {
        out.append(text, done, body.begin - done);
        size_t end = body.end == std::string::npos ? text.size() : body.end;
        out += replaceAll(std::string_view(text).substr(body.begin, end - body.begin),
                          body.doubleQuoted ? "&quot;" : "&apos;", body.doubleQuoted ? "\"" : "'");
        done = end;
    } while (done < text.size() && nextBody(text, done, body));
    out.append(text, done, std::string::npos);
    return out;
}

}  // namespace VOR_AAA_VORID

// Escaping of DN parts and DN parsing, through libldap's own DN code.
#include <AccessAPI.h>

#include <cctype>
#include <optional>
#include <string>

#include "LdapHandles.h"
#include "LdapNames.h"
#include "Status.h"

namespace ridge::access {

namespace {

struct DnFree {
    void operator()(LDAPDN dn) const { ldap_dnfree(dn); }
};
using ParsedDn = std::unique_ptr<LDAPRDN, DnFree>;

ParsedDn parse(std::string_view dn) {
    LDAPDN parsed = nullptr;
    std::string text(dn);
    if (ldap_str2dn(text.c_str(), &parsed, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS) {
        if (parsed)
            ldap_dnfree(parsed);
        return nullptr;
    }
    return ParsedDn(parsed);
}

std::string toString(LDAPDN dn) {
    char* out = nullptr;
    if (ldap_dn2str(dn, &out, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS || !out)
        fail(AS_ERR_INTERNAL, "DN cannot be written");
    LdapString owned(out);
    return std::string(out);
}

// ASCII only, whatever the process locale: what is not is left to the DN parser.
bool asciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool asciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool plainTypeChar(char c, bool first) {
    return asciiLetter(c) || (!first && (asciiDigit(c) || c == '-'));
}

bool plainValueChar(char c) {
    return asciiLetter(c) || asciiDigit(c) || c == ' ' || c == '-' || c == '.' || c == '_' ||
           c == '@';
}

// A DN as the directory writes it (types of letters, digits and '-'; values of letters, digits
// and " .-_@" without edge spaces; nothing around the ',') is what the parser and writer give
// back but for the types' case. Nearly every DN is such, and the library's round trip costs far
// more than the sign-on's own work on it; null for any other DN.
std::optional<std::string> plainNormal(std::string_view dn) {
    std::string out(dn);
    std::size_t i = 0;
    while (i < out.size()) {
        const std::size_t typeStart = i;
        while (i < out.size() && plainTypeChar(out[i], i == typeStart)) {
            if (out[i] >= 'A' && out[i] <= 'Z')
                out[i] = static_cast<char>(out[i] - 'A' + 'a');
            ++i;
        }
        if (i == typeStart || i == out.size() || out[i] != '=')
            return std::nullopt;
        const std::size_t valueStart = ++i;
        while (i < out.size() && plainValueChar(out[i]))
            ++i;
        if (i == valueStart || out[valueStart] == ' ' || out[i - 1] == ' ')
            return std::nullopt;
        if (i == out.size())
            return out;
        if (out[i] != ',')
            return std::nullopt;
        ++i;
    }
    return std::nullopt;  // empty, or a trailing ','
}

}  // namespace

std::string escapeDnValue(std::string_view value) {
    // A plain value (the same characters a plain DN holds) needs no escaping: ticket digests,
    // numbers and most names take this way instead of the library's writer.
    bool plain = !value.empty() && value.front() != ' ' && value.back() != ' ';
    for (std::size_t i = 0; plain && i < value.size(); ++i)
        plain = plainValueChar(value[i]);
    if (plain)
        return std::string(value);
    std::string v(value);
    char type[] = "x";
    LDAPAVA ava{};
    ava.la_attr = berval{1, type};
    ava.la_value = berval{static_cast<ber_len_t>(v.size()), v.data()};
    ava.la_flags = LDAP_AVA_STRING;
    LDAPAVA* rdn[] = {&ava, nullptr};
    LDAPRDN dn[] = {rdn, nullptr};
    std::string text = toString(dn);
    return text.substr(2);  // drop "x="
}

std::string childDn(std::string_view attribute, std::string_view value, std::string_view parent) {
    std::string dn = std::string(attribute) + "=" + escapeDnValue(value);
    if (!parent.empty())
        dn += "," + std::string(parent);
    return dn;
}

std::optional<std::string> normalizeDn(std::string_view dn) {
    if (std::optional<std::string> plain = plainNormal(dn))
        return plain;
    ParsedDn parsed = parse(dn);
    if (!parsed && !dn.empty())
        return std::nullopt;
    if (!parsed)
        return std::string();
    for (LDAPRDN* rdn = parsed.get(); *rdn; ++rdn)
        for (LDAPAVA** ava = *rdn; *ava; ++ava)
            for (ber_len_t i = 0; i < (*ava)->la_attr.bv_len; ++i)
                (*ava)->la_attr.bv_val[i] =
                    static_cast<char>(std::tolower((unsigned char)(*ava)->la_attr.bv_val[i]));
    return toString(parsed.get());
}

std::optional<std::vector<std::pair<std::string, std::string>>> splitDn(std::string_view dn) {
    ParsedDn parsed = parse(dn);
    if (!parsed)
        return std::nullopt;
    std::vector<std::pair<std::string, std::string>> out;
    for (LDAPRDN* rdn = parsed.get(); *rdn; ++rdn) {
        LDAPAVA* ava = (*rdn)[0];
        out.emplace_back(std::string(ava->la_attr.bv_val, ava->la_attr.bv_len),
                         std::string(ava->la_value.bv_val, ava->la_value.bv_len));
    }
    return out;
}

std::optional<std::string> parentDn(std::string_view dn) {
    ParsedDn parsed = parse(dn);
    if (!parsed)
        return std::nullopt;
    if (!parsed.get()[0] || !parsed.get()[1])
        return std::string();
    return toString(parsed.get() + 1);
}

}  // namespace ridge::access

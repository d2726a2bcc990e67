#include "RuntimeConfig.h"

#include <ldap.h>

#include <algorithm>
#include <charconv>
#include <set>

namespace ridge::access {

namespace {

constexpr std::string_view kRootPrefix = "TESSEL_CONFIGURATION_";

// A cursor over the text with the few steps this format needs.
class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}
    bool atEnd() const { return m_pos >= m_text.size(); }
    bool consume(std::string_view token) {
        if (m_text.substr(m_pos, token.size()) != token)
            return false;
        m_pos += token.size();
        return true;
    }
    bool peek(std::string_view token) const { return m_text.substr(m_pos, token.size()) == token; }
    // "<NAME>" -> NAME (capital letters, digits, '_' and '.').
    std::optional<std::string_view> openTag() {
        if (!consume("<") || peek("/"))
            return std::nullopt;
        size_t start = m_pos;
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos];
            if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.'))
                break;
            ++m_pos;
        }
        if (m_pos == start || !consume(">"))
            return std::nullopt;
        return m_text.substr(start, m_pos - start - 1);
    }
    // Text up to the next '<'.
    std::string_view value() {
        size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != '<')
            ++m_pos;
        return m_text.substr(start, m_pos - start);
    }
    bool closeTag(std::string_view name) { return consume("</") && consume(name) && consume(">"); }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

template <class T>
bool parseNumber(std::string_view text, T& out) {
    if (text.empty() || text.size() > 11)
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool digitsOnly(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool validHost(std::string_view host) {
    if (host.empty() || host.size() > 255)
        return false;
    for (char c : host) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '-' || c == '_' || c == ':' || c == '[' || c == ']';
        if (!ok)
            return false;
    }
    return true;
}

bool validDn(const std::string& dn) {
    if (dn.empty())
        return false;
    LDAPDN parsed = nullptr;
    int rc = ldap_str2dn(dn.c_str(), &parsed, LDAP_DN_FORMAT_LDAPV3);
    if (parsed)
        ldap_dnfree(parsed);
    return rc == LDAP_SUCCESS;
}

bool setError(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return false;
}

bool parseLdapGroup(Reader& r, RuntimeConfig& cfg, std::string* error) {
    std::set<std::string, std::less<>> seen;
    while (!r.peek("</")) {
        auto name = r.openTag();
        if (!name)
            return setError(error, "expected an element inside LDAP");
        if (!seen.insert(std::string(*name)).second)
            return setError(error, "element " + std::string(*name) + " repeated");
        std::string_view v = r.value();
        if (!r.closeTag(*name))
            return setError(error, "element " + std::string(*name) + " not closed");
        if (*name == "HOST") {
            if (!validHost(v))
                return setError(error, "HOST is not a host name");
            cfg.host = std::string(v);
        } else if (*name == "PORT") {
            uint32_t port = 0;
            if (!digitsOnly(v) || !parseNumber(v, port) || port == 0 || port > 65535)
                return setError(error, "PORT is not a port number");
            cfg.port = port;
        } else if (*name == "BASE_DN") {
            if (!validDn(std::string(v)))
                return setError(error, "BASE_DN is not a DN");
            cfg.baseDn = std::string(v);
        } else if (*name == "REPLICAS") {
            auto list = parseServerList(v, error);
            if (!list)
                return false;
            cfg.replicas = std::move(*list);
        } else if (*name == "TIMEOUT") {
            int32_t t = 0;
            if (!parseNumber(v, t) || t < -1)
                return setError(error, "TIMEOUT is not a number");
            cfg.timeoutSeconds = t;
        } else {
            return setError(error, "unknown element " + std::string(*name) + " inside LDAP");
        }
    }
    if (!r.closeTag("LDAP"))
        return setError(error, "LDAP not closed");
    for (const char* required : {"HOST", "PORT", "BASE_DN"})
        if (!seen.count(required))
            return setError(error, std::string(required) + " missing");
    return true;
}

}  // namespace

std::string ServerAddress::text() const {
    std::string h = host;
    if (h.find(':') != std::string::npos && h.front() != '[')
        h = "[" + h + "]";
    return h + ":" + std::to_string(port);
}

std::optional<std::vector<ServerAddress>> parseServerList(std::string_view text,
                                                          std::string* error) {
    std::vector<ServerAddress> out;
    auto separator = [](char c) { return c == ' ' || c == ',' || c == '\t'; };
    size_t pos = 0;
    while (pos < text.size()) {
        if (separator(text[pos])) {
            ++pos;
            continue;
        }
        size_t end = pos;
        while (end < text.size() && !separator(text[end]))
            ++end;
        std::string_view item = text.substr(pos, end - pos);
        pos = end;
        size_t colon = item.rfind(':');
        ServerAddress server;
        std::string_view host = colon == std::string_view::npos ? item : item.substr(0, colon);
        // An IPv6 address goes in brackets, so that its last ':' is not taken for the port's.
        const bool bracketed = host.size() > 2 && host.front() == '[' && host.back() == ']';
        if (bracketed)
            host = host.substr(1, host.size() - 2);
        else if (host.find_first_of(":[]") != std::string_view::npos)
            host = {};
        std::string_view port =
            colon == std::string_view::npos ? std::string_view() : item.substr(colon + 1);
        if (!validHost(host) || !digitsOnly(port) || !parseNumber(port, server.port) ||
            server.port == 0 || server.port > 65535) {
            setError(error, "\"" + std::string(item) + "\" is not host:port");
            return std::nullopt;
        }
        server.host = std::string(host);
        out.push_back(std::move(server));
    }
    return out;
}

std::string RuntimeConfig::urlOf(const ServerAddress& server) const {
    return std::string(useLdaps() ? "ldaps://" : "ldap://") + server.text();
}

std::vector<ServerAddress> RuntimeConfig::servers() const {
    std::vector<ServerAddress> out{primary()};
    for (const auto& r : replicas)
        if (std::find(out.begin(), out.end(), r) == out.end())
            out.push_back(r);
    return out;
}

std::optional<RuntimeConfig> parseRuntimeConfig(std::string_view text, std::string* error) {
    // Callers may count a trailing NUL or line end in the length.
    while (!text.empty() && (text.back() == '\0' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    Reader r(text);
    RuntimeConfig cfg;
    auto root = r.openTag();
    if (!root || root->substr(0, kRootPrefix.size()) != kRootPrefix ||
        root->size() == kRootPrefix.size()) {
        setError(error, "text does not start with <TESSEL_CONFIGURATION_version>");
        return std::nullopt;
    }
    cfg.version = std::string(root->substr(kRootPrefix.size()));
    std::set<std::string, std::less<>> seen;
    while (!r.peek("</")) {
        auto name = r.openTag();
        if (!name) {
            setError(error, "expected an element");
            return std::nullopt;
        }
        if (!seen.insert(std::string(*name)).second) {
            setError(error, "element " + std::string(*name) + " repeated");
            return std::nullopt;
        }
        if (*name == "LDAP") {
            if (!parseLdapGroup(r, cfg, error))
                return std::nullopt;
            continue;
        }
        std::string_view v = r.value();
        if (!r.closeTag(*name)) {
            setError(error, "element " + std::string(*name) + " not closed");
            return std::nullopt;
        }
        bool ok = true;
        if (*name == "GENERATION") {
            ok = digitsOnly(v) && parseNumber(v, cfg.generation);
        } else if (*name == "STORAGE_TYPE") {
            ok = digitsOnly(v) && parseNumber(v, cfg.storageType);
        } else if (*name == "DEFAULT_NAMESPACE") {
            cfg.defaultNamespace = std::string(v);
        } else if (*name == "SSL_CERT_DB") {
            cfg.sslCertDb = std::string(v);
        } else if (*name == "SSL_ENABLED") {
            ok = v == "true" || v == "false";
            cfg.sslEnabled = v == "true";
        } else {
            setError(error, "unknown element " + std::string(*name));
            return std::nullopt;
        }
        if (!ok) {
            setError(error, "bad value of " + std::string(*name));
            return std::nullopt;
        }
    }
    if (!r.closeTag(*root) || !r.atEnd()) {
        setError(error, "root element not closed at the end of the text");
        return std::nullopt;
    }
    if (!seen.count("LDAP")) {
        setError(error, "LDAP missing");
        return std::nullopt;
    }
    return cfg;
}

}  // namespace ridge::access

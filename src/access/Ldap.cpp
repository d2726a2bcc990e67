#include "internal/Ldap.h"

#include <AccessAPI.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "internal/Status.h"
#include "internal/TlsDiagnosis.h"

namespace ridge::access {

namespace {

struct MessageFree {
    void operator()(LDAPMessage* m) const { ldap_msgfree(m); }
};
using Message = std::unique_ptr<LDAPMessage, MessageFree>;

struct ControlsFree {
    void operator()(LDAPControl** c) const { ldap_controls_free(c); }
};
using Controls = std::unique_ptr<LDAPControl*, ControlsFree>;

struct ControlFree {
    void operator()(LDAPControl* c) const { ldap_control_free(c); }
};
using Control = std::unique_ptr<LDAPControl, ControlFree>;

struct MemFree {
    void operator()(char* p) const { ldap_memfree(p); }
};
using LdapString = std::unique_ptr<char, MemFree>;

struct DnFree {
    void operator()(LDAPDN dn) const { ldap_dnfree(dn); }
};
using ParsedDn = std::unique_ptr<LDAPRDN, DnFree>;

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

berval toBerval(const std::string& s) {
    return berval{static_cast<ber_len_t>(s.size()), const_cast<char*>(s.data())};
}

std::string diagnosticOf(LDAP* ld) {
    char* msg = nullptr;
    ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &msg);
    std::string out = msg ? msg : "";
    if (msg)
        ldap_memfree(msg);
    return out;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

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

// Reads the password-policy response control of a parsed result, if any.
void readPolicy(LDAP* ld, LDAPControl** controls, BindOutcome& outcome) {
    if (!controls)
        return;
    LDAPControl* c = ldap_control_find(LDAP_CONTROL_PASSWORDPOLICYRESPONSE, controls, nullptr);
    if (!c)
        return;
    ber_int_t expire = -1, grace = -1;
    LDAPPasswordPolicyError err = PP_noError;
    if (ldap_parse_passwordpolicy_control(ld, c, &expire, &grace, &err) == LDAP_SUCCESS) {
        outcome.policyError = err == PP_noError ? -1 : static_cast<int>(err);
        outcome.expiresIn = expire;
        outcome.graceLeft = grace;
    }
}

// One entry of a search result.
LdapEntry toEntry(LDAP* ld, LDAPMessage* e) {
    // One pass over the entry's encoding (asking for each attribute's values by name would
    // scan it again from the start for every attribute).
    LdapEntry entry;
    BerElement* ber = nullptr;
    berval dn{0, nullptr};
    if (ldap_get_dn_ber(ld, e, &ber, &dn) != LDAP_SUCCESS) {
        if (ber)
            ber_free(ber, 0);
        return entry;
    }
    entry.dn.assign(dn.bv_val, dn.bv_len);
    berval name{0, nullptr};
    BerVarray vals = nullptr;
    while (ldap_get_attribute_ber(ld, e, ber, &name, &vals) == LDAP_SUCCESS && name.bv_val) {
        auto& list = entry.attributes[lower(std::string_view(name.bv_val, name.bv_len))];
        for (int i = 0; vals && vals[i].bv_val; ++i)
            list.emplace_back(vals[i].bv_val, vals[i].bv_len);
        ber_memfree(vals);
        vals = nullptr;
    }
    ber_memfree(vals);
    ber_free(ber, 0);
    return entry;
}

// The attribute list of a search: null-terminated, "1.1" (no attributes) when empty.
std::vector<char*> attributeList(const std::vector<std::string>& attributes) {
    static char kNoAttrs[] = LDAP_NO_ATTRS;
    std::vector<char*> attrs;
    for (const auto& a : attributes)
        attrs.push_back(const_cast<char*>(a.c_str()));
    if (attrs.empty())
        attrs.push_back(kNoAttrs);
    attrs.push_back(nullptr);
    return attrs;
}

}  // namespace

namespace {

// The attribute by name in any case; short names are lower-cased on the stack (record reads
// look up a dozen names per entry).
auto findAttribute(const LdapEntry& entry, std::string_view name) {
    char buffer[64];
    if (name.size() > sizeof buffer)
        return entry.attributes.find(lower(name));
    for (size_t i = 0; i < name.size(); ++i)
        buffer[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    return entry.attributes.find(std::string_view(buffer, name.size()));
}

}  // namespace

std::string LdapEntry::value(std::string_view attribute) const {
    auto it = findAttribute(*this, attribute);
    return it == attributes.end() || it->second.empty() ? std::string() : it->second.front();
}

const std::vector<std::string>& LdapEntry::values(std::string_view attribute) const {
    static const std::vector<std::string> kNone;
    auto it = findAttribute(*this, attribute);
    return it == attributes.end() ? kNone : it->second;
}

bool LdapEntry::has(std::string_view attribute) const {
    return findAttribute(*this, attribute) != attributes.end();
}

LdapConnection::LdapConnection(const RuntimeConfig& cfg, const std::string& urlOverride,
                               OperationCounts* counts)
    : m_timeout(cfg.effectiveTimeout()), m_counts(counts) {
    m_where = urlOverride.empty() ? cfg.host + ":" + std::to_string(cfg.port) : urlOverride;
    open(cfg, urlOverride.empty() ? cfg.url() : urlOverride);
}

LdapConnection::LdapConnection(const RuntimeConfig& cfg, const ServerAddress& server,
                               OperationCounts* counts)
    : m_timeout(cfg.effectiveTimeout()), m_counts(counts), m_where(server.text()) {
    open(cfg, cfg.urlOf(server));
}

// libldap allocates what a message's length header announces before reading it, so a broken or
// hostile server could make the host allocate gigabytes with a few bytes; no answer the library
// asks for comes near this size (a page of entries is far smaller).
void LdapConnection::limitIncomingMessages() {
    constexpr ber_len_t kMaxIncoming = 64u * 1024u * 1024u;
    Sockbuf* sb = nullptr;
    if (ldap_get_option(m_ld, LDAP_OPT_SOCKBUF, &sb) == LDAP_OPT_SUCCESS && sb != nullptr) {
        ber_len_t max = kMaxIncoming;
        ber_sockbuf_ctrl(sb, LBER_SB_OPT_SET_MAX_INCOMING, &max);
    }
}

void LdapConnection::open(const RuntimeConfig& cfg, const std::string& url) {
    const bool ldapi = url.rfind("ldapi://", 0) == 0;
    int rc = ldap_initialize(&m_ld, url.c_str());
    if (rc != LDAP_SUCCESS || !m_ld)
        fail(AS_ERR_SERVER_UNREACHABLE, m_where);
    try {
        int version = LDAP_VERSION3;
        ldap_set_option(m_ld, LDAP_OPT_PROTOCOL_VERSION, &version);
        ldap_set_option(m_ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
        timeval tv{m_timeout, 0};
        ldap_set_option(m_ld, LDAP_OPT_NETWORK_TIMEOUT, &tv);
        ldap_set_option(m_ld, LDAP_OPT_TIMEOUT, &tv);
        ldap_set_option(m_ld, LDAP_OPT_TIMELIMIT, &m_timeout);
        if (cfg.sslEnabled && !ldapi) {
            int demand = LDAP_OPT_X_TLS_DEMAND;
            ldap_set_option(m_ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
            if (!cfg.sslCertDb.empty()) {
                int opt = isDirectory(cfg.sslCertDb) ? LDAP_OPT_X_TLS_CACERTDIR
                                                     : LDAP_OPT_X_TLS_CACERTFILE;
                if (ldap_set_option(m_ld, opt, cfg.sslCertDb.c_str()) != LDAP_OPT_SUCCESS)
                    failBecause(AS_ERR_TLS, "config", cfg.sslCertDb);
            }
            int server = 0;  // a client context of this connection's own
            if (ldap_set_option(m_ld, LDAP_OPT_X_TLS_NEWCTX, &server) != LDAP_OPT_SUCCESS)
                failBecause(AS_ERR_TLS, "config", cfg.sslCertDb.empty() ? m_where : cfg.sslCertDb);
        }
        count(&OperationCounts::connects);
        rc = ldap_connect(m_ld);
        if (rc != LDAP_SUCCESS) {
            // Over LDAPS a refused certificate looks like a lost server to libldap: a server
            // that shows a certificate was reached, and the TLS failure is what to report.
            if (cfg.useLdaps() && (rc == LDAP_CONNECT_ERROR || rc == LDAP_SERVER_DOWN)) {
                TlsDiagnosis why = diagnoseTls(cfg, url);
                if (why.certificateSeen || rc == LDAP_CONNECT_ERROR)
                    failBecause(AS_ERR_TLS, why.reason, m_where + " (" + why.detail + ")");
            }
            fail(rc == LDAP_NO_MEMORY ? AS_ERR_NO_MEMORY : AS_ERR_SERVER_UNREACHABLE,
                 m_where + " (" + ldap_err2string(rc) + ")");
        }
        limitIncomingMessages();
        if (cfg.sslEnabled && !cfg.useLdaps() && !ldapi) {
            rc = ldap_start_tls_s(m_ld, nullptr, nullptr);
            if (rc == LDAP_SERVER_DOWN)
                fail(AS_ERR_SERVER_UNREACHABLE, m_where + " (" + ldap_err2string(rc) + ")");
            if (rc == LDAP_CONNECT_ERROR)
                tlsFailed(cfg, url);
            if (rc != LDAP_SUCCESS)  // the server answered the StartTLS request with a refusal
                failBecause(AS_ERR_TLS, "refused", m_where + " (" + ldap_err2string(rc) + ")");
        }
    } catch (...) {
        ldap_unbind_ext_s(m_ld, nullptr, nullptr);
        m_ld = nullptr;
        throw;
    }
}

LdapConnection::~LdapConnection() {
    if (m_ld)
        ldap_unbind_ext_s(m_ld, nullptr, nullptr);
}

void LdapConnection::tlsFailed(const RuntimeConfig& cfg, const std::string& url) const {
    TlsDiagnosis why = diagnoseTls(cfg, url);
    failBecause(AS_ERR_TLS, why.reason, m_where + " (" + why.detail + ")");
}

void LdapConnection::throwResult(int rc, const char* operation) const {
    std::string diag = diagnosticOf(m_ld);
    std::string detail = std::string(operation) + ": " + ldap_err2string(rc);
    if (statusFromLdap(rc) == AS_ERR_SERVER_UNREACHABLE)
        detail = m_where + " (" + detail + ")";
    if (!diag.empty())
        detail += " (" + diag + ")";
    fail(statusFromLdap(rc), detail);
}

BindOutcome LdapConnection::bind(const std::string& dn, const std::string& password) {
    BindOutcome outcome;
    if (password.empty()) {
        // An empty password would be an unauthenticated bind, which the server accepts.
        outcome.ldapResult = LDAP_INVALID_CREDENTIALS;
        return outcome;
    }
    LDAPControl* raw = nullptr;
    if (ldap_create_passwordpolicy_control(m_ld, &raw) != LDAP_SUCCESS)
        fail(AS_ERR_NO_MEMORY);
    Control request(raw);
    LDAPControl* serverControls[] = {request.get(), nullptr};
    berval cred = toBerval(password);
    int msgid = 0;
    count(&OperationCounts::binds);
    int rc =
        ldap_sasl_bind(m_ld, dn.c_str(), LDAP_SASL_SIMPLE, &cred, serverControls, nullptr, &msgid);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "bind");
    return awaitPolicyOutcome(msgid, "bind");
}

void LdapConnection::bindOrThrow(const std::string& dn, const std::string& password) {
    BindOutcome o = bind(dn, password);
    if (o.ldapResult != LDAP_SUCCESS) {
        std::string detail = "bind as " + dn + ": " + ldap_err2string(o.ldapResult);
        fail(statusFromLdap(o.ldapResult) == AS_ERR_BAD_CREDENTIALS ? AS_ERR_SETTINGS
                                                                    : statusFromLdap(o.ldapResult),
             detail);
    }
}

void LdapConnection::bindExternal() {
    // An empty initial response (no authorisation identity): the identity comes from the
    // socket's peer or the TLS client certificate.
    char none[] = "";
    berval empty{0, none};
    count(&OperationCounts::binds);
    int rc = ldap_sasl_bind_s(m_ld, nullptr, "EXTERNAL", &empty, nullptr, nullptr, nullptr);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "SASL EXTERNAL bind");
}

std::vector<LdapEntry> LdapConnection::search(const std::string& base, Scope scope,
                                              const std::string& filter,
                                              const std::vector<std::string>& attributes,
                                              int sizeLimit) {
    std::vector<char*> attrs = attributeList(attributes);
    timeval tv{m_timeout, 0};
    LDAPMessage* res = nullptr;
    count(&OperationCounts::searches);
    int rc = ldap_search_ext_s(m_ld, base.c_str(), static_cast<int>(scope), filter.c_str(),
                               attrs.data(), 0, nullptr, nullptr, &tv, sizeLimit, &res);
    Message result(res);
    if (rc == LDAP_NO_SUCH_OBJECT)
        return {};
    if (rc != LDAP_SUCCESS && rc != LDAP_SIZELIMIT_EXCEEDED)
        throwResult(rc, "search");
    std::vector<LdapEntry> entries;
    for (LDAPMessage* e = ldap_first_entry(m_ld, result.get()); e; e = ldap_next_entry(m_ld, e))
        entries.push_back(toEntry(m_ld, e));
    return entries;
}

std::optional<std::vector<LdapEntry>> LdapConnection::searchWhole(
    const std::string& base, Scope scope, const std::string& filter,
    const std::vector<std::string>& attributes, int sizeLimit) {
    std::vector<char*> attrs = attributeList(attributes);
    timeval tv{m_timeout, 0};
    LDAPMessage* res = nullptr;
    count(&OperationCounts::searches);
    int rc = ldap_search_ext_s(m_ld, base.c_str(), static_cast<int>(scope), filter.c_str(),
                               attrs.data(), 0, nullptr, nullptr, &tv, sizeLimit, &res);
    Message result(res);
    if (rc == LDAP_NO_SUCH_OBJECT)
        return std::vector<LdapEntry>{};
    if (rc == LDAP_SIZELIMIT_EXCEEDED || rc == LDAP_ADMINLIMIT_EXCEEDED)
        return std::nullopt;
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "search");
    std::vector<LdapEntry> entries;
    for (LDAPMessage* e = ldap_first_entry(m_ld, result.get()); e; e = ldap_next_entry(m_ld, e))
        entries.push_back(toEntry(m_ld, e));
    return entries;
}

std::vector<LdapEntry> LdapConnection::searchPaged(const std::string& base, Scope scope,
                                                   const std::string& filter,
                                                   const std::vector<std::string>& attributes) {
    // Entries asked for per page: within the page limit servers commonly set (1000), large
    // enough that ordinary listings take one round trip and a whole namespace few.
    constexpr ber_int_t kPageSize = 1000;
    std::vector<char*> attrs = attributeList(attributes);
    std::vector<LdapEntry> entries;
    std::string cookie;
    do {
        berval cookieBv{static_cast<ber_len_t>(cookie.size()), cookie.data()};
        LDAPControl* rawPage = nullptr;
        // Not critical: a server without paging answers in one piece.
        if (ldap_create_page_control(m_ld, kPageSize, cookie.empty() ? nullptr : &cookieBv, 0,
                                     &rawPage) != LDAP_SUCCESS)
            fail(AS_ERR_NO_MEMORY, "paged results control");
        Control page(rawPage);
        LDAPControl* serverControls[] = {page.get(), nullptr};
        timeval tv{m_timeout, 0};
        LDAPMessage* rawRes = nullptr;
        count(&OperationCounts::searches);
        int rc = ldap_search_ext_s(m_ld, base.c_str(), static_cast<int>(scope), filter.c_str(),
                                   attrs.data(), 0, serverControls, nullptr, &tv, 0, &rawRes);
        Message res(rawRes);
        if (rc == LDAP_NO_SUCH_OBJECT)
            return {};
        if (rc == LDAP_SIZELIMIT_EXCEEDED || rc == LDAP_ADMINLIMIT_EXCEEDED)
            fail(AS_ERR_SERVER,
                 "the directory server's size limit cut short a search below " + base);
        if (rc != LDAP_SUCCESS)
            throwResult(rc, "search");
        for (LDAPMessage* e = ldap_first_entry(m_ld, res.get()); e; e = ldap_next_entry(m_ld, e))
            entries.push_back(toEntry(m_ld, e));

        LDAPControl** rawControls = nullptr;
        int err = LDAP_SUCCESS;
        rc = ldap_parse_result(m_ld, res.get(), &err, nullptr, nullptr, nullptr, &rawControls, 0);
        Controls controls(rawControls);
        if (rc != LDAP_SUCCESS)
            throwResult(rc, "search");
        cookie.clear();
        LDAPControl* response =
            ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, controls.get(), nullptr);
        if (response) {
            ber_int_t estimate = 0;
            berval next{0, nullptr};
            if (ldap_parse_pageresponse_control(m_ld, response, &estimate, &next) != LDAP_SUCCESS)
                fail(AS_ERR_SERVER, "malformed paged results response");
            if (next.bv_val) {
                cookie.assign(next.bv_val, next.bv_len);
                ber_memfree(next.bv_val);
            }
        }
    } while (!cookie.empty());
    return entries;
}

std::optional<LdapEntry> LdapConnection::read(const std::string& dn,
                                              const std::vector<std::string>& attributes) {
    auto entries = search(dn, Scope::Base, "(objectClass=*)", attributes, 1);
    if (entries.empty())
        return std::nullopt;
    return std::move(entries.front());
}

void LdapConnection::add(
    const std::string& dn,
    const std::vector<std::pair<std::string, std::vector<std::string>>>& attributes) {
    std::vector<LDAPMod> mods(attributes.size());
    std::vector<std::vector<berval>> values(attributes.size());
    std::vector<std::vector<berval*>> valuePtrs(attributes.size());
    std::vector<LDAPMod*> modPtrs;
    for (size_t i = 0; i < attributes.size(); ++i) {
        for (const auto& v : attributes[i].second)
            values[i].push_back(toBerval(v));
        for (auto& bv : values[i])
            valuePtrs[i].push_back(&bv);
        valuePtrs[i].push_back(nullptr);
        mods[i].mod_op = LDAP_MOD_ADD | LDAP_MOD_BVALUES;
        mods[i].mod_type = const_cast<char*>(attributes[i].first.c_str());
        mods[i].mod_bvalues = valuePtrs[i].data();
        modPtrs.push_back(&mods[i]);
    }
    modPtrs.push_back(nullptr);
    count(&OperationCounts::writes);
    int rc = ldap_add_ext_s(m_ld, dn.c_str(), modPtrs.data(), nullptr, nullptr);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "add");
}

void LdapConnection::replace(const std::string& dn, const std::string& attribute,
                             const std::vector<std::string>& values) {
    std::vector<berval> bvs;
    for (const auto& v : values)
        bvs.push_back(toBerval(v));
    std::vector<berval*> ptrs;
    for (auto& bv : bvs)
        ptrs.push_back(&bv);
    ptrs.push_back(nullptr);
    LDAPMod mod{};
    mod.mod_op = LDAP_MOD_REPLACE | LDAP_MOD_BVALUES;
    mod.mod_type = const_cast<char*>(attribute.c_str());
    mod.mod_bvalues = ptrs.data();
    LDAPMod* mods[] = {&mod, nullptr};
    count(&OperationCounts::writes);
    int rc = ldap_modify_ext_s(m_ld, dn.c_str(), mods, nullptr, nullptr);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "modify");
}

bool LdapConnection::remove(const std::string& dn) {
    count(&OperationCounts::writes);
    int rc = ldap_delete_ext_s(m_ld, dn.c_str(), nullptr, nullptr);
    if (rc == LDAP_NO_SUCH_OBJECT)
        return false;
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "delete");
    return true;
}

BindOutcome LdapConnection::passwordModify(const std::string& userDn,
                                           const std::string& oldPassword,
                                           const std::string& newPassword) {
    LDAPControl* raw = nullptr;
    if (ldap_create_passwordpolicy_control(m_ld, &raw) != LDAP_SUCCESS)
        fail(AS_ERR_NO_MEMORY);
    Control request(raw);
    LDAPControl* serverControls[] = {request.get(), nullptr};
    berval user = toBerval(userDn), oldpw = toBerval(oldPassword), newpw = toBerval(newPassword);
    int msgid = 0;
    count(&OperationCounts::writes);
    int rc =
        ldap_passwd(m_ld, userDn.empty() ? nullptr : &user, oldPassword.empty() ? nullptr : &oldpw,
                    &newpw, serverControls, nullptr, &msgid);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "password modify");
    return awaitPolicyOutcome(msgid, "password modify");
}

BindOutcome LdapConnection::awaitPolicyOutcome(int msgid, const char* operation) {
    timeval tv{m_timeout, 0};
    LDAPMessage* res = nullptr;
    int rc = ldap_result(m_ld, msgid, LDAP_MSG_ALL, &tv, &res);
    Message result(res);
    if (rc == 0)
        fail(AS_ERR_TIMEOUT, operation);
    if (rc < 0) {
        ldap_get_option(m_ld, LDAP_OPT_RESULT_CODE, &rc);
        throwResult(rc, operation);
    }
    BindOutcome outcome;
    char* diag = nullptr;
    LDAPControl** controls = nullptr;
    int err = LDAP_OTHER;
    rc = ldap_parse_result(m_ld, result.get(), &err, nullptr, &diag, nullptr, &controls, 0);
    Controls owned(controls);
    LdapString ownedDiag(diag);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, operation);
    outcome.ldapResult = err;
    if (diag)
        outcome.diagnostic = diag;
    readPolicy(m_ld, controls, outcome);
    return outcome;
}

std::string escapeFilterValue(std::string_view value) {
    berval in{static_cast<ber_len_t>(value.size()), const_cast<char*>(value.data())};
    berval out{0, nullptr};
    if (ldap_bv2escaped_filter_value(&in, &out) != 0)
        fail(AS_ERR_NO_MEMORY);
    std::string escaped(out.bv_val, out.bv_len);
    ber_memfree(out.bv_val);
    return escaped;
}

std::string escapeDnValue(std::string_view value) {
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

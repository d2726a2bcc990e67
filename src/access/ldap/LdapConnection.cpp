// Connection handling: opening a connection (LDAP v3, timeouts, LDAPS or StartTLS), binds with
// the password-policy control, and the mapping of failures to statuses. A lost connection is
// replaced by the handle that owns it (Session), which opens a new one and binds again.
#include <AccessAPI.h>
#include <sys/stat.h>

#include "Ldap.h"
#include "LdapHandles.h"
#include "Status.h"
#include "TlsDiagnosis.h"

namespace ridge::access {

namespace {

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

}  // namespace

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

// How the connection reads what the server sends, set once connected:
// - a cap on one message: libldap allocates what a message's length header announces before
//   reading it, so a broken or hostile server could make the host allocate gigabytes with a few
//   bytes; no answer the library asks for comes near this size;
// - reading ahead: libldap reads each message with reads of its own (its header, then the
//   rest), and a page of records is a few hundred messages; one buffer makes that a few reads.
//   Added now, it sits above the socket (and below TLS).
void LdapConnection::setUpReading() {
    constexpr ber_len_t kMaxIncoming = 64u * 1024u * 1024u;
    Sockbuf* sb = nullptr;
    if (ldap_get_option(m_ld, LDAP_OPT_SOCKBUF, &sb) == LDAP_OPT_SUCCESS && sb != nullptr) {
        ber_len_t max = kMaxIncoming;
        ber_sockbuf_ctrl(sb, LBER_SB_OPT_SET_MAX_INCOMING, &max);
        ber_sockbuf_add_io(sb, &ber_sockbuf_io_readahead, LBER_SBIOD_LEVEL_PROVIDER, nullptr);
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
        setUpReading();
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

}  // namespace ridge::access

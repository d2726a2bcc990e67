#include "TlsDiagnosis.h"

#include <ldap.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <memory>

namespace ridge::access {

namespace {

struct LdapFree {
    void operator()(LDAP* ld) const { ldap_unbind_ext_s(ld, nullptr, nullptr); }
};
struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
struct StoreFree {
    void operator()(X509_STORE* s) const { X509_STORE_free(s); }
};
struct StoreCtxFree {
    void operator()(X509_STORE_CTX* c) const { X509_STORE_CTX_free(c); }
};

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The server's certificate over a session that accepts any certificate; null when even that
// session cannot be set up.
std::unique_ptr<X509, X509Free> peerCertificate(const RuntimeConfig& cfg, const std::string& url) {
    LDAP* raw = nullptr;
    if (ldap_initialize(&raw, url.c_str()) != LDAP_SUCCESS || !raw)
        return nullptr;
    std::unique_ptr<LDAP, LdapFree> ld(raw);
    int version = LDAP_VERSION3;
    ldap_set_option(ld.get(), LDAP_OPT_PROTOCOL_VERSION, &version);
    timeval tv{cfg.effectiveTimeout(), 0};
    ldap_set_option(ld.get(), LDAP_OPT_NETWORK_TIMEOUT, &tv);
    ldap_set_option(ld.get(), LDAP_OPT_TIMEOUT, &tv);
    int allow = LDAP_OPT_X_TLS_ALLOW;
    ldap_set_option(ld.get(), LDAP_OPT_X_TLS_REQUIRE_CERT, &allow);
    int server = 0;
    if (ldap_set_option(ld.get(), LDAP_OPT_X_TLS_NEWCTX, &server) != LDAP_OPT_SUCCESS)
        return nullptr;
    if (ldap_connect(ld.get()) != LDAP_SUCCESS)
        return nullptr;
    if (!cfg.useLdaps() && ldap_start_tls_s(ld.get(), nullptr, nullptr) != LDAP_SUCCESS)
        return nullptr;
    berval der{0, nullptr};
    if (ldap_get_option(ld.get(), LDAP_OPT_X_TLS_PEERCERT, &der) != LDAP_OPT_SUCCESS || !der.bv_val)
        return nullptr;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(der.bv_val);
    std::unique_ptr<X509, X509Free> cert(d2i_X509(nullptr, &p, static_cast<long>(der.bv_len)));
    ber_memfree(der.bv_val);
    return cert;
}

// OpenSSL's verification error for the certificate against the configured CA, "" when it
// verifies.
std::string trustProblem(const RuntimeConfig& cfg, X509* cert) {
    std::unique_ptr<X509_STORE, StoreFree> store(X509_STORE_new());
    if (!store)
        return "cannot check the certificate";
    bool loaded =
        cfg.sslCertDb.empty()
            ? X509_STORE_set_default_paths(store.get()) == 1
            : X509_STORE_load_locations(
                  store.get(), isDirectory(cfg.sslCertDb) ? nullptr : cfg.sslCertDb.c_str(),
                  isDirectory(cfg.sslCertDb) ? cfg.sslCertDb.c_str() : nullptr) == 1;
    if (!loaded)
        return "the configured certificates cannot be loaded";
    std::unique_ptr<X509_STORE_CTX, StoreCtxFree> ctx(X509_STORE_CTX_new());
    if (!ctx || X509_STORE_CTX_init(ctx.get(), store.get(), cert, nullptr) != 1)
        return "cannot check the certificate";
    if (X509_verify_cert(ctx.get()) == 1)
        return "";
    return X509_verify_cert_error_string(X509_STORE_CTX_get_error(ctx.get()));
}

bool namesHost(X509* cert, const std::string& host) {
    std::string name = host;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    if (X509_check_ip_asc(cert, name.c_str(), 0) == 1)
        return true;
    return X509_check_host(cert, name.c_str(), name.size(), 0, nullptr) == 1;
}

std::string subjectOf(X509* cert) {
    char buf[256] = "";
    X509_NAME_oneline(X509_get_subject_name(cert), buf, sizeof buf);
    return buf;
}

}  // namespace

TlsDiagnosis diagnoseTls(const RuntimeConfig& cfg, const std::string& url) {
    auto cert = peerCertificate(cfg, url);
    if (!cert)
        return {"handshake", "no TLS session could be set up"};
    std::string problem = trustProblem(cfg, cert.get());
    if (!problem.empty())
        return {"untrusted", problem, true};
    if (!namesHost(cert.get(), cfg.host))
        return {"name", "the certificate is for " + subjectOf(cert.get()) + ", not " + cfg.host,
                true};
    return {"handshake", "the certificate checks out; the handshake failed otherwise", true};
}

}  // namespace ridge::access

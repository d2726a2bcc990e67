// RAII over libldap: one connection (LdapConnection.cpp: connect, TLS, binds with the
// password-policy control) and its operations (LdapOperations.cpp: searches returning owned
// results, writes). Entries are LdapEntry.h's, filters are built with LdapFilter.h, DNs with
// LdapNames.h.
#pragma once

#include <ldap.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LdapEntry.h"
#include "LdapFilter.h"
#include "LdapNames.h"
#include "RuntimeConfig.h"
#include "Schema.h"

namespace ridge::access {

enum class Scope { Base = LDAP_SCOPE_BASE, One = LDAP_SCOPE_ONELEVEL, Sub = LDAP_SCOPE_SUBTREE };

// Outcome of a simple bind with the password-policy request control.
struct BindOutcome {
    int ldapResult = LDAP_OTHER;
    int policyError = -1;  // LDAPPasswordPolicyError, -1 when the server sent none
    int graceLeft = -1;
    int expiresIn = -1;
    std::string diagnostic;
};

// Requests sent to the server, counted per handle so that tests and measurements can see the
// round trips a call costs: each connection set-up, bind, search request (one per page) and
// write counts one.
struct OperationCounts {
    std::atomic<uint64_t> connects{0};
    std::atomic<uint64_t> binds{0};
    std::atomic<uint64_t> searches{0};
    std::atomic<uint64_t> writes{0};
};

class LdapConnection {
public:
    // Connects to cfg.url() with LDAP v3, network and operation timeouts and TLS as configured;
    // throws AccessError (-108 unreachable, naming host and port; -16 TLS, naming the cause:
    // certificate not trusted, name mismatch or handshake; -6 memory).
    // urlOverride (non-empty) replaces cfg.url(); TLS settings and timeouts stay those of cfg.
    // counts (may be null) receives this connection's requests.
    explicit LdapConnection(const RuntimeConfig& cfg, const std::string& urlOverride = {},
                            OperationCounts* counts = nullptr);
    // Connects to one server of cfg's list, with cfg's TLS settings and timeouts.
    LdapConnection(const RuntimeConfig& cfg, const ServerAddress& server,
                   OperationCounts* counts = nullptr);
    ~LdapConnection();
    LdapConnection(const LdapConnection&) = delete;
    LdapConnection& operator=(const LdapConnection&) = delete;

    LDAP* get() const { return m_ld; }
    // host:port (or the URL given) of the server this connection talks to.
    const std::string& where() const { return m_where; }
    int timeoutSeconds() const { return m_timeout; }
    // Where the connection's requests are counted from now on (null: nowhere); a pooled
    // connection counts into the handle that holds it.
    void countInto(OperationCounts* counts) { m_counts = counts; }

    // Simple bind; the result is returned, not thrown (callers map policy errors). A transport
    // failure throws -108.
    BindOutcome bind(const std::string& dn, const std::string& password);
    // Simple bind that must succeed; any failure throws the mapped status.
    void bindOrThrow(const std::string& dn, const std::string& password);
    // SASL EXTERNAL bind (ldapi:// peer credentials or a TLS client certificate).
    void bindExternal();

    // Search in one request; a missing base gives an empty result. sizeLimit 0 means none; a
    // result cut at sizeLimit is returned as it is. Throws on failure.
    std::vector<LdapEntry> search(const std::string& base, Scope scope, const Filter& filter,
                                  const std::vector<std::string>& attributes, int sizeLimit = 0);
    // A search sent without waiting for its answer (several may be on their way at once; the
    // server works on them side by side): its message id for nextEntry(), awaitWhole() or
    // abandon(). sizeLimit 0 means none. baseAssertion (may be null): the search is made only if
    // the base entry matches it (the server's assertion control).
    int send(const std::string& base, Scope scope, const Filter& filter,
             const std::vector<std::string>& attributes, int sizeLimit = 0,
             const Filter* baseAssertion = nullptr);
    // The whole answer to a request send() made, without paging.
    struct WholeAnswer {
        enum class Outcome {
            Complete,
            NoBase,    // the base does not exist, or does not match the assertion
            CutShort,  // a size limit (the request's or the server's) cut the result short
        };
        Outcome outcome = Outcome::Complete;
        std::vector<LdapEntry> entries;  // when Complete
    };
    WholeAnswer awaitWhole(int msgid);
    // The next entry of the answer to a request send() made, as soon as it has arrived; nullopt
    // once the answer is complete. A missing base gives none; a result cut short by a size
    // limit throws -61 (base names it). expected: room for attributes the entry is given, then
    // the number it had (entries of one answer mostly carry the same attributes).
    std::optional<LdapEntry> nextEntry(int msgid, const std::string& base, size_t& expected);
    // Tells the server a request's answer is no longer wanted (and drops what arrived of it).
    void abandon(int msgid);
    // Every entry the search finds, fetched in pages (one request per page); a result cut
    // short by a server limit throws -61 instead of losing entries. A missing base gives none.
    std::vector<LdapEntry> searchPaged(const std::string& base, Scope scope, const Filter& filter,
                                       const std::vector<std::string>& attributes);
    // Reads one entry by DN (scope base, filter objectClass=*); nullopt when it does not exist.
    std::optional<LdapEntry> read(const std::string& dn,
                                  const std::vector<std::string>& attributes);

    // Writes; throw the mapped status on failure.
    void add(const std::string& dn,
             const std::vector<std::pair<std::string, std::vector<std::string>>>& attributes);
    void replace(const std::string& dn, const std::string& attribute,
                 const std::vector<std::string>& values);
    // Returns false when the entry does not exist.
    bool remove(const std::string& dn);

    // Password modify extended operation for userDn (empty: the bound user). Returns the LDAP
    // result and the password-policy error of the response (-1 none), not thrown.
    BindOutcome passwordModify(const std::string& userDn, const std::string& oldPassword,
                               const std::string& newPassword);

private:
    struct SearchReply;
    // Sends one search request without waiting for its answer: its message id.
    int sendRequest(const std::string& base, Scope scope, const Filter& filter,
                    const std::vector<std::string>& attributes, LDAPControl** serverControls,
                    int sizeLimit);
    // Waits for the whole answer to msgid (entries and result); a timeout abandons it.
    SearchReply awaitReply(int msgid);
    // The cookie of a paged search's result that asks for the next page; empty after the last.
    std::string nextPageCookie(LDAPMessage* result) const;
    // Sends one search request and waits for its whole answer (entries and result).
    SearchReply request(const std::string& base, Scope scope, const Filter& filter,
                        const std::vector<std::string>& attributes, LDAPControl** serverControls,
                        int sizeLimit);
    void open(const RuntimeConfig& cfg, const std::string& url);
    void setUpReading();
    // Waits for the answer to msgid and reads its result, diagnostic and password-policy
    // response; failures to get an answer at all are thrown.
    BindOutcome awaitPolicyOutcome(int msgid, const char* operation);
    [[noreturn]] void throwResult(int rc, const char* operation) const;
    // For a search whose result must be whole: false when its base is missing (no entries);
    // throws -61 when a server limit cut it short, the mapped status on any other failure.
    bool holdsWholeResult(int rc, const std::string& base) const;
    // Throws -16 naming why TLS could not be set up with the server at url.
    [[noreturn]] void tlsFailed(const RuntimeConfig& cfg, const std::string& url) const;
    void count(std::atomic<uint64_t> OperationCounts::*which) const {
        if (m_counts)
            ++(m_counts->*which);
    }
    LDAP* m_ld = nullptr;
    int m_timeout = 30;
    OperationCounts* m_counts = nullptr;
    std::string m_where;  // host:port or URL, for error texts
};

}  // namespace ridge::access

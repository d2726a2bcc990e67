// Operations on an open connection: searches (one request, whole or paged), reads, writes and
// the password modify extended operation.
#include <AccessAPI.h>

#include <algorithm>
#include <cctype>

#include "internal/Ldap.h"
#include "internal/LdapHandles.h"
#include "internal/Status.h"

namespace ridge::access {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
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

// Appends the entries of a search result to into.
void appendEntries(LDAP* ld, LDAPMessage* result, std::vector<LdapEntry>& into) {
    for (LDAPMessage* e = ldap_first_entry(ld, result); e; e = ldap_next_entry(ld, e))
        into.push_back(toEntry(ld, e));
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

// The answer to one search request: libldap's result code and the whole result message.
struct LdapConnection::SearchReply {
    int rc = LDAP_OTHER;
    Message message;
};

LdapConnection::SearchReply LdapConnection::request(const std::string& base, Scope scope,
                                                    const Filter& filter,
                                                    const std::vector<std::string>& attributes,
                                                    LDAPControl** serverControls, int sizeLimit) {
    std::vector<char*> attrs = attributeList(attributes);
    timeval tv{m_timeout, 0};
    LDAPMessage* res = nullptr;
    count(&OperationCounts::searches);
    SearchReply reply;
    reply.rc = ldap_search_ext_s(m_ld, base.c_str(), static_cast<int>(scope), filter.text().c_str(),
                                 attrs.data(), 0, serverControls, nullptr, &tv, sizeLimit, &res);
    reply.message.reset(res);
    return reply;
}

std::vector<LdapEntry> LdapConnection::search(const std::string& base, Scope scope,
                                              const Filter& filter,
                                              const std::vector<std::string>& attributes,
                                              int sizeLimit) {
    SearchReply reply = request(base, scope, filter, attributes, nullptr, sizeLimit);
    if (reply.rc == LDAP_NO_SUCH_OBJECT)
        return {};
    if (reply.rc != LDAP_SUCCESS && reply.rc != LDAP_SIZELIMIT_EXCEEDED)
        throwResult(reply.rc, "search");
    std::vector<LdapEntry> entries;
    appendEntries(m_ld, reply.message.get(), entries);
    return entries;
}

std::optional<std::vector<LdapEntry>> LdapConnection::searchWhole(
    const std::string& base, Scope scope, const Filter& filter,
    const std::vector<std::string>& attributes, int sizeLimit) {
    SearchReply reply = request(base, scope, filter, attributes, nullptr, sizeLimit);
    if (reply.rc == LDAP_NO_SUCH_OBJECT)
        return std::vector<LdapEntry>{};
    if (reply.rc == LDAP_SIZELIMIT_EXCEEDED || reply.rc == LDAP_ADMINLIMIT_EXCEEDED)
        return std::nullopt;
    if (reply.rc != LDAP_SUCCESS)
        throwResult(reply.rc, "search");
    std::vector<LdapEntry> entries;
    appendEntries(m_ld, reply.message.get(), entries);
    return entries;
}

int LdapConnection::send(const std::string& base, Scope scope, const Filter& filter,
                         const std::vector<std::string>& attributes) {
    std::vector<char*> attrs = attributeList(attributes);
    timeval tv{m_timeout, 0};
    int msgid = -1;
    count(&OperationCounts::searches);
    const int rc =
        ldap_search_ext(m_ld, base.c_str(), static_cast<int>(scope), filter.text().c_str(),
                        attrs.data(), 0, nullptr, nullptr, &tv, 0, &msgid);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "search");
    return msgid;
}

std::vector<LdapEntry> LdapConnection::collect(int msgid, const std::string& base) {
    timeval tv{m_timeout, 0};
    LDAPMessage* raw = nullptr;
    int rc = ldap_result(m_ld, msgid, LDAP_MSG_ALL, &tv, &raw);
    Message result(raw);
    if (rc == 0) {
        abandon(msgid);
        fail(AS_ERR_TIMEOUT, "search");
    }
    if (rc < 0) {
        ldap_get_option(m_ld, LDAP_OPT_RESULT_CODE, &rc);
        throwResult(rc, "search");
    }
    int err = LDAP_OTHER;
    rc = ldap_parse_result(m_ld, result.get(), &err, nullptr, nullptr, nullptr, nullptr, 0);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "search");
    if (err == LDAP_NO_SUCH_OBJECT)
        return {};
    if (err == LDAP_SIZELIMIT_EXCEEDED || err == LDAP_ADMINLIMIT_EXCEEDED)
        fail(AS_ERR_SERVER, "the directory server's size limit cut short a search below " + base);
    if (err != LDAP_SUCCESS)
        throwResult(err, "search");
    std::vector<LdapEntry> entries;
    appendEntries(m_ld, result.get(), entries);
    return entries;
}

void LdapConnection::abandon(int msgid) {
    ldap_abandon_ext(m_ld, msgid, nullptr, nullptr);
}

std::vector<LdapEntry> LdapConnection::searchPaged(const std::string& base, Scope scope,
                                                   const Filter& filter,
                                                   const std::vector<std::string>& attributes) {
    // Entries asked for per page: within the page limit servers commonly set (1000), large
    // enough that ordinary listings take one round trip and a whole namespace few.
    constexpr ber_int_t kPageSize = 1000;
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
        SearchReply reply = request(base, scope, filter, attributes, serverControls, 0);
        if (reply.rc == LDAP_NO_SUCH_OBJECT)
            return {};
        if (reply.rc == LDAP_SIZELIMIT_EXCEEDED || reply.rc == LDAP_ADMINLIMIT_EXCEEDED)
            fail(AS_ERR_SERVER,
                 "the directory server's size limit cut short a search below " + base);
        if (reply.rc != LDAP_SUCCESS)
            throwResult(reply.rc, "search");
        appendEntries(m_ld, reply.message.get(), entries);

        LDAPControl** rawControls = nullptr;
        int err = LDAP_SUCCESS;
        int rc = ldap_parse_result(m_ld, reply.message.get(), &err, nullptr, nullptr, nullptr,
                                   &rawControls, 0);
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
    auto entries = search(dn, Scope::Base, Filter::present(schema::kObjectClass), attributes, 1);
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

}  // namespace ridge::access

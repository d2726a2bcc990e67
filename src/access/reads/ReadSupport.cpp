#include "ReadSupport.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "internal/Encoding.h"
#include "internal/Status.h"

namespace ridge::access::reads {

namespace {

// Entries asked for per page: small enough for any server's page limit, large enough that
// ordinary listings take one round trip.
constexpr ber_int_t kPageSize = 500;

struct MessageFree {
    void operator()(LDAPMessage* m) const { ldap_msgfree(m); }
};
struct ControlFree {
    void operator()(LDAPControl* c) const { ldap_control_free(c); }
};
struct ControlsFree {
    void operator()(LDAPControl** c) const { ldap_controls_free(c); }
};
struct MemFree {
    void operator()(char* p) const { ldap_memfree(p); }
};
struct BerFree {
    void operator()(BerElement* b) const { ber_free(b, 0); }
};
struct ValuesFree {
    void operator()(berval** v) const { ldap_value_free_len(v); }
};

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

LdapEntry toEntry(LDAP* ld, LDAPMessage* e) {
    LdapEntry entry;
    std::unique_ptr<char, MemFree> dn(ldap_get_dn(ld, e));
    if (dn)
        entry.dn = dn.get();
    BerElement* rawBer = nullptr;
    std::unique_ptr<char, MemFree> attr(ldap_first_attribute(ld, e, &rawBer));
    std::unique_ptr<BerElement, BerFree> ber(rawBer);
    for (; attr; attr.reset(ldap_next_attribute(ld, e, ber.get()))) {
        std::unique_ptr<berval*, ValuesFree> vals(ldap_get_values_len(ld, e, attr.get()));
        auto& list = entry.attributes[lower(attr.get())];
        for (int i = 0; vals && vals.get()[i]; ++i)
            list.emplace_back(vals.get()[i]->bv_val, vals.get()[i]->bv_len);
    }
    return entry;
}

[[noreturn]] void searchFailed(int rc, const std::string& base) {
    if (rc == LDAP_SIZELIMIT_EXCEEDED || rc == LDAP_ADMINLIMIT_EXCEEDED)
        fail(AS_ERR_SERVER, "the directory server's size limit cut short a search below " + base);
    fail(statusFromLdap(rc), std::string("search below ") + base + ": " + ldap_err2string(rc));
}

}  // namespace

int32_t withSignedOn(AS_Handle h, const std::function<void(Session&)>& body) {
    return withHandle(h, [&](Session& s) {
        s.requireAuthenticated();
        body(s);
        return AS_OK;
    });
}

std::vector<LdapEntry> searchAll(LdapConnection& conn, const std::string& base, Scope scope,
                                 const std::string& filter,
                                 const std::vector<std::string>& attributes) {
    LDAP* ld = conn.get();
    std::vector<char*> attrs;
    for (const auto& a : attributes)
        attrs.push_back(const_cast<char*>(a.c_str()));
    static char kNoAttrs[] = LDAP_NO_ATTRS;
    if (attrs.empty())
        attrs.push_back(kNoAttrs);
    attrs.push_back(nullptr);

    std::vector<LdapEntry> entries;
    std::string cookie;
    do {
        berval cookieBv{static_cast<ber_len_t>(cookie.size()), cookie.data()};
        LDAPControl* rawPage = nullptr;
        // Not critical: a server without paging answers in one piece.
        if (ldap_create_page_control(ld, kPageSize, cookie.empty() ? nullptr : &cookieBv, 0,
                                     &rawPage) != LDAP_SUCCESS)
            fail(AS_ERR_NO_MEMORY, "paged results control");
        std::unique_ptr<LDAPControl, ControlFree> page(rawPage);
        LDAPControl* serverControls[] = {page.get(), nullptr};
        timeval tv{conn.timeoutSeconds(), 0};
        LDAPMessage* rawRes = nullptr;
        int rc = ldap_search_ext_s(ld, base.c_str(), static_cast<int>(scope), filter.c_str(),
                                   attrs.data(), 0, serverControls, nullptr, &tv, 0, &rawRes);
        std::unique_ptr<LDAPMessage, MessageFree> res(rawRes);
        if (rc == LDAP_NO_SUCH_OBJECT)
            return {};
        if (rc != LDAP_SUCCESS)
            searchFailed(rc, base);
        for (LDAPMessage* e = ldap_first_entry(ld, res.get()); e; e = ldap_next_entry(ld, e))
            entries.push_back(toEntry(ld, e));

        LDAPControl** rawControls = nullptr;
        int err = LDAP_SUCCESS;
        rc = ldap_parse_result(ld, res.get(), &err, nullptr, nullptr, nullptr, &rawControls, 0);
        std::unique_ptr<LDAPControl*, ControlsFree> controls(rawControls);
        if (rc != LDAP_SUCCESS)
            searchFailed(rc, base);
        cookie.clear();
        LDAPControl* response =
            ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, controls.get(), nullptr);
        if (response) {
            ber_int_t estimate = 0;
            berval next{0, nullptr};
            if (ldap_parse_pageresponse_control(ld, response, &estimate, &next) != LDAP_SUCCESS)
                fail(AS_ERR_SERVER, "malformed paged results response");
            if (next.bv_val) {
                cookie.assign(next.bv_val, next.bv_len);
                ber_memfree(next.bv_val);
            }
        }
    } while (!cookie.empty());
    return entries;
}

std::vector<AS_ObjectId> sortedIds(const std::vector<LdapEntry>& entries) {
    std::vector<AS_ObjectId> ids;
    ids.reserve(entries.size());
    for (const auto& e : entries)
        if (AS_ObjectId id = Session::idOf(e))
            ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

std::vector<AS_ObjectId> childIds(Session& s, const std::string& dn, int32_t objectType) {
    return sortedIds(
        searchAll(s.ldap(), dn, Scope::One, objectTypeFilter(objectType), {schema::kId}));
}

void writeIdList(const std::vector<AS_ObjectId>& list, uint32_t capacity, AS_ObjectId* ids,
                 uint32_t* count) {
    required(count, "count");
    if (capacity > 0 && !ids)
        fail(AS_ERR_INVALID_ARGUMENT, "ids");
    if (list.size() > UINT32_MAX)
        fail(AS_ERR_INTERNAL, "list too long");
    *count = static_cast<uint32_t>(list.size());
    if (capacity == 0 && !ids)
        return;
    size_t n = std::min<size_t>(capacity, list.size());
    std::copy_n(list.begin(), n, ids);
    if (n < list.size())
        fail(AS_ERR_BUFFER_TOO_SMALL,
             std::to_string(list.size()) + " ids, room for " + std::to_string(capacity));
}

const char* nameAttribute(int32_t objectType) {
    switch (objectType) {
        case AS_OBJ_USER:
        case AS_OBJ_USER_CLASS:
            return "cn";
        case AS_OBJ_USER_FOLDER:
            return "ou";
        default:
            fail(AS_ERR_INVALID_ARGUMENT, "object type " + std::to_string(objectType));
    }
}

std::string callerText(Session& s, const std::string& utf8, size_t maxSize) {
    std::string bytes = s.outBytes(utf8);
    if (bytes.size() < maxSize)
        return bytes;
    std::string cut(maxSize, '\0');
    cut.resize(copyTruncated(s.encoding(), bytes, cut.data(), maxSize));
    return cut;
}

void writeText(Session& s, const std::string& utf8, char* buffer, size_t maxSize) {
    if (!buffer)
        return;
    std::string bytes = callerText(s, utf8, maxSize);
    std::copy(bytes.begin(), bytes.end(), buffer);
    buffer[bytes.size()] = '\0';
}

AS_ObjectId parentIdOfType(Session& s, const std::string& dn, int32_t parentType) {
    auto parent = parentDn(dn);
    if (!parent || parent->empty())
        return 0;
    auto entries =
        s.ldap().search(*parent, Scope::Base, objectTypeFilter(parentType), {schema::kId}, 1);
    return entries.empty() ? 0 : Session::idOf(entries.front());
}

LdapEntry requireUser(Session& s, AS_ObjectId userId, const std::vector<std::string>& attributes) {
    return s.requireById(AS_OBJ_USER, userId, attributes);
}

std::vector<AS_ObjectId> classIdsOfMember(Session& s, const std::string& userDn) {
    std::string filter = "(&" + objectTypeFilter(AS_OBJ_USER_CLASS) +
                         "(uniqueMember=" + escapeFilterValue(userDn) + "))";
    return sortedIds(searchAll(s.ldap(), s.namespaceDn(), Scope::Sub, filter, {schema::kId}));
}

}  // namespace ridge::access::reads

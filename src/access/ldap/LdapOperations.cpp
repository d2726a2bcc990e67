// Operations on an open connection: searches (one request, whole or paged), reads, writes and
// the password modify extended operation.
#include <AccessAPI.h>

#include "BerReader.h"
#include "Ldap.h"
#include "LdapHandles.h"
#include "Status.h"

namespace ridge::access {

namespace {

// Room the first entry of a result gets: the attributes a record of any object type has, with
// room to spare (one allocation per entry).
constexpr size_t kUsualAttributes = 16;

// One entry of a search result. The attribute list is read in place, in one pass: an attribute
// is added only once it was read whole, and a malformed one ends the entry, as libldap's own
// reader (ldap_get_attribute_ber) would. values is scratch room reused from entry to entry.
LdapEntry toEntry(LDAP* ld, LDAPMessage* e, std::vector<std::string_view>& values,
                  size_t expected) {
    LdapEntry entry;
    BerElement* ber = nullptr;
    berval dn{0, nullptr};
    if (ldap_get_dn_ber(ld, e, &ber, &dn) != LDAP_SUCCESS) {
        if (ber)
            ber_free(ber, 0);
        return entry;
    }
    entry.dn.assign(dn.bv_val, dn.bv_len);
    // ldap_get_dn_ber limited the element to the attribute list, which starts with the first
    // attribute; its bytes stay the message's.
    std::string_view list;
    ber_len_t length = 0;
    berval first{0, nullptr};
    if (ber_get_option(ber, LBER_OPT_REMAINING_BYTES, &length) == LBER_OPT_SUCCESS && length > 0 &&
        ber_skip_raw(ber, &first) != LBER_DEFAULT)
        list = std::string_view(first.bv_val, length);
    ber_free(ber, 0);
    // The names and values take fewer bytes than the list that encodes them; room for two
    // values an attribute spares most entries a second allocation (object classes, members).
    entry.attributes.reserve(expected, 2 * expected, list.size());
    BerReader attributes(list);
    while (!attributes.atEnd()) {
        const auto attribute = attributes.next();  // SEQUENCE { type, SET OF value }
        if (!attribute)
            break;
        BerReader parts(*attribute);
        const auto name = parts.next();
        const auto set = parts.next();
        if (!name || !set || name->empty())
            break;
        values.clear();
        BerReader reader(*set);
        bool whole = true;
        while (whole && !reader.atEnd()) {
            const auto value = reader.next();
            whole = value.has_value();
            if (whole)
                values.push_back(*value);
        }
        if (!whole)
            break;
        entry.attributes.add(*name, values);
    }
    return entry;
}

// Appends the entries of a search result to into.
void appendEntries(LDAP* ld, LDAPMessage* result, std::vector<LdapEntry>& into) {
    const int count = ldap_count_entries(ld, result);
    // Grown at least twofold: the pages of a paged search each append to the same vector, and
    // room for just one more page each time moved every entry before it again (quadratic).
    if (const size_t needed = into.size() + static_cast<size_t>(std::max(count, 0));
        needed > into.capacity())
        into.reserve(std::max(needed, 2 * into.capacity()));
    std::vector<std::string_view> values;  // reused for every attribute
    // The entries of one result mostly carry the same attributes: each is given room for as many
    // as the one before (a hundred thousand names would otherwise each hold room for a record).
    size_t expected = kUsualAttributes;
    for (LDAPMessage* e = ldap_first_entry(ld, result); e; e = ldap_next_entry(ld, e)) {
        into.push_back(toEntry(ld, e, values, expected));
        expected = std::max<size_t>(into.back().attributes.size(), 1);
    }
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

// The answer to one search request: libldap's result code and the whole result message.
struct LdapConnection::SearchReply {
    int rc = LDAP_OTHER;
    Message message;
};

int LdapConnection::sendRequest(const std::string& base, Scope scope, const Filter& filter,
                                const std::vector<std::string>& attributes,
                                LDAPControl** serverControls, int sizeLimit) {
    std::vector<char*> attrs = attributeList(attributes);
    timeval tv{m_timeout, 0};
    int msgid = -1;
    count(&OperationCounts::searches);
    const int rc =
        ldap_search_ext(m_ld, base.c_str(), static_cast<int>(scope), filter.text().c_str(),
                        attrs.data(), 0, serverControls, nullptr, &tv, sizeLimit, &msgid);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "search");
    return msgid;
}

LdapConnection::SearchReply LdapConnection::awaitReply(int msgid) {
    timeval tv{m_timeout, 0};
    LDAPMessage* raw = nullptr;
    const int rc = ldap_result(m_ld, msgid, LDAP_MSG_ALL, &tv, &raw);
    SearchReply reply;
    reply.message.reset(raw);
    if (rc == 0) {
        abandon(msgid);  // the server need not go on with an answer nobody reads
        reply.rc = LDAP_TIMEOUT;
    } else if (rc < 0) {
        ldap_get_option(m_ld, LDAP_OPT_RESULT_CODE, &reply.rc);
    } else {
        const int parsed =
            ldap_parse_result(m_ld, raw, &reply.rc, nullptr, nullptr, nullptr, nullptr, 0);
        if (parsed != LDAP_SUCCESS)
            reply.rc = parsed;
    }
    return reply;
}

LdapConnection::SearchReply LdapConnection::request(const std::string& base, Scope scope,
                                                    const Filter& filter,
                                                    const std::vector<std::string>& attributes,
                                                    LDAPControl** serverControls, int sizeLimit) {
    return awaitReply(sendRequest(base, scope, filter, attributes, serverControls, sizeLimit));
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

LdapConnection::WholeAnswer LdapConnection::awaitWhole(int msgid) {
    SearchReply reply = awaitReply(msgid);
    WholeAnswer answer;
    if (reply.rc == LDAP_NO_SUCH_OBJECT || reply.rc == LDAP_ASSERTION_FAILED)
        answer.outcome = WholeAnswer::Outcome::NoBase;
    else if (reply.rc == LDAP_SIZELIMIT_EXCEEDED || reply.rc == LDAP_ADMINLIMIT_EXCEEDED)
        answer.outcome = WholeAnswer::Outcome::CutShort;
    else if (reply.rc != LDAP_SUCCESS)
        throwResult(reply.rc, "search");
    else
        appendEntries(m_ld, reply.message.get(), answer.entries);
    return answer;
}

int LdapConnection::send(const std::string& base, Scope scope, const Filter& filter,
                         const std::vector<std::string>& attributes, int sizeLimit,
                         const Filter* baseAssertion) {
    if (!baseAssertion)
        return sendRequest(base, scope, filter, attributes, nullptr, sizeLimit);
    LDAPControl* rawAssertion = nullptr;
    // Critical: a server that cannot check it must refuse the search rather than ignore it.
    if (ldap_create_assertion_control(m_ld, const_cast<char*>(baseAssertion->text().c_str()), 1,
                                      &rawAssertion) != LDAP_SUCCESS)
        fail(AS_ERR_NO_MEMORY, "assertion control");
    Control assertion(rawAssertion);
    LDAPControl* serverControls[] = {assertion.get(), nullptr};
    return sendRequest(base, scope, filter, attributes, serverControls, sizeLimit);
}

bool LdapConnection::holdsWholeResult(int rc, const std::string& base) const {
    if (rc == LDAP_NO_SUCH_OBJECT)
        return false;
    if (rc == LDAP_SIZELIMIT_EXCEEDED || rc == LDAP_ADMINLIMIT_EXCEEDED)
        fail(AS_ERR_SERVER, "the directory server's size limit cut short a search below " + base);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "search");
    return true;
}

std::optional<LdapEntry> LdapConnection::nextEntry(int msgid, const std::string& base,
                                                   size_t& expected) {
    for (;;) {
        timeval tv{m_timeout, 0};
        LDAPMessage* raw = nullptr;
        int rc = ldap_result(m_ld, msgid, LDAP_MSG_ONE, &tv, &raw);
        Message message(raw);
        if (rc == 0) {
            abandon(msgid);
            fail(AS_ERR_TIMEOUT, "search");
        }
        if (rc < 0) {
            ldap_get_option(m_ld, LDAP_OPT_RESULT_CODE, &rc);
            throwResult(rc, "search");
        }
        if (rc == LDAP_RES_SEARCH_ENTRY) {
            std::vector<std::string_view> values;
            LdapEntry entry = toEntry(m_ld, message.get(), values, expected);
            expected = std::max<size_t>(entry.attributes.size(), 1);
            return entry;
        }
        if (rc == LDAP_RES_SEARCH_RESULT) {
            int err = LDAP_OTHER;
            rc =
                ldap_parse_result(m_ld, message.get(), &err, nullptr, nullptr, nullptr, nullptr, 0);
            if (rc != LDAP_SUCCESS)
                throwResult(rc, "search");
            holdsWholeResult(err, base);
            return std::nullopt;
        }
        // A reference or an intermediate response carries no entry.
    }
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
    const auto sendPage = [&](const std::string& cookie) {
        berval cookieBv{static_cast<ber_len_t>(cookie.size()), const_cast<char*>(cookie.data())};
        LDAPControl* rawPage = nullptr;
        // Not critical: a server without paging answers in one piece.
        if (ldap_create_page_control(m_ld, kPageSize, cookie.empty() ? nullptr : &cookieBv, 0,
                                     &rawPage) != LDAP_SUCCESS)
            fail(AS_ERR_NO_MEMORY, "paged results control");
        Control page(rawPage);
        LDAPControl* serverControls[] = {page.get(), nullptr};
        return sendRequest(base, scope, filter, attributes, serverControls, 0);
    };
    std::vector<LdapEntry> entries;
    int msgid = sendPage({});
    for (;;) {
        SearchReply reply = awaitReply(msgid);
        if (!holdsWholeResult(reply.rc, base))
            return {};
        const std::string cookie = nextPageCookie(reply.message.get());
        if (cookie.empty()) {
            appendEntries(m_ld, reply.message.get(), entries);
            return entries;
        }
        // The next page is asked for before this one's entries are taken apart, so that the
        // server finds it while the client works.
        msgid = sendPage(cookie);
        try {
            appendEntries(m_ld, reply.message.get(), entries);
        } catch (...) {
            abandon(msgid);
            throw;
        }
    }
}

std::string LdapConnection::nextPageCookie(LDAPMessage* result) const {
    LDAPControl** rawControls = nullptr;
    int err = LDAP_SUCCESS;
    const int rc =
        ldap_parse_result(m_ld, result, &err, nullptr, nullptr, nullptr, &rawControls, 0);
    Controls controls(rawControls);
    if (rc != LDAP_SUCCESS)
        throwResult(rc, "search");
    LDAPControl* response = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, controls.get(), nullptr);
    if (!response)
        return {};
    ber_int_t estimate = 0;
    berval next{0, nullptr};
    if (ldap_parse_pageresponse_control(m_ld, response, &estimate, &next) != LDAP_SUCCESS)
        fail(AS_ERR_SERVER, "malformed paged results response");
    std::string cookie;
    if (next.bv_val) {
        cookie.assign(next.bv_val, next.bv_len);
        ber_memfree(next.bv_val);
    }
    return cookie;
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

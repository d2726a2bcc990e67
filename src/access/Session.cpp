#include "internal/Session.h"

#include <strings.h>

#include <charconv>

#include "internal/Encoding.h"
#include "internal/Settings.h"
#include "internal/Status.h"

namespace ridge::access {

std::string objectTypeFilter(int32_t objectType) {
    switch (objectType) {
        case AS_OBJ_USER:
            return "(objectClass=ridgeUser)";
        case AS_OBJ_USER_CLASS:
            return "(objectClass=ridgeClass)";
        case AS_OBJ_USER_FOLDER:
            return "(objectClass=ridgeFolder)";
        default:
            fail(AS_ERR_INVALID_ARGUMENT, "object type " + std::to_string(objectType));
    }
}

int32_t notFoundStatus(int32_t objectType) {
    switch (objectType) {
        case AS_OBJ_USER:
            return AS_ERR_USER_NOT_FOUND;
        case AS_OBJ_USER_FOLDER:
            return AS_ERR_FOLDER_NOT_FOUND;
        default:
            return AS_ERR_OBJECT_NOT_FOUND;
    }
}

Session::Session(AS_Handle id, RuntimeConfig cfg, std::string encoding,
                 std::shared_ptr<const ServiceIdentity> service)
    : m_id(id),
      m_config(std::move(cfg)),
      m_encoding(std::move(encoding)),
      m_serviceIdentity(std::move(service)) {}

Session::~Session() = default;

std::unique_ptr<LdapConnection> Session::connect() const {
    return std::make_unique<LdapConnection>(m_config);
}

std::unique_ptr<LdapConnection> Session::connectService() const {
    if (!m_serviceIdentity)
        return connect();
    auto conn = std::make_unique<LdapConnection>(m_config, m_serviceIdentity->url);
    if (m_serviceIdentity->saslExternal)
        conn->bindExternal();
    else if (!m_serviceIdentity->bindDn.empty())
        conn->bindOrThrow(m_serviceIdentity->bindDn, m_serviceIdentity->password);
    return conn;
}

LdapConnection& Session::ldap() {
    if (!m_main) {
        m_main = connectService();
        m_mainIsUser = false;
    }
    return *m_main;
}

LdapConnection& Session::service() {
    if (!m_mainIsUser)
        return ldap();
    if (!m_service)
        m_service = connectService();
    return *m_service;
}

std::string Session::namespaceName() const {
    if (!m_namespace.empty())
        return m_namespace;
    return toUtf8(m_encoding, m_config.defaultNamespace);
}

std::string Session::namespaceDnFor(const std::string& nameUtf8) const {
    if (nameUtf8.empty())
        fail(AS_ERR_NAMESPACE_NOT_FOUND, "no namespace named");
    return childDn("ou", nameUtf8, m_config.baseDn);
}

std::string Session::namespaceDn() {
    return requireNamespace(namespaceName());
}

std::string Session::requireNamespace(const std::string& nameUtf8) {
    std::string dn = namespaceDnFor(nameUtf8);
    if (dn != m_checkedNamespaceDn) {
        auto entry = service().read(dn, {"objectClass"});
        bool isNamespace = false;
        if (entry)
            for (const auto& oc : entry->values("objectClass"))
                if (strcasecmp(oc.c_str(), schema::kNamespaceClass) == 0)
                    isNamespace = true;
        if (!isNamespace)
            fail(AS_ERR_NAMESPACE_NOT_FOUND, nameUtf8);
        m_checkedNamespaceDn = dn;
    }
    return dn;
}

std::string Session::inText(const char* text, const char* what) const {
    if (!text)
        fail(AS_ERR_INVALID_ARGUMENT, what);
    return toUtf8(m_encoding, text);
}

std::optional<std::string> Session::inOptionalText(const char* text) const {
    if (!text || !*text)
        return std::nullopt;
    return toUtf8(m_encoding, text);
}

void Session::outText(const std::string& utf8, char* buffer, size_t size) const {
    if (!buffer)
        return;
    copyTruncated(m_encoding, fromUtf8(m_encoding, utf8), buffer, size);
}

std::string Session::outBytes(const std::string& utf8) const {
    return fromUtf8(m_encoding, utf8);
}

void Session::requireAuthenticated() const {
    if (!authenticated())
        fail(AS_ERR_NOT_AUTHENTICATED);
}

std::optional<LdapEntry> Session::findById(int32_t objectType, AS_ObjectId id,
                                           const std::vector<std::string>& attributes) {
    std::string filter =
        "(&" + objectTypeFilter(objectType) + "(" + schema::kId + "=" + std::to_string(id) + "))";
    if (id == 0)
        return std::nullopt;
    auto entries = ldap().search(namespaceDn(), Scope::Sub, filter, attributes, 2);
    if (entries.size() > 1)
        fail(AS_ERR_AMBIGUOUS, "id " + std::to_string(id));
    if (entries.empty())
        return std::nullopt;
    return std::move(entries.front());
}

LdapEntry Session::requireById(int32_t objectType, AS_ObjectId id,
                               const std::vector<std::string>& attributes) {
    auto e = findById(objectType, id, attributes);
    if (!e)
        fail(notFoundStatus(objectType), "id " + std::to_string(id));
    return std::move(*e);
}

AS_ObjectId Session::idOf(const LdapEntry& entry) {
    std::string v = entry.value(schema::kId);
    uint64_t n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (v.empty() || ec != std::errc() || end != v.data() + v.size() || n > UINT32_MAX)
        return 0;
    return static_cast<AS_ObjectId>(n);
}

AS_ObjectId Session::idOfDn(const std::string& dn) {
    auto entry = ldap().read(dn, {schema::kId});
    return entry ? idOf(*entry) : 0;
}

void Session::setError(int32_t code, std::string detail) {
    m_errorCode = code;
    m_errorDetail = std::move(detail);
}

void Session::signIn(std::unique_ptr<LdapConnection> userConnection, const std::string& nsUtf8,
                     AS_ObjectId userId, const std::string& userDn,
                     std::optional<AS_ObjectId> classId) {
    if (userConnection) {
        // The service connection (if the main one was it) stays for service work.
        if (!m_mainIsUser && m_main)
            m_service = std::move(m_main);
        m_main = std::move(userConnection);
        m_mainIsUser = true;
    } else if (m_mainIsUser) {
        // Signed on without a password: back to the service identity for reads.
        m_main = std::move(m_service);
        m_mainIsUser = false;
    }
    m_namespace = nsUtf8;
    m_userId = userId;
    m_userDn = userDn;
    m_userClassId = classId;
}

void Session::connectionLost() {
    if (!m_mainIsUser)
        m_main.reset();
    m_service.reset();
    m_checkedNamespaceDn.clear();
}

void Session::signOut() {
    m_main.reset();
    m_service.reset();
    m_mainIsUser = false;
    m_namespace.clear();
    m_checkedNamespaceDn.clear();
    m_userId = 0;
    m_userDn.clear();
    m_userClassId.reset();
}

}  // namespace ridge::access

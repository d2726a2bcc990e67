#include "ConfigurationCheck.h"

#include <AccessAPI.h>
#include <strings.h>

#include <string>
#include <vector>

#include "Api.h"
#include "Process.h"
#include "Session.h"
#include "Status.h"

namespace ridge::access {

namespace {

// True when one of the schema definitions ("( oid NAME 'x' ... )") names `name`.
bool defines(LdapAttributes::Values definitions, const std::string& name) {
    const std::string single = "'" + name + "'";
    for (const std::string_view definition : definitions) {
        for (size_t at = definition.find('\''); at != std::string_view::npos;
             at = definition.find('\'', at + 1)) {
            if (definition.size() - at >= single.size() &&
                strncasecmp(definition.data() + at, single.c_str(), single.size()) == 0)
                return true;
        }
    }
    return false;
}

// The Ridge names the server's subschema lacks, comma-separated ("" when none).
std::string missingSchema(LdapConnection& ldap) {
    auto root = ldap.read("", {schema::kSubschemaSubentry});
    std::string subschemaDn(root ? root->value(schema::kSubschemaSubentry) : std::string_view());
    if (subschemaDn.empty())
        subschemaDn = "cn=Subschema";
    auto subschema = ldap.read(subschemaDn, {schema::kObjectClasses, schema::kAttributeTypes});
    if (!subschema)
        failBecause(AS_ERR_SERVER, "schema", subschemaDn + " cannot be read");
    std::string missing;
    auto need = [&](LdapAttributes::Values definitions, const char* name) {
        if (!defines(definitions, name))
            missing += (missing.empty() ? "" : ", ") + std::string(name);
    };
    for (const char* objectClass :
         {schema::kNamespaceClass, schema::kUserClass, schema::kFolderClass, schema::kClassClass,
          schema::kTicketClass})
        need(subschema->values(schema::kObjectClasses), objectClass);
    for (const char* attribute : {schema::kId, schema::kTicketId, schema::kTicketExpiry})
        need(subschema->values(schema::kAttributeTypes), attribute);
    return missing;
}

}  // namespace

void checkConfiguration(const RuntimeConfig& cfg, int32_t level) {
    Process& process = Process::instance();
    // A session of its own, never registered: it connects (to the first server of the list that
    // answers), binds and reads exactly as a handle would.
    // Its connections are its own too: a check connects, whatever the pool holds.
    auto identity = process.serviceIdentityFor(cfg);
    Session probe(0, cfg, process.encoding(), identity,
                  std::make_shared<ConnectionPool>(cfg, identity, PoolSizes{1, 1}));
    if (level < 3) {
        auto lease = probe.checkoutForBinds();
        probe.open(lease);
        setThreadServer(probe.currentServer());
        return;
    }
    LdapConnection& service = probe.service();
    setThreadServer(probe.currentServer());
    if (level == 6) {
        std::string missing = missingSchema(service);
        if (!missing.empty())
            failBecause(AS_ERR_SERVER, "schema", missing);
        return;
    }
    if (level >= 4 && !service.read(cfg.baseDn, {schema::kObjectClass}))
        failBecause(AS_ERR_OBJECT_NOT_FOUND, "base", cfg.baseDn);
    if (level >= 5)
        probe.namespaceDn();
}

}  // namespace ridge::access

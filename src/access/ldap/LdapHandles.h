// Owners of what libldap allocates, shared by the connection, operation and DN code.
#pragma once

#include <ldap.h>

#include <memory>
#include <string>

namespace ridge::access {

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

// A view of s for libldap calls that take a berval and do not keep it.
inline berval toBerval(const std::string& s) {
    return berval{static_cast<ber_len_t>(s.size()), const_cast<char*>(s.data())};
}

}  // namespace ridge::access

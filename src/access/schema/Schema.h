// The names the library uses in the directory: the Ridge schema's (data/ldap/ridge.schema) and
// the standard attributes it reads. Code names attributes and classes through these only.
#pragma once

namespace ridge::access::schema {

// Object classes.
inline constexpr const char* kObjectClass = "objectClass";  // the attribute naming them
inline constexpr const char* kUserClass = "ridgeUser";
inline constexpr const char* kFolderClass = "ridgeFolder";
inline constexpr const char* kClassClass = "ridgeClass";
inline constexpr const char* kNamespaceClass = "ridgeNamespace";
inline constexpr const char* kTicketClass = "ridgeTicket";

// Every Ridge object: its number.
inline constexpr const char* kId = "ridgeId";

// Naming and description (standard attributes): users and classes are named by cn, folders and
// namespaces by ou; a user's basic sign-on name is uid.
inline constexpr const char* kCommonName = "cn";
inline constexpr const char* kUnitName = "ou";
inline constexpr const char* kSignonName = "uid";
inline constexpr const char* kDescription = "description";
inline constexpr const char* kMail = "mail";
inline constexpr const char* kTelephone = "telephoneNumber";
inline constexpr const char* kGivenName = "givenName";
inline constexpr const char* kSurname = "sn";

// Users.
inline constexpr const char* kContentLocale = "ridgeContentLocale";
inline constexpr const char* kProductLocale = "ridgeProductLocale";
inline constexpr const char* kBasicSignonId = "ridgeBasicSignonId";
inline constexpr const char* kOSSignon = "ridgeOSSignon";
inline constexpr const char* kDatabaseSignon = "ridgeDatabaseSignon";
inline constexpr const char* kPrivileges = "ridgePrivileges";
inline constexpr const char* kAccountDisabled = "ridgeAccountDisabled";
// Set by the password policy overlay while the account is locked.
inline constexpr const char* kLockedTime = "pwdAccountLockedTime";

// Classes: their members (user DNs).
inline constexpr const char* kMember = "uniqueMember";
// The DN of an entry as an attribute (operational), to find entries by DN in one search.
inline constexpr const char* kEntryDn = "entryDN";

// Namespaces.
inline constexpr const char* kAuthModes = "ridgeAuthModes";

// Tickets, below ou=<kTicketContainer> of their namespace, named by kTicketId.
inline constexpr const char* kTicketContainer = "tickets";
inline constexpr const char* kTicketId = "ridgeTicketId";
inline constexpr const char* kTicketOwner = "ridgeTicketOwner";
inline constexpr const char* kTicketUserClass = "ridgeTicketClass";
inline constexpr const char* kTicketIssued = "ridgeTicketIssued";
inline constexpr const char* kTicketExpiry = "ridgeTicketExpiry";

// Where the server publishes its schema, and what the schema check reads of it.
inline constexpr const char* kSubschemaSubentry = "subschemaSubentry";
inline constexpr const char* kObjectClasses = "objectClasses";
inline constexpr const char* kAttributeTypes = "attributeTypes";

}  // namespace ridge::access::schema

// The generic identifier "$VOR_AAA_AuthRidge": the namespace a logon addressed to it is meant
// for, and the comparison of two directory distinguished names (RDN by RDN, ignoring case and
// the blanks and quotes around values) that the match uses.
#pragma once

#include <I18NString.h>

#include <cstdint>
#include <memory>
#include <string>

class NamespaceBase;
class ProviderBase;
class VOR_AAA_BiBusHeader;

inline constexpr const char* kGenericNamespaceIdentifier = "$VOR_AAA_AuthRidge";

// For the generic identifier: the first registered namespace that claims the document (status
// -50); otherwise the namespace registered under the identifier. Null when none.
std::shared_ptr<NamespaceBase> LookupNamespaceForAuthentication(const ProviderBase& provider,
                                                                const I18NString& identifier,
                                                                VOR_AAA_BiBusHeader& document,
                                                                int32_t& status);

bool DirectoryDNsEqual(const std::string& dn, const std::string& otherDN);

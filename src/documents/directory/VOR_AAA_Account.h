// VOR_AAA_Account: a directory user as a query-response object ("cm:account").
//
// Usage:
//   account.StringProperty("email").Set("ann@example.org");   // one of the ten names below
//   account.ContentLocale().Set("en-us");
// Written after the common properties: the string properties in name order, then parameters,
// contentLocale, productLocale.
#pragma once

#include "VOR_AAA_BaseClass.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <string>

class VOR_AAA_Account : public VOR_AAA_BaseClass {
public:
    static constexpr size_t kStringPropertyCount = 10;

    // Provided (not defaulted here), so that make_unique does not clear the whole object before
    // constructing it.
    VOR_AAA_Account();

    VOR_AAA_ObjectType GetObjectType() const override { return kVOR_AAA_User; }

    // Whether name is one of businessPhone, email, faxPhone, givenName, homePhone, mobilePhone,
    // pagerPhone, postalAddress, surname, userName.
    static bool IsStringPropertyName(const std::string& name);

    // The string property of that name, created on first use; a name outside the list above
    // fails an assertion.
    VOR_AAA_Type_StringProp& StringProperty(const std::string& name);
    // The property when it was created, else null.
    const VOR_AAA_Type_StringProp* FindStringProperty(const std::string& name) const;

    VOR_AAA_Type_ParameterValueArrayProp& Parameters() { return m_parameters; }
    VOR_AAA_Type_LanguageProp& ContentLocale() { return m_contentLocale; }
    VOR_AAA_Type_LanguageProp& ProductLocale() { return m_productLocale; }
    const VOR_AAA_Type_ParameterValueArrayProp& Parameters() const { return m_parameters; }
    const VOR_AAA_Type_LanguageProp& ContentLocale() const { return m_contentLocale; }
    const VOR_AAA_Type_LanguageProp& ProductLocale() const { return m_productLocale; }

protected:
    void WriteClassProperties(std::ostream& out, bool withSchema) const override;
    bool GetFilterValues(const std::string& name, std::vector<std::string>& values) const override;

private:
    // Held in the object, one slot per name in name order: an account of a listing page is
    // built, written and dropped in a moment, and a node per property was most of its cost.
    std::array<VOR_AAA_Type_StringProp, kStringPropertyCount> m_strings;
    std::bitset<kStringPropertyCount> m_created;
    VOR_AAA_Type_ParameterValueArrayProp m_parameters;
    VOR_AAA_Type_LanguageProp m_contentLocale;
    VOR_AAA_Type_LanguageProp m_productLocale;
};

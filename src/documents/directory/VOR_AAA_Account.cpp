#include "VOR_AAA_Account.h"

#include "PYXThrowable.h"

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 10> kStringPropertyNames = {
    "businessPhone", "email",      "faxPhone",      "givenName", "homePhone",
    "mobilePhone",   "pagerPhone", "postalAddress", "surname",   "userName"};

}  // namespace

bool VOR_AAA_Account::IsStringPropertyName(const std::string& name) {
    for (std::string_view known : kStringPropertyNames) {
        if (known == name) {
            return true;
        }
    }
    return false;
}

VOR_AAA_Type_StringProp& VOR_AAA_Account::StringProperty(const std::string& name) {
    PYX_ASSERT(IsStringPropertyName(name));
    return m_strings[name];
}

const VOR_AAA_Type_StringProp* VOR_AAA_Account::FindStringProperty(const std::string& name) const {
    auto found = m_strings.find(name);
    return found == m_strings.end() ? nullptr : &found->second;
}

void VOR_AAA_Account::WriteClassProperties(std::ostream& out, bool withSchema) const {
    for (const auto& [name, property] : m_strings) {
        property.Write(out, name, withSchema);
    }
    m_parameters.Write(out, "parameters", withSchema);
    m_contentLocale.Write(out, "contentLocale", withSchema);
    m_productLocale.Write(out, "productLocale", withSchema);
}

bool VOR_AAA_Account::GetFilterValues(const std::string& name,
                                      std::vector<std::string>& values) const {
    if (const VOR_AAA_Type_StringProp* property = FindStringProperty(name)) {
        if (!property->IsSet()) {
            return false;
        }
        values.push_back(property->Get());
        return true;
    }
    const VOR_AAA_Type_LanguageProp* locale = name == "contentLocale"   ? &m_contentLocale
                                              : name == "productLocale" ? &m_productLocale
                                                                        : nullptr;
    if (locale != nullptr) {
        if (!locale->IsSet()) {
            return false;
        }
        values.push_back(locale->Get());
        return true;
    }
    return VOR_AAA_BaseClass::GetFilterValues(name, values);
}

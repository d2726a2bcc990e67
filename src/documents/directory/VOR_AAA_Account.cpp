#include "VOR_AAA_Account.h"

#include "PYXThrowable.h"

#include <array>
#include <string_view>

namespace {

// In name order: the order they are written in.
constexpr auto kStringPropertyNames = std::to_array<std::string_view>(
    {"businessPhone", "email", "faxPhone", "givenName", "homePhone", "mobilePhone", "pagerPhone",
     "postalAddress", "surname", "userName"});
static_assert(kStringPropertyNames.size() == VOR_AAA_Account::kStringPropertyCount);

// The slot of a string property name; kStringPropertyNames.size() when it is none of them.
size_t stringPropertySlot(std::string_view name) {
    size_t slot = 0;
    while (slot < kStringPropertyNames.size() && kStringPropertyNames[slot] != name) {
        ++slot;
    }
    return slot;
}

}  // namespace

VOR_AAA_Account::VOR_AAA_Account() = default;

bool VOR_AAA_Account::IsStringPropertyName(const std::string& name) {
    return stringPropertySlot(name) < kStringPropertyNames.size();
}

VOR_AAA_Type_StringProp& VOR_AAA_Account::StringProperty(const std::string& name) {
    const size_t slot = stringPropertySlot(name);
    PYX_ASSERT(slot < kStringPropertyNames.size());
    m_created.set(slot);
    return m_strings[slot];
}

const VOR_AAA_Type_StringProp* VOR_AAA_Account::FindStringProperty(const std::string& name) const {
    const size_t slot = stringPropertySlot(name);
    return slot < kStringPropertyNames.size() && m_created.test(slot) ? &m_strings[slot] : nullptr;
}

void VOR_AAA_Account::WriteClassProperties(std::ostream& out, bool withSchema) const {
    for (size_t slot = 0; slot < kStringPropertyNames.size(); ++slot) {
        m_strings[slot].Write(out, kStringPropertyNames[slot], withSchema);
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

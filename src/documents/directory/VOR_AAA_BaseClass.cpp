#include "VOR_AAA_BaseClass.h"

#include "VOR_AAA_Account.h"
#include "VOR_AAA_BaseClassWithMembers.h"
#include "VOR_AAA_Namespace.h"
#include "VOR_AAA_SearchFilter.h"
#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

#include <new>

std::string_view VOR_AAA_ClassWord(VOR_AAA_ObjectType type) {
    switch (type) {
        case kVOR_AAA_User:
            return "account";
        case kVOR_AAA_Group:
            return "group";
        case kVOR_AAA_Role:
            return "role";
        case kVOR_AAA_DistributionList:
            return "distributionList";
        case kVOR_AAA_Namespace:
            return "namespace";
        case kVOR_AAA_NamespaceFolder:
            return "namespaceFolder";
        case kVOR_AAA_BaseClass:
        case kVOR_AAA_Unknown:
            break;
    }
    return {};
}

VOR_AAA_BaseClassPtr VOR_AAA_CreateObject(VOR_AAA_ObjectType type) {
    switch (type) {
        case kVOR_AAA_User:
            return std::make_unique<VOR_AAA_Account>();
        case kVOR_AAA_Group:
            return std::make_unique<VOR_AAA_Group>();
        case kVOR_AAA_Role:
            return std::make_unique<VOR_AAA_Role>();
        case kVOR_AAA_DistributionList:
            return std::make_unique<VOR_AAA_DistributionList>();
        case kVOR_AAA_Namespace:
            return std::make_unique<VOR_AAA_Namespace>();
        case kVOR_AAA_NamespaceFolder:
            return std::make_unique<VOR_AAA_NamespaceFolder>();
        case kVOR_AAA_BaseClass:
            return std::make_unique<VOR_AAA_BaseClass>();
        case kVOR_AAA_Unknown:
            break;
    }
    return nullptr;
}

void VOR_AAA_BaseClass::SetObjectClass() {
    m_objectClass.Set(std::string(VOR_AAA_ClassWord(GetObjectType())));
}

void VOR_AAA_BaseClass::WriteAsResultItem(std::ostream& out, bool withSchema) const {
    const std::string_view word = VOR_AAA_ClassWord(GetObjectType());
    WriteMarkup("<item xsi:type=\"cm:", out);
    WriteMarkup((word.empty() ? "baseClass" : word), out);
    WriteMarkup("\" searchPath=\"", out);
    WriteEscapedText(VOR_AAA_VORID::EscapeDelimiters(m_searchPath.Get()), out);
    WriteMarkup("\">", out);
    writeCommonProperties(out, withSchema);
    WriteClassProperties(out, withSchema);
    WriteMarkup("</item>", out);
}

void VOR_AAA_BaseClass::WriteAsSecurityObject(std::ostream& out, bool withSchema) const {
    const std::string_view word = VOR_AAA_ClassWord(GetObjectType());
    WriteMarkup("<securityObject xsi:type=\"cm:", out);
    WriteMarkup((word.empty() ? "baseClass" : word), out);
    WriteMarkup("\">", out);
    writeCommonProperties(out, withSchema);
    WriteClassProperties(out, withSchema);
    WriteMarkup("</securityObject>", out);
}

void VOR_AAA_BaseClass::writeCommonProperties(std::ostream& out, bool withSchema) const {
    m_hasChildren.Write(out, "hasChildren", withSchema);
    m_defaultName.Write(out, "defaultName", withSchema);
    m_name.Write(out, "name", withSchema);
    m_objectClass.Write(out, "objectClass", withSchema);
    m_ancestors.Write(out, "ancestors", withSchema);
    m_searchPath.Write(out, "searchPath", withSchema);
    m_defaultDescription.Write(out, "defaultDescription", withSchema);
    m_description.Write(out, "description", withSchema);
}

void VOR_AAA_BaseClass::WriteClassProperties(std::ostream&, bool) const {}

bool VOR_AAA_BaseClass::GetFilterValues(const std::string& name,
                                        std::vector<std::string>& values) const {
    auto single = [&values](const auto& property, std::string text) {
        if (!property.IsSet()) {
            return false;
        }
        values.push_back(std::move(text));
        return true;
    };
    auto localized = [&values](const VOR_AAA_Type_MultilingualStringProp& property) {
        if (!property.IsSet()) {
            return false;
        }
        for (const VOR_AAA_LocalizedText& text : property.Get()) {
            values.push_back(text.text);
        }
        return true;
    };
    if (name == "name")
        return localized(m_name);
    if (name == "description")
        return localized(m_description);
    if (name == "defaultName")
        return single(m_defaultName, m_defaultName.Get());
    if (name == "defaultDescription")
        return single(m_defaultDescription, m_defaultDescription.Get());
    if (name == "searchPath")
        return single(m_searchPath, m_searchPath.Get());
    if (name == "hasChildren")
        return single(m_hasChildren, m_hasChildren.Get() ? "true" : "false");
    return false;
}

bool VOR_AAA_BaseClass::PassesFilters(const std::vector<std::string>& predicates,
                                      const std::string& contentLocale) const {
    VOR_AAA_SearchFilter filter;
    filter.Parse(predicates, eSFAllOperations);
    const std::string classWord(VOR_AAA_ClassWord(GetObjectType()));
    std::vector<std::string> values;
    for (const VOR_AAA_SearchFilter::Group& group : filter.GetGroups()) {
        bool groupHolds = false;
        for (const VOR_AAA_SearchFilter::Component& component : group) {
            if (component.name == "objectClass") {
                groupHolds = propertyMatchesFilter(component.value, component.operation, classWord,
                                                   true, contentLocale.c_str());
            } else {
                values.clear();
                if (GetFilterValues(component.name, values)) {
                    for (const std::string& value : values) {
                        if (propertyMatchesFilter(component.value, component.operation, value,
                                                  false, contentLocale.c_str())) {
                            groupHolds = true;
                            break;
                        }
                    }
                }
            }
            if (groupHolds) {
                break;
            }
        }
        if (!groupHolds) {
            return false;
        }
    }
    return true;
}

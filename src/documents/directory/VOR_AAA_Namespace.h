// VOR_AAA_Namespace and VOR_AAA_NamespaceFolder: the namespace object and its folders.
//
// Usage:
//   ns.Capabilities().Set({"startsWith", "endsWith", "contains", "equals", "caseSensitive"});
//   if (ns.PassesFilters(path.GetPredicates(), contentLocale)) response.AddObject(...);
// The namespace writes, after the common properties, capabilities and then its conformance
// properties under the element name "comformanceProperties" (the schema's spelling).
#pragma once

#include "VOR_AAA_BaseClass.h"

class VOR_AAA_Namespace : public VOR_AAA_BaseClass {
public:
    VOR_AAA_ObjectType GetObjectType() const override { return kVOR_AAA_Namespace; }

    VOR_AAA_Type_StringArrayProp& Capabilities() { return m_capabilities; }
    VOR_AAA_Type_StringArrayProp& ConformanceProperties() { return m_conformanceProperties; }
    const VOR_AAA_Type_StringArrayProp& Capabilities() const { return m_capabilities; }
    const VOR_AAA_Type_StringArrayProp& ConformanceProperties() const {
        return m_conformanceProperties;
    }

protected:
    void WriteClassProperties(std::ostream& out, bool withSchema) const override;
    bool GetFilterValues(const std::string& name, std::vector<std::string>& values) const override;

private:
    VOR_AAA_Type_StringArrayProp m_capabilities;
    VOR_AAA_Type_StringArrayProp m_conformanceProperties;
};

class VOR_AAA_NamespaceFolder : public VOR_AAA_BaseClass {
public:
    VOR_AAA_ObjectType GetObjectType() const override { return kVOR_AAA_NamespaceFolder; }
};

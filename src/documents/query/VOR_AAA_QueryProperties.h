// VOR_AAA_QueryProperties: a bare property list ("properties" element with "item" children).
//
// Usage:
//   VOR_AAA_QueryProperties list;
//   list.Load(text, length);                 // document name "properties"
//   for (const std::string& name : list.GetProperties()) ...
// Written form: <properties xmlns:xsi xmlns:SOAP-ENC xsi:type="SOAP-ENC:Array"
// SOAP-ENC:arrayType="cm:propEnum[N]"><item xsi:type="cm:propEnum">name</item>...</properties>
#pragma once

#include "I18NString.h"
#include "VOR_AAA_ElementReader.h"
#include "VOR_AAA_Serializable.h"

#include <ostream>
#include <set>
#include <string>

// The one writer of a property array: <properties[ namespaceDeclarations] xsi:type="SOAP-ENC:Array"
// SOAP-ENC:arrayType="arrayType[N]"> with one escaped <item xsi:type="cm:propEnum"> a name.
// namespaceDeclarations, when not empty, starts with a blank.
void WritePropertyArray(std::ostream& out, const std::set<std::string>& properties,
                        const char* arrayType, const std::string& namespaceDeclarations = {});

class VOR_AAA_QueryProperties : public VOR_AAA_Serializable {
public:
    void Write(std::ostream& out) const override;
    void Load(const char* text, size_t length) override;

    const std::set<std::string>& GetProperties() const { return m_properties; }
    void AddProperty(const std::string& name) { m_properties.insert(name); }

private:
    std::set<std::string> m_properties;
};

class VOR_AAA_QueryPropertiesHandler
    : public VOR_AAA_ElementReader<VOR_AAA_QueryPropertiesHandler> {
public:
    explicit VOR_AAA_QueryPropertiesHandler(VOR_AAA_QueryProperties& target) : m_target(target) {}

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_QueryPropertiesHandler>;
    static std::span<const Rule> Rules();
    void Reset() {}

    VOR_AAA_QueryProperties& m_target;
    I18NString m_text;
};

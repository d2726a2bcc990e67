#include "VOR_AAA_Types.h"

#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

namespace {

const char* BoolText(bool value) {
    return value ? "true" : "false";
}

void WriteStringValue(std::ostream& out, std::string_view text) {
    out << "<value xsi:type=\"xsd:string\" xml:space=\"preserve\">";
    WriteEscapedText(text, out);
    out << "</value>";
}

}  // namespace

void VOR_AAA_Type_SchemaInfo::SetSchemaInfo(bool acquirable, bool acquired, bool modifiable,
                                            bool searchable, bool updateAllDescendents) {
    m_acquirable = acquirable;
    m_acquired = acquired;
    m_modifiable = modifiable;
    m_searchable = searchable;
    m_updateAllDescendents = updateAllDescendents;
}

void VOR_AAA_Type_SchemaInfo::Write(std::ostream& out, std::string_view name,
                                    bool withSchema) const {
    if (!m_set) {
        return;
    }
    out << '<' << name << " xsi:type=\"" << GetKindType() << "\">";
    if (withSchema) {
        writeSchemaBlock(out);
    }
    WriteValue(out);
    out << "</" << name << '>';
}

void VOR_AAA_Type_SchemaInfo::writeSchemaBlock(std::ostream& out) const {
    out << "<schemaInfo xsi:type=\"cm:schemaInfo\">"
        << "<acquirable xsi:type=\"xsd:boolean\">" << BoolText(m_acquirable) << "</acquirable>"
        << "<acquired xsi:type=\"xsd:boolean\">" << BoolText(m_acquired) << "</acquired>"
        << "<modifiable xsi:type=\"xsd:boolean\">" << BoolText(m_modifiable) << "</modifiable>"
        << "<searchable xsi:type=\"xsd:boolean\">" << BoolText(m_searchable) << "</searchable>"
        << "<updateAllDescendents xsi:type=\"xsd:boolean\">" << BoolText(m_updateAllDescendents)
        << "</updateAllDescendents>"
        << "</schemaInfo>";
}

void VOR_AAA_Type_BooleanProp::WriteValue(std::ostream& out) const {
    out << "<value xsi:type=\"xsd:boolean\">" << BoolText(m_value) << "</value>";
}

void VOR_AAA_Type_StringProp::WriteValue(std::ostream& out) const {
    if (m_isSearchPath) {
        WriteStringValue(out, VOR_AAA_VORID::EscapeDelimiters(m_value));
    } else {
        WriteStringValue(out, m_value);
    }
}

void VOR_AAA_Type_LanguageProp::WriteValue(std::ostream& out) const {
    WriteStringValue(out, m_locale);
}

void VOR_AAA_Type_ClassEnumProp::WriteValue(std::ostream& out) const {
    out << "<value xsi:type=\"cm:classEnum\">";
    WriteEscapedText(m_class, out);
    out << "</value>";
}

void VOR_AAA_Type_StringArrayProp::WriteValue(std::ostream& out) const {
    out << "<value xsi:type=\"bus:arrayOfString\">";
    for (const std::string& value : m_values) {
        out << "<item xsi:type=\"xsd:string\" xml:space=\"preserve\">";
        WriteEscapedText(value, out);
        out << "</item>";
    }
    out << "</value>";
}

void VOR_AAA_Type_MultilingualStringProp::WriteValue(std::ostream& out) const {
    const std::string_view itemType = GetItemType();
    out << "<value xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"" << itemType << '['
        << m_values.size() << "]\">";
    for (const VOR_AAA_LocalizedText& value : m_values) {
        out << "<item xsi:type=\"" << itemType << "\">";
        WriteStringValue(out, value.text);
        out << "<locale xsi:type=\"xsd:string\">";
        WriteEscapedText(value.locale, out);
        out << "</locale></item>";
    }
    out << "</value>";
}

void VOR_AAA_Type_ArrayOfAncestorInfoProp::WriteValue(std::ostream& out) const {
    out << "<value xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:ancestorInfo["
        << m_values.size() << "]\">";
    for (const VOR_AAA_Type_AncestorInfo& ancestor : m_values) {
        out << "<item xsi:type=\"cm:ancestorInfo\"><objectClass xsi:type=\"cm:classEnum\">";
        WriteEscapedText(ancestor.objectClass, out);
        out << "</objectClass><searchPath xsi:type=\"xsd:string\" xml:space=\"preserve\">";
        WriteEscapedText(VOR_AAA_VORID::EscapeDelimiters(ancestor.searchPath), out);
        out << "</searchPath><title xsi:type=\"xsd:string\" xml:space=\"preserve\">";
        WriteEscapedText(ancestor.title, out);
        out << "</title></item>";
    }
    out << "</value>";
}

void VOR_AAA_Type_ParameterValueArrayProp::WriteValue(std::ostream& out) const {
    out << "<value xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:parameterValue["
        << m_values.size() << "]\">";
    for (const VOR_AAA_Type_ParameterValue& parameter : m_values) {
        out << "<item xsi:type=\"cm:parameterValue\">";
        if (parameter.name.empty()) {
            out << "<name xsi:nil=\"true\"/>";
        } else {
            out << "<name xsi:type=\"xsd:string\">";
            WriteEscapedText(parameter.name, out);
            out << "</name>";
        }
        out << "<value xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:parmValueItem["
            << parameter.values.size() << "]\">";
        for (const VOR_AAA_Type_ParmValueItem& item : parameter.values) {
            out << "<item xsi:type=\"cm:simpleParmValueItem\"><inclusive xsi:type=\"xsd:boolean\">"
                << BoolText(item.inclusive) << "</inclusive>";
            if (item.display.empty()) {
                out << "<display xsi:nil=\"true\"/>";
            } else {
                out << "<display xsi:type=\"xsd:string\">";
                WriteEscapedText(item.display, out);
                out << "</display>";
            }
            if (item.use.empty()) {
                out << "<use xsi:nil=\"true\"/>";
            } else {
                out << "<use xsi:type=\"xsd:string\">";
                WriteEscapedText(item.use, out);
                out << "</use>";
            }
            out << "</item>";
        }
        out << "</value></item>";
    }
    out << "</value>";
}

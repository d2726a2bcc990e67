#include "VOR_AAA_Types.h"

#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

#include <array>
#include <string>

namespace {

const char* BoolText(bool value) {
    return value ? "true" : "false";
}

void WriteStringValue(std::ostream& out, std::string_view text) {
    WriteMarkup("<value xsi:type=\"xsd:string\" xml:space=\"preserve\">", out);
    WriteEscapedText(text, out);
    WriteMarkup("</value>", out);
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
    WriteMarkup('<', out);
    WriteMarkup(name, out);
    WriteMarkup(" xsi:type=\"", out);
    WriteMarkup(GetKindType(), out);
    WriteMarkup("\">", out);
    if (withSchema) {
        writeSchemaBlock(out);
    }
    WriteValue(out);
    WriteMarkup("</", out);
    WriteMarkup(name, out);
    WriteMarkup('>', out);
}

void VOR_AAA_Type_SchemaInfo::writeSchemaBlock(std::ostream& out) const {
    // Every property of an answer with schema information carries one of these 32 blocks: each
    // is composed once and then written whole.
    static const std::array<std::string, 32> kBlocks = [] {
        std::array<std::string, 32> blocks;
        for (unsigned bits = 0; bits < blocks.size(); ++bits) {
            const auto flag = [&](const char* name, unsigned bit) {
                return std::string("<") + name + " xsi:type=\"xsd:boolean\">" +
                       BoolText((bits & (1u << bit)) != 0) + "</" + name + ">";
            };
            blocks[bits] = "<schemaInfo xsi:type=\"cm:schemaInfo\">" + flag("acquirable", 0) +
                           flag("acquired", 1) + flag("modifiable", 2) + flag("searchable", 3) +
                           flag("updateAllDescendents", 4) + "</schemaInfo>";
        }
        return blocks;
    }();
    const unsigned bits = (m_acquirable ? 1u : 0u) | (m_acquired ? 2u : 0u) |
                          (m_modifiable ? 4u : 0u) | (m_searchable ? 8u : 0u) |
                          (m_updateAllDescendents ? 16u : 0u);
    WriteMarkup(kBlocks[bits], out);
}

void VOR_AAA_Type_BooleanProp::WriteValue(std::ostream& out) const {
    WriteMarkup("<value xsi:type=\"xsd:boolean\">", out);
    WriteMarkup(BoolText(m_value), out);
    WriteMarkup("</value>", out);
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
    WriteMarkup("<value xsi:type=\"cm:classEnum\">", out);
    WriteEscapedText(m_class, out);
    WriteMarkup("</value>", out);
}

void VOR_AAA_Type_StringArrayProp::WriteValue(std::ostream& out) const {
    WriteMarkup("<value xsi:type=\"bus:arrayOfString\">", out);
    for (const std::string& value : m_values) {
        WriteMarkup("<item xsi:type=\"xsd:string\" xml:space=\"preserve\">", out);
        WriteEscapedText(value, out);
        WriteMarkup("</item>", out);
    }
    WriteMarkup("</value>", out);
}

void VOR_AAA_Type_MultilingualStringProp::WriteValue(std::ostream& out) const {
    const std::string_view itemType = GetItemType();
    WriteMarkup("<value xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"", out);
    WriteMarkup(itemType, out);
    WriteMarkup('[', out);
    WriteCount(m_values.size(), out);
    WriteMarkup("]\">", out);
    for (const VOR_AAA_LocalizedText& value : m_values) {
        WriteMarkup("<item xsi:type=\"", out);
        WriteMarkup(itemType, out);
        WriteMarkup("\">", out);
        WriteStringValue(out, value.text);
        WriteMarkup("<locale xsi:type=\"xsd:string\">", out);
        WriteEscapedText(value.locale, out);
        WriteMarkup("</locale></item>", out);
    }
    WriteMarkup("</value>", out);
}

void VOR_AAA_Type_ArrayOfAncestorInfoProp::WriteValue(std::ostream& out) const {
    WriteMarkup("<value xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:ancestorInfo[", out);
    WriteCount(m_values.size(), out);
    WriteMarkup("]\">", out);
    for (const VOR_AAA_Type_AncestorInfo& ancestor : m_values) {
        WriteMarkup("<item xsi:type=\"cm:ancestorInfo\"><objectClass xsi:type=\"cm:classEnum\">",
                    out);
        WriteEscapedText(ancestor.objectClass, out);
        WriteMarkup("</objectClass><searchPath xsi:type=\"xsd:string\" xml:space=\"preserve\">",
                    out);
        WriteEscapedText(VOR_AAA_VORID::EscapeDelimiters(ancestor.searchPath), out);
        WriteMarkup("</searchPath><title xsi:type=\"xsd:string\" xml:space=\"preserve\">", out);
        WriteEscapedText(ancestor.title, out);
        WriteMarkup("</title></item>", out);
    }
    WriteMarkup("</value>", out);
}

void VOR_AAA_Type_ParameterValueArrayProp::WriteValue(std::ostream& out) const {
    WriteMarkup("<value xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:parameterValue[", out);
    WriteCount(m_values.size(), out);
    WriteMarkup("]\">", out);
    for (const VOR_AAA_Type_ParameterValue& parameter : m_values) {
        WriteMarkup("<item xsi:type=\"cm:parameterValue\">", out);
        if (parameter.name.empty()) {
            WriteMarkup("<name xsi:nil=\"true\"/>", out);
        } else {
            WriteMarkup("<name xsi:type=\"xsd:string\">", out);
            WriteEscapedText(parameter.name, out);
            WriteMarkup("</name>", out);
        }
        WriteMarkup("<value xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:parmValueItem[",
                    out);
        WriteCount(parameter.values.size(), out);
        WriteMarkup("]\">", out);
        for (const VOR_AAA_Type_ParmValueItem& item : parameter.values) {
            WriteMarkup(
                "<item xsi:type=\"cm:simpleParmValueItem\"><inclusive xsi:type=\"xsd:boolean\">",
                out);
            WriteMarkup(BoolText(item.inclusive), out);
            WriteMarkup("</inclusive>", out);
            if (item.display.empty()) {
                WriteMarkup("<display xsi:nil=\"true\"/>", out);
            } else {
                WriteMarkup("<display xsi:type=\"xsd:string\">", out);
                WriteEscapedText(item.display, out);
                WriteMarkup("</display>", out);
            }
            if (item.use.empty()) {
                WriteMarkup("<use xsi:nil=\"true\"/>", out);
            } else {
                WriteMarkup("<use xsi:type=\"xsd:string\">", out);
                WriteEscapedText(item.use, out);
                WriteMarkup("</use>", out);
            }
            WriteMarkup("</item>", out);
        }
        WriteMarkup("</value></item>", out);
    }
    WriteMarkup("</value>", out);
}

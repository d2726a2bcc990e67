#include "VOR_AAA_Visa.h"

#include "VOR_AAA_Const.h"
#include "VOR_AAA_DocumentText.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

using C = VOR_AAA_Const;

namespace {

void writeIdentifier(std::ostream& out, const I18NString& id) {
    WriteEscapedText(VOR_AAA_VORID::EscapeDelimiters(id.utf8()), out);
}

void writeObject(std::ostream& out, const I18NString& id, const char* objectClass) {
    out << "<object id=\"";
    writeIdentifier(out, id);
    out << "\" class=\"" << objectClass << "\"/>";
}

I18NString unescapedAttribute(const xercesc::Attributes& attrs, const XMLCh* name) {
    const XMLCh* value = VOR_AAA_GetAttribute(attrs, name);
    if (value == nullptr) {
        return {};
    }
    return I18NString(VOR_AAA_VORID::UnescapeDelimiters(VOR_AAA_ToUTF8(value)));
}

}  // namespace

bool VOR_AAA_Visa::IsEmpty() const {
    return m_namespaceID.empty() && m_visaID.empty() && m_userID.empty() && m_roles.empty() &&
           m_groups.empty() && m_data.empty();
}

void VOR_AAA_Visa::Clear() {
    *this = VOR_AAA_Visa();
}

bool VOR_AAA_Visa::GetValue(const I18NString& name, I18NString& out) const {
    auto found = m_data.find(name);
    if (found == m_data.end()) {
        return false;
    }
    out = found->second;
    return true;
}

void VOR_AAA_Visa::Write(std::ostream& out) const {
    if (IsEmpty()) {
        return;
    }
    out << "<visa xmlns=\"" << C::Text::kAAANamespaceURI << "\" namespaceID=\"";
    writeIdentifier(out, m_namespaceID);
    out << "\">";
    out << "<object id=\"" << m_visaID << "\" class=\"visa\">";
    writeObject(out, m_userID, "user");
    for (const I18NString& role : m_roles) {
        writeObject(out, role, "role");
    }
    for (const I18NString& group : m_groups) {
        writeObject(out, group, "group");
    }
    out << "</object><providerSpecificData>";
    for (const auto& [name, value] : m_data) {
        WriteEscapedElement(name, value, out);
    }
    out << "</providerSpecificData></visa>";
}

void VOR_AAA_Visa::Load(const char* text, size_t length) {
    Clear();
    VOR_AAA_VisaHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "visa", text, length);
}

// States: 0 outside; 1 in "visa"; 2 in the visa object; 3 in one of its member objects;
// 4 in "providerSpecificData"; 5 in one of its values.
void VOR_AAA_VisaHandler::startDocument() {
    m_state = 0;
    m_depth = 0;
    m_key.clear();
    m_text.clear();
}

void VOR_AAA_VisaHandler::startElement(const XMLCh* const, const XMLCh* const localname,
                                       const XMLCh* const, const xercesc::Attributes& attrs) {
    switch (m_state) {
        case 0:
            if (m_depth == 0 && C::Equals(localname, C::kVisa)) {
                if (VOR_AAA_GetAttribute(attrs, C::kNamespaceID) != nullptr) {
                    m_target->m_namespaceID = unescapedAttribute(attrs, C::kNamespaceID);
                }
                m_target->m_complete = false;
                m_state = 1;
            }
            break;
        case 1:
            if (m_depth == 1) {
                if (C::Equals(localname, C::kObject)) {
                    if (const XMLCh* id = VOR_AAA_GetAttribute(attrs, C::kId)) {
                        m_target->m_visaID = I18NString(id);
                    }
                    m_state = 2;
                } else if (C::Equals(localname, C::kProviderSpecificData)) {
                    m_state = 4;
                }
            }
            break;
        case 2:
            if (m_depth == 2 && C::Equals(localname, C::kObject)) {
                m_objectID = unescapedAttribute(attrs, C::kId);
                const XMLCh* objectClass = VOR_AAA_GetAttribute(attrs, C::kClass);
                m_objectClass = objectClass ? I18NString(objectClass) : I18NString();
                m_state = 3;
            }
            break;
        case 4:
            if (m_depth == 2) {
                m_key = I18NString(localname);
                m_text.clear();
                m_state = 5;
            }
            break;
        default:
            break;
    }
    ++m_depth;
}

void VOR_AAA_VisaHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (m_state == 5) {
        VOR_AAA_AppendText(m_text, chars, length);
    }
}

void VOR_AAA_VisaHandler::endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const) {
    --m_depth;
    switch (m_state) {
        case 1:
            if (m_depth == 0) {
                m_target->m_complete = true;
                m_state = 0;
            }
            break;
        case 2:
        case 4:
            if (m_depth < 2) {
                m_state = 1;
            }
            break;
        case 3:
            if (m_depth < 3) {
                if (m_objectClass == I18NString("user")) {
                    m_target->m_userID = m_objectID;
                } else if (m_objectClass == I18NString("group")) {
                    m_target->m_groups.insert(m_objectID);
                } else if (m_objectClass == I18NString("role")) {
                    m_target->m_roles.push_back(m_objectID);
                }
                m_state = 2;
            }
            break;
        case 5:
            if (m_depth < 3) {
                m_target->m_data.emplace(m_key, m_text);
                m_state = 4;
            }
            break;
        default:
            break;
    }
}

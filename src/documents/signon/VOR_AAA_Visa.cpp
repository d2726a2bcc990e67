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

namespace {

enum State { kOutside, kVisa, kVisaObject, kMember, kProviderData, kDataValue };

}  // namespace

std::span<const VOR_AAA_VisaHandler::Rule> VOR_AAA_VisaHandler::Rules() {
    using H = VOR_AAA_VisaHandler;
    using Attributes = xercesc::Attributes;
    static const Rule kRules[] = {
        {.parent = kOutside,
         .name = C::kVisa,
         .state = kVisa,
         .enter =
             [](H& h, const XMLCh*, const Attributes& attrs) {
                 if (VOR_AAA_GetAttribute(attrs, C::kNamespaceID) != nullptr) {
                     h.m_target->m_namespaceID = unescapedAttribute(attrs, C::kNamespaceID);
                 }
                 h.m_target->m_complete = false;
             },
         .leave = [](H& h) { h.m_target->m_complete = true; }},
        {.parent = kVisa,
         .name = C::kObject,
         .state = kVisaObject,
         .enter =
             [](H& h, const XMLCh*, const Attributes& attrs) {
                 if (const XMLCh* id = VOR_AAA_GetAttribute(attrs, C::kId)) {
                     h.m_target->m_visaID = I18NString(id);
                 }
             }},
        // The user, a role or a group, by its class.
        {.parent = kVisaObject,
         .name = C::kObject,
         .state = kMember,
         .enter =
             [](H& h, const XMLCh*, const Attributes& attrs) {
                 h.m_objectID = unescapedAttribute(attrs, C::kId);
                 const XMLCh* objectClass = VOR_AAA_GetAttribute(attrs, C::kClass);
                 h.m_objectClass = objectClass ? I18NString(objectClass) : I18NString();
             },
         .leave = [](H& h) { h.addMember(); }},
        {.parent = kVisa, .name = C::kProviderSpecificData, .state = kProviderData},
        // Any element: its name is the key, its text the value.
        {.parent = kProviderData,
         .state = kDataValue,
         .text = [](H& h) { return &h.m_text; },
         .replace = true,
         .enter = [](H& h, const XMLCh* localname,
                     const Attributes&) { h.m_key = I18NString(localname); },
         .leave = [](H& h) { h.m_target->m_data.emplace(h.m_key, h.m_text); }},
    };
    return kRules;
}

void VOR_AAA_VisaHandler::Reset() {
    m_key.clear();
    m_text.clear();
}

void VOR_AAA_VisaHandler::addMember() {
    if (m_objectClass == I18NString("user")) {
        m_target->m_userID = m_objectID;
    } else if (m_objectClass == I18NString("group")) {
        m_target->m_groups.insert(m_objectID);
    } else if (m_objectClass == I18NString("role")) {
        m_target->m_roles.push_back(m_objectID);
    }
}

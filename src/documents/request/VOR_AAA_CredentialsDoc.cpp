#include "VOR_AAA_CredentialsDoc.h"

#include "VOR_AAA_Const.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_WriteEscapedText.h"

#include <algorithm>

using C = VOR_AAA_Const;

namespace {

// Takes the value of key out of the map; false when absent.
bool take(std::map<I18NString, I18NString>& map, const char* key, I18NString& out) {
    auto found = map.find(I18NString(key));
    if (found == map.end()) {
        return false;
    }
    out = std::move(found->second);
    map.erase(found);
    return true;
}

}  // namespace

void VOR_AAA_CredentialsDoc::Write(std::ostream& out) const {
    if (m_wrapped) {
        out << "<credentials>";
    }
    for (const Credential& entry : m_credentials) {
        out << "<credential>";
        if (!entry.username.empty()) {
            WriteEscapedElement("username", entry.username, out);
        }
        if (entry.hasPassword) {
            WriteEscapedElement("password", entry.password, out);
        }
        WriteEscapedElement("namespace", entry.namespaceID, out);
        if (!entry.certificate.empty()) {
            WriteEscapedElement("Certificate", entry.certificate, out);
        }
        if (m_wrapped && entry.primary) {
            out << "<primary>true</primary>";
        }
        for (const auto& [name, value] : entry.values) {
            WriteEscapedElement(name, value, out);
        }
        out << "</credential>";
    }
    if (m_wrapped) {
        out << "</credentials>";
    }
}

void VOR_AAA_CredentialsDoc::Load(const char* text, size_t length) {
    VOR_AAA_CredentialsDocHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "credentials", text, length);
}

bool VOR_AAA_CredentialsDoc::GetValue(const I18NString& name, I18NString& out) const {
    if (m_credentials.empty() || m_namespaces.empty()) {
        return false;
    }
    auto entry =
        std::find_if(m_credentials.begin(), m_credentials.end(),
                     [this](const Credential& c) { return c.namespaceID == m_namespaces[0]; });
    if (entry == m_credentials.end()) {
        return false;
    }
    auto nonEmpty = [&out](const I18NString& value) {
        out = value;
        return !value.empty();
    };
    if (name == I18NString("namespace")) {
        return nonEmpty(entry->namespaceID);
    }
    if (name == I18NString("username")) {
        return nonEmpty(entry->username);
    }
    if (name == I18NString("password")) {
        if (!entry->hasPassword) {
            return false;
        }
        out = entry->password;
        return true;
    }
    if (name == I18NString("Certificate")) {
        return nonEmpty(entry->certificate);
    }
    auto found = entry->values.find(name);
    if (found == entry->values.end()) {
        return false;
    }
    out = found->second;
    return true;
}

void VOR_AAA_CredentialsDoc::AddCredential(Credential entry) {
    if (std::find(m_namespaces.begin(), m_namespaces.end(), entry.namespaceID) ==
        m_namespaces.end()) {
        m_namespaces.push_back(entry.namespaceID);
    }
    m_credentials.push_back(std::move(entry));
}

void VOR_AAA_CredentialsDoc::Merge(const VOR_AAA_CredentialsDoc& other) {
    for (const Credential& entry : other.m_credentials) {
        AddCredential(entry);
    }
}

void VOR_AAA_CredentialsDoc::RemoveCredential(size_t index) {
    if (index >= m_credentials.size()) {
        return;
    }
    const I18NString namespaceID = m_credentials[index].namespaceID;
    m_credentials.erase(m_credentials.begin() + static_cast<std::ptrdiff_t>(index));
    const bool stillUsed =
        std::any_of(m_credentials.begin(), m_credentials.end(),
                    [&namespaceID](const Credential& c) { return c.namespaceID == namespaceID; });
    if (!stillUsed) {
        m_namespaces.erase(std::remove(m_namespaces.begin(), m_namespaces.end(), namespaceID),
                           m_namespaces.end());
    }
}

void VOR_AAA_CredentialsDoc::Clear() {
    m_credentials.clear();
    m_namespaces.clear();
    m_encryptedValue.clear();
    m_wrapped = false;
}

// States: 0 outside; 1 in "credentials"; 2 in a listed "credential"; 3 in one of its values;
// 4 in a single "credential"; 5 in one of its values; 6 in its "encryptedValue".
void VOR_AAA_CredentialsDocHandler::startDocument() {
    m_state = 0;
    m_depth = 0;
    m_key.clear();
    m_text.clear();
    m_collected.clear();
}

void VOR_AAA_CredentialsDocHandler::startElement(const XMLCh* const, const XMLCh* const localname,
                                                 const XMLCh* const, const xercesc::Attributes&) {
    switch (m_state) {
        case 0:
            if (m_depth == 0) {
                if (C::Equals(localname, C::kCredential)) {
                    m_target->SetWrapped(false);
                    m_collected.clear();
                    m_state = 4;
                } else if (C::Equals(localname, C::kCredentials)) {
                    m_target->SetWrapped(true);
                    m_state = 1;
                }
            }
            break;
        case 1:
            if (m_depth == 1 && C::Equals(localname, C::kCredential)) {
                m_collected.clear();
                m_state = 2;
            }
            break;
        case 2:
            if (m_depth == 2) {
                m_key = I18NString(localname);
                m_text.clear();
                m_state = 3;
            }
            break;
        case 4:
            if (m_depth == 1) {
                m_text.clear();
                if (C::Equals(localname, C::kEncryptedValue)) {
                    m_state = 6;
                } else {
                    m_key = I18NString(localname);
                    m_state = 5;
                }
            }
            break;
        default:
            break;
    }
    ++m_depth;
}

void VOR_AAA_CredentialsDocHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (m_state == 3 || m_state == 5 || m_state == 6) {
        VOR_AAA_AppendText(m_text, chars, length);
    }
}

void VOR_AAA_CredentialsDocHandler::endElement(const XMLCh* const, const XMLCh* const,
                                               const XMLCh* const) {
    --m_depth;
    switch (m_state) {
        case 1:
            if (m_depth < 1) {
                m_state = 0;
            }
            break;
        case 2:
            if (m_depth < 2) {
                endCredential();
                m_state = 1;
            }
            break;
        case 3:
        case 5:
            if (m_depth < (m_state == 3 ? 3 : 2)) {
                if (!m_key.empty()) {
                    m_collected[m_key] = m_text;
                }
                m_key.clear();
                m_text.clear();
                m_state = m_state == 3 ? 2 : 4;
            }
            break;
        case 4:
            if (m_depth == 0) {
                endCredential();
                m_state = 0;
            }
            break;
        case 6:
            if (m_depth < 2) {
                if (!m_text.empty()) {
                    m_target->SetEncryptedValue(m_text);
                }
                m_text.clear();
                m_state = 4;
            }
            break;
        default:
            break;
    }
}

void VOR_AAA_CredentialsDocHandler::endCredential() {
    if (m_collected.empty()) {
        return;
    }
    VOR_AAA_CredentialsDoc::Credential entry;
    take(m_collected, "namespace", entry.namespaceID);
    take(m_collected, "username", entry.username);
    entry.hasPassword = take(m_collected, "password", entry.password);
    take(m_collected, "Certificate", entry.certificate);
    I18NString primary;
    if (take(m_collected, "primary", primary)) {
        entry.primary = primary.equalsIgnoreCase(I18NString("true"));
    }
    entry.values = std::move(m_collected);
    m_collected.clear();
    m_target->AddCredential(std::move(entry));
}

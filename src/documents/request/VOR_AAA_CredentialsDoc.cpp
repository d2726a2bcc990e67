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

namespace {

// A list ("credentials") holds credentials; a single "credential" may be the document itself.
enum State {
    kOutside,
    kList,
    kListed,
    kListedValue,
    kSingle,
    kSingleValue,
    kEncryptedValue,
};

}  // namespace

std::span<const VOR_AAA_CredentialsDocHandler::Rule> VOR_AAA_CredentialsDocHandler::Rules() {
    using H = VOR_AAA_CredentialsDocHandler;
    using Attributes = xercesc::Attributes;
    constexpr auto text = [](H& h) { return &h.m_text; };
    constexpr auto beginCredential = [](H& h, const XMLCh*, const Attributes&) {
        h.m_collected.clear();
    };
    constexpr auto beginValue = [](H& h, const XMLCh* localname, const Attributes&) {
        h.m_key = I18NString(localname);
    };
    static const Rule kRules[] = {
        {.parent = kOutside,
         .name = C::kCredentials,
         .state = kList,
         .enter = [](H& h, const XMLCh*, const Attributes&) { h.m_target->SetWrapped(true); }},
        {.parent = kList,
         .name = C::kCredential,
         .state = kListed,
         .enter = beginCredential,
         .leave = [](H& h) { h.endCredential(); }},
        // Any element of a credential: its name is the key, its text the value.
        {.parent = kListed,
         .state = kListedValue,
         .text = text,
         .replace = true,
         .enter = beginValue,
         .leave = [](H& h) { h.endValue(); }},
        {.parent = kOutside,
         .name = C::kCredential,
         .state = kSingle,
         .enter =
             [](H& h, const XMLCh*, const Attributes&) {
                 h.m_target->SetWrapped(false);
                 h.m_collected.clear();
             },
         .leave = [](H& h) { h.endCredential(); }},
        {.parent = kSingle,
         .name = C::kEncryptedValue,
         .state = kEncryptedValue,
         .text = text,
         .replace = true,
         .leave =
             [](H& h) {
                 if (!h.m_text.empty()) {
                     h.m_target->SetEncryptedValue(h.m_text);
                 }
                 h.m_text.clear();
             }},
        {.parent = kSingle,
         .state = kSingleValue,
         .text = text,
         .replace = true,
         .enter = beginValue,
         .leave = [](H& h) { h.endValue(); }},
    };
    return kRules;
}

void VOR_AAA_CredentialsDocHandler::Reset() {
    m_key.clear();
    m_text.clear();
    m_collected.clear();
}

void VOR_AAA_CredentialsDocHandler::endValue() {
    if (!m_key.empty()) {
        m_collected[m_key] = m_text;
    }
    m_key.clear();
    m_text.clear();
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

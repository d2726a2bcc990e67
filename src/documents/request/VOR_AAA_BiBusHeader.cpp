#include "VOR_AAA_BiBusHeader.h"

#include "PYXBase64.h"
#include "PYXThrowable.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

#include <algorithm>
#include <memory>
#include <new>

using C = VOR_AAA_Const;

using namespace VOR_AAA_Messages;

namespace {

constexpr const char* kActionTexts[] = {
    "validate",     "logon",        "logonAs",        "logoff",
    "generateTC",   "selectRole",   "promptForRoles", "generateCredential",
    "logonExpired", "clonePassport"};

const char* const kStringItem = "<item><name xsi:type=\"xsd:string\" xml:space=\"preserve\">";
const char* const kValueOpen = "</name><value xsi:type=\"xsd:string\" xml:space=\"preserve\">";

template <typename Var>
void writeNameValue(std::ostream& out, const Var& var) {
    out << kStringItem;
    WriteEscapedText(var.name, out);
    out << kValueOpen;
    WriteEscapedText(var.value, out);
    out << "</value>";
}

template <typename Var, typename WriteItem>
void writeArray(std::ostream& out, const char* element, const char* itemType,
                const std::vector<Var>& vars, WriteItem writeItem) {
    out << '<' << element << " xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"" << itemType << '['
        << vars.size() << "]\">";
    for (const Var& var : vars) {
        writeItem(var);
    }
    out << "</" << element << '>';
}

void writeSetCookieItem(std::ostream& out, const VOR_AAA_SetCookieVar& var) {
    writeNameValue(out, var);
    if (!var.path.empty()) {
        out << "<path xsi:type=\"xsd:string\" xml:space=\"preserve\">" << var.path << "</path>";
    }
    if (!var.maxAge.empty()) {
        out << "<maxAge xsi:type=\"xsd:int\">" << var.maxAge << "</maxAge>";
    }
    if (!var.domain.empty()) {
        out << "<domain xsi:type=\"xsd:string\" xml:space=\"preserve\">" << var.domain
            << "</domain>";
    }
    if (!var.secure.empty()) {
        out << "<secure xsi:type=\"xsd:boolean\">" << var.secure << "</secure>";
    }
    out << "</item>";
}

bool sameCookie(const VOR_AAA_SetCookieVar& a, const VOR_AAA_SetCookieVar& b) {
    return a.name == b.name && a.domain == b.domain && a.path == b.path && a.secure == b.secure;
}

template <typename Var>
bool findValue(const std::vector<Var>& vars, const I18NString& name, I18NString& out) {
    for (const Var& var : vars) {
        if (var.name == name) {
            out = var.value;
            return true;
        }
    }
    return false;
}

// Frees a buffer of the data-protection service on every path.
struct CryptoBuffer {
    unsigned char* data = nullptr;
    ~CryptoBuffer() { VOR_CryptoFree(data, 0); }
};

}  // namespace

VOR_AAA_BiBusHeader::VOR_AAA_BiBusHeader(bool writeNamespaces)
    : m_writeNamespaces(writeNamespaces) {}

void VOR_AAA_BiBusHeader::ResetHeader() {
    const bool writeNamespaces = m_writeNamespaces;
    m_additionalInfo = VOR_AAA_AdditionalInfo();
    m_passportID.clear();
    m_formFieldVars.clear();
    m_environmentVars.clear();
    m_cookieVars.clear();
    m_setCookieVars.clear();
    m_newSetCookieVars.clear();
    m_action = kActionNone;
    m_securityBlob.clear();
    m_secureState.clear();
    m_userSessionID.clear();
    m_exception.Clear();
    m_credentials.Clear();
    m_trustedCredential.clear();
    m_encryptedCredential.clear();
    m_writeNamespaces = writeNamespaces;
    m_passportShareable = false;
}

const char* VOR_AAA_BiBusHeader::ActionText(int32_t action) {
    if (action < 0 || action >= static_cast<int32_t>(std::size(kActionTexts))) {
        return "";
    }
    return kActionTexts[action];
}

void VOR_AAA_BiBusHeader::Load(const char* text, size_t length) {
    ResetHeader();
    VOR_AAA_BiBusHeaderHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "biBusHeader", text, length);
}

void VOR_AAA_BiBusHeader::Write(std::ostream& out, bool omitAdditionalInfo) const {
    out << "<bus:biBusHeader";
    if (m_writeNamespaces) {
        out << " xmlns:SOAP-ENV=\"" << C::Text::kSOAPEnvelopeNamespaceURI << '"'
            << " xmlns:SOAP-ENC=\"" << C::Text::kSOAPEncodingNamespaceURI << '"' << " xmlns:xsd=\""
            << C::Text::kXMLSchemaNamespaceURI << '"' << " xmlns:xsi=\""
            << C::Text::kXMLSchemaInstanceNamespaceURI << '"' << " xmlns:bus=\""
            << C::Text::kBusNamespaceURI << '"';
    }
    out << '>';
    if (!omitAdditionalInfo) {
        m_additionalInfo.Write(out);
    }
    if (!m_secureState.empty()) {
        out << "<KEP xsi:type=\"bus:KEP\"><secureState>" << m_secureState << "</secureState></KEP>";
    }
    out << "<VOR xsi:type=\"bus:VOR\">";
    if (!m_passportID.empty()) {
        out << "<VORPassport xsi:type=\"bus:VORPassport\">"
            << "<id xsi:type=\"xsd:string\" xml:space=\"preserve\">" << m_passportID << "</id>"
            << "<shareable xsi:type=\"xsd:boolean\" xml:space=\"preserve\">"
            << (m_passportShareable ? "true" : "false") << "</shareable></VORPassport>";
    }
    if (!m_userSessionID.empty()) {
        out << "<userSessionID xsi:type=\"xsd:base64Binary\">" << m_userSessionID
            << "</userSessionID>";
    }
    if (const char* action = ActionText(m_action); *action != '\0') {
        out << "<action>" << action << "</action>";
    }
    if (!m_securityBlob.empty()) {
        out << "<securityBlob xmlns=\"" << C::Text::kSOAPEnvelopeNamespaceURI << "\">";
        WriteEscapedText(m_securityBlob, out);
        out << "</securityBlob>";
    }
    if (!m_trustedCredential.empty()) {
        out << "<VORTrustedCredential>";
        WriteEscapedText(m_trustedCredential, out);
        out << "</VORTrustedCredential>";
    }
    if (!m_encryptedCredential.empty()) {
        // The inner credential element travels as escaped text, not as markup.
        out << "<VORCredential xsi:type=\"xsd:anyType\">&lt;credential&gt;&lt;encryptedValue&gt;";
        WriteEscapedText(m_encryptedCredential, out);
        out << "&lt;/encryptedValue&gt;&lt;/credential&gt;</VORCredential>";
    }
    if (m_credentials.HasCredentials()) {
        m_credentials.Write(out);
    }
    if (!m_exception.IsEmpty()) {
        m_exception.Write(out);
    }
    out << "</VOR>";

    if (m_environmentVars.empty() && m_formFieldVars.empty() && m_cookieVars.empty() &&
        m_setCookieVars.empty() && m_newSetCookieVars.empty()) {
        out << "</bus:biBusHeader>";
        return;
    }
    out << "<bus:hdrSession xsi:type=\"bus:hdrSession\">";
    auto nameValueItem = [&out](const VOR_AAA_NameValueVar& var) {
        writeNameValue(out, var);
        out << "</item>";
    };
    if (!m_environmentVars.empty()) {
        writeArray(out, "bus:environmentVars", "bus:environmentVar", m_environmentVars,
                   nameValueItem);
    }
    if (!m_formFieldVars.empty()) {
        writeArray(out, "bus:formFieldVars", "bus:formFieldVar", m_formFieldVars,
                   [&out](const VOR_AAA_FormFieldVar& var) {
                       writeNameValue(out, var);
                       if (!var.format.empty()) {
                           out << "<format xsi:type=\"bus:formatEnum\" xml:space=\"preserve\">"
                               << var.format << "</format>";
                       }
                       out << "</item>";
                   });
    }
    if (!m_cookieVars.empty()) {
        writeArray(out, "bus:cookieVars", "bus:cookieVar", m_cookieVars, nameValueItem);
    }
    if (!m_setCookieVars.empty() || !m_newSetCookieVars.empty()) {
        // The provider's cookies replace received ones with the same name, domain, path and
        // secure flag.
        std::vector<const VOR_AAA_SetCookieVar*> items;
        for (const VOR_AAA_SetCookieVar& var : m_newSetCookieVars) {
            items.push_back(&var);
        }
        for (const VOR_AAA_SetCookieVar& var : m_setCookieVars) {
            const bool replaced = std::any_of(
                m_newSetCookieVars.begin(), m_newSetCookieVars.end(),
                [&var](const VOR_AAA_SetCookieVar& added) { return sameCookie(var, added); });
            if (!replaced) {
                items.push_back(&var);
            }
        }
        out << "<bus:setCookieVars xsi:type=\"SOAP-ENC:Array\" "
               "SOAP-ENC:arrayType=\"bus:setCookieVar["
            << items.size() << "]\">";
        for (const VOR_AAA_SetCookieVar* var : items) {
            writeSetCookieItem(out, *var);
        }
        out << "</bus:setCookieVars>";
    }
    out << "</bus:hdrSession></bus:biBusHeader>";
}

bool VOR_AAA_BiBusHeader::GetFormFieldValue(const I18NString& name, I18NString& out) const {
    if (!findValue(m_formFieldVars, name, out)) {
        return false;
    }
    if (name == I18NString("VORNamespace")) {
        out = I18NString(VOR_AAA_VORID::UnescapeDelimiters(out.utf8()));
    }
    return true;
}

bool VOR_AAA_BiBusHeader::GetNamespaceID(I18NString& out) const {
    if (GetFormFieldValue(I18NString("VORNamespace"), out)) {
        return true;
    }
    return m_credentials.GetValue(I18NString("namespace"), out);
}

bool VOR_AAA_BiBusHeader::GetCookieValue(const I18NString& name, I18NString& out) const {
    return findValue(m_cookieVars, name, out);
}

bool VOR_AAA_BiBusHeader::GetEnvironmentValue(const I18NString& name, I18NString& out) const {
    return findValue(m_environmentVars, name, out);
}

void VOR_AAA_BiBusHeader::AddException(const PYXException& e, const I18NString& locale) {
    m_exception.AddException(e, locale);
}

void VOR_AAA_BiBusHeader::decryptValue(VOR_CryptoHandle cryptoHandle, const I18NString& value,
                                       I18NString& clear) {
    if (value.empty()) {
        return;
    }
    const std::string text = value.utf8();
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[text.size()]);
    if (!buffer) {
        PYX_THROW(PYXOutOfMemoryError(), "VOR_AAA_BiBusHeader::decryptValue");
    }
    size_t length = text.size();
    if (const int result = PYXBase64Decode(text.data(), text.size(), buffer.get(), &length);
        result != 0) {
        VOR_AAA_Exception failure(-19);
        failure.increaseNesting();
        failure.addMessage(VOR_AAA_Message(kMsgLibraryCallFailed) << "PYXBase64Decode" << result);
        PYX_THROW(failure, "VOR_AAA_BiBusHeader::decryptValue");
    }
    CryptoBuffer out;
    size_t outLength = 0;
    const int result =
        VOR_UnprotectData(cryptoHandle, buffer.get(), length, &out.data, &outLength, 0);
    buffer.reset();
    if (result < 0) {
        char* details = nullptr;
        VOR_AAA_Exception failure(-19);
        if (VOR_CryptoGetLastErrorDetails(cryptoHandle, 0, &details) < 0) {
            failure.addMessage(VOR_AAA_Message(kMsgLibraryCallFailed)
                               << "VOR_UnprotectData" << result);
        } else {
            failure.addMessage(VOR_AAA_Message(kMsgStepFailed) << "VOR_UnprotectData");
            failure.increaseNesting();
            failure.addMessage(VOR_AAA_Message(kMsgDetail) << (details ? details : ""));
        }
        VOR_CryptoFree(details, 0);
        PYX_THROW(failure, "VOR_AAA_BiBusHeader::decryptValue");
    }
    clear = outLength == 0 ? I18NString()
                           : I18NString(reinterpret_cast<const char*>(out.data),
                                        static_cast<int32_t>(outLength), "UTF8");
}

void VOR_AAA_BiBusHeader::DecryptCredentials(VOR_CryptoHandle cryptoHandle) {
    if (!m_encryptedCredential.empty()) {
        I18NString clear;
        decryptValue(cryptoHandle, m_encryptedCredential, clear);
        m_encryptedCredential.clear();
        VOR_AAA_CredentialsDoc decrypted;
        const std::string text = clear.utf8();
        decrypted.Load(text.data(), text.size());
        m_credentials.Merge(decrypted);
    }
    for (VOR_AAA_FormFieldVar& var : m_formFieldVars) {
        if (var.format == I18NString("encrypted")) {
            I18NString clear;
            decryptValue(cryptoHandle, var.value, clear);
            var.value = clear;
            var.format.clear();
        }
    }
}

// VOR_AAA_BiBusHeader: the SOAP bus header of every authenticate and search request
// ("bus:biBusHeader"): the action, the passport, the browser's form fields, cookies and
// environment variables, credentials, a security blob and a secure state; on the way back the
// provider adds set-cookie variables and exceptions to it.
//
// Usage:
//   VOR_AAA_BiBusHeader header;
//   header.Load(text, length);                      // root element "biBusHeader"
//   if (header.GetAction() == VOR_AAA_BiBusHeader::kActionLogon) ...
//   I18NString user;
//   header.GetFormFieldValue("VORUsername", user);
//   header.AddNewSetCookieVar({"AS_TICKET", ticket, path, "0", domain, "false"});
//   header.Write(out);                              // the wire form, byte for byte
// Documents that embed a header (authenticate document, query document) forward the events of
// its element to a VOR_AAA_BiBusHeaderHandler (startDocument first, endDocument after its end).
#pragma once

#include "I18NString.h"
#include "VOR_AAA_AdditionalInfo.h"
#include "VOR_AAA_CredentialsDoc.h"
#include "VOR_AAA_ElementReader.h"
#include "VOR_AAA_OMException.h"
#include "VOR_AAA_Serializable.h"
#include "VOR_Crypto_Interface.h"

#include <cstdint>
#include <vector>

class PYXException;

struct VOR_AAA_FormFieldVar {
    I18NString name;
    I18NString value;
    I18NString format;
    friend bool operator==(const VOR_AAA_FormFieldVar&, const VOR_AAA_FormFieldVar&) = default;
};

// An environment or cookie variable.
struct VOR_AAA_NameValueVar {
    I18NString name;
    I18NString value;
    friend bool operator==(const VOR_AAA_NameValueVar&, const VOR_AAA_NameValueVar&) = default;
};

struct VOR_AAA_SetCookieVar {
    I18NString name;
    I18NString value;
    I18NString path;
    I18NString maxAge;
    I18NString domain;
    I18NString secure;
    friend bool operator==(const VOR_AAA_SetCookieVar&, const VOR_AAA_SetCookieVar&) = default;
};

class VOR_AAA_BiBusHeader : public virtual VOR_AAA_Serializable {
public:
    enum Action : int32_t {
        kActionNone = -1,
        kActionValidate = 0,
        kActionLogon = 1,
        kActionLogonAs = 2,
        kActionLogoff = 3,
        kActionGenerateTC = 4,
        kActionSelectRole = 5,
        kActionPromptForRoles = 6,
        kActionGenerateCredential = 7,
        kActionLogonExpired = 8,
        kActionClonePassport = 9,
    };

    // writeNamespaces: the writer declares the five schema namespaces on the root element.
    explicit VOR_AAA_BiBusHeader(bool writeNamespaces = false);

    void Write(std::ostream& out) const override { Write(out, false); }
    void Write(std::ostream& out, bool omitAdditionalInfo) const;
    // Document name "biBusHeader"; the root element must be "biBusHeader". Replaces the whole
    // content.
    void Load(const char* text, size_t length) override;

    // The text of an action code ("logon"); empty for a code outside the table.
    static const char* ActionText(int32_t action);

    int32_t GetAction() const { return m_action; }
    void SetAction(int32_t action) { m_action = action; }

    // The first form field named name; a "VORNamespace" value has its VORID delimiters
    // unescaped.
    bool GetFormFieldValue(const I18NString& name, I18NString& out) const;
    // The "VORNamespace" form field, else the credentials' "namespace" value.
    bool GetNamespaceID(I18NString& out) const;
    // The first cookie or environment variable named name.
    bool GetCookieValue(const I18NString& name, I18NString& out) const;
    bool GetEnvironmentValue(const I18NString& name, I18NString& out) const;

    // Puts an exception into the header's exception document, merging with an unrecoverable
    // one already there (VOR_AAA_OMException::AddException).
    void AddException(const PYXException& e, const I18NString& locale);

    // Decrypts a Base64 protected value with the data-protection service; an empty value leaves
    // clear untouched. Failures throw VOR_AAA_Exception -19.
    static void decryptValue(VOR_CryptoHandle cryptoHandle, const I18NString& value,
                             I18NString& clear);
    // Decrypts the encrypted credential (its entries join the credentials) and every form field
    // whose format is "encrypted" (value replaced, format cleared).
    void DecryptCredentials(VOR_CryptoHandle cryptoHandle);

    VOR_AAA_AdditionalInfo& GetAdditionalInfo() { return m_additionalInfo; }
    const VOR_AAA_AdditionalInfo& GetAdditionalInfo() const { return m_additionalInfo; }
    const I18NString& GetPassportID() const { return m_passportID; }
    void SetPassportID(const I18NString& id) { m_passportID = id; }
    bool GetPassportShareable() const { return m_passportShareable; }
    void SetPassportShareable(bool shareable) { m_passportShareable = shareable; }

    std::vector<VOR_AAA_FormFieldVar>& GetFormFieldVars() { return m_formFieldVars; }
    const std::vector<VOR_AAA_FormFieldVar>& GetFormFieldVars() const { return m_formFieldVars; }
    std::vector<VOR_AAA_NameValueVar>& GetEnvironmentVars() { return m_environmentVars; }
    const std::vector<VOR_AAA_NameValueVar>& GetEnvironmentVars() const {
        return m_environmentVars;
    }
    std::vector<VOR_AAA_NameValueVar>& GetCookieVars() { return m_cookieVars; }
    const std::vector<VOR_AAA_NameValueVar>& GetCookieVars() const { return m_cookieVars; }
    // Set-cookie variables received with the request.
    std::vector<VOR_AAA_SetCookieVar>& GetSetCookieVars() { return m_setCookieVars; }
    const std::vector<VOR_AAA_SetCookieVar>& GetSetCookieVars() const { return m_setCookieVars; }
    // Set-cookie variables the provider adds for the reply.
    const std::vector<VOR_AAA_SetCookieVar>& GetNewSetCookieVars() const {
        return m_newSetCookieVars;
    }
    void AddNewSetCookieVar(VOR_AAA_SetCookieVar var) {
        m_newSetCookieVars.push_back(std::move(var));
    }

    const I18NString& GetSecurityBlob() const { return m_securityBlob; }
    void SetSecurityBlob(const I18NString& blob) { m_securityBlob = blob; }
    const I18NString& GetSecureState() const { return m_secureState; }
    void SetSecureState(const I18NString& state) { m_secureState = state; }
    const I18NString& GetUserSessionID() const { return m_userSessionID; }
    void SetUserSessionID(const I18NString& id) { m_userSessionID = id; }
    const I18NString& GetTrustedCredential() const { return m_trustedCredential; }
    void SetTrustedCredential(const I18NString& text) { m_trustedCredential = text; }
    const I18NString& GetEncryptedCredential() const { return m_encryptedCredential; }
    void SetEncryptedCredential(const I18NString& text) { m_encryptedCredential = text; }

    VOR_AAA_OMException& GetException() { return m_exception; }
    const VOR_AAA_OMException& GetException() const { return m_exception; }
    VOR_AAA_CredentialsDoc& GetCredentials() { return m_credentials; }
    const VOR_AAA_CredentialsDoc& GetCredentials() const { return m_credentials; }
    bool GetWriteNamespaces() const { return m_writeNamespaces; }

protected:
    // Resets every field to its state at construction (keeps writeNamespaces).
    void ResetHeader();

private:
    friend class VOR_AAA_BiBusHeaderHandler;

    VOR_AAA_AdditionalInfo m_additionalInfo;
    I18NString m_passportID;
    std::vector<VOR_AAA_FormFieldVar> m_formFieldVars;
    std::vector<VOR_AAA_NameValueVar> m_environmentVars;
    std::vector<VOR_AAA_NameValueVar> m_cookieVars;
    std::vector<VOR_AAA_SetCookieVar> m_setCookieVars;
    std::vector<VOR_AAA_SetCookieVar> m_newSetCookieVars;
    int32_t m_action = kActionNone;
    I18NString m_securityBlob;
    I18NString m_secureState;
    I18NString m_userSessionID;
    VOR_AAA_OMException m_exception;
    VOR_AAA_CredentialsDoc m_credentials;
    I18NString m_trustedCredential;
    I18NString m_encryptedCredential;
    bool m_writeNamespaces;
    bool m_passportShareable = false;
};

// The 35-state reader of a bus header. Bind it to a header (SetTarget) before the first event.
class VOR_AAA_BiBusHeaderHandler : public VOR_AAA_ElementReader<VOR_AAA_BiBusHeaderHandler> {
public:
    VOR_AAA_BiBusHeaderHandler() = default;
    explicit VOR_AAA_BiBusHeaderHandler(VOR_AAA_BiBusHeader& target) { SetTarget(&target); }
    void SetTarget(VOR_AAA_BiBusHeader* target);

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_BiBusHeaderHandler>;
    static std::span<const Rule> Rules();
    void Reset();
    VOR_AAA_BiBusHeader& Target() { return *m_target; }
    void clearItem();
    void endActionText();

    VOR_AAA_BiBusHeader* m_target = nullptr;
    // The fields of the variable being read.
    I18NString m_name;
    I18NString m_value;
    I18NString m_format;
    I18NString m_path;
    I18NString m_maxAge;
    I18NString m_domain;
    I18NString m_secure;
    I18NString m_action;
    VOR_AAA_AdditionalInfoHandler m_additionalInfoHandler;
    VOR_AAA_CredentialsDocHandler m_credentialsHandler;
};

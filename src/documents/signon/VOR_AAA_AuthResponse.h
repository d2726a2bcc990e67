// VOR_AAA_AuthResponse: the answer to an authenticate request: a visa or an exception, credential
// values, and the set-cookie and form-field variables for the user's browser.
//
// Usage:
//   VOR_AAA_AuthResponse response;
//   response.SetVisa(visa);
//   response.AddSetCookieVar("AS_TICKET", ticket, path, "0", domain, "false");
//   response.AddCredentialValue("username", user);
//   response.Serialize(&text, allocRoutine);
// Load reads a response, and also the header variables of an authenticate document (its
// "hdrSession" is read as if it were the response's own).
#pragma once

#include "I18NString.h"
#include "VOR_AAA_BiBusHeader.h"
#include "VOR_AAA_ElementReader.h"
#include "VOR_AAA_OMException.h"
#include "VOR_AAA_Serializable.h"
#include "VOR_AAA_Visa.h"

#include <map>
#include <vector>

class VOR_AAA_AuthResponse : public VOR_AAA_Serializable {
public:
    void Write(std::ostream& out) const override;
    // Document name "authenticateResponse". Replaces the whole content.
    void Load(const char* text, size_t length) override;

    VOR_AAA_Visa& GetVisa() { return m_visa; }
    const VOR_AAA_Visa& GetVisa() const { return m_visa; }
    void SetVisa(const VOR_AAA_Visa& visa) { m_visa = visa; }

    VOR_AAA_OMException& GetException() { return m_exception; }
    const VOR_AAA_OMException& GetException() const { return m_exception; }
    // Replaces the exception with e, rendered in locale.
    void SetException(const PYXException& e, const I18NString& locale);

    // Adds a value under name; an empty value only enters the name (written "<name/>" while it
    // has no value).
    void AddCredentialValue(const I18NString& name, const I18NString& value);
    bool HasCredential() const { return m_hasCredential; }
    const std::map<I18NString, std::vector<I18NString>>& GetCredential() const {
        return m_credential;
    }

    void AddSetCookieVar(const I18NString& name, const I18NString& value, const I18NString& path,
                         const I18NString& maxAge, const I18NString& domain,
                         const I18NString& secure);
    const std::vector<VOR_AAA_SetCookieVar>& GetSetCookieVars() const { return m_setCookieVars; }
    void AddFormFieldVar(const I18NString& name, const I18NString& value);
    const std::vector<VOR_AAA_FormFieldVar>& GetFormFieldVars() const { return m_formFieldVars; }

private:
    friend class VOR_AAA_AuthResponseHandler;

    VOR_AAA_OMException m_exception;
    VOR_AAA_Visa m_visa;
    std::map<I18NString, std::vector<I18NString>> m_credential;
    bool m_hasCredential = false;
    std::vector<VOR_AAA_SetCookieVar> m_setCookieVars;
    std::vector<VOR_AAA_FormFieldVar> m_formFieldVars;
};

class VOR_AAA_AuthResponseHandler : public VOR_AAA_ElementReader<VOR_AAA_AuthResponseHandler> {
public:
    explicit VOR_AAA_AuthResponseHandler(VOR_AAA_AuthResponse& target);

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_AuthResponseHandler>;
    static std::span<const Rule> Rules();
    void Reset();
    VOR_AAA_AuthResponse& Target() { return m_target; }
    void beginItem();
    I18NString* cookieField(const XMLCh* localname);
    void endCredentialValue();
    void endSetCookie();
    void endFormField();

    VOR_AAA_AuthResponse& m_target;
    VOR_AAA_OMExceptionHandler m_exceptionHandler;
    VOR_AAA_VisaHandler m_visaHandler;
    I18NString m_key;
    I18NString m_value;
    I18NString* m_field = nullptr;  // the set-cookie field being read
    VOR_AAA_SetCookieVar m_cookie;  // the variable being read (a form field uses its name)
};

// VOR_AAA_AuthDoc: the authenticate document: a bus header (this class derives from it, so the
// header's fields and lookups are the document's), an optional visa and a trusted credential.
//
// Usage:
//   VOR_AAA_AuthDoc doc;
//   doc.Load(text, length);                 // root "authenticateDocument"
//   I18NString ns;
//   doc.GetNamespaceID(ns);                 // asserts that the request names a namespace
//   if (doc.GetVisa() != nullptr) ...       // a visa sent with the request
// Written form: <authenticateDocument [passportID="..."] xmlns:bus xmlns:xsd xmlns:xsi
// xmlns:SOAP-ENC>, the bus header with its own declarations, the visa, the trusted credential,
// </authenticateDocument>.
#pragma once

#include "VOR_AAA_BiBusHeader.h"
#include "VOR_AAA_CredentialsDoc.h"
#include "VOR_AAA_Visa.h"

#include <memory>

class VOR_AAA_AuthDoc : public VOR_AAA_BiBusHeader {
public:
    VOR_AAA_AuthDoc();
    VOR_AAA_AuthDoc(const VOR_AAA_AuthDoc& other);
    VOR_AAA_AuthDoc& operator=(const VOR_AAA_AuthDoc& other);
    ~VOR_AAA_AuthDoc() override;

    void Write(std::ostream& out) const override;
    // Document name "authenticateDocument". Replaces the whole content.
    void Load(const char* text, size_t length) override;

    // The namespace the request is for. When the document carries a trusted credential element,
    // the "namespace" of the header's trusted-credential text; otherwise the header's own (form
    // field "VORNamespace", then the credentials). A request naming none fails an assertion.
    void GetNamespaceID(I18NString& out) const;
    // A value of the trusted credential: the header's "VORTrustedCredential" text read as a
    // credentials document; false when the header carries no such text.
    bool GetTrustedCredentialValue(const I18NString& name, I18NString& out) const;

    // The visa sent with the request, or null.
    VOR_AAA_Visa* GetVisa() const { return m_visa; }
    // Takes ownership of visa (null clears it).
    void SetVisa(std::unique_ptr<VOR_AAA_Visa> visa);
    // Refers to a visa the caller keeps alive.
    void SetVisaNotOwned(VOR_AAA_Visa* visa);
    bool OwnsVisa() const { return m_ownedVisa != nullptr; }

    VOR_AAA_CredentialsDoc& GetTrustedCredentialDoc() { return m_trustedCredentialDoc; }
    const VOR_AAA_CredentialsDoc& GetTrustedCredentialDoc() const { return m_trustedCredentialDoc; }

private:
    friend class VOR_AAA_AuthDocHandler;

    std::unique_ptr<VOR_AAA_Visa> m_ownedVisa;
    VOR_AAA_Visa* m_visa = nullptr;
    VOR_AAA_CredentialsDoc m_trustedCredentialDoc;
};

class VOR_AAA_AuthDocHandler : public VOR_AAA_ElementReader<VOR_AAA_AuthDocHandler> {
public:
    explicit VOR_AAA_AuthDocHandler(VOR_AAA_AuthDoc& target);

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_AuthDocHandler>;
    static std::span<const Rule> Rules();
    void Reset() { m_newVisa.reset(); }
    VOR_AAA_AuthDoc& Target() { return m_target; }
    void beginVisa();

    VOR_AAA_AuthDoc& m_target;
    VOR_AAA_BiBusHeaderHandler m_headerHandler;
    VOR_AAA_CredentialsDocHandler m_credentialsHandler;
    VOR_AAA_VisaHandler m_visaHandler;
    std::unique_ptr<VOR_AAA_Visa> m_newVisa;
};

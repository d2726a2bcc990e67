#include "VOR_AAA_AuthDoc.h"

#include "PYXThrowable.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_DocumentText.h"
#include "VOR_AAA_ParseDocument.h"

#include <new>

using C = VOR_AAA_Const;

VOR_AAA_AuthDoc::VOR_AAA_AuthDoc() : VOR_AAA_BiBusHeader(true) {}

VOR_AAA_AuthDoc::VOR_AAA_AuthDoc(const VOR_AAA_AuthDoc& other)
    : VOR_AAA_Serializable(other),
      VOR_AAA_BiBusHeader(other),
      m_trustedCredentialDoc(other.m_trustedCredentialDoc) {
    if (other.m_visa != nullptr) {
        SetVisa(std::make_unique<VOR_AAA_Visa>(*other.m_visa));
    }
}

VOR_AAA_AuthDoc& VOR_AAA_AuthDoc::operator=(const VOR_AAA_AuthDoc& other) {
    if (this != &other) {
        VOR_AAA_BiBusHeader::operator=(other);
        m_trustedCredentialDoc = other.m_trustedCredentialDoc;
        SetVisa(other.m_visa ? std::make_unique<VOR_AAA_Visa>(*other.m_visa) : nullptr);
    }
    return *this;
}

VOR_AAA_AuthDoc::~VOR_AAA_AuthDoc() = default;

void VOR_AAA_AuthDoc::SetVisa(std::unique_ptr<VOR_AAA_Visa> visa) {
    m_ownedVisa = std::move(visa);
    m_visa = m_ownedVisa.get();
}

void VOR_AAA_AuthDoc::SetVisaNotOwned(VOR_AAA_Visa* visa) {
    m_ownedVisa.reset();
    m_visa = visa;
}

void VOR_AAA_AuthDoc::Write(std::ostream& out) const {
    out << "<authenticateDocument ";
    if (!GetPassportID().empty()) {
        out << "passportID=\"" << GetPassportID() << "\" ";
    }
    out << "xmlns:bus=\"" << C::Text::kBusNamespaceURI << "\" "
        << "xmlns:xsd=\"" << C::Text::kXMLSchemaNamespaceURI << "\" "
        << "xmlns:xsi=\"" << C::Text::kXMLSchemaInstanceNamespaceURI << "\" "
        << "xmlns:SOAP-ENC=\"" << C::Text::kSOAPEncodingNamespaceURI << "\">";
    VOR_AAA_BiBusHeader::Write(out, false);
    if (m_visa != nullptr) {
        m_visa->Write(out);
    }
    if (m_trustedCredentialDoc.HasCredentials()) {
        m_trustedCredentialDoc.Write(out);
    }
    out << "</authenticateDocument>";
}

void VOR_AAA_AuthDoc::Load(const char* text, size_t length) {
    ResetHeader();
    SetVisa(nullptr);
    m_trustedCredentialDoc.Clear();
    VOR_AAA_AuthDocHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "authenticateDocument", text, length);
}

bool VOR_AAA_AuthDoc::GetTrustedCredentialValue(const I18NString& name, I18NString& out) const {
    if (GetTrustedCredential().empty()) {
        return false;
    }
    VOR_AAA_CredentialsDoc trusted;
    const std::string text = GetTrustedCredential().utf8();
    trusted.Load(text.data(), text.size());
    return trusted.GetValue(name, out);
}

void VOR_AAA_AuthDoc::GetNamespaceID(I18NString& theNamespaceID) const {
    // clang-format off
    if (!m_trustedCredentialDoc.HasCredentials()) {
        PYX_ASSERT(VOR_AAA_BiBusHeader::GetNamespaceID( theNamespaceID ));
    } else {
        PYX_ASSERT(this->GetTrustedCredentialValue( "namespace", theNamespaceID ));
    }
    // clang-format on
}

namespace {

enum State { kOutside, kDocument, kHeader, kTrustedCredential, kVisa };

}  // namespace

VOR_AAA_AuthDocHandler::VOR_AAA_AuthDocHandler(VOR_AAA_AuthDoc& target)
    : m_target(target),
      m_headerHandler(target),
      m_credentialsHandler(target.m_trustedCredentialDoc) {}

std::span<const VOR_AAA_AuthDocHandler::Rule> VOR_AAA_AuthDocHandler::Rules() {
    using H = VOR_AAA_AuthDocHandler;
    using Attributes = xercesc::Attributes;
    static const Rule kRules[] = {
        {.parent = kOutside,
         .name = C::kAuthenticateDocument,
         .state = kDocument,
         .enter =
             [](H& h, const XMLCh*, const Attributes& attrs) {
                 if (const XMLCh* passport = VOR_AAA_GetAttribute(attrs, C::kPassportID)) {
                     h.m_target.SetPassportID(I18NString(passport));
                 }
             }},
        {.parent = kDocument,
         .name = C::kBiBusHeader,
         .state = kHeader,
         .embedded = [](H& h) -> xercesc::ContentHandler* { return &h.m_headerHandler; }},
        {.parent = kDocument,
         .name = C::kVisa,
         .state = kVisa,
         .enter = [](H& h, const XMLCh*, const Attributes&) { h.beginVisa(); },
         .leave = [](H& h) { h.m_target.SetVisa(std::move(h.m_newVisa)); },
         .embedded = [](H& h) -> xercesc::ContentHandler* { return &h.m_visaHandler; }},
        {.parent = kDocument,
         .name = C::kCredential,
         .state = kTrustedCredential,
         .embedded = [](H& h) -> xercesc::ContentHandler* { return &h.m_credentialsHandler; }},
    };
    return kRules;
}

void VOR_AAA_AuthDocHandler::beginVisa() {
    m_newVisa.reset(new (std::nothrow) VOR_AAA_Visa());
    if (!m_newVisa) {
        PYX_THROW(PYXOutOfMemoryError(), "VOR_AAA_AuthDocHandler::startElement");
    }
    m_visaHandler.SetTarget(m_newVisa.get());
}

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

// States: 0 outside; 1 in "authenticateDocument"; 2 in the bus header (forwarded); 3 in the
// trusted credential (forwarded); 4 in the visa (forwarded).
VOR_AAA_AuthDocHandler::VOR_AAA_AuthDocHandler(VOR_AAA_AuthDoc& target)
    : m_target(target),
      m_headerHandler(target),
      m_credentialsHandler(target.m_trustedCredentialDoc) {}

xercesc::ContentHandler* VOR_AAA_AuthDocHandler::delegate() {
    switch (m_state) {
        case 2:
            return &m_headerHandler;
        case 3:
            return &m_credentialsHandler;
        case 4:
            return &m_visaHandler;
        default:
            return nullptr;
    }
}

void VOR_AAA_AuthDocHandler::startDocument() {
    m_state = 0;
    m_depth = 0;
    m_newVisa.reset();
}

void VOR_AAA_AuthDocHandler::startElement(const XMLCh* const uri, const XMLCh* const localname,
                                          const XMLCh* const qname,
                                          const xercesc::Attributes& attrs) {
    if (m_state == 0 && m_depth == 0 && C::Equals(localname, C::kAuthenticateDocument)) {
        if (const XMLCh* passport = VOR_AAA_GetAttribute(attrs, C::kPassportID)) {
            m_target.SetPassportID(I18NString(passport));
        }
        m_state = 1;
    } else if (m_state == 1 && m_depth == 1) {
        if (C::Equals(localname, C::kBiBusHeader)) {
            m_state = 2;
        } else if (C::Equals(localname, C::kVisa)) {
            m_newVisa.reset(new (std::nothrow) VOR_AAA_Visa());
            if (!m_newVisa) {
                PYX_THROW(PYXOutOfMemoryError(), "VOR_AAA_AuthDocHandler::startElement");
            }
            m_visaHandler.SetTarget(m_newVisa.get());
            m_state = 4;
        } else if (C::Equals(localname, C::kCredential)) {
            m_state = 3;
        }
        if (xercesc::ContentHandler* handler = delegate()) {
            handler->startDocument();
        }
    }
    if (xercesc::ContentHandler* handler = delegate()) {
        handler->startElement(uri, localname, qname, attrs);
    }
    ++m_depth;
}

void VOR_AAA_AuthDocHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (xercesc::ContentHandler* handler = delegate()) {
        handler->characters(chars, length);
    }
}

void VOR_AAA_AuthDocHandler::endElement(const XMLCh* const uri, const XMLCh* const localname,
                                        const XMLCh* const qname) {
    --m_depth;
    if (xercesc::ContentHandler* handler = delegate()) {
        handler->endElement(uri, localname, qname);
        if (m_depth < 2) {
            handler->endDocument();
            if (m_state == 4) {
                m_target.SetVisa(std::move(m_newVisa));
            }
            m_state = 1;
        }
    } else if (m_state == 1 && m_depth == 0) {
        m_state = 0;
    }
}

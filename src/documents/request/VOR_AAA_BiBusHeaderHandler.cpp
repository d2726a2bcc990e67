#include "PYXThrowable.h"
#include "VOR_AAA_BiBusHeader.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_ParseDocument.h"

#include <iterator>

using C = VOR_AAA_Const;

// States:
//  0 outside             1 biBusHeader          2 additionalInfo (forwarded)
//  3 hdrSession          4 formFieldVars        5 form-field item      6-8 its name/value/format
//  9 environmentVars    10 environment item    11-12 its name/value
// 13 cookieVars         14 cookie item         15-16 its name/value
// 17 setCookieVars      18 set-cookie item     19-24 name/value/path/maxAge/domain/secure
// 25 VOR               26 VORPassport          27 its id
// 28 credentials (forwarded)                   29 VORTrustedCredential
// 30 action            31 securityBlob         32 userSessionID
// 33 KEP               34 secureState
namespace {

// The depth at which each state's element lies (its closing tag brings the depth below it).
constexpr int kStateLevel[35] = {
    0,                       // 0
    1, 2, 2,                 // 1-3
    3, 4, 5, 5, 5,           // 4-8
    3, 4, 5, 5,              // 9-12
    3, 4, 5, 5,              // 13-16
    3, 4, 5, 5, 5, 5, 5, 5,  // 17-24
    2, 3, 4, 3, 3, 3, 3, 3,  // 25-32
    2, 3,                    // 33-34
};

}  // namespace

void VOR_AAA_BiBusHeaderHandler::SetTarget(VOR_AAA_BiBusHeader* target) {
    m_target = target;
    m_additionalInfoHandler.SetTarget(target ? &target->m_additionalInfo : nullptr);
    m_credentialsHandler.SetTarget(target ? &target->m_credentials : nullptr);
}

void VOR_AAA_BiBusHeaderHandler::startDocument() {
    m_state = 0;
    m_depth = 0;
    m_action.clear();
}

I18NString* VOR_AAA_BiBusHeaderHandler::textTarget() {
    switch (m_state) {
        case 6:
        case 11:
        case 15:
        case 19:
            return &m_name;
        case 7:
        case 12:
        case 16:
        case 20:
            return &m_value;
        case 8:
            return &m_format;
        case 21:
            return &m_path;
        case 22:
            return &m_maxAge;
        case 23:
            return &m_domain;
        case 24:
            return &m_secure;
        case 27:
            return &m_target->m_passportID;
        case 29:
            return &m_target->m_trustedCredential;
        case 30:
            return &m_action;
        case 31:
            return &m_target->m_securityBlob;
        case 32:
            return &m_target->m_userSessionID;
        case 34:
            return &m_target->m_secureState;
        default:
            return nullptr;
    }
}

void VOR_AAA_BiBusHeaderHandler::startElement(const XMLCh* const uri, const XMLCh* const localname,
                                              const XMLCh* const qname,
                                              const xercesc::Attributes& attrs) {
    auto is = [localname](const XMLCh* name) { return C::Equals(localname, name); };
    switch (m_state) {
        case 0:
            if (m_depth == 0 && is(C::kBiBusHeader)) {
                m_state = 1;
            }
            break;
        case 1:
            if (m_depth != 1) {
                break;
            }
            if (is(C::kAdditionalInfo)) {
                m_state = 2;
                m_additionalInfoHandler.startDocument();
                m_additionalInfoHandler.startElement(uri, localname, qname, attrs);
            } else if (is(C::kHdrSession)) {
                m_state = 3;
            } else if (is(C::kVOR)) {
                m_state = 25;
            } else if (is(C::kKEP)) {
                m_state = 33;
            }
            break;
        case 2:
            m_additionalInfoHandler.startElement(uri, localname, qname, attrs);
            break;
        case 3:
            if (m_depth != 2) {
                break;
            }
            if (is(C::kFormFieldVars)) {
                m_state = 4;
            } else if (is(C::kEnvironmentVars)) {
                m_state = 9;
            } else if (is(C::kCookieVars)) {
                m_state = 13;
            } else if (is(C::kSetCookieVars)) {
                m_state = 17;
            }
            break;
        case 4:
        case 9:
        case 13:
        case 17:
            if (m_depth == 3) {
                m_name.clear();
                m_value.clear();
                m_format.clear();
                m_path.clear();
                m_maxAge.clear();
                m_domain.clear();
                m_secure.clear();
                m_state += 1;
            }
            break;
        case 5:
            if (m_depth == 4) {
                if (is(C::kName)) {
                    m_state = 6;
                } else if (is(C::kValue)) {
                    m_state = 7;
                } else if (is(C::kFormat)) {
                    m_state = 8;
                }
            }
            break;
        case 10:
        case 14:
            if (m_depth == 4) {
                if (is(C::kName)) {
                    m_state += 1;
                } else if (is(C::kValue)) {
                    m_state += 2;
                }
            }
            break;
        case 18:
            if (m_depth == 4) {
                static constexpr const XMLCh* kFields[] = {C::kName,   C::kValue,  C::kPath,
                                                           C::kMaxAge, C::kDomain, C::kSecure};
                for (size_t i = 0; i < std::size(kFields); ++i) {
                    if (is(kFields[i])) {
                        m_state = 19 + static_cast<int>(i);
                        break;
                    }
                }
            }
            break;
        case 25:
            if (m_depth != 2) {
                break;
            }
            if (is(C::kVORPassport)) {
                m_state = 26;
            } else if (is(C::kAction)) {
                m_state = 30;
            } else if (is(C::kSecurityBlob)) {
                m_target->m_securityBlob.clear();
                m_state = 31;
            } else if (is(C::kVORTrustedCredential)) {
                m_target->m_trustedCredential.clear();
                m_state = 29;
            } else if (is(C::kCredentials) || is(C::kCredential)) {
                m_state = 28;
                m_credentialsHandler.startDocument();
                m_credentialsHandler.startElement(uri, localname, qname, attrs);
            } else if (is(C::kUserSessionID)) {
                m_target->m_userSessionID.clear();
                m_state = 32;
            }
            break;
        case 26:
            if (m_depth == 3 && is(C::kId)) {
                m_target->m_passportID.clear();
                m_state = 27;
            }
            break;
        case 28:
            m_credentialsHandler.startElement(uri, localname, qname, attrs);
            break;
        case 33:
            if (m_depth == 2 && is(C::kSecureState)) {
                m_state = 34;
            }
            break;
        default:
            break;
    }
    ++m_depth;
}

void VOR_AAA_BiBusHeaderHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (m_state == 2) {
        m_additionalInfoHandler.characters(chars, length);
    } else if (m_state == 28) {
        m_credentialsHandler.characters(chars, length);
    } else if (I18NString* target = textTarget()) {
        VOR_AAA_AppendText(*target, chars, length);
    }
}

void VOR_AAA_BiBusHeaderHandler::endElement(const XMLCh* const uri, const XMLCh* const localname,
                                            const XMLCh* const qname) {
    --m_depth;
    if (m_state == 2) {
        m_additionalInfoHandler.endElement(uri, localname, qname);
    } else if (m_state == 28) {
        m_credentialsHandler.endElement(uri, localname, qname);
    }
    if (m_depth >= kStateLevel[m_state]) {
        return;
    }
    switch (m_state) {
        case 1:
            m_state = 0;
            break;
        case 2:
            m_additionalInfoHandler.endDocument();
            m_state = 1;
            break;
        case 3:
        case 25:
        case 33:
            m_state = 1;
            break;
        case 4:
        case 9:
        case 13:
        case 17:
            m_state = 3;
            break;
        case 5:
            if (!m_name.empty()) {
                m_target->m_formFieldVars.push_back({m_name, m_value, m_format});
            }
            m_state = 4;
            break;
        case 10:
        case 14:
            if (!m_name.empty()) {
                (m_state == 10 ? m_target->m_environmentVars : m_target->m_cookieVars)
                    .push_back({m_name, m_value});
            }
            m_state -= 1;
            break;
        case 18:
            if (!m_name.empty()) {
                m_target->m_setCookieVars.push_back(
                    {m_name, m_value, m_path, m_maxAge, m_domain, m_secure});
            }
            m_state = 17;
            break;
        case 6:
        case 7:
        case 8:
            m_state = 5;
            break;
        case 11:
        case 12:
            m_state = 10;
            break;
        case 15:
        case 16:
            m_state = 14;
            break;
        case 19:
        case 20:
        case 21:
        case 22:
        case 23:
        case 24:
            m_state = 18;
            break;
        case 26:
        case 29:
        case 31:
        case 32:
            m_state = 25;
            break;
        case 27:
            m_state = 26;
            break;
        case 28:
            m_credentialsHandler.endDocument();
            m_state = 25;
            break;
        case 30:
            m_state = 25;
            endActionText();
            break;
        case 34:
            m_state = 33;
            break;
        default:
            break;
    }
}

void VOR_AAA_BiBusHeaderHandler::endActionText() {
    if (m_action.empty()) {
        return;
    }
    const I18NString text = m_action;
    m_action.clear();
    for (int32_t code = VOR_AAA_BiBusHeader::kActionValidate;
         code <= VOR_AAA_BiBusHeader::kActionClonePassport; ++code) {
        if (text == I18NString(VOR_AAA_BiBusHeader::ActionText(code))) {
            m_target->m_action = code;
            return;
        }
    }
    m_target->m_action = VOR_AAA_BiBusHeader::kActionNone;
    VOR_AAA_AuthUnrecoverableException failure;
    failure.addMessage(VOR_AAA_Message(0x517878D8));
    failure.addMessage(VOR_AAA_Message(0x861B8CC2) << text);
    PYX_THROW(failure, "VOR_AAA_BiBusHeaderHandler::endElement");
}

#include "PYXThrowable.h"
#include "VOR_AAA_BiBusHeader.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"

using C = VOR_AAA_Const;

using namespace VOR_AAA_Messages;

namespace {

enum State {
    kOutside,
    kHeader,
    kAdditionalInfo,
    kHdrSession,
    kFormFieldVars,
    kFormField,
    kFormFieldName,
    kFormFieldValue,
    kFormFieldFormat,
    kEnvironmentVars,
    kEnvironmentVar,
    kEnvironmentName,
    kEnvironmentValue,
    kCookieVars,
    kCookie,
    kCookieName,
    kCookieValue,
    kSetCookieVars,
    kSetCookie,
    kSetCookieName,
    kSetCookieValue,
    kSetCookiePath,
    kSetCookieMaxAge,
    kSetCookieDomain,
    kSetCookieSecure,
    kVOR,
    kPassport,
    kPassportID,
    kCredentials,
    kTrustedCredential,
    kAction,
    kSecurityBlob,
    kUserSessionID,
    kKEP,
    kSecureState,
};

}  // namespace

void VOR_AAA_BiBusHeaderHandler::SetTarget(VOR_AAA_BiBusHeader* target) {
    m_target = target;
    m_additionalInfoHandler.SetTarget(target ? &target->m_additionalInfo : nullptr);
    m_credentialsHandler.SetTarget(target ? &target->m_credentials : nullptr);
}

std::span<const VOR_AAA_BiBusHeaderHandler::Rule> VOR_AAA_BiBusHeaderHandler::Rules() {
    using H = VOR_AAA_BiBusHeaderHandler;
    using Header = VOR_AAA_BiBusHeader;
    using Attributes = xercesc::Attributes;
    constexpr auto name = [](H& h) { return &h.m_name; };
    constexpr auto value = [](H& h) { return &h.m_value; };
    // Every variable array holds items of any element name; an item read without a name is
    // dropped.
    constexpr auto beginItem = [](H& h, const XMLCh*, const Attributes&) { h.clearItem(); };
    constexpr auto credentials = [](H& h) -> xercesc::ContentHandler* {
        return &h.m_credentialsHandler;
    };
    static const Rule kRules[] = {
        {.parent = kOutside, .name = C::kBiBusHeader, .state = kHeader},
        {.parent = kHeader,
         .name = C::kAdditionalInfo,
         .state = kAdditionalInfo,
         .embedded = [](H& h) -> xercesc::ContentHandler* { return &h.m_additionalInfoHandler; }},

        {.parent = kHeader, .name = C::kHdrSession, .state = kHdrSession},
        {.parent = kHdrSession, .name = C::kFormFieldVars, .state = kFormFieldVars},
        {.parent = kFormFieldVars,
         .state = kFormField,
         .enter = beginItem,
         .leave =
             [](H& h) {
                 if (!h.m_name.empty()) {
                     h.m_target->m_formFieldVars.push_back({h.m_name, h.m_value, h.m_format});
                 }
             }},
        {.parent = kFormField, .name = C::kName, .state = kFormFieldName, .text = name},
        {.parent = kFormField, .name = C::kValue, .state = kFormFieldValue, .text = value},
        {.parent = kFormField,
         .name = C::kFormat,
         .state = kFormFieldFormat,
         .text = [](H& h) { return &h.m_format; }},

        {.parent = kHdrSession, .name = C::kEnvironmentVars, .state = kEnvironmentVars},
        {.parent = kEnvironmentVars,
         .state = kEnvironmentVar,
         .enter = beginItem,
         .leave =
             [](H& h) {
                 if (!h.m_name.empty()) {
                     h.m_target->m_environmentVars.push_back({h.m_name, h.m_value});
                 }
             }},
        {.parent = kEnvironmentVar, .name = C::kName, .state = kEnvironmentName, .text = name},
        {.parent = kEnvironmentVar, .name = C::kValue, .state = kEnvironmentValue, .text = value},

        {.parent = kHdrSession, .name = C::kCookieVars, .state = kCookieVars},
        {.parent = kCookieVars,
         .state = kCookie,
         .enter = beginItem,
         .leave =
             [](H& h) {
                 if (!h.m_name.empty()) {
                     h.m_target->m_cookieVars.push_back({h.m_name, h.m_value});
                 }
             }},
        {.parent = kCookie, .name = C::kName, .state = kCookieName, .text = name},
        {.parent = kCookie, .name = C::kValue, .state = kCookieValue, .text = value},

        {.parent = kHdrSession, .name = C::kSetCookieVars, .state = kSetCookieVars},
        {.parent = kSetCookieVars,
         .state = kSetCookie,
         .enter = beginItem,
         .leave =
             [](H& h) {
                 if (!h.m_name.empty()) {
                     h.m_target->m_setCookieVars.push_back(
                         {h.m_name, h.m_value, h.m_path, h.m_maxAge, h.m_domain, h.m_secure});
                 }
             }},
        {.parent = kSetCookie, .name = C::kName, .state = kSetCookieName, .text = name},
        {.parent = kSetCookie, .name = C::kValue, .state = kSetCookieValue, .text = value},
        {.parent = kSetCookie,
         .name = C::kPath,
         .state = kSetCookiePath,
         .text = [](H& h) { return &h.m_path; }},
        {.parent = kSetCookie,
         .name = C::kMaxAge,
         .state = kSetCookieMaxAge,
         .text = [](H& h) { return &h.m_maxAge; }},
        {.parent = kSetCookie,
         .name = C::kDomain,
         .state = kSetCookieDomain,
         .text = [](H& h) { return &h.m_domain; }},
        {.parent = kSetCookie,
         .name = C::kSecure,
         .state = kSetCookieSecure,
         .text = [](H& h) { return &h.m_secure; }},

        {.parent = kHeader, .name = C::kVOR, .state = kVOR},
        {.parent = kVOR, .name = C::kVORPassport, .state = kPassport},
        {.parent = kPassport,
         .name = C::kId,
         .state = kPassportID,
         .text = Field<&Header::m_passportID>,
         .replace = true},
        {.parent = kVOR,
         .name = C::kAction,
         .state = kAction,
         .text = [](H& h) { return &h.m_action; },
         .leave = [](H& h) { h.endActionText(); }},
        {.parent = kVOR,
         .name = C::kSecurityBlob,
         .state = kSecurityBlob,
         .text = Field<&Header::m_securityBlob>,
         .replace = true},
        {.parent = kVOR,
         .name = C::kVORTrustedCredential,
         .state = kTrustedCredential,
         .text = Field<&Header::m_trustedCredential>,
         .replace = true},
        {.parent = kVOR, .name = C::kCredentials, .state = kCredentials, .embedded = credentials},
        {.parent = kVOR, .name = C::kCredential, .state = kCredentials, .embedded = credentials},
        {.parent = kVOR,
         .name = C::kUserSessionID,
         .state = kUserSessionID,
         .text = Field<&Header::m_userSessionID>,
         .replace = true},

        {.parent = kHeader, .name = C::kKEP, .state = kKEP},
        {.parent = kKEP,
         .name = C::kSecureState,
         .state = kSecureState,
         .text = Field<&Header::m_secureState>},
    };
    return kRules;
}

void VOR_AAA_BiBusHeaderHandler::Reset() {
    m_action.clear();
}

void VOR_AAA_BiBusHeaderHandler::clearItem() {
    m_name.clear();
    m_value.clear();
    m_format.clear();
    m_path.clear();
    m_maxAge.clear();
    m_domain.clear();
    m_secure.clear();
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
    failure.addMessage(VOR_AAA_Message(kMsgUnknownAction));
    failure.addMessage(VOR_AAA_Message(kMsgActionText) << text);
    PYX_THROW(failure, "VOR_AAA_BiBusHeaderHandler::endElement");
}

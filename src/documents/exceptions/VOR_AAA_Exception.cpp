#include "VOR_AAA_Exception.h"

#include "VOR_AAA_Messages.h"

using namespace VOR_AAA_Messages;

namespace {

using DO = VOR_AAA_DisplayObject;

}  // namespace

VOR_AAA_Exception::VOR_AAA_Exception(int32_t errorCode, const PYXMessage& message)
    : VOR_AAA_Exception(errorCode) {
    addMessage(message);
}

VOR_AAA_AuthException::VOR_AAA_AuthException(int32_t errorCode, const std::string& errorCodeString)
    : VOR_AAA_Exception(errorCode) {
    setErrorCodeString(errorCodeString);
}

VOR_AAA_AuthUnrecoverableException::VOR_AAA_AuthUnrecoverableException()
    : VOR_AAA_AuthException(kErrorCode, kErrorCodeString) {}

VOR_AAA_AuthUnrecoverableException::VOR_AAA_AuthUnrecoverableException(const PYXMessage& caption)
    : VOR_AAA_AuthUnrecoverableException() {
    AddCaption(caption);
}

VOR_AAA_InvalidPassportID::VOR_AAA_InvalidPassportID(const I18NString& passportID)
    : VOR_AAA_AuthUnrecoverableException(VOR_AAA_Message(kMsgAuthUnrecoverable)) {
    increaseNesting();
    addMessage(VOR_AAA_Message(kMsgInvalidPassportID) << passportID);
}

const char* VOR_AAA_DisplayObject::TypeText(Type type) {
    switch (type) {
        case eText:
            return "text";
        case eTextNoEcho:
            return "textnoecho";
        case eVerifyTextNoEcho:
            return "verifytextnoecho";
        case eSingleSelect:
            return "singleselect";
        case eMultiSelect:
            return "multiselect";
        case eHidden:
            return "hidden";
        case eDisplay:
            return "display";
    }
    return "";
}

VOR_AAA_AuthUserRecoverableException::VOR_AAA_AuthUserRecoverableException()
    : VOR_AAA_AuthException(kErrorCode, kErrorCodeString) {}

void VOR_AAA_AuthUserRecoverableException::addField(DO::Type type, const char* name,
                                                    std::optional<uint32_t> caption,
                                                    const I18NString& value) {
    std::optional<PYXMessage> message;
    if (caption) {
        message = VOR_AAA_Message(*caption);
    }
    m_displayObjects.emplace_back(type, I18NString(name), std::move(message), value);
}

VOR_AAA_AuthUserRecoverableException_LogonAs::VOR_AAA_AuthUserRecoverableException_LogonAs(
    const I18NString& namespaceID, const I18NString& namespaceDisplayName,
    const I18NString& userName) {
    build(namespaceID, namespaceDisplayName, userName, true);
}

VOR_AAA_AuthUserRecoverableException_LogonAs::VOR_AAA_AuthUserRecoverableException_LogonAs(
    const PYXMessage& caption, const I18NString& namespaceID,
    const I18NString& namespaceDisplayName, const I18NString& userName, bool userNameEditable) {
    AddCaption(caption);
    build(namespaceID, namespaceDisplayName, userName, userNameEditable);
}

void VOR_AAA_AuthUserRecoverableException_LogonAs::build(const I18NString& namespaceID,
                                                         const I18NString& namespaceDisplayName,
                                                         const I18NString& userName,
                                                         bool userNameEditable) {
    AddCaption(VOR_AAA_Message(kMsgLogonCaption));
    addField(DO::eHidden, "VORNamespace", std::nullopt, namespaceID);
    addField(DO::eDisplay, "VORNamespaceDisplayName", kMsgNamespaceCaption, namespaceDisplayName);
    addField(userNameEditable ? DO::eText : DO::eDisplay, "VORUsername", kMsgUserNameCaption,
             userName);
    addField(DO::eTextNoEcho, "VORPassword", kMsgPasswordCaption, I18NString());
    addField(DO::eHidden, "h_VOR_action", std::nullopt, I18NString("logonAs"));
}

VOR_AAA_AuthUserRecoverableException_ChangePassword2::
    VOR_AAA_AuthUserRecoverableException_ChangePassword2(const I18NString& namespaceID,
                                                         const I18NString& namespaceDisplayName,
                                                         const I18NString& userName,
                                                         const I18NString& userDN,
                                                         const I18NString& userNameForDisplay,
                                                         const I18NString& action) {
    addField(DO::eHidden, "VORNamespace", std::nullopt, namespaceID);
    addField(DO::eDisplay, "VORNamespaceDisplayName", kMsgNamespaceCaption, namespaceDisplayName);
    addField(DO::eHidden, "VORUsername", kMsgUserNameCaption, userName);
    addField(DO::eHidden, "VORUserDN", kMsgUserNameCaption, userDN);
    addField(DO::eDisplay, "VORUserNameForDisplay", kMsgUserNameCaption, userNameForDisplay);
    addField(DO::eTextNoEcho, "VOROldPassword", kMsgOldPasswordCaption, I18NString());
    addField(DO::eVerifyTextNoEcho, "VORNewPassword", kMsgNewPasswordCaption, I18NString());
    // The confirmation field carries the same name; the form compares the two.
    addField(DO::eVerifyTextNoEcho, "VORNewPassword", kMsgConfirmPasswordCaption, I18NString());
    addField(DO::eHidden, "h_VOR_action", std::nullopt, action);
}

VOR_AAA_AuthUserRecoverableException_GenerateTC::VOR_AAA_AuthUserRecoverableException_GenerateTC(
    const I18NString& namespaceID, const I18NString& namespaceDisplayName,
    const I18NString& userName, const I18NString& userNameForDisplay) {
    addField(DO::eHidden, "VORNamespace", std::nullopt, namespaceID);
    addField(DO::eDisplay, "VORNamespaceDisplayName", kMsgNamespaceCaption, namespaceDisplayName);
    addField(DO::eHidden, "VORUsername", kMsgUserNameCaption, userName);
    addField(DO::eDisplay, "VORUserNameForDisplay", kMsgUserNameCaption, userNameForDisplay);
    addField(DO::eTextNoEcho, "VORPassword", kMsgPasswordCaption, I18NString());
    addField(DO::eHidden, "h_VOR_action", std::nullopt, I18NString("generateTC"));
}

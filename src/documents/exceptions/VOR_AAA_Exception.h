// The provider's exception family.
//
//   PYXException <- VOR_AAA_Exception <- VOR_AAA_AuthException
//     VOR_AAA_AuthException <- VOR_AAA_AuthUnrecoverableException <- VOR_AAA_InvalidPassportID
//     VOR_AAA_AuthException <- VOR_AAA_AuthUserRecoverableException
//                              <- ..._LogonAs, ..._ChangePassword2, ..._GenerateTC (prompts)
//     VOR_AAA_AuthException <- VOR_AAA_AuthChallengeException
//                              <- VOR_AAA_AuthSystemRecoverableException,
//                                 VOR_AAA_AuthNegotiateRecoverableException
//
// Usage:
//     VOR_AAA_Exception e(-48);
//     e.addMessage(VOR_AAA_Message(kMsgQueryNotAnswered) << pathText);
//     PYX_THROW(e, "VOR_AAA_SearchFilter::_errorCleanUp");
//
//     PYX_THROW(VOR_AAA_AuthUserRecoverableException_LogonAs(nsID, nsName, user));
//
// Messages are catalogue numbers of the component "VOR_AAA"; captions are messages too, kept
// apart from the message set. At the provider boundary an exception is copied into the
// exception document VOR_AAA_OMException, which renders everything in the request's locale.
#pragma once

#include "PYXThrowable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A message of the provider's catalogue: VOR_AAA_Message(kMsgQueryNotAnswered) << parameter
// (the numbers the documents use are named in VOR_AAA_Messages.h).
class VOR_AAA_Message : public PYXMessage {
public:
    static constexpr const char* kComponent = "VOR_AAA";
    explicit VOR_AAA_Message(uint32_t number) : PYXMessage(kComponent, number) {}
    VOR_AAA_Message& operator<<(const PYXMessageParm& parm) {
        addParm(parm);
        return *this;
    }
};

class VOR_AAA_Exception : public PYXException {
    PYX_THROWABLE_CLASS(VOR_AAA_Exception)
public:
    explicit VOR_AAA_Exception(int32_t errorCode)
        : PYXException(errorCode), m_errorCode(errorCode) {}
    // Code and first message.
    VOR_AAA_Exception(int32_t errorCode, const PYXMessage& message);

    // The provider's own copy of the code (the platform code may be changed by others).
    int32_t GetProviderErrorCode() const { return m_errorCode; }

private:
    int32_t m_errorCode;
};

class VOR_AAA_AuthException : public VOR_AAA_Exception {
    PYX_THROWABLE_CLASS(VOR_AAA_AuthException)
public:
    VOR_AAA_AuthException(int32_t errorCode, const std::string& errorCodeString);

    void AddCaption(const PYXMessage& caption) { m_captions.push_back(caption); }
    const std::vector<PYXMessage>& GetCaptions() const { return m_captions; }

private:
    std::vector<PYXMessage> m_captions;
};

class VOR_AAA_AuthUnrecoverableException : public VOR_AAA_AuthException {
    PYX_THROWABLE_CLASS(VOR_AAA_AuthUnrecoverableException)
public:
    static constexpr int32_t kErrorCode = -38;
    static constexpr const char* kErrorCodeString = "vorAuthUnrecoverable";
    VOR_AAA_AuthUnrecoverableException();
    explicit VOR_AAA_AuthUnrecoverableException(const PYXMessage& caption);
};

class VOR_AAA_InvalidPassportID : public VOR_AAA_AuthUnrecoverableException {
    PYX_THROWABLE_CLASS(VOR_AAA_InvalidPassportID)
public:
    explicit VOR_AAA_InvalidPassportID(const I18NString& passportID);
};

// One field of a prompt form.
class VOR_AAA_DisplayObject {
public:
    enum Type {
        eText = 0,
        eTextNoEcho = 1,
        eVerifyTextNoEcho = 2,
        eSingleSelect = 3,
        eMultiSelect = 4,
        eHidden = 5,
        eDisplay = 6,
    };
    struct PromptOption {
        I18NString id;
        I18NString value;
        bool isDefault = false;
    };

    VOR_AAA_DisplayObject(Type type, const I18NString& name, std::optional<PYXMessage> caption,
                          const I18NString& value)
        : m_type(type), m_name(name), m_caption(std::move(caption)), m_value(value) {}

    // "text", "textnoecho", "verifytextnoecho", "singleselect", "multiselect", "hidden",
    // "display"; empty for a code outside the table.
    static const char* TypeText(Type type);

    Type GetType() const { return m_type; }
    const I18NString& GetName() const { return m_name; }
    const std::optional<PYXMessage>& GetCaption() const { return m_caption; }
    const I18NString& GetValue() const { return m_value; }
    const std::vector<PromptOption>& GetPromptOptions() const { return m_promptOptions; }
    void AddPromptOption(const I18NString& id, const I18NString& value, bool isDefault) {
        m_promptOptions.push_back({id, value, isDefault});
    }

private:
    Type m_type;
    I18NString m_name;
    std::optional<PYXMessage> m_caption;
    I18NString m_value;
    std::vector<PromptOption> m_promptOptions;
};

class VOR_AAA_AuthUserRecoverableException : public VOR_AAA_AuthException {
    PYX_THROWABLE_CLASS(VOR_AAA_AuthUserRecoverableException)
public:
    static constexpr int32_t kErrorCode = -36;
    static constexpr const char* kErrorCodeString = "vorAuthUserRecoverable";
    VOR_AAA_AuthUserRecoverableException();

    void AddDisplayObject(const VOR_AAA_DisplayObject& object) {
        m_displayObjects.push_back(object);
    }
    const std::vector<VOR_AAA_DisplayObject>& GetDisplayObjects() const { return m_displayObjects; }

protected:
    void addField(VOR_AAA_DisplayObject::Type type, const char* name,
                  std::optional<uint32_t> caption, const I18NString& value);

private:
    std::vector<VOR_AAA_DisplayObject> m_displayObjects;
};

// Log on (again): namespace, its display name, user name, password.
class VOR_AAA_AuthUserRecoverableException_LogonAs : public VOR_AAA_AuthUserRecoverableException {
    PYX_THROWABLE_CLASS(VOR_AAA_AuthUserRecoverableException_LogonAs)
public:
    // The user name may be edited.
    VOR_AAA_AuthUserRecoverableException_LogonAs(const I18NString& namespaceID,
                                                 const I18NString& namespaceDisplayName,
                                                 const I18NString& userName);
    // A caption before the standard one; the user name is editable only when told.
    VOR_AAA_AuthUserRecoverableException_LogonAs(const PYXMessage& caption,
                                                 const I18NString& namespaceID,
                                                 const I18NString& namespaceDisplayName,
                                                 const I18NString& userName, bool userNameEditable);

private:
    void build(const I18NString& namespaceID, const I18NString& namespaceDisplayName,
               const I18NString& userName, bool userNameEditable);
};

// Expired or forced password change: old password, new password twice.
class VOR_AAA_AuthUserRecoverableException_ChangePassword2
    : public VOR_AAA_AuthUserRecoverableException {
    PYX_THROWABLE_CLASS(VOR_AAA_AuthUserRecoverableException_ChangePassword2)
public:
    VOR_AAA_AuthUserRecoverableException_ChangePassword2(const I18NString& namespaceID,
                                                         const I18NString& namespaceDisplayName,
                                                         const I18NString& userName,
                                                         const I18NString& userDN,
                                                         const I18NString& userNameForDisplay,
                                                         const I18NString& action);
};

// Credentials for a trusted-credential request.
class VOR_AAA_AuthUserRecoverableException_GenerateTC
    : public VOR_AAA_AuthUserRecoverableException {
    PYX_THROWABLE_CLASS(VOR_AAA_AuthUserRecoverableException_GenerateTC)
public:
    VOR_AAA_AuthUserRecoverableException_GenerateTC(const I18NString& namespaceID,
                                                    const I18NString& namespaceDisplayName,
                                                    const I18NString& userName,
                                                    const I18NString& userNameForDisplay);
};

class VOR_AAA_AuthChallengeException : public VOR_AAA_AuthException {
    PYX_THROWABLE_CLASS(VOR_AAA_AuthChallengeException)
public:
    VOR_AAA_AuthChallengeException(int32_t errorCode, const std::string& errorCodeString,
                                   const I18NString& challenge)
        : VOR_AAA_AuthException(errorCode, errorCodeString), m_challenge(challenge) {}
    const I18NString& GetChallenge() const { return m_challenge; }

private:
    I18NString m_challenge;
};

class VOR_AAA_AuthSystemRecoverableException : public VOR_AAA_AuthChallengeException {
    PYX_THROWABLE_CLASS(VOR_AAA_AuthSystemRecoverableException)
public:
    explicit VOR_AAA_AuthSystemRecoverableException(const I18NString& challenge)
        : VOR_AAA_AuthChallengeException(-37, "vorAuthSystemRecoverable", challenge) {}
};

class VOR_AAA_AuthNegotiateRecoverableException : public VOR_AAA_AuthChallengeException {
    PYX_THROWABLE_CLASS(VOR_AAA_AuthNegotiateRecoverableException)
public:
    explicit VOR_AAA_AuthNegotiateRecoverableException(const I18NString& challenge)
        : VOR_AAA_AuthChallengeException(-51, "vorAuthNegotiate", challenge) {}
};

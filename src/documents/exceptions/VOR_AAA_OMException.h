// VOR_AAA_OMException: the exception document ("exception" element of the bus schema).
//
// At the provider boundary an exception is copied into the document, its messages and
// captions rendered in the request's product locale, and the document is serialized:
//
//     VOR_AAA_OMException doc;
//     doc.SetFrom(caught, additionalInfo.GetProductLocale());   // most specific Set* for it
//     doc.Serialize(&exceptionOut, allocRoutine);
//
// The Set* operations each call the next more general one first (display objects -> captions
// -> provider exception -> platform exception; challenge -> provider -> platform). They add to
// what the document holds; Clear() empties it. An empty document writes nothing.
//
// AddException is the merge a bus header applies when it carries an exception: unless the
// document already holds an unrecoverable authentication failure it is replaced; otherwise the
// new failure's messages go in front and the earlier ones follow, nested below them.
//
// VOR_AAA_OMExceptionHandler reads the document; documents that embed one (the authenticate
// response) forward the events of the "exception" element to it (startDocument first).
#pragma once

#include "I18NString.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_DefaultHandlers.h"
#include "VOR_AAA_ElementReader.h"
#include "VOR_AAA_Serializable.h"

#include <cstdint>
#include <vector>

class PYXException;
class VOR_AAA_Exception;
class VOR_AAA_AuthException;
class VOR_AAA_AuthUserRecoverableException;
class VOR_AAA_AuthChallengeException;

class VOR_AAA_OMException : public VOR_AAA_Serializable {
public:
    struct Message {
        int32_t nestingLevel = 0;
        I18NString text;
        friend bool operator==(const Message&, const Message&) = default;
    };
    struct PromptOption {
        I18NString id;
        I18NString value;
        bool isDefault = false;
        friend bool operator==(const PromptOption&, const PromptOption&) = default;
    };
    struct DisplayObject {
        I18NString type;  // "text", "textnoecho", ..., "display"
        I18NString name;
        I18NString caption;
        I18NString value;
        std::vector<PromptOption> promptOptions;
        friend bool operator==(const DisplayObject&, const DisplayObject&) = default;
    };

    explicit VOR_AAA_OMException(bool writeNamespaces = false);
    ~VOR_AAA_OMException() override;

    void Write(std::ostream& out) const override;
    // Document name "exception".
    void Load(const char* text, size_t length) override;

    virtual void SetFromChallenge(const VOR_AAA_AuthChallengeException& e,
                                  const I18NString& locale);
    virtual void SetFromUserRecoverable(const VOR_AAA_AuthUserRecoverableException& e,
                                        const I18NString& locale);
    virtual void SetCaptions(const VOR_AAA_AuthException& e, const I18NString& locale);
    virtual void SetFromProviderException(const VOR_AAA_Exception& e, const I18NString& locale);
    virtual void SetFromException(const PYXException& e, const I18NString& locale);

    // Calls the most specific Set* for the exception's dynamic type.
    void SetFrom(const PYXException& e, const I18NString& locale);
    // The bus header's merge (see above). Display objects of the new exception are not taken.
    void AddException(const PYXException& e, const I18NString& locale);

    void Clear();
    bool IsEmpty() const;

    const I18NString& GetSeverity() const { return m_severity; }
    void SetSeverity(const I18NString& severity) { m_severity = severity; }
    int32_t GetErrorCode() const { return m_errorCode; }
    void SetErrorCode(int32_t code) { m_errorCode = code; }
    const I18NString& GetErrorCodeString() const { return m_errorCodeString; }
    void SetErrorCodeString(const I18NString& codeString) { m_errorCodeString = codeString; }
    const std::vector<Message>& GetMessages() const { return m_messages; }
    void AddMessage(int32_t nestingLevel, const I18NString& text) {
        m_messages.push_back({nestingLevel, text});
    }
    const I18NString& GetSecurityBlob() const { return m_securityBlob; }
    void SetSecurityBlob(const I18NString& blob) { m_securityBlob = blob; }
    const std::vector<I18NString>& GetCaptions() const { return m_captions; }
    void AddCaption(const I18NString& caption) { m_captions.push_back(caption); }
    const std::vector<DisplayObject>& GetDisplayObjects() const { return m_displayObjects; }
    void AddDisplayObject(const DisplayObject& object) { m_displayObjects.push_back(object); }
    bool GetWriteNamespaces() const { return m_writeNamespaces; }
    void SetWriteNamespaces(bool writeNamespaces) { m_writeNamespaces = writeNamespaces; }

private:
    friend class VOR_AAA_OMExceptionHandler;

    const VOR_AAA_Const* m_names;
    I18NString m_severity;
    int32_t m_errorCode = 0;
    I18NString m_errorCodeString;
    std::vector<Message> m_messages;
    I18NString m_securityBlob;
    std::vector<I18NString> m_captions;
    std::vector<DisplayObject> m_displayObjects;
    bool m_writeNamespaces;
};

class VOR_AAA_OMExceptionHandler : public VOR_AAA_ElementReader<VOR_AAA_OMExceptionHandler> {
public:
    VOR_AAA_OMExceptionHandler() = default;
    explicit VOR_AAA_OMExceptionHandler(VOR_AAA_OMException& target) : m_target(&target) {}
    void SetTarget(VOR_AAA_OMException* target) { m_target = target; }

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_OMExceptionHandler>;
    static std::span<const Rule> Rules();
    void Reset();
    VOR_AAA_OMException& Target() { return *m_target; }

    VOR_AAA_OMException* m_target = nullptr;
    I18NString m_text;  // text of the current leaf element
    VOR_AAA_OMException::Message m_message;
    VOR_AAA_OMException::DisplayObject m_displayObject;
    VOR_AAA_OMException::PromptOption m_option;
};

#include "VOR_AAA_OMException.h"

#include "PYXThrowable.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_WriteEscapedText.h"

#include <string>

namespace {

std::string localeName(const I18NString& locale) {
    return locale.utf8();
}

const char* severityText(PYXSeverity severity) {
    switch (severity) {
        case kPYXSeverityFatal:
            return "fatal";
        case kPYXSeverityError:
            return "error";
        case kPYXSeverityWarning:
            return "warning";
        case kPYXSeverityInformation:
            return "information";
    }
    return "";
}

// One string element of a display object: written only when not empty.
void writeStringElement(std::ostream& out, const char* name, const I18NString& text) {
    if (text.empty()) {
        return;
    }
    out << '<' << name << " xsi:type=\"xsd:string\" xml:space=\"preserve\">";
    WriteEscapedText(text, out);
    out << "</" << name << '>';
}

}  // namespace

VOR_AAA_OMException::VOR_AAA_OMException(bool writeNamespaces)
    : m_names(&VOR_AAA_Const::Get()), m_writeNamespaces(writeNamespaces) {}

VOR_AAA_OMException::~VOR_AAA_OMException() = default;

void VOR_AAA_OMException::Clear() {
    m_severity.clear();
    m_errorCode = 0;
    m_errorCodeString.clear();
    m_messages.clear();
    m_securityBlob.clear();
    m_captions.clear();
    m_displayObjects.clear();
}

bool VOR_AAA_OMException::IsEmpty() const {
    return m_severity.empty() && m_errorCode == 0 && m_errorCodeString.empty() &&
           m_messages.empty() && m_securityBlob.empty() && m_captions.empty() &&
           m_displayObjects.empty();
}

void VOR_AAA_OMException::SetFromException(const PYXException& e, const I18NString& locale) {
    const std::string name = localeName(locale);
    m_severity = severityText(e.getSeverity());
    if (e.getErrorCode() != 0) {
        m_errorCode = e.getErrorCode();
    }
    if (!e.getErrorCodeString().empty()) {
        m_errorCodeString = I18NString(e.getErrorCodeString());
    }
    for (size_t i = 0; i < e.getMessageCount(); ++i) {
        m_messages.push_back({e.getMessageNestingLevelN(i), e.renderMessageN(i, name.c_str())});
    }
}

void VOR_AAA_OMException::SetFromProviderException(const VOR_AAA_Exception& e,
                                                   const I18NString& locale) {
    SetFromException(e, locale);
    if (e.GetProviderErrorCode() != 0) {
        m_errorCode = e.GetProviderErrorCode();
    }
}

void VOR_AAA_OMException::SetFromChallenge(const VOR_AAA_AuthChallengeException& e,
                                           const I18NString& locale) {
    SetFromProviderException(e, locale);
    m_securityBlob = e.GetChallenge();
}

void VOR_AAA_OMException::SetCaptions(const VOR_AAA_AuthException& e, const I18NString& locale) {
    SetFromProviderException(e, locale);
    const std::string name = localeName(locale);
    for (const PYXMessage& caption : e.GetCaptions()) {
        m_captions.push_back(caption.render(name.c_str()));
    }
}

void VOR_AAA_OMException::SetFromUserRecoverable(const VOR_AAA_AuthUserRecoverableException& e,
                                                 const I18NString& locale) {
    SetCaptions(e, locale);
    const std::string name = localeName(locale);
    for (const VOR_AAA_DisplayObject& object : e.GetDisplayObjects()) {
        DisplayObject copy;
        copy.type = VOR_AAA_DisplayObject::TypeText(object.GetType());
        copy.name = object.GetName();
        if (object.GetCaption()) {
            copy.caption = object.GetCaption()->render(name.c_str());
        }
        copy.value = object.GetValue();
        for (const auto& option : object.GetPromptOptions()) {
            copy.promptOptions.push_back({option.id, option.value, option.isDefault});
        }
        m_displayObjects.push_back(std::move(copy));
    }
}

void VOR_AAA_OMException::SetFrom(const PYXException& e, const I18NString& locale) {
    if (auto* challenge = dynamic_cast<const VOR_AAA_AuthChallengeException*>(&e)) {
        SetFromChallenge(*challenge, locale);
    } else if (auto* prompt = dynamic_cast<const VOR_AAA_AuthUserRecoverableException*>(&e)) {
        SetFromUserRecoverable(*prompt, locale);
    } else if (auto* auth = dynamic_cast<const VOR_AAA_AuthException*>(&e)) {
        SetCaptions(*auth, locale);
    } else if (auto* provider = dynamic_cast<const VOR_AAA_Exception*>(&e)) {
        SetFromProviderException(*provider, locale);
    } else {
        SetFromException(e, locale);
    }
}

void VOR_AAA_OMException::AddException(const PYXException& e, const I18NString& locale) {
    if (m_errorCodeString != I18NString(VOR_AAA_AuthUnrecoverableException::kErrorCodeString)) {
        Clear();
        if (auto* auth = dynamic_cast<const VOR_AAA_AuthException*>(&e)) {
            SetCaptions(*auth, locale);
        } else if (auto* provider = dynamic_cast<const VOR_AAA_Exception*>(&e)) {
            SetFromProviderException(*provider, locale);
        } else {
            SetFromException(e, locale);
        }
        return;
    }
    // The new failure heads the list; the earlier unrecoverable one follows, nested below it.
    const size_t count = e.getMessageCount();
    const int32_t shift = count == 0 ? 0 : e.getMessageNestingLevelN(count - 1) + 1;
    const std::string name = localeName(locale);
    std::vector<Message> merged;
    merged.reserve(count + m_messages.size());
    for (size_t i = 0; i < count; ++i) {
        merged.push_back({e.getMessageNestingLevelN(i), e.renderMessageN(i, name.c_str())});
    }
    for (const Message& earlier : m_messages) {
        merged.push_back({earlier.nestingLevel + shift, earlier.text});
    }
    m_messages = std::move(merged);
}

void VOR_AAA_OMException::Write(std::ostream& out) const {
    if (IsEmpty()) {
        return;
    }
    using T = VOR_AAA_Const::Text;
    out << "<exception xsi:type=\"bus:VORException\"";
    if (m_writeNamespaces) {
        out << " xmlns:bus=\"" << T::kBusNamespaceURI << "\" xmlns:xsd=\""
            << T::kXMLSchemaNamespaceURI << "\" xmlns:xsi=\"" << T::kXMLSchemaInstanceNamespaceURI
            << "\" xmlns:SOAP-ENC=\"" << T::kSOAPEncodingNamespaceURI << '"';
    }
    out << '>';
    if (!m_severity.empty()) {
        out << "<severity xsi:type=\"bus:severityEnum\">" << m_severity << "</severity>";
    }
    if (!m_errorCodeString.empty()) {
        out << "<errorCodeString xsi:type=\"xsd:string\" xml:space=\"preserve\">"
            << m_errorCodeString << "</errorCodeString>";
    } else if (m_errorCode != 0) {
        out << "<errorCode xsi:type=\"xsd:string\" xml:space=\"preserve\">" << m_errorCode
            << "</errorCode>";
    }
    if (!m_messages.empty()) {
        out << "<messages xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"bus:message["
            << m_messages.size() << "]\">";
        for (const Message& message : m_messages) {
            out << "<item xsi:type=\"bus:message\">";
            if (message.nestingLevel != 0) {
                out << "<nestingLevel xsi:type=\"xsd:integer\">" << message.nestingLevel
                    << "</nestingLevel>";
            }
            out << "<messageString xsi:type=\"xsd:string\" xml:space=\"preserve\">";
            WriteEscapedText(message.text, out);
            out << "</messageString></item>";
        }
        out << "</messages>";
    }
    if (m_securityBlob.empty() && m_captions.empty() && m_displayObjects.empty()) {
        out << "</exception>";
        return;
    }
    out << "<promptInfo xsi:type=\"bus:promptInfo\">";
    if (!m_securityBlob.empty()) {
        out << "<securityBlob xsi:type=\"xsd:base64Binary\">";
        WriteEscapedText(m_securityBlob, out);
        out << "</securityBlob>";
    }
    if (!m_captions.empty()) {
        out << "<captions xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"xsd:string["
            << m_captions.size() << "]\">";
        for (const I18NString& caption : m_captions) {
            out << "<item xsi:type=\"xsd:string\" xml:space=\"preserve\">";
            WriteEscapedText(caption, out);
            out << "</item>";
        }
        out << "</captions>";
    }
    if (!m_displayObjects.empty()) {
        out << "<displayObjects xsi:type=\"SOAP-ENC:Array\" "
               "SOAP-ENC:arrayType=\"bus:displayObject["
            << m_displayObjects.size() << "]\">";
        for (const DisplayObject& object : m_displayObjects) {
            out << "<item xsi:type=\"bus:displayObject\">";
            writeStringElement(out, "type", object.type);
            writeStringElement(out, "name", object.name);
            writeStringElement(out, "caption", object.caption);
            writeStringElement(out, "value", object.value);
            if (!object.promptOptions.empty()) {
                out << "<promptOptions xsi:type='SOAP-ENC:Array' "
                       "SOAP-ENC:arrayType='bus:promptOption["
                    << object.promptOptions.size() << "]'>";
                for (const PromptOption& option : object.promptOptions) {
                    out << "<item xsi:type=\"bus:promptOption\">"
                        << "<id xsi:type='xsd:string' xml:space='preserve'>";
                    WriteEscapedText(option.id, out);
                    out << "</id><value xsi:type='xsd:string' xml:space='preserve'>";
                    WriteEscapedText(option.value, out);
                    out << "</value><default xsi:type='xsd:boolean' xml:space='preserve'>"
                        << (option.isDefault ? "true" : "false") << "</default></item>";
                }
                out << "</promptOptions>";
            }
            out << "</item>";
        }
        out << "</displayObjects>";
    }
    out << "</promptInfo></exception>";
}

void VOR_AAA_OMException::Load(const char* text, size_t length) {
    Clear();
    VOR_AAA_OMExceptionHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "exception", text, length);
}

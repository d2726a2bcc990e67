#include "VOR_AAA_OMException.h"

#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_VORID.h"

namespace {

using C = VOR_AAA_Const;

}  // namespace

void VOR_AAA_OMExceptionHandler::startDocument() {
    m_states.clear();
    m_depth = 0;
    m_text.clear();
}

bool VOR_AAA_OMExceptionHandler::isLeaf() const {
    switch (m_states.back()) {
        case eSeverity:
        case eErrorCode:
        case eErrorCodeString:
        case eNestingLevel:
        case eMessageString:
        case eSecurityBlob:
        case eCaptionItem:
        case eDisplayType:
        case eDisplayName:
        case eDisplayValue:
        case eDisplayCaption:
        case eOptionId:
        case eOptionValue:
        case eOptionDefault:
            return true;
        default:
            return false;
    }
}

void VOR_AAA_OMExceptionHandler::startElement(const XMLCh* const, const XMLCh* const localname,
                                              const XMLCh* const, const xercesc::Attributes&) {
    // Only a direct child of the element of the current state can change the state.
    const bool direct = m_depth == static_cast<int>(m_states.size());
    ++m_depth;
    if (!direct) {
        return;
    }
    auto is = [&](const XMLCh* name) { return C::Equals(localname, name); };
    State current = m_states.empty() ? eOutside : m_states.back();
    State next = current;
    switch (current) {
        case eOutside:
            if (is(C::kException))
                next = eRoot;
            break;
        case eRoot:
            if (is(C::kSeverity))
                next = eSeverity;
            else if (is(C::kErrorCode))
                next = eErrorCode;
            else if (is(C::kErrorCodeString))
                next = eErrorCodeString;
            else if (is(C::kMessages))
                next = eMessages;
            else if (is(C::kPromptInfo))
                next = ePromptInfo;
            break;
        case eMessages:
            if (is(C::kItem)) {
                next = eMessageItem;
                m_message = {};
            }
            break;
        case eMessageItem:
            if (is(C::kNestingLevel))
                next = eNestingLevel;
            else if (is(C::kMessageString))
                next = eMessageString;
            break;
        case ePromptInfo:
            if (is(C::kSecurityBlob))
                next = eSecurityBlob;
            else if (is(C::kCaptions))
                next = eCaptions;
            else if (is(C::kDisplayObjects))
                next = eDisplayObjects;
            break;
        case eCaptions:
            if (is(C::kItem))
                next = eCaptionItem;
            break;
        case eDisplayObjects:
            if (is(C::kItem)) {
                next = eDisplayItem;
                m_displayObject = {};
            }
            break;
        case eDisplayItem:
            if (is(C::kType))
                next = eDisplayType;
            else if (is(C::kName))
                next = eDisplayName;
            else if (is(C::kValue))
                next = eDisplayValue;
            else if (is(C::kCaption))
                next = eDisplayCaption;
            else if (is(C::kPromptOptions))
                next = ePromptOptions;
            break;
        case ePromptOptions:
            if (is(C::kItem)) {
                next = eOptionItem;
                m_option = {};
            }
            break;
        case eOptionItem:
            if (is(C::kId))
                next = eOptionId;
            else if (is(C::kValue))
                next = eOptionValue;
            else if (is(C::kDefault))
                next = eOptionDefault;
            break;
        default:
            break;
    }
    if (next != current) {
        m_states.push_back(next);
        m_text.clear();
    }
}

void VOR_AAA_OMExceptionHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (!m_states.empty() && m_depth == static_cast<int>(m_states.size()) && isLeaf()) {
        VOR_AAA_AppendText(m_text, chars, length);
    }
}

void VOR_AAA_OMExceptionHandler::endElement(const XMLCh* const, const XMLCh* const,
                                            const XMLCh* const) {
    --m_depth;
    if (m_depth < static_cast<int>(m_states.size())) {
        leave();
    }
}

void VOR_AAA_OMExceptionHandler::leave() {
    VOR_AAA_OMException& doc = *m_target;
    switch (m_states.back()) {
        case eSeverity:
            doc.m_severity = m_text;
            break;
        case eErrorCode:
            doc.m_errorCode = VOR_AAA_LeadingInt(m_text);
            break;
        case eErrorCodeString:
            doc.m_errorCodeString = m_text;
            break;
        case eNestingLevel:
            m_message.nestingLevel = VOR_AAA_LeadingInt(m_text);
            break;
        case eMessageString:
            m_message.text = m_text;
            break;
        case eMessageItem:
            doc.m_messages.push_back(std::move(m_message));
            break;
        case eSecurityBlob:
            doc.m_securityBlob = m_text;
            break;
        case eCaptionItem:
            doc.m_captions.push_back(m_text);
            break;
        case eDisplayType:
            m_displayObject.type = m_text;
            break;
        case eDisplayName:
            m_displayObject.name = m_text;
            break;
        case eDisplayValue:
            m_displayObject.value = m_text;
            break;
        case eDisplayCaption:
            m_displayObject.caption = m_text;
            break;
        case eDisplayItem:
            doc.m_displayObjects.push_back(std::move(m_displayObject));
            break;
        case eOptionId:
            m_option.id = I18NString(VOR_AAA_VORID::UnescapeDelimiters(m_text.utf8()));
            break;
        case eOptionValue:
            m_option.value = m_text;
            break;
        case eOptionDefault:
            m_option.isDefault = m_text == I18NString("true");
            break;
        case eOptionItem:
            m_displayObject.promptOptions.push_back(std::move(m_option));
            break;
        default:
            break;
    }
    m_states.pop_back();
    m_text.clear();
}

#include "VOR_AAA_OMException.h"

#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_VORID.h"

namespace {

using C = VOR_AAA_Const;
using H = VOR_AAA_OMExceptionHandler;
using Doc = VOR_AAA_OMException;

enum State {
    kRoot = 1,
    kSeverity,
    kErrorCode,
    kErrorCodeString,
    kMessages,
    kMessageItem,
    kNestingLevel,
    kMessageString,
    kPromptInfo,
    kSecurityBlob,
    kCaptions,
    kCaptionItem,
    kDisplayObjects,
    kDisplayItem,
    kDisplayType,
    kDisplayName,
    kDisplayValue,
    kDisplayCaption,
    kPromptOptions,
    kOptionItem,
    kOptionId,
    kOptionValue,
    kOptionDefault,
};

}  // namespace

void VOR_AAA_OMExceptionHandler::Reset() {
    m_text.clear();
}

std::span<const VOR_AAA_OMExceptionHandler::Rule> VOR_AAA_OMExceptionHandler::Rules() {
    // A leaf whose value is not a text of the document is read into m_text and converted when
    // it closes.
    const auto scratch = [](H& h) { return &h.m_text; };
    static const Rule kRules[] = {
        {.parent = kOutside, .name = C::kException, .state = kRoot},
        {.parent = kRoot,
         .name = C::kSeverity,
         .state = kSeverity,
         .text = Field<&Doc::m_severity>,
         .replace = true},
        {.parent = kRoot,
         .name = C::kErrorCode,
         .state = kErrorCode,
         .text = scratch,
         .replace = true,
         .leave = [](H& h) { h.Target().m_errorCode = VOR_AAA_LeadingInt(h.m_text); }},
        {.parent = kRoot,
         .name = C::kErrorCodeString,
         .state = kErrorCodeString,
         .text = Field<&Doc::m_errorCodeString>,
         .replace = true},
        {.parent = kRoot, .name = C::kMessages, .state = kMessages},
        {.parent = kRoot, .name = C::kPromptInfo, .state = kPromptInfo},

        {.parent = kMessages,
         .name = C::kItem,
         .state = kMessageItem,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes&) { h.m_message = {}; },
         .leave = [](H& h) { h.Target().m_messages.push_back(std::move(h.m_message)); }},
        {.parent = kMessageItem,
         .name = C::kNestingLevel,
         .state = kNestingLevel,
         .text = scratch,
         .replace = true,
         .leave = [](H& h) { h.m_message.nestingLevel = VOR_AAA_LeadingInt(h.m_text); }},
        {.parent = kMessageItem,
         .name = C::kMessageString,
         .state = kMessageString,
         .text = [](H& h) { return &h.m_message.text; },
         .replace = true},

        {.parent = kPromptInfo,
         .name = C::kSecurityBlob,
         .state = kSecurityBlob,
         .text = Field<&Doc::m_securityBlob>,
         .replace = true},
        {.parent = kPromptInfo, .name = C::kCaptions, .state = kCaptions},
        {.parent = kCaptions,
         .name = C::kItem,
         .state = kCaptionItem,
         .text = scratch,
         .replace = true,
         .leave = [](H& h) { h.Target().m_captions.push_back(h.m_text); }},
        {.parent = kPromptInfo, .name = C::kDisplayObjects, .state = kDisplayObjects},

        {.parent = kDisplayObjects,
         .name = C::kItem,
         .state = kDisplayItem,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes&) { h.m_displayObject = {}; },
         .leave =
             [](H& h) { h.Target().m_displayObjects.push_back(std::move(h.m_displayObject)); }},
        {.parent = kDisplayItem,
         .name = C::kType,
         .state = kDisplayType,
         .text = [](H& h) { return &h.m_displayObject.type; },
         .replace = true},
        {.parent = kDisplayItem,
         .name = C::kName,
         .state = kDisplayName,
         .text = [](H& h) { return &h.m_displayObject.name; },
         .replace = true},
        {.parent = kDisplayItem,
         .name = C::kValue,
         .state = kDisplayValue,
         .text = [](H& h) { return &h.m_displayObject.value; },
         .replace = true},
        {.parent = kDisplayItem,
         .name = C::kCaption,
         .state = kDisplayCaption,
         .text = [](H& h) { return &h.m_displayObject.caption; },
         .replace = true},
        {.parent = kDisplayItem, .name = C::kPromptOptions, .state = kPromptOptions},

        {.parent = kPromptOptions,
         .name = C::kItem,
         .state = kOptionItem,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes&) { h.m_option = {}; },
         .leave = [](H& h) { h.m_displayObject.promptOptions.push_back(std::move(h.m_option)); }},
        {.parent = kOptionItem,
         .name = C::kId,
         .state = kOptionId,
         .text = scratch,
         .replace = true,
         .leave =
             [](H& h) {
                 h.m_option.id = I18NString(VOR_AAA_VORID::UnescapeDelimiters(h.m_text.utf8()));
             }},
        {.parent = kOptionItem,
         .name = C::kValue,
         .state = kOptionValue,
         .text = [](H& h) { return &h.m_option.value; },
         .replace = true},
        {.parent = kOptionItem,
         .name = C::kDefault,
         .state = kOptionDefault,
         .text = scratch,
         .replace = true,
         .leave = [](H& h) { h.m_option.isDefault = h.m_text == I18NString("true"); }},
    };
    return kRules;
}

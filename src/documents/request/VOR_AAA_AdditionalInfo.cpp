#include "VOR_AAA_AdditionalInfo.h"

#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

using C = VOR_AAA_Const;

VOR_AAA_AdditionalInfo::VOR_AAA_AdditionalInfo()
    : m_names(&VOR_AAA_Const::Get()),
      m_productLocale(C::Text::kEnUs),
      m_contentLocale(C::Text::kEnUs),
      m_requestContext(" "),
      m_typedLogger(C::Text::kAuditRTUsage),
      m_ancestors{{I18NString(C::Text::kDirectory), I18NString(C::Text::kSlashDirectory),
                   I18NString(C::Text::kDirectoryTitle)}} {}

void VOR_AAA_AdditionalInfo::Write(std::ostream& out) const {
    out << "<additionalInfo xmlns=\"" << C::Text::kBusNamespaceURI << "\"><typedLogger>";
    WriteEscapedText(m_typedLogger, out);
    out << "</typedLogger>";
    if (!m_ancestors.empty()) {
        out << "<ancestors><value>";
        for (const VOR_AAA_Ancestor& ancestor : m_ancestors) {
            out << "<item><objectClass>";
            WriteEscapedText(ancestor.objectClass, out);
            out << "</objectClass><searchPath>";
            WriteEscapedText(VOR_AAA_VORID::EscapeDelimiters(ancestor.searchPath.utf8()), out);
            out << "</searchPath><title>";
            WriteEscapedText(ancestor.title, out);
            out << "</title></item>";
        }
        out << "</value></ancestors>";
    }
    out << "<productLocale>";
    WriteEscapedText(m_productLocale, out);
    out << "</productLocale><contentLocale>";
    WriteEscapedText(m_contentLocale, out);
    out << "</contentLocale><tracking><hopCount>";
    WriteEscapedText(m_hopCount, out);
    out << "</hopCount><requestContext>";
    WriteEscapedText(m_requestContext, out);
    out << "</requestContext><sessionContext>";
    WriteEscapedText(m_sessionContext, out);
    out << "</sessionContext><stepContext>";
    WriteEscapedText(m_stepContext, out);
    out << "</stepContext></tracking></additionalInfo>";
}

void VOR_AAA_AdditionalInfo::Load(const char* text, size_t length) {
    VOR_AAA_AdditionalInfoHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "additionalInfo", text, length);
}

namespace {

enum State {
    kOutside,
    kInfo,
    kTypedLogger,
    kAncestors,
    kAncestorList,
    kAncestor,
    kAncestorClass,
    kAncestorPath,
    kAncestorTitle,
    kProductLocale,
    kContentLocale,
    kTracking,
    kHopCount,
    kRequestContext,
    kSessionContext,
    kStepContext,
};

}  // namespace

std::span<const VOR_AAA_AdditionalInfoHandler::Rule> VOR_AAA_AdditionalInfoHandler::Rules() {
    using H = VOR_AAA_AdditionalInfoHandler;
    using Info = VOR_AAA_AdditionalInfo;
    // The logger and the two locales replace their defaults; the tracking texts are appended to
    // theirs (a request context read as "r1" becomes " r1").
    static const Rule kRules[] = {
        {.parent = kOutside, .name = C::kAdditionalInfo, .state = kInfo},
        {.parent = kInfo,
         .name = C::kTypedLogger,
         .state = kTypedLogger,
         .text = Field<&Info::m_typedLogger>,
         .replace = true},
        {.parent = kInfo,
         .name = C::kProductLocale,
         .state = kProductLocale,
         .text = Field<&Info::m_productLocale>,
         .replace = true},
        {.parent = kInfo,
         .name = C::kContentLocale,
         .state = kContentLocale,
         .text = Field<&Info::m_contentLocale>,
         .replace = true},
        {.parent = kInfo, .name = C::kAncestors, .state = kAncestors},
        {.parent = kAncestors, .name = C::kValue, .state = kAncestorList},
        {.parent = kAncestorList,
         .name = C::kItem,
         .state = kAncestor,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes&) { h.m_ancestor = {}; },
         .leave = [](H& h) { h.addAncestor(); }},
        {.parent = kAncestor,
         .name = C::kObjectClass,
         .state = kAncestorClass,
         .text = [](H& h) { return &h.m_ancestor.objectClass; }},
        {.parent = kAncestor,
         .name = C::kSearchPath,
         .state = kAncestorPath,
         .text = [](H& h) { return &h.m_ancestor.searchPath; }},
        {.parent = kAncestor,
         .name = C::kTitle,
         .state = kAncestorTitle,
         .text = [](H& h) { return &h.m_ancestor.title; }},
        {.parent = kInfo, .name = C::kTracking, .state = kTracking},
        {.parent = kTracking,
         .name = C::kHopCount,
         .state = kHopCount,
         .text = Field<&Info::m_hopCount>},
        {.parent = kTracking,
         .name = C::kRequestContext,
         .state = kRequestContext,
         .text = Field<&Info::m_requestContext>},
        {.parent = kTracking,
         .name = C::kSessionContext,
         .state = kSessionContext,
         .text = Field<&Info::m_sessionContext>},
        {.parent = kTracking,
         .name = C::kStepContext,
         .state = kStepContext,
         .text = Field<&Info::m_stepContext>},
    };
    return kRules;
}

// The first ancestor read replaces the default list; its search path arrives escaped.
void VOR_AAA_AdditionalInfoHandler::addAncestor() {
    if (!m_ancestorsReplaced) {
        m_target->m_ancestors.clear();
        m_ancestorsReplaced = true;
    }
    m_ancestor.searchPath =
        I18NString(VOR_AAA_VORID::UnescapeDelimiters(m_ancestor.searchPath.utf8()));
    m_target->m_ancestors.push_back(std::move(m_ancestor));
    m_ancestor = {};
}

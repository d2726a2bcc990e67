#include "VOR_AAA_AdditionalInfo.h"

#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

namespace {

using C = VOR_AAA_Const;

// Parse states: 0 outside, 1 additionalInfo, 2 typedLogger, 3 ancestors, 4 value, 5 item,
// 6 objectClass, 7 searchPath, 8 title, 9 productLocale, 10 contentLocale, 11 tracking,
// 12 hopCount, 13 requestContext, 14 sessionContext, 15 stepContext.

}  // namespace

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

void VOR_AAA_AdditionalInfoHandler::startDocument() {
    m_state = 0;
    m_depth = 0;
    m_ancestorsReplaced = false;
}

I18NString* VOR_AAA_AdditionalInfoHandler::textTarget() {
    switch (m_state) {
        case 2:
            return &m_target->m_typedLogger;
        case 6:
            return &m_ancestor.objectClass;
        case 7:
            return &m_ancestor.searchPath;
        case 8:
            return &m_ancestor.title;
        case 9:
            return &m_target->m_productLocale;
        case 10:
            return &m_target->m_contentLocale;
        case 12:
            return &m_target->m_hopCount;
        case 13:
            return &m_target->m_requestContext;
        case 14:
            return &m_target->m_sessionContext;
        case 15:
            return &m_target->m_stepContext;
        default:
            return nullptr;
    }
}

void VOR_AAA_AdditionalInfoHandler::startElement(const XMLCh* const, const XMLCh* const localname,
                                                 const XMLCh* const, const xercesc::Attributes&) {
    auto is = [&](const XMLCh* name) { return C::Equals(localname, name); };
    const int before = m_state;
    switch (m_state) {
        case 0:
            if (m_depth == 0 && is(C::kAdditionalInfo))
                m_state = 1;
            break;
        case 1:
            if (m_depth != 1)
                break;
            if (is(C::kTypedLogger))
                m_state = 2;
            else if (is(C::kAncestors))
                m_state = 3;
            else if (is(C::kProductLocale))
                m_state = 9;
            else if (is(C::kContentLocale))
                m_state = 10;
            else if (is(C::kTracking))
                m_state = 11;
            break;
        case 3:
            if (m_depth == 2 && is(C::kValue))
                m_state = 4;
            break;
        case 4:
            if (m_depth == 3 && is(C::kItem)) {
                m_state = 5;
                m_ancestor = {};
            }
            break;
        case 5:
            if (m_depth != 4)
                break;
            if (is(C::kObjectClass))
                m_state = 6;
            else if (is(C::kSearchPath))
                m_state = 7;
            else if (is(C::kTitle))
                m_state = 8;
            break;
        case 11:
            if (m_depth != 2)
                break;
            if (is(C::kHopCount))
                m_state = 12;
            else if (is(C::kRequestContext))
                m_state = 13;
            else if (is(C::kSessionContext))
                m_state = 14;
            else if (is(C::kStepContext))
                m_state = 15;
            break;
        default:
            break;
    }
    // The logger and the two locales replace their defaults; the tracking texts are appended
    // to theirs (a request context read as "r1" becomes " r1").
    if (m_state != before && (m_state == 2 || m_state == 9 || m_state == 10)) {
        textTarget()->clear();
    }
    ++m_depth;
}

void VOR_AAA_AdditionalInfoHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (I18NString* target = textTarget()) {
        VOR_AAA_AppendText(*target, chars, length);
    }
}

void VOR_AAA_AdditionalInfoHandler::endElement(const XMLCh* const, const XMLCh* const,
                                               const XMLCh* const) {
    --m_depth;
    switch (m_state) {
        case 1:
            if (m_depth < 1)
                m_state = 0;
            break;
        case 2:
        case 3:
        case 9:
        case 10:
        case 11:
            if (m_depth < 2)
                m_state = 1;
            break;
        case 4:
            if (m_depth < 3)
                m_state = 3;
            break;
        case 5:
            if (m_depth < 4) {
                if (!m_ancestorsReplaced) {
                    m_target->m_ancestors.clear();
                    m_ancestorsReplaced = true;
                }
                m_ancestor.searchPath =
                    I18NString(VOR_AAA_VORID::UnescapeDelimiters(m_ancestor.searchPath.utf8()));
                m_target->m_ancestors.push_back(std::move(m_ancestor));
                m_ancestor = {};
                m_state = 4;
            }
            break;
        case 6:
        case 7:
        case 8:
            if (m_depth < 5)
                m_state = 5;
            break;
        case 12:
        case 13:
        case 14:
        case 15:
            if (m_depth < 3)
                m_state = 11;
            break;
        default:
            break;
    }
}

#include "VOR_AAA_SetNamespaceVersion.h"

#include "VOR_AAA_Const.h"
#include "VOR_AAA_DefaultHandlers.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

namespace {

using C = VOR_AAA_Const;

class SetNamespaceVersionHandler : public virtual VOR_AAA_DefaultContentHandler {
public:
    explicit SetNamespaceVersionHandler(VOR_AAA_SetNamespaceVersion& target) : m_target(target) {}

    void startDocument() override {
        m_state = eOutside;
        m_depth = 0;
    }

    void startElement(const XMLCh* const, const XMLCh* const localname, const XMLCh* const,
                      const xercesc::Attributes&) override {
        if (m_state == eOutside && m_depth == 0 &&
            C::Equals(localname, C::kSetNamespceVersionDocument)) {
            m_state = eRoot;
        } else if (m_state == eRoot && m_depth == 1) {
            if (C::Equals(localname, C::kNamespaceVersion)) {
                m_state = eVersion;
                m_text.clear();
            } else if (C::Equals(localname, C::kNamespaceID)) {
                m_state = eID;
                m_text.clear();
            }
        }
        ++m_depth;
    }

    void characters(const XMLCh* const chars, const XMLSize_t length) override {
        if (m_state == eVersion || m_state == eID) {
            VOR_AAA_AppendText(m_text, chars, length);
        }
    }

    void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const) override {
        --m_depth;
        if (m_state == eID && m_depth < 2) {
            m_target.SetNamespaceID(I18NString(VOR_AAA_VORID::UnescapeDelimiters(m_text.utf8())));
            m_state = eRoot;
        } else if (m_state == eVersion && m_depth < 2) {
            // Only the three namespace-format versions the provider knows are taken.
            const bool known = m_text == I18NString(C::Text::kNamespaceFormatURI1) ||
                               m_text == I18NString(C::Text::kNamespaceFormatURI2) ||
                               m_text == I18NString(C::Text::kNamespaceFormatURI3);
            m_target.SetNamespaceVersion(known ? m_text : I18NString());
            m_state = eRoot;
        } else if (m_state == eRoot && m_depth < 1) {
            m_state = eOutside;
        }
    }

private:
    enum State { eOutside, eRoot, eID, eVersion };
    VOR_AAA_SetNamespaceVersion& m_target;
    State m_state = eOutside;
    int m_depth = 0;
    I18NString m_text;
};

}  // namespace

void VOR_AAA_SetNamespaceVersion::Write(std::ostream& out) const {
    out << "<setNamespceVersionDocument><namespaceID>";
    WriteEscapedText(VOR_AAA_VORID::EscapeDelimiters(m_namespaceID.utf8()), out);
    out << "</namespaceID><namespaceVersion>";
    WriteEscapedText(m_namespaceVersion, out);
    out << "</namespaceVersion></setNamespceVersionDocument>";
}

void VOR_AAA_SetNamespaceVersion::Load(const char* text, size_t length) {
    SetNamespaceVersionHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "setNamespaceVersion", text, length);
}

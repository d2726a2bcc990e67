#include "VOR_AAA_SetNamespaceVersion.h"

#include "VOR_AAA_Const.h"
#include "VOR_AAA_ElementReader.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

namespace {

using C = VOR_AAA_Const;

class SetNamespaceVersionHandler : public VOR_AAA_ElementReader<SetNamespaceVersionHandler> {
public:
    explicit SetNamespaceVersionHandler(VOR_AAA_SetNamespaceVersion& target) : m_target(target) {}

private:
    friend class VOR_AAA_ElementReader<SetNamespaceVersionHandler>;
    enum State { kOutside, kDocument, kID, kVersion };

    static std::span<const Rule> Rules() {
        using H = SetNamespaceVersionHandler;
        constexpr auto text = [](H& h) { return &h.m_text; };
        static const Rule kRules[] = {
            {.parent = kOutside, .name = C::kSetNamespceVersionDocument, .state = kDocument},
            {.parent = kDocument,
             .name = C::kNamespaceID,
             .state = kID,
             .text = text,
             .replace = true,
             .leave =
                 [](H& h) {
                     h.m_target.SetNamespaceID(
                         I18NString(VOR_AAA_VORID::UnescapeDelimiters(h.m_text.utf8())));
                 }},
            // Only the three namespace-format versions the provider knows are taken.
            {.parent = kDocument,
             .name = C::kNamespaceVersion,
             .state = kVersion,
             .text = text,
             .replace = true,
             .leave =
                 [](H& h) {
                     const bool known = h.m_text == I18NString(C::Text::kNamespaceFormatURI1) ||
                                        h.m_text == I18NString(C::Text::kNamespaceFormatURI2) ||
                                        h.m_text == I18NString(C::Text::kNamespaceFormatURI3);
                     h.m_target.SetNamespaceVersion(known ? h.m_text : I18NString());
                 }},
        };
        return kRules;
    }
    void Reset() {}

    VOR_AAA_SetNamespaceVersion& m_target;
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

#include "VOR_AAA_AuthResponse.h"

#include "PYXThrowable.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_WriteEscapedText.h"

using C = VOR_AAA_Const;

namespace {

const char* const kStringAttrs = " xsi:type=\"xsd:string\" xml:space=\"preserve\">";

void writeField(std::ostream& out, const char* name, const char* attributes,
                const I18NString& value) {
    WriteMarkup('<', out);
    WriteMarkup(name, out);
    WriteMarkup(attributes, out);
    WriteEscapedText(value, out);
    WriteMarkup("</", out);
    WriteMarkup(name, out);
    WriteMarkup('>', out);
}

}  // namespace

void VOR_AAA_AuthResponse::SetException(const PYXException& e, const I18NString& locale) {
    m_exception.Clear();
    m_exception.SetFrom(e, locale);
}

void VOR_AAA_AuthResponse::AddCredentialValue(const I18NString& name, const I18NString& value) {
    std::vector<I18NString>& values = m_credential[name];
    if (!value.empty()) {
        values.push_back(value);
    }
    m_hasCredential = true;
}

void VOR_AAA_AuthResponse::AddSetCookieVar(const I18NString& name, const I18NString& value,
                                           const I18NString& path, const I18NString& maxAge,
                                           const I18NString& domain, const I18NString& secure) {
    m_setCookieVars.push_back({name, value, path, maxAge, domain, secure});
}

void VOR_AAA_AuthResponse::AddFormFieldVar(const I18NString& name, const I18NString& value) {
    m_formFieldVars.push_back({name, value, I18NString()});
}

void VOR_AAA_AuthResponse::Write(std::ostream& out) const {
    out << "<authenticateResponse xmlns=\"" << C::Text::kAAANamespaceURI << "\" "
        << "xmlns:xsd=\"" << C::Text::kXMLSchemaNamespaceURI << "\" "
        << "xmlns:xsi=\"" << C::Text::kXMLSchemaInstanceNamespaceURI << "\" "
        << "xmlns:SOAP-ENC=\"" << C::Text::kSOAPEncodingNamespaceURI << "\">";
    m_visa.Write(out);
    if (!m_exception.IsEmpty()) {
        m_exception.Write(out);
    }
    if (m_hasCredential) {
        out << "<credential xmlns=\"" << C::Text::kAAANamespaceURI << "\">";
        for (const auto& [name, values] : m_credential) {
            if (values.empty()) {
                out << '<';
                WriteEscapedText(name, out);
                out << "/>";
                continue;
            }
            for (const I18NString& value : values) {
                WriteEscapedElement(name, value, out);
            }
        }
        out << "</credential>";
    }
    if (m_setCookieVars.empty() && m_formFieldVars.empty()) {
        out << "</authenticateResponse>";
        return;
    }
    out << "<bus:hdrSession xmlns:bus=\"" << C::Text::kBusNamespaceURI << "\">";
    if (!m_setCookieVars.empty()) {
        out << "<setCookieVars xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"bus:setCookieVar["
            << m_setCookieVars.size() << "]\">";
        for (const VOR_AAA_SetCookieVar& var : m_setCookieVars) {
            out << "<item xsi:type=\"bus:setCookieVar\">";
            writeField(out, "name", kStringAttrs, var.name);
            writeField(out, "value", kStringAttrs, var.value);
            writeField(out, "path", kStringAttrs, var.path);
            writeField(out, "maxAge", " xsi:type=\"xsd:integer\">", var.maxAge);
            writeField(out, "domain", kStringAttrs, var.domain);
            writeField(out, "secure", " xsi:type=\"xsd:boolean\">", var.secure);
            out << "</item>";
        }
        out << "</setCookieVars>";
    }
    if (!m_formFieldVars.empty()) {
        out << "<bus:formFieldVars xsi:type=\"SOAP-ENC:Array\" "
               "SOAP-ENC:arrayType=\"bus:formFieldVar["
            << m_formFieldVars.size() << "]\">";
        for (const VOR_AAA_FormFieldVar& var : m_formFieldVars) {
            out << "<item>";
            writeField(out, "name", kStringAttrs, var.name);
            writeField(out, "value", kStringAttrs, var.value);
            if (!var.format.empty()) {
                out << "<format xsi:type=\"bus:formatEnum\" xml:space=\"preserve\">" << var.format
                    << "</format>";
            }
            out << "</item>";
        }
        out << "</bus:formFieldVars>";
    }
    out << "</bus:hdrSession></authenticateResponse>";
}

void VOR_AAA_AuthResponse::Load(const char* text, size_t length) {
    *this = VOR_AAA_AuthResponse();
    VOR_AAA_AuthResponseHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "authenticateResponse", text, length);
}

namespace {

enum State {
    kOutside,
    kResponse,
    kException,
    kVisa,
    kCredential,
    kCredentialValue,
    kHdrSession,
    kSetCookieVars,
    kSetCookie,
    kSetCookieField,
    kFormFieldVars,
    kFormField,
    kFormFieldName,
    kFormFieldValue,
    kDocument,
    kDocumentHeader,
};

}  // namespace

VOR_AAA_AuthResponseHandler::VOR_AAA_AuthResponseHandler(VOR_AAA_AuthResponse& target)
    : m_target(target), m_exceptionHandler(target.m_exception), m_visaHandler(target.m_visa) {}

std::span<const VOR_AAA_AuthResponseHandler::Rule> VOR_AAA_AuthResponseHandler::Rules() {
    using H = VOR_AAA_AuthResponseHandler;
    using Attributes = xercesc::Attributes;
    constexpr auto value = [](H& h) { return &h.m_value; };
    static const Rule kRules[] = {
        {.parent = kOutside, .name = C::kAuthenticateResponse, .state = kResponse},
        {.parent = kResponse,
         .name = C::kException,
         .state = kException,
         .embedded = [](H& h) -> xercesc::ContentHandler* { return &h.m_exceptionHandler; }},
        {.parent = kResponse,
         .name = C::kVisa,
         .state = kVisa,
         .embedded = [](H& h) -> xercesc::ContentHandler* { return &h.m_visaHandler; }},
        {.parent = kResponse, .name = C::kCredential, .state = kCredential},
        // Any element: a credential value named by the element.
        {.parent = kCredential,
         .state = kCredentialValue,
         .text = value,
         .replace = true,
         .enter = [](H& h, const XMLCh* localname,
                     const Attributes&) { h.m_key = I18NString(localname); },
         .leave = [](H& h) { h.endCredentialValue(); }},
        {.parent = kResponse, .name = C::kHdrSession, .state = kHdrSession},
        // An authenticate document's header variables are read as the response's own.
        {.parent = kOutside, .name = C::kAuthenticateDocument, .state = kDocument},
        {.parent = kDocument, .name = C::kBiBusHeader, .state = kDocumentHeader},
        {.parent = kDocumentHeader, .name = C::kHdrSession, .state = kHdrSession},
        {.parent = kHdrSession, .name = C::kSetCookieVars, .state = kSetCookieVars},
        {.parent = kSetCookieVars,
         .name = C::kItem,
         .state = kSetCookie,
         .enter = [](H& h, const XMLCh*, const Attributes&) { h.beginItem(); },
         .leave = [](H& h) { h.endSetCookie(); }},
        // Any element of a set-cookie variable: the field of that name, if it is one.
        {.parent = kSetCookie,
         .state = kSetCookieField,
         .text = [](H& h) { return h.m_field; },
         .enter = [](H& h, const XMLCh* localname,
                     const Attributes&) { h.m_field = h.cookieField(localname); }},
        {.parent = kHdrSession, .name = C::kFormFieldVars, .state = kFormFieldVars},
        {.parent = kFormFieldVars,
         .name = C::kItem,
         .state = kFormField,
         .enter = [](H& h, const XMLCh*, const Attributes&) { h.beginItem(); },
         .leave = [](H& h) { h.endFormField(); }},
        {.parent = kFormField,
         .name = C::kName,
         .state = kFormFieldName,
         .text = [](H& h) { return &h.m_cookie.name; }},
        {.parent = kFormField, .name = C::kValue, .state = kFormFieldValue, .text = value},
    };
    return kRules;
}

void VOR_AAA_AuthResponseHandler::Reset() {
    m_key.clear();
    m_value.clear();
    m_field = nullptr;
}

void VOR_AAA_AuthResponseHandler::beginItem() {
    m_cookie = {};
    m_value.clear();
}

I18NString* VOR_AAA_AuthResponseHandler::cookieField(const XMLCh* localname) {
    VOR_AAA_SetCookieVar& c = m_cookie;
    const std::pair<const XMLCh*, I18NString*> fields[] = {
        {C::kName, &c.name},     {C::kValue, &c.value},   {C::kPath, &c.path},
        {C::kMaxAge, &c.maxAge}, {C::kDomain, &c.domain}, {C::kSecure, &c.secure}};
    for (const auto& [name, field] : fields) {
        if (C::Equals(localname, name)) {
            return field;
        }
    }
    return nullptr;
}

void VOR_AAA_AuthResponseHandler::endCredentialValue() {
    if (!m_key.empty() || !m_value.empty()) {
        m_target.AddCredentialValue(m_key, m_value);
    }
    m_key.clear();
    m_value.clear();
}

void VOR_AAA_AuthResponseHandler::endSetCookie() {
    const VOR_AAA_SetCookieVar& c = m_cookie;
    if (!c.name.empty() || !c.value.empty() || !c.path.empty() || !c.maxAge.empty() ||
        !c.domain.empty() || !c.secure.empty()) {
        m_target.m_setCookieVars.push_back(m_cookie);
    }
}

void VOR_AAA_AuthResponseHandler::endFormField() {
    if (!m_cookie.name.empty()) {
        m_target.AddFormFieldVar(m_cookie.name, m_value);
    }
}

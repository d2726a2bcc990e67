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
    out << '<' << name << attributes;
    WriteEscapedText(value, out);
    out << "</" << name << '>';
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

// States: 0 outside; 1 authenticateResponse; 2 exception (forwarded); 3 visa (forwarded);
// 4 credential; 5 one credential value; 6 hdrSession; 7 setCookieVars; 8 a set-cookie item;
// 9 one of its fields; 10 formFieldVars; 11 a form-field item; 12 its name; 13 its value;
// 14 authenticateDocument; 15 its biBusHeader.
namespace {

constexpr int kLevel[16] = {0, 1, 2, 2, 2, 3, 2, 3, 4, 5, 3, 4, 5, 5, 1, 2};

}  // namespace

VOR_AAA_AuthResponseHandler::VOR_AAA_AuthResponseHandler(VOR_AAA_AuthResponse& target)
    : m_target(target), m_exceptionHandler(target.m_exception), m_visaHandler(target.m_visa) {}

void VOR_AAA_AuthResponseHandler::startDocument() {
    m_state = 0;
    m_depth = 0;
    m_inDocumentHeader = false;
    m_key.clear();
    m_value.clear();
}

I18NString* VOR_AAA_AuthResponseHandler::textTarget() {
    switch (m_state) {
        case 5:
        case 13:
            return &m_value;
        case 12:
            return &m_cookie.name;
        case 9:
            if (m_key == I18NString("name"))
                return &m_cookie.name;
            if (m_key == I18NString("value"))
                return &m_cookie.value;
            if (m_key == I18NString("path"))
                return &m_cookie.path;
            if (m_key == I18NString("maxAge"))
                return &m_cookie.maxAge;
            if (m_key == I18NString("domain"))
                return &m_cookie.domain;
            if (m_key == I18NString("secure"))
                return &m_cookie.secure;
            return nullptr;
        default:
            return nullptr;
    }
}

void VOR_AAA_AuthResponseHandler::startElement(const XMLCh* const uri, const XMLCh* const localname,
                                               const XMLCh* const qname,
                                               const xercesc::Attributes& attrs) {
    auto is = [localname](const XMLCh* name) { return C::Equals(localname, name); };
    switch (m_state) {
        case 0:
            if (m_depth == 0) {
                if (is(C::kAuthenticateResponse)) {
                    m_state = 1;
                } else if (is(C::kAuthenticateDocument)) {
                    m_state = 14;
                }
            }
            break;
        case 1:
            if (m_depth != 1) {
                break;
            }
            if (is(C::kException)) {
                m_state = 2;
                m_exceptionHandler.startDocument();
                m_exceptionHandler.startElement(uri, localname, qname, attrs);
            } else if (is(C::kVisa)) {
                m_state = 3;
                m_visaHandler.startDocument();
                m_visaHandler.startElement(uri, localname, qname, attrs);
            } else if (is(C::kCredential)) {
                m_state = 4;
            } else if (is(C::kHdrSession)) {
                m_state = 6;
            }
            break;
        case 2:
            m_exceptionHandler.startElement(uri, localname, qname, attrs);
            break;
        case 3:
            m_visaHandler.startElement(uri, localname, qname, attrs);
            break;
        case 4:
            if (m_depth == 2) {
                m_key = I18NString(localname);
                m_value.clear();
                m_state = 5;
            }
            break;
        case 6:
            if (m_depth == 2) {
                if (is(C::kSetCookieVars)) {
                    m_state = 7;
                } else if (is(C::kFormFieldVars)) {
                    m_state = 10;
                }
            }
            break;
        case 7:
        case 10:
            if (m_depth == 3 && is(C::kItem)) {
                m_cookie = {};
                m_value.clear();
                m_state += 1;
            }
            break;
        case 8:
            if (m_depth == 4) {
                m_key = I18NString(localname);
                m_state = 9;
            }
            break;
        case 11:
            if (m_depth == 4) {
                if (is(C::kName)) {
                    m_state = 12;
                } else if (is(C::kValue)) {
                    m_state = 13;
                }
            }
            break;
        case 14:
            if (m_depth == 1 && is(C::kBiBusHeader)) {
                m_state = 15;
            }
            break;
        case 15:
            if (m_depth == 2 && is(C::kHdrSession)) {
                // The header's variables are read as if they were the response's own.
                m_inDocumentHeader = true;
                m_state = 6;
                --m_depth;
            }
            break;
        default:
            break;
    }
    ++m_depth;
}

void VOR_AAA_AuthResponseHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (m_state == 2) {
        m_exceptionHandler.characters(chars, length);
    } else if (m_state == 3) {
        m_visaHandler.characters(chars, length);
    } else if (I18NString* target = textTarget()) {
        VOR_AAA_AppendText(*target, chars, length);
    }
}

void VOR_AAA_AuthResponseHandler::endElement(const XMLCh* const uri, const XMLCh* const localname,
                                             const XMLCh* const qname) {
    --m_depth;
    if (m_state == 2) {
        m_exceptionHandler.endElement(uri, localname, qname);
    } else if (m_state == 3) {
        m_visaHandler.endElement(uri, localname, qname);
    }
    if (m_depth >= kLevel[m_state]) {
        return;
    }
    switch (m_state) {
        case 1:
        case 14:
            m_state = 0;
            break;
        case 2:
            m_exceptionHandler.endDocument();
            m_state = 1;
            break;
        case 3:
            m_visaHandler.endDocument();
            m_state = 1;
            break;
        case 4:
            m_state = 1;
            break;
        case 5:
            if (!m_key.empty() || !m_value.empty()) {
                m_target.AddCredentialValue(m_key, m_value);
            }
            m_key.clear();
            m_value.clear();
            m_state = 4;
            break;
        case 6:
            if (m_inDocumentHeader) {
                m_inDocumentHeader = false;
                ++m_depth;
                m_state = 15;
            } else {
                m_state = 1;
            }
            break;
        case 7:
        case 10:
            m_state = 6;
            break;
        case 8: {
            const VOR_AAA_SetCookieVar& c = m_cookie;
            if (!c.name.empty() || !c.value.empty() || !c.path.empty() || !c.maxAge.empty() ||
                !c.domain.empty() || !c.secure.empty()) {
                m_target.m_setCookieVars.push_back(m_cookie);
            }
            m_state = 7;
            break;
        }
        case 9:
            m_state = 8;
            break;
        case 11:
            if (!m_cookie.name.empty()) {
                m_target.AddFormFieldVar(m_cookie.name, m_value);
            }
            m_state = 10;
            break;
        case 12:
        case 13:
            m_state = 11;
            break;
        case 15:
            m_state = 14;
            break;
        default:
            break;
    }
}

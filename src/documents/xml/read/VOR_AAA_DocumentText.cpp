#include "VOR_AAA_DocumentText.h"

#include "I18NString.h"
#include "VOR_AAA_Const.h"

#include <xercesc/util/XMLString.hpp>

std::string VOR_AAA_ToUTF8(const XMLCh* text) {
    if (text == nullptr || *text == 0) {
        return {};
    }
    return I18NString(text).utf8();
}

std::string VOR_AAA_ToUTF8(const XMLCh* text, XMLSize_t length) {
    if (text == nullptr || length == 0) {
        return {};
    }
    return I18NString(text, static_cast<int32_t>(length)).utf8();
}

const XMLCh* VOR_AAA_GetAttribute(const xercesc::Attributes& attributes, const XMLCh* name) {
    return attributes.getValue(name);
}

const XMLCh* VOR_AAA_GetXsiAttribute(const xercesc::Attributes& attributes,
                                     const XMLCh* localName) {
    if (const XMLCh* value =
            attributes.getValue(VOR_AAA_Const::kXMLSchemaInstanceNamespaceURI, localName)) {
        return value;
    }
    XMLCh qualified[64] = u"xsi:";
    if (xercesc::XMLString::stringLen(localName) + 5 > 64) {
        return nullptr;
    }
    xercesc::XMLString::catString(qualified, localName);
    return attributes.getValue(qualified);
}

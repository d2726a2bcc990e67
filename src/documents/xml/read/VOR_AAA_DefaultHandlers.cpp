#include "VOR_AAA_DefaultHandlers.h"

#include "VOR_AAA_Exception.h"

#include <xercesc/sax/SAXParseException.hpp>

void VOR_AAA_DefaultErrorHandler::fatalError(const xercesc::SAXParseException& exception) {
    VOR_AAA_Exception failure(-19);
    failure.addMessage(VOR_AAA_Message(0x506E500E) << m_documentName);
    failure.increaseNesting();
    const XMLCh* publicId = exception.getPublicId();
    failure.addMessage(VOR_AAA_Message(0x5065B0B0) << I18NString(publicId ? publicId : u""));
    failure.increaseNesting();
    const XMLCh* message = exception.getMessage();
    failure.addMessage(VOR_AAA_Message(0x65B15F15) << I18NString(message ? message : u""));
    PYX_THROW(failure, "VOR_AAA_DefaultErrorHandler::fatalError");
}

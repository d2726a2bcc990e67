#include "VOR_AAA_DefaultHandlers.h"

#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"

#include <xercesc/sax/SAXParseException.hpp>

using namespace VOR_AAA_Messages;

void VOR_AAA_DefaultErrorHandler::fatalError(const xercesc::SAXParseException& exception) {
    VOR_AAA_Exception failure(-19);
    failure.addMessage(VOR_AAA_Message(kMsgDocumentNotParsed) << m_documentName);
    failure.increaseNesting();
    const XMLCh* publicId = exception.getPublicId();
    failure.addMessage(VOR_AAA_Message(kMsgPublicIdentifier)
                       << I18NString(publicId ? publicId : u""));
    failure.increaseNesting();
    const XMLCh* message = exception.getMessage();
    failure.addMessage(VOR_AAA_Message(kMsgDetail) << I18NString(message ? message : u""));
    PYX_THROW(failure, "VOR_AAA_DefaultErrorHandler::fatalError");
}

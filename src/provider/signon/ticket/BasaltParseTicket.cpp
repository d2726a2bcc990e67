#include "BasaltParseTicket.h"

#include "PYXThrowable.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_ParseDocument.h"

#include <xercesc/sax2/Attributes.hpp>

#include <cstdlib>
#include <string>

using C = VOR_AAA_Const;

namespace {

// Copies an attribute into field when present; an absent one leaves the field as it was.
void takeAttribute(const xercesc::Attributes& attrs, const XMLCh* name, I18NString& field) {
    if (const XMLCh* value = attrs.getValue(name)) {
        field = I18NString(value);
    }
}

uint32_t toUnsigned(const I18NString& text) {
    return static_cast<uint32_t>(std::strtoul(text.utf8().c_str(), nullptr, 10));
}

}  // namespace

void BasaltParseTicket::Write(std::ostream&) const {
    PYX_ASSERT(false);
}

void BasaltParseTicket::Load(const char* text, size_t length) {
    BasaltParseTicketHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "BasaltParseTicket", text, length);
}

void BasaltParseTicketHandler::startDocument() {
    m_state = 0;
    m_depth = 0;
}

void BasaltParseTicketHandler::startElement(const XMLCh* const, const XMLCh* const localname,
                                            const XMLCh* const, const xercesc::Attributes& attrs) {
    if (m_state == 0 && m_depth == 0) {
        if (C::Equals(localname, C::kResult)) {
            m_state = 1;
        }
    } else if (m_state == 1 && m_depth == 1) {
        if (C::Equals(localname, C::kTicket)) {
            m_state = 2;
            takeAttribute(attrs, C::kId, m_target.m_ticketId);
        } else if (C::Equals(localname, C::kUser)) {
            m_state = 3;
            takeAttribute(attrs, C::kId, m_target.m_userId);
            takeAttribute(attrs, C::kName, m_target.m_userName);
        } else if (C::Equals(localname, C::kUc)) {
            m_state = 4;
            takeAttribute(attrs, C::kId, m_target.m_userClassId);
            takeAttribute(attrs, C::kName, m_target.m_userClassName);
        }
    }
    ++m_depth;
}

void BasaltParseTicketHandler::endElement(const XMLCh* const, const XMLCh* const,
                                          const XMLCh* const) {
    --m_depth;
    if (m_state >= 2 && m_depth < 2) {
        m_state = 1;
    } else if (m_state == 1 && m_depth == 0) {
        m_state = 0;
    }
}

bool BasaltParseTicketResult(const char* text, size_t length, BasaltTicketIdentity& identity) {
    BasaltParseTicket ticket;
    ticket.Load(text, length);
    const I18NString ticketId = ticket.GetTicketId();
    const I18NString userId = ticket.GetUserId();
    const I18NString userName = ticket.GetUserName();
    const I18NString userClassId = ticket.GetUserClassId();
    const I18NString userClassName = ticket.GetUserClassName();
    if (ticketId.empty() || userId.empty() || userName.empty() || userClassId.empty() ||
        userClassName.empty()) {
        return false;
    }
    identity.ticketId = ticketId;
    identity.userName = userName;
    identity.userClassName = userClassName;
    identity.userId = toUnsigned(userId);
    if (userClassName == I18NString("All User Classes")) {
        identity.userClassId = 0;
        identity.hasUserClass = false;
    } else {
        identity.userClassId = toUnsigned(userClassId);
        identity.hasUserClass = true;
    }
    return true;
}

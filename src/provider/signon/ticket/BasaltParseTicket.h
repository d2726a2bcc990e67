// BasaltParseTicket: the ticket-validation result of the access library, an XML text
//   <result><ticket id="..."/><user id="..." name="..."/><uc id="..." name="..."/></result>
// (children in any order; other elements and attributes ignored; a later child of the same
// name overwrites an earlier one).
//
// Usage (a session validating a ticket):
//   BasaltTicketIdentity identity;
//   if (!BasaltParseTicketResult(text, length, identity)) ... the result lacks a value
//   session.m_userId = identity.userId;
// Malformed text throws VOR_AAA_Exception -19 (the parse error of the document layer).
#pragma once

#include "I18NString.h"
#include "VOR_AAA_DefaultHandlers.h"
#include "VOR_AAA_Serializable.h"

#include <cstdint>

class BasaltParseTicket : public VOR_AAA_Serializable {
public:
    // Not a document the provider writes: fails an assertion.
    void Write(std::ostream& out) const override;
    void Load(const char* text, size_t length) override;

    I18NString GetTicketId() const { return m_ticketId; }
    I18NString GetUserName() const { return m_userName; }
    I18NString GetUserId() const { return m_userId; }
    I18NString GetUserClassName() const { return m_userClassName; }
    I18NString GetUserClassId() const { return m_userClassId; }

private:
    friend class BasaltParseTicketHandler;

    I18NString m_ticketId;
    I18NString m_userName;
    I18NString m_userId;
    I18NString m_userClassName;
    I18NString m_userClassId;
};

class BasaltParseTicketHandler : public virtual VOR_AAA_DefaultContentHandler {
public:
    explicit BasaltParseTicketHandler(BasaltParseTicket& target) : m_target(target) {}

    void startDocument() override;
    void startElement(const XMLCh* const uri, const XMLCh* const localname,
                      const XMLCh* const qname, const xercesc::Attributes& attrs) override;
    void endElement(const XMLCh* const uri, const XMLCh* const localname,
                    const XMLCh* const qname) override;

private:
    // 0 outside, 1 in "result", 2 in "ticket", 3 in "user", 4 in "uc".
    int m_state = 0;
    int m_depth = 0;
    BasaltParseTicket& m_target;
};

// What a session takes from a ticket result.
struct BasaltTicketIdentity {
    I18NString ticketId;
    I18NString userName;
    I18NString userClassName;
    uint32_t userId = 0;
    uint32_t userClassId = 0;  // 0 when the ticket carries no user class
    bool hasUserClass = false;
};

// Reads a ticket result: false when the ticket id, user id, user name, user-class id or
// user-class name is missing. The class "All User Classes" means no user class.
bool BasaltParseTicketResult(const char* text, size_t length, BasaltTicketIdentity& identity);

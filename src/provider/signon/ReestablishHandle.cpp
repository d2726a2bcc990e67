// Rebuilding a registered session's handle from the values its logon stored in the visa.
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "session/BasaltSession.h"
#include "session/LibraryNamespace.h"
#include "signon/SessionFromVisa.h"
#include "signon/TicketBuffer.h"

#include <PYXThrowable.h>
#include <VOR_AAA_EncryptionManager.h>
#include <VOR_AAA_Visa.h>

void BasaltSession::ReestablishAuthHandle(const VOR_AAA_Visa& visa, const TraceScope& trace) {
    I18NString ticketValue;
    visa.GetValue(kVisaTicket, ticketValue);
    TicketBuffer ticket(ticketValue);

    int32_t result = AS_ERR_INVALID_ARGUMENT;
    bool attempted = false;
    VisaSignOnRoutes routes;
    routes.credential = [&](const I18NString& user, const I18NString& password) {
        result = AuthenticateUser(trace, user, password, m_role, ticket.bytes);
        attempted = true;
    };
    routes.ticket = [&](const I18NString& visaTicket) {
        result = ValidateTicket(trace, visaTicket);
        attempted = true;
    };
    routes.certificate = [&](const I18NString& certificate) {
        I18NString ignored;
        result = ValidateCertificate(trace, certificate, m_role, ignored);
        attempted = true;
    };
    routes.web = [&](const BasaltEnvironment& environment, bool) {
        if (!environment.empty()) {
            I18NString required;
            result = AuthenticateWebUser(trace, environment, m_role, ticket.bytes, required);
            attempted = true;
        }
    };
    SignOnAgainFromVisa(m_authType, visa, *m_pNamespace, routes);
    if (attempted && result == 0) {
        return;
    }
    // The library's text of this thread's failure, read before closing the handle.
    I18NString text = m_failureText;
    if (!attempted || text.empty()) {
        text = m_library.GetLastErrorText(result);
    }
    CloseHandle();
    PYX_THROW(ProviderError(kVOR_AAA_GeneralFailure, {ProviderMessage(kMsgSessionNotReestablished),
                                                      ProviderMessage(kMsgDetail, {text})}),
              "BasaltSession::ReestablishAuthHandle");
}

// The request entries by document text (interface 1) and the search by document object
// (interface 2); the authenticate entry by object is in AuthenticateEntry.cpp.
#include "audit/CallTrace.h"
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "entry/Entries.h"
#include "entry/EntryFrame.h"
#include "namespace/BasaltNamespace.h"
#include "process/ProviderSlot.h"
#include "session/BasaltSession.h"
#include "session/SessionCheckout.h"
#include "signon/SessionFromVisa.h"

#include <PYXThrowable.h>
#include <VOR_AAA_AdditionalInfo.h>
#include <VOR_AAA_AuthDoc.h>
#include <VOR_AAA_AuthResponse.h>
#include <VOR_AAA_Exception.h>
#include <VOR_AAA_OMException.h>
#include <VOR_AAA_QueryDoc.h>
#include <VOR_AAA_QueryResponse.h>
#include <VOR_AAA_Visa.h>

#include <cstring>
#include <string>

namespace {

constexpr const char* kDefaultLocale = "en-us";

}  // namespace

int32_t BasaltSearch(VOR_AAA_Visa* visa, VOR_AAA_QueryDoc* query, VOR_AAA_QueryResponse* response,
                     VOR_AAA_OMException* exception) {
    const I18NString locale = query != nullptr
                                  ? query->GetBiBusHeader().GetAdditionalInfo().GetProductLocale()
                                  : I18NString(kDefaultLocale);
    try {
        PYX_ASSERT(visa != nullptr && query != nullptr && response != nullptr);
        BasaltProvider& provider = FetchProvider();
        const auto ns = std::dynamic_pointer_cast<BasaltNamespace>(
            provider.GetNamespace(visa->GetNamespaceID()));
        if (ns == nullptr) {
            PYX_THROW(UnrecoverableError(
                          ProviderMessage(kMsgAuthUnrecoverable),
                          {ProviderMessage(kMsgNamespaceNotFound, {visa->GetNamespaceID()})}),
                      "BasaltSearch");
        }
        const VOR_AAA_AdditionalInfo& additionalInfo = query->GetBiBusHeader().GetAdditionalInfo();
        // The session reference checks the session back in on every way out.
        I18NString sessionID;
        visa->GetValue("as_session", sessionID);
        ScopedSessionReference session(*ns, sessionID);  // none for an empty identifier
        if (!session) {
            const I18NString rebuilt =
                ReestablishSessionFromVisa(*visa, additionalInfo, provider, *ns);
            if (!rebuilt.empty()) {
                session.Reset(rebuilt);
            }
        }
        const std::string& searchPath = query->GetQuery().GetSearchPath();
        if (!session) {
            if (!ns->QueryNamespaceProperties(*query, *response)) {
                PYX_THROW(ProviderError(kVOR_AAA_GeneralFailure,
                                        {ProviderMessage(kMsgQueryNotAnswered, {searchPath})}),
                          "BasaltSearch");
            }
        } else {
            auto* directorySession = dynamic_cast<BasaltSession*>(session.Get());
            PYX_ASSERT(directorySession != nullptr);
            // A session whose re-establishment failed stays registered without a live handle:
            // each request tries again, and a failure answers with its own error.
            if (!directorySession->IsHandleAuthenticated()) {
                directorySession->ReestablishAuthHandle(
                    *visa, TraceScope(GetAuditLogger(), additionalInfo));
            }
            I18NString ticket;
            if (visa->GetValue("ticket", ticket) && !ticket.empty()) {
                directorySession->RefreshTicketForSearch(ticket);
            }
            directorySession->SetRequestContentLocale(additionalInfo.GetContentLocale());
            int32_t result = 0;
            if (!directorySession->QueryObjectProperties(*query, *visa, additionalInfo, *response,
                                                         result)) {
                PYX_THROW(ProviderError(kVOR_AAA_GeneralFailure,
                                        {ProviderMessage(kMsgQueryNotAnswered, {searchPath})}),
                          "BasaltSearch");
            }
        }
        if (query->GetQuery().GetSchemaInfo()) {
            response->SetWriteSchemaInfo(true);
        }
        return 0;
    } catch (...) {
        if (exception == nullptr) {
            return kVOR_AAA_GeneralFailure;
        }
        try {
            return FillFromCurrentException(*exception, "BasaltSearch", locale);
        } catch (...) {
            return kVOR_AAA_GeneralFailure;
        }
    }
}

int32_t BasaltAuthenticateXml(const char* authenticate, char** response) {
    if (response == nullptr) {
        return kVOR_AAA_AuthUnrecoverable;
    }
    *response = nullptr;
    VOR_AAA_AllocRoutine allocRoutine = nullptr;
    try {
        allocRoutine = FetchProvider().GetAllocRoutine();
    } catch (PYXException& e) {
        return ResultCodeOf(e);  // nothing to allocate the answer with
    } catch (...) {
        return kVOR_AAA_GeneralFailure;
    }
    VOR_AAA_AuthResponse answer;
    int32_t result = -38;
    try {
        VOR_AAA_AuthDoc document;
        bool parsed = false;
        try {
            const char* text = authenticate != nullptr ? authenticate : "";
            document.Load(text, std::strlen(text));
            parsed = true;
        } catch (PYXException& e) {
            answer.SetException(WrapUnrecoverable(e), kDefaultLocale);
        } catch (...) {
            answer.SetException(UnrecoverableError(ProviderMessage(kMsgAuthUnrecoverable),
                                                   {ProviderMessage(kMsgUnknownFailure)}),
                                kDefaultLocale);
        }
        if (parsed) {
            result = BasaltAuthenticate(&document, &answer);
        }
        answer.Serialize(response, allocRoutine);
    } catch (...) {
        *response = nullptr;
        return kVOR_AAA_AuthUnrecoverable;
    }
    return result;
}

int32_t BasaltSearchXml(const char* visaText, const char* queryText, char** response,
                        char** exception) {
    if (response != nullptr) {
        *response = nullptr;
    }
    if (exception != nullptr) {
        *exception = nullptr;
    }
    VOR_AAA_AllocRoutine allocRoutine = nullptr;
    try {
        allocRoutine = FetchProvider().GetAllocRoutine();
    } catch (PYXException& e) {
        return ResultCodeOf(e);
    } catch (...) {
        return kVOR_AAA_GeneralFailure;
    }
    VOR_AAA_Visa visa;
    VOR_AAA_QueryDoc query;
    try {
        const char* v = visaText != nullptr ? visaText : "";
        const char* q = queryText != nullptr ? queryText : "";
        visa.Load(v, std::strlen(v));
        query.Load(q, std::strlen(q));
    } catch (...) {
        VOR_AAA_OMException document(true);
        int32_t code = kVOR_AAA_GeneralFailure;
        try {
            code = FillFromCurrentException(document, "BasaltSearch", kDefaultLocale);
        } catch (...) {
        }
        SerializeQuietly(document, exception, allocRoutine);
        return code;
    }
    VOR_AAA_QueryResponse answer;
    VOR_AAA_OMException failure(true);
    int32_t result = BasaltSearch(&visa, &query, &answer, &failure);
    if (result >= 0 && response != nullptr) {
        try {
            answer.Serialize(response, allocRoutine);
            return result;
        } catch (...) {
            *response = nullptr;
            failure.Clear();
            result = FillFromCurrentException(failure, "BasaltSearch", kDefaultLocale);
        }
    }
    SerializeQuietly(failure, exception, allocRoutine);
    return result;
}

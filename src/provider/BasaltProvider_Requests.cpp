// The request entries: authenticate and search, by document text (interface 1) and by document
// object (interface 2).
//
// Not built yet: what the authenticate routes do (sign-on, end of session, credential
// generation) and the search inside a user's directory session. Those routes raise an
// unrecoverable failure saying so; the frames, handlers, result codes, the rejected actions and
// the namespace-level search are complete.
#include "BasaltEntries.h"
#include "BasaltNamespace.h"
#include "BasaltProviderUtilities.h"
#include "EntryFrame.h"
#include "ProviderAudit.h"
#include "ProviderErrors.h"
#include "ProviderMessages.h"
#include "ScopedSessionReference.h"

#include <PYXThrowable.h>
#include <VOR_AAA_AuthDoc.h>
#include <VOR_AAA_AuthResponse.h>
#include <VOR_AAA_Exception.h>
#include <VOR_AAA_OMException.h>
#include <VOR_AAA_QueryDoc.h>
#include <VOR_AAA_QueryResponse.h>
#include <VOR_AAA_Visa.h>

#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr const char* kDefaultLocale = "en-us";

[[noreturn]] void RaiseNotBuilt(const char* what, const char* label) {
    PYX_THROW(UnrecoverableError(
                  ProviderMessage(kMsgAuthUnrecoverable),
                  {ProviderMessage(kMsgDetailLine,
                                   {std::string(what) + " is not available in this build"})}),
              label);
}

// The unrecoverable failure that wraps another platform exception: its messages follow the
// lead message one level deeper.
VOR_AAA_AuthUnrecoverableException WrapUnrecoverable(const PYXMessageSet& cause) {
    VOR_AAA_AuthUnrecoverableException wrapped =
        UnrecoverableError(ProviderMessage(kMsgAuthUnrecoverable), {});
    wrapped.transferMessages(cause);
    return wrapped;
}

// The authentication handlers: records the failure in the response and gives its result code.
int32_t RecordAuthenticationFailure(VOR_AAA_AuthResponse& response, const I18NString& locale,
                                    const I18NString& userName) {
    int32_t code = -38;
    try {
        throw;
    } catch (VOR_AAA_AuthUserRecoverableException& e) {
        response.SetException(e, locale);
        code = -36;
    } catch (VOR_AAA_AuthSystemRecoverableException& e) {
        response.SetException(e, locale);
        return -37;
    } catch (VOR_AAA_AuthException& e) {
        response.SetException(e, locale);
    } catch (PYXException& e) {
        e.addBackTrace(pyxSourceName(__FILE__), __LINE__, "BasaltAuthenticate");
        response.SetException(WrapUnrecoverable(e), locale);
    } catch (...) {
        response.SetException(UnrecoverableError(ProviderMessage(kMsgAuthUnrecoverable),
                                                 {ProviderMessage(kMsgUnknownFailure)}),
                              locale);
    }
    response.AddFormFieldVar("VORUsername", userName);
    return code;
}

}  // namespace

int32_t BasaltAuthenticate(VOR_AAA_AuthDoc* document, VOR_AAA_AuthResponse* response) {
    if (response == nullptr) {
        return -38;  // nowhere to put the failure
    }
    const VOR_AAA_AdditionalInfo additionalInfo =
        document != nullptr ? document->GetAdditionalInfo() : VOR_AAA_AdditionalInfo();
    const I18NString locale = additionalInfo.GetProductLocale();
    const I18NString userName;  // read by the logon route
    try {
        PYX_ASSERT(document != nullptr);
        const TraceScope trace(GetAuditLogger(), additionalInfo);
        FetchProvider();
        const int32_t action = document->GetAction();
        switch (action) {
            case VOR_AAA_BiBusHeader::kActionLogon:
            case VOR_AAA_BiBusHeader::kActionLogonAs:
                RaiseNotBuilt("Sign-on", "BasaltAuthenticate");
            case VOR_AAA_BiBusHeader::kActionLogoff:
            case VOR_AAA_BiBusHeader::kActionLogonExpired:
                RaiseNotBuilt("Ending a session", "BasaltAuthenticate");
            case VOR_AAA_BiBusHeader::kActionGenerateTC:
            case VOR_AAA_BiBusHeader::kActionGenerateCredential:
                RaiseNotBuilt("Credential generation", "BasaltAuthenticate");
            default:
                PYX_THROW(UnrecoverableError(ProviderMessage(kMsgAuthUnrecoverable),
                                             {ProviderMessage(kMsgInvalidArgument,
                                                              {"action", std::to_string(action)})}),
                          "BasaltAuthenticate");
        }
    } catch (...) {
        return RecordAuthenticationFailure(*response, locale, userName);
    }
}

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
        std::optional<ScopedSessionReference> session;
        I18NString sessionID;
        if (visa->GetValue("as_session", sessionID)) {
            session.emplace(*ns, sessionID);
        }
        // Re-establishing a session from the visa's authentication values comes with sign-on;
        // until then a visa whose session is not registered is answered at namespace level.
        const std::string& searchPath = query->GetQuery().GetSearchPath();
        if (!session || !*session) {
            if (!ns->QueryNamespaceProperties(*query, *response)) {
                PYX_THROW(ProviderError(-48, {ProviderMessage(kMsgQueryNotAnswered, {searchPath})}),
                          "BasaltSearch");
            }
        } else {
            RaiseNotBuilt("Searching inside a user's directory session", "BasaltSearch");
        }
        if (query->GetQuery().GetSchemaInfo()) {
            response->SetWriteSchemaInfo(true);
        }
        return 0;
    } catch (...) {
        if (exception == nullptr) {
            return -48;
        }
        try {
            return FillFromCurrentException(*exception, "BasaltSearch", locale);
        } catch (...) {
            return -48;
        }
    }
}

int32_t BasaltAuthenticateXml(const char* authenticate, char** response) {
    if (response == nullptr) {
        return -38;
    }
    *response = nullptr;
    VOR_AAA_AllocRoutine allocRoutine = nullptr;
    try {
        allocRoutine = FetchProvider().GetAllocRoutine();
    } catch (PYXException& e) {
        return ResultCodeOf(e);  // nothing to allocate the answer with
    } catch (...) {
        return -48;
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
        return -38;
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
        return -48;
    }
    VOR_AAA_Visa visa;
    VOR_AAA_QueryDoc query;
    try {
        const char* v = visaText != nullptr ? visaText : "";
        const char* q = queryText != nullptr ? queryText : "";
        visa.Load(v, std::strlen(v));
        query.Load(q, std::strlen(q));
    } catch (...) {
        VOR_AAA_OMException document;
        int32_t code = -48;
        try {
            code = FillFromCurrentException(document, "BasaltSearch", kDefaultLocale);
        } catch (...) {
        }
        SerializeQuietly(document, exception, allocRoutine);
        return code;
    }
    VOR_AAA_QueryResponse answer;
    VOR_AAA_OMException failure;
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

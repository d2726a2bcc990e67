// The one export and the lifecycle entries.
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "entry/Entries.h"
#include "entry/EntryFrame.h"
#include "namespace/BasaltNamespace.h"
#include "namespace/ConfigurationDocument.h"
#include "process/ProviderSlot.h"

#include <PYXThrowable.h>
#include <VOR_AAA_Const.h>
#include <VOR_AAA_Exception.h>
#include <VOR_AAA_Namespace.h>
#include <VOR_AAA_QueryResponse.h>
#include <VOR_AAA_SAXParserPool.h>
#include <VOR_AAA_SetNamespaceVersion.h>

#include <cstring>
#include <set>
#include <string>

namespace {

// The provider for a lifecycle entry, created on first use; a failing creation (the directory
// library's process initialisation) is reported through the entry's handlers.
BasaltProvider& ProviderForEntry() {
    return ObtainProvider();
}

// The provider of an entry that needs Initialize first, with the routine that allocates the
// entry's answers in the context; null before Initialize.
BasaltProvider* InitializedProvider(EntryContext& context) {
    BasaltProvider& provider = ProviderForEntry();
    context.allocRoutine = provider.GetAllocRoutine();
    return context.allocRoutine != nullptr ? &provider : nullptr;
}

}  // namespace

int32_t BasaltInitialize(VOR_AAA_AllocRoutine allocRoutine, const char* additionalInfo,
                         char** exception) {
    if (exception != nullptr) {
        *exception = nullptr;
    }
    if (allocRoutine == nullptr || exception == nullptr) {
        return kVOR_AAA_InvalidArgument;
    }
    EntryContext context{"BasaltInitialize", additionalInfo, exception, allocRoutine, {}};
    return RunLifecycleEntry(context, [&] {
        ProviderForEntry().SetAllocRoutine(allocRoutine);
        AcquireObjectModel();
        return 0;
    });
}

int32_t BasaltTerminate(const char* additionalInfo, char** exception) {
    if (exception != nullptr) {
        *exception = nullptr;
    }
    EntryContext context{"BasaltTerminate", additionalInfo, exception, nullptr, {}, true};
    return RunLifecycleEntry(context, [&] {
        // The stored routine serializes a failure document even after the provider is gone.
        context.allocRoutine = ProviderForEntry().GetAllocRoutine();
        int32_t result = 0;
        try {
            DestroyProvider();
        } catch (...) {
            // Reported while the parser pool, which the document needs, is still there.
            result = ReportCurrentFailure(context);
        }
        ReleaseObjectModel();
        return result;
    });
}

int32_t BasaltConfigure(const char* configuration, const char* additionalInfo, char** response,
                        char** exception) {
    if (response != nullptr) {
        *response = nullptr;
    }
    if (exception != nullptr) {
        *exception = nullptr;
    }
    EntryContext context{"BasaltConfigure", additionalInfo, exception, nullptr, {}};
    return RunLifecycleEntry(context, [&]() -> int32_t {
        BasaltProvider* const provider = InitializedProvider(context);
        if (provider == nullptr) {
            return kVOR_AAA_NotInitialized;
        }
        CFGAPI_Instance instance;
        I18NString error;
        const char* text = configuration != nullptr ? configuration : "";
        if (!instance.Load(text, std::strlen(text), error)) {
            PYX_THROW(
                ProviderError(-48, {ProviderMessage(kMsgStepFailed, {"CFGAPI_Instance::Load()"}),
                                    ProviderMessage(kMsgDetail, {error})}),
                "BasaltConfigure");
        }
        I18NString identifier;
        instance.GetMandatoryParameterValue("id", identifier);
        std::unique_ptr<BasaltNamespace> ns = BasaltNamespace::Create(
            instance, *provider, VOR_AAA_Const::Text::kNamespaceFormatURI2, context.additionalInfo);
        if (!ns) {
            PYX_THROW(ProviderError(kVOR_AAA_NoProvider, {ProviderMessage(kMsgNamespaceNotFound)}),
                      "BasaltConfigure");
        }
        // The answer: the namespace object with its capabilities.
        auto object = std::make_unique<VOR_AAA_Namespace>();
        ns->BuildNamespaceObject(*object, {"capabilities"},
                                 context.additionalInfo.GetContentLocale());
        provider->AddNamespace(std::move(ns));

        VOR_AAA_QueryResponse answer;
        answer.AddObject(std::move(object));
        if (response != nullptr) {
            answer.Serialize(response, context.allocRoutine);
        }
        return 0;
    });
}

int32_t BasaltSetNamespaceVersion(const char* setNamespaceVersion, const char* additionalInfo,
                                  char** exception) {
    if (exception != nullptr) {
        *exception = nullptr;
    }
    EntryContext context{"BasaltSetNamespaceVersion", additionalInfo, exception, nullptr, {}};
    return RunLifecycleEntry(context, [&]() -> int32_t {
        BasaltProvider* const provider = InitializedProvider(context);
        if (provider == nullptr) {
            return kVOR_AAA_NotInitialized;
        }
        VOR_AAA_SetNamespaceVersion document;
        const char* text = setNamespaceVersion != nullptr ? setNamespaceVersion : "";
        document.Load(text, std::strlen(text));
        const auto ns = provider->GetNamespace(document.GetNamespaceID());
        if (ns == nullptr) {
            PYX_THROW(UnrecoverableError(
                          ProviderMessage(kMsgUnknownNamespaceVersion),
                          {ProviderMessage(kMsgNamespaceNotFound, {document.GetNamespaceID()})}),
                      "BasaltSetNamespaceVersion");
        }
        ns->SetNamespaceVersion(document.GetNamespaceVersion());
        return 0;
    });
}

extern "C" VOR_AAA_EXPORT int32_t VOR_AAA_GetInterface(int32_t interfaceNumber, void* table) {
    switch (interfaceNumber) {
        case kVOR_AAA_LifecycleInterface: {
            auto* t = static_cast<VOR_AAA_LifecycleTable*>(table);
            t->Initialize = BasaltInitialize;
            t->Terminate = BasaltTerminate;
            t->Configure = BasaltConfigure;
            t->SetNamespaceVersion = BasaltSetNamespaceVersion;
            return 0;
        }
        case kVOR_AAA_DocumentTextInterface: {
            auto* t = static_cast<VOR_AAA_DocumentTextTable*>(table);
            t->AuthenticateXml = BasaltAuthenticateXml;
            t->SearchXml = BasaltSearchXml;
            return 0;
        }
        case kVOR_AAA_DocumentObjectInterface: {
            auto* t = static_cast<VOR_AAA_DocumentObjectTable*>(table);
            t->Authenticate = BasaltAuthenticate;
            t->Search = BasaltSearch;
            return 0;
        }
        default:
            return kVOR_AAA_UnknownInterface;
    }
}

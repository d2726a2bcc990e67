#include "VOR_Crypto_Interface.h"

#include <new>
#include <string>

#include "CryptoBuffers.h"
#include "CryptoCipher.h"
#include "CryptoDocuments.h"
#include "CryptoError.h"
#include "CryptoService.h"
#include "PYXHome.h"
#include "PYXThrowable.h"

using basalt::crypto::CryptoError;
using basalt::crypto::CryptoService;

namespace {

constexpr const char* kAction = "CSKEncrypt";
constexpr const char* kDataLocation = "memory";

// Runs one call: every failure becomes its negative code, is recorded as the details of the
// handle (or of the thread when there is none) and, when the call has a result document, is
// described there too. Nothing is thrown across the C boundary.
template <typename Body>
int guarded(VOR_CryptoHandle handle, char** resultDocument, Body&& body) noexcept {
    if (resultDocument != nullptr) {
        *resultDocument = nullptr;
    }
    int code = VOR_CRYPTO_OK;
    std::string details;
    try {
        return body();
    } catch (const CryptoError& error) {
        code = error.code();
        details = error.what();
    } catch (const std::bad_alloc&) {
        code = VOR_CRYPTO_E_MEMORY;
        details = "out of memory";
    } catch (const std::exception& error) {
        code = VOR_CRYPTO_E_INTERNAL;
        details = error.what();
    } catch (PYXThrowable& error) {
        code = VOR_CRYPTO_E_INTERNAL;
        details = error.getText();
    } catch (...) {
        code = VOR_CRYPTO_E_INTERNAL;
        details = "unexpected failure";
    }
    try {
        CryptoService::instance().recordFailure(handle, details);
        if (resultDocument != nullptr) {
            *resultDocument =
                basalt::crypto::copyText(basalt::crypto::failureDocument(code, details));
        }
    } catch (...) {
        // The code alone still tells the caller what happened.
    }
    return code;
}

// Outputs are cleared first, so a failed call never leaves a stale pointer behind.
void prepareOutputs(unsigned char** out, size_t* outLength) {
    if (out == nullptr || outLength == nullptr) {
        throw CryptoError(VOR_CRYPTO_E_ARGUMENT, "no place was given for the output");
    }
    *out = nullptr;
    *outLength = 0;
}

void requireInput(const void* data, size_t length) {
    if (data == nullptr && length > 0) {
        throw CryptoError(VOR_CRYPTO_E_ARGUMENT, "no input data was given");
    }
}

}  // namespace

extern "C" {

int VOR_CryptoInitialize(const char* initializeDocument, unsigned int /*flags*/,
                         char** resultDocument) {
    return guarded(0, resultDocument, [&] {
        CryptoService::instance().initialize(
            basalt::crypto::readServiceId(initializeDocument, "initializeDocument"));
        return VOR_CRYPTO_OK;
    });
}

int VOR_PersistentInitialize2(VOR_CryptoHandle* handle, const char* serviceID,
                              unsigned int /*flags*/, char** resultDocument) {
    return guarded(0, resultDocument, [&] {
        if (handle == nullptr || serviceID == nullptr || *serviceID == '\0') {
            throw CryptoError(VOR_CRYPTO_E_ARGUMENT,
                              "a handle place and a service identifier "
                              "are required");
        }
        *handle = 0;
        *handle = CryptoService::instance().openHandle(serviceID, PYXHomeDirectory());
        return VOR_CRYPTO_OK;
    });
}

int VOR_SetInfo(VOR_CryptoHandle handle, const char* setInfoDocument, char** resultDocument) {
    return guarded(handle, resultDocument, [&] {
        CryptoService::instance().find(handle);
        basalt::crypto::SetInfoRequest request = basalt::crypto::readSetInfo(setInfoDocument);
        if (request.action != kAction || request.dataLocation != kDataLocation) {
            throw CryptoError(VOR_CRYPTO_E_UNSUPPORTED,
                              "only the action \"" + std::string(kAction) +
                                  "\" with data location \"" + kDataLocation +
                                  "\" is offered, not \"" + request.action + "\" with \"" +
                                  request.dataLocation + "\"");
        }
        return VOR_CRYPTO_OK;
    });
}

int VOR_ProtectData(VOR_CryptoHandle handle, const void* data, size_t length, unsigned char** out,
                    size_t* outLength, unsigned int /*flags*/) {
    return guarded(handle, nullptr, [&] {
        prepareOutputs(out, outLength);
        requireInput(data, length);
        auto state = CryptoService::instance().find(handle);
        auto sealed =
            basalt::crypto::seal(*state->key, static_cast<const unsigned char*>(data), length);
        *out = sealed.data;
        *outLength = sealed.size;
        return VOR_CRYPTO_OK;
    });
}

int VOR_UnprotectData(VOR_CryptoHandle handle, const void* data, size_t length, unsigned char** out,
                      size_t* outLength, unsigned int /*flags*/) {
    return guarded(handle, nullptr, [&] {
        prepareOutputs(out, outLength);
        requireInput(data, length);
        auto state = CryptoService::instance().find(handle);
        auto clear =
            basalt::crypto::open(*state->key, static_cast<const unsigned char*>(data), length);
        *out = clear.data;
        *outLength = clear.size;
        return VOR_CRYPTO_OK;
    });
}

int VOR_CryptoGetLastErrorDetails(VOR_CryptoHandle handle, unsigned int /*flags*/, char** details) {
    if (details == nullptr) {
        return VOR_CRYPTO_E_ARGUMENT;
    }
    *details = nullptr;
    try {
        std::string text;
        if (!CryptoService::instance().lastFailure(handle, text)) {
            return VOR_CRYPTO_E_NO_DETAILS;
        }
        *details = basalt::crypto::copyText(text);
        return static_cast<int>(text.size());
    } catch (...) {
        return VOR_CRYPTO_E_MEMORY;
    }
}

int VOR_CryptoFree(void* buffer, unsigned int /*flags*/) {
    if (buffer == nullptr) {
        return VOR_CRYPTO_OK;
    }
    return basalt::crypto::releaseBuffer(buffer) ? VOR_CRYPTO_OK : VOR_CRYPTO_E_ARGUMENT;
}

int VOR_CryptoTerminate(const char* terminateDocument, unsigned int /*flags*/,
                        char** resultDocument) {
    return guarded(0, resultDocument, [&] {
        CryptoService::instance().terminate(
            basalt::crypto::readServiceId(terminateDocument, "terminateDocument"));
        return VOR_CRYPTO_OK;
    });
}

}  // extern "C"

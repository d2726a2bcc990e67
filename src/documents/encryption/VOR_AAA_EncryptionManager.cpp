#include "VOR_AAA_EncryptionManager.h"

#include "PYXBase64.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"

#include <memory>
#include <new>
#include <vector>

using namespace VOR_AAA_Messages;

namespace {

constexpr const char* kReportedFunction = "DecryptData";

// Frees a buffer of the service when the scope ends.
struct CryptoBuffer {
    unsigned char* data = nullptr;
    ~CryptoBuffer() { VOR_CryptoFree(data, 0); }
};

}  // namespace

const char* const VOR_AAA_EncryptionManager::kServiceID = "VOR_AAA_EncryptionManager";
const char* const VOR_AAA_EncryptionManager::kInitializeDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><initializeDocument>\n\t"
    "<serviceID>VOR_AAA_EncryptionManager</serviceID>\n</initializeDocument>";
const char* const VOR_AAA_EncryptionManager::kSetInfoDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><setInfoDocument>"
    "<action>CSKEncrypt</action><dataLocation>memory</dataLocation></setInfoDocument>";
const char* const VOR_AAA_EncryptionManager::kTerminateDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><terminateDocument>"
    "<serviceID>VOR_AAA_EncryptionManager</serviceID></terminateDocument>";

VOR_AAA_EncryptionManager::VOR_AAA_EncryptionManager() {
    initialize();
}

VOR_AAA_EncryptionManager::~VOR_AAA_EncryptionManager() {
    try {
        terminate();
    } catch (...) {
        // A destructor cannot report; the service releases the handle with its last user.
    }
}

void VOR_AAA_EncryptionManager::initialize() {
    char* resultDocument = nullptr;
    int result = VOR_CryptoInitialize(kInitializeDocument, 0, &resultDocument);
    if (result != 0) {
        throwNoHandleError("InitCrypto", result, resultDocument);
    }
    VOR_CryptoFree(resultDocument, 0);
    resultDocument = nullptr;
    result = VOR_PersistentInitialize2(&m_cryptoHandle, kServiceID, 0, &resultDocument);
    VOR_CryptoFree(resultDocument, 0);
    if (result != 0) {
        throwHandleError("PersistInitialize2", result);
    }
    resultDocument = nullptr;
    result = VOR_SetInfo(m_cryptoHandle, kSetInfoDocument, &resultDocument);
    VOR_CryptoFree(resultDocument, 0);
    if (result != 0) {
        throwHandleError("SetInfo", result);
    }
}

void VOR_AAA_EncryptionManager::terminate() {
    char* resultDocument = nullptr;
    int result = VOR_CryptoTerminate(kTerminateDocument, 0, &resultDocument);
    if (result != 0) {
        throwNoHandleError("TerminateCrypto", result, resultDocument);
    }
    VOR_CryptoFree(resultDocument, 0);
}

void VOR_AAA_EncryptionManager::throwNoHandleError(const char* step, int result,
                                                   char* resultDocument) {
    VOR_CryptoFree(resultDocument, 0);
    VOR_AAA_Exception failure(-19);
    failure.increaseNesting();
    failure.addMessage(VOR_AAA_Message(kMsgLibraryCallFailed) << step << result);
    PYX_THROW(failure, kReportedFunction);
}

void VOR_AAA_EncryptionManager::throwHandleError(const char* step, int result) {
    VOR_AAA_Exception failure(-19);
    failure.increaseNesting();
    char* details = nullptr;
    if (VOR_CryptoGetLastErrorDetails(m_cryptoHandle, 0, &details) < 0) {
        failure.addMessage(VOR_AAA_Message(kMsgLibraryCallFailed) << step << result);
    } else {
        failure.addMessage(VOR_AAA_Message(kMsgStepFailed) << step);
        failure.increaseNesting();
        failure.addMessage(VOR_AAA_Message(kMsgDetail) << (details ? details : ""));
    }
    VOR_CryptoFree(details, 0);
    PYX_THROW(failure, kReportedFunction);
}

void VOR_AAA_EncryptionManager::Encrypt(std::string& utf8Value) {
    PYX_ASSERT(m_cryptoHandle != 0);
    if (utf8Value.empty()) {
        return;
    }
    CryptoBuffer out;
    size_t outLength = 0;
    {
        PYXThreadGuard guard(m_lock);
        int result = VOR_ProtectData(m_cryptoHandle, utf8Value.data(), utf8Value.size(), &out.data,
                                     &outLength, 0);
        if (result < 0) {
            throwHandleError("VOR_ProtectData", result);
        }
    }
    std::string encoded;
    try {
        encoded.resize(PYXBase64EncodedSize(outLength) + 1);
    } catch (const std::bad_alloc&) {
        PYX_THROW(PYXOutOfMemoryError(), "VOR_AAA_EncryptionManager::Encrypt");
    }
    encoded.resize(PYXBase64Encode(out.data, outLength, encoded.data(), 0));
    utf8Value = std::move(encoded);
}

void VOR_AAA_EncryptionManager::Decrypt(std::string& utf8Value) {
    PYX_ASSERT(m_cryptoHandle != 0);
    if (utf8Value.empty()) {
        return;
    }
    std::vector<unsigned char> buffer(utf8Value.size());
    size_t length = buffer.size();
    int decoded = PYXBase64Decode(utf8Value.c_str(), utf8Value.size(), buffer.data(), &length);
    if (decoded != 0) {
        VOR_AAA_Exception failure(-19);
        failure.increaseNesting();
        failure.addMessage(VOR_AAA_Message(kMsgLibraryCallFailed) << "PYXBase64Decode" << decoded);
        PYX_THROW(failure, kReportedFunction);
    }
    CryptoBuffer out;
    size_t outLength = 0;
    {
        PYXThreadGuard guard(m_lock);
        int result =
            VOR_UnprotectData(m_cryptoHandle, buffer.data(), length, &out.data, &outLength, 0);
        if (result < 0) {
            throwHandleError("VOR_UnprotectData", result);
        }
    }
    utf8Value.assign(reinterpret_cast<const char*>(out.data), outLength);
}

void VOR_AAA_EncryptionManager::Encrypt(I18NString& value) {
    if (value.empty()) {
        return;
    }
    std::string bytes = value.utf8();
    Encrypt(bytes);
    value = I18NString(bytes);
}

void VOR_AAA_EncryptionManager::Decrypt(I18NString& value) {
    if (value.empty()) {
        return;
    }
    std::string bytes = value.utf8();
    Decrypt(bytes);
    value = I18NString(bytes);  // the clear text is UTF-8; bad bytes throw
}

I18NString VOR_AAA_EncryptionManager::DecryptedParameter(const I18NString& storedValue) {
    I18NString value = storedValue;
    Decrypt(value);
    return value;
}

I18NString VOR_AAA_EncryptionManager::EncryptedForStorage(const I18NString& clearValue) {
    I18NString value = clearValue;
    Encrypt(value);
    return value;
}

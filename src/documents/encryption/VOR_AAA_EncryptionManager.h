// VOR_AAA_EncryptionManager: protects and unprotects short secret values with the platform's
// data-protection service. Protected values travel as Base64 text.
//
//     VOR_AAA_EncryptionManager manager;     // one per namespace; initialises the service
//     I18NString value = "secret";
//     manager.Encrypt(value);                // value is now Base64 text
//     manager.Decrypt(value);                // and back
//
// Empty values stay empty and call nothing. Failures throw VOR_AAA_Exception code -19 and
// leave the value unchanged. Any number of threads may use one manager; the service calls on
// its handle are serialised.
#pragma once

#include "I18NString.h"
#include "PYXThread.h"
#include "VOR_Crypto_Interface.h"

#include <string>

class VOR_AAA_EncryptionManager {
public:
    VOR_AAA_EncryptionManager();
    ~VOR_AAA_EncryptionManager();
    VOR_AAA_EncryptionManager(const VOR_AAA_EncryptionManager&) = delete;
    VOR_AAA_EncryptionManager& operator=(const VOR_AAA_EncryptionManager&) = delete;

    void Encrypt(I18NString& value);
    void Decrypt(I18NString& value);
    void Encrypt(std::string& utf8Value);
    void Decrypt(std::string& utf8Value);

    // Convenience for configuration values: a stored value is decrypted after reading and a
    // value is encrypted before storing (empty values untouched).
    I18NString DecryptedParameter(const I18NString& storedValue);
    I18NString EncryptedForStorage(const I18NString& clearValue);

    // The fixed documents sent to the service.
    static const char* const kInitializeDocument;
    static const char* const kSetInfoDocument;
    static const char* const kTerminateDocument;
    static const char* const kServiceID;

private:
    void initialize();
    void terminate();
    [[noreturn]] void throwNoHandleError(const char* step, int result, char* resultDocument);
    [[noreturn]] void throwHandleError(const char* step, int result);

    VOR_CryptoHandle m_cryptoHandle = 0;
    PYXThreadCriticalSection m_lock;
};

// What a session needs of its namespace to work with the access library: a handle opened with the
// namespace's runtime configuration, texts in the namespace's encoding, and the library's error
// texts in the namespace's locale. Session code sees the namespace through this alone.
#pragma once

#include <AccessAPI.h>
#include <I18NString.h>

#include <cstdint>
#include <string>

class BasaltNamespace;

class LibraryNamespace {
public:
    // The library's result: of the runtime-configuration switch when that failed (failedCall
    // "AS_SetTemporaryRuntimeConfig"), else of AS_Init ("AS_Init").
    virtual int32_t OpenHandle(AS_Handle& handle, const char** failedCall = nullptr) const = 0;
    virtual std::string ToLibraryText(const I18NString& text) const = 0;
    virtual I18NString FromLibraryText(const char* bytes) const = 0;
    // FromLibraryText(bytes).utf8(), without a conversion when the library's text is UTF-8.
    virtual std::string LibraryTextToUtf8(const char* bytes) const = 0;
    // The library's text of this thread's last failure (the code in decimal when it has none).
    virtual I18NString GetLastErrorText(int32_t code) const = 0;
    // The directory namespace every sign-on names.
    virtual const I18NString& GetDirectoryNamespace() const = 0;

protected:
    ~LibraryNamespace() = default;
};

// The namespace as its sessions see it.
const LibraryNamespace& LibraryOf(const BasaltNamespace& ns);

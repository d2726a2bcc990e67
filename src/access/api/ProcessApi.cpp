// Process, configuration, encoding, handle, error-text and memory calls.
#include <AccessAPI.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <map>
#include <vector>

#include "Api.h"
#include "ConfigurationCheck.h"
#include "Encoding.h"
#include "OfflineSignOn.h"
#include "Process.h"

using namespace ridge::access;

namespace {

Process& process() {
    return Process::instance();
}

// Copies a UTF-8 message into buffer in the encoding in force. A text that does not fit is cut
// at a character boundary and reported as too small, so that a caller can grow its buffer.
int32_t writeMessage(const std::string& encoding, const std::string& utf8, char* buffer,
                     int32_t size) {
    if (!buffer)
        return AS_ERR_INVALID_ARGUMENT;
    if (size <= 0)
        return AS_ERR_BUFFER_TOO_SMALL;
    try {
        // A text that does not fit fills the buffer to its last byte, even inside a character:
        // a caller that doubles its buffer while the text fills it then reaches the whole text.
        const std::string text = fromUtf8(encoding, utf8);
        const size_t fit = std::min(text.size(), static_cast<size_t>(size) - 1);
        std::copy_n(text.data(), fit, buffer);
        buffer[fit] = '\0';
        if (fit < text.size())
            return AS_ERR_BUFFER_TOO_SMALL;
    } catch (...) {
        buffer[0] = '\0';
        return AS_ERR_INTERNAL;
    }
    return AS_OK;
}

std::string messageText(int32_t code, const std::string& detail, const std::string& reason,
                        const char* language) {
    if (code == 0)
        return {};
    auto catalog = process().messages();
    if (!catalog)
        return "Directory access error " + std::to_string(code);
    return catalog->text({code, reason}, detail, language ? language : "en");
}

}  // namespace

extern "C" AS_API int32_t AS_TesselProcessInitialize2(const char* applicationName,
                                                      const char* const* settings) {
    return withProcess(
        [&] {
            if (!applicationName || !settings)
                fail(AS_ERR_INVALID_ARGUMENT, "settings");
            return process().initialize(settings);
        },
        false);
}

extern "C" AS_API int32_t AS_TesselProcessTerminate(const char* applicationName) {
    return withProcess(
        [&] {
            if (!applicationName)
                fail(AS_ERR_INVALID_ARGUMENT, "application name");
            return process().terminate();
        },
        false, OnSuccess::KeepLastError);
}

extern "C" AS_API int32_t AS_SetTemporaryRuntimeConfig(const char* text, uint32_t length) {
    return withProcess([&] {
        if (!text)
            fail(AS_ERR_INVALID_ARGUMENT, "text");
        return process().setRuntimeConfig(std::string_view(text, length));
    });
}

extern "C" AS_API int32_t AS_CheckConfiguration(int32_t level) {
    return withProcess([&] {
        if (level < 1 || level > kHighestCheckLevel)
            fail(AS_ERR_INVALID_ARGUMENT, "level");
        auto cfg = process().effectiveConfig(nullptr);
        if (!cfg)
            fail(AS_ERR_NO_CONFIGURATION);
        if (level >= 2)
            checkConfiguration(*cfg, level);
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_GetRuntimeConfigSize(int32_t* size) {
    return withProcess([&] {
        if (!size)
            fail(AS_ERR_INVALID_ARGUMENT, "size");
        std::string text;
        if (!process().effectiveConfig(&text))
            fail(AS_ERR_NO_CONFIGURATION);
        *size = static_cast<int32_t>(text.size() + 1);
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_GetRuntimeConfig(char* buffer, int32_t size, int32_t* used) {
    return withProcess([&] {
        if (!buffer || !used)
            fail(AS_ERR_INVALID_ARGUMENT, "buffer, used");
        std::string text;
        if (!process().effectiveConfig(&text))
            fail(AS_ERR_NO_CONFIGURATION);
        if (size < 0 || static_cast<size_t>(size) < text.size() + 1)
            fail(AS_ERR_BUFFER_TOO_SMALL, "runtime configuration");
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        *used = static_cast<int32_t>(text.size() + 1);
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_SetSystemEncoding(const char* encoding) {
    return withProcess([&] {
        if (!encoding || !*encoding)
            fail(AS_ERR_INVALID_ARGUMENT, "encoding");
        if (std::strlen(encoding) >= AS_ENCODING_NAME_SIZE)
            fail(AS_ERR_UNKNOWN_ENCODING, "name too long");
        return process().setEncoding(encoding);
    });
}

extern "C" AS_API int32_t AS_GetSystemEncoding(char* buffer) {
    return withProcess(
        [&] {
            if (!buffer)
                fail(AS_ERR_INVALID_ARGUMENT, "buffer");
            std::string name = process().encoding();
            std::snprintf(buffer, AS_ENCODING_NAME_SIZE, "%s", name.c_str());
            return AS_OK;
        },
        true, OnSuccess::KeepLastError);
}

extern "C" AS_API int32_t AS_Init(AS_Version version, AS_Handle* handle, uint32_t flags) {
    return withProcess([&] {
        if (!handle)
            fail(AS_ERR_INVALID_ARGUMENT, "handle");
        *handle = 0;
        if (version.word2 != AS_VERSION_WORD2 || version.word3 != AS_VERSION_WORD3 ||
            version.word4 != AS_VERSION_WORD4)
            fail(AS_ERR_INVALID_ARGUMENT, "version block");
        if (flags != AS_INIT_FLAGS)
            fail(AS_ERR_INVALID_ARGUMENT, "flags");
        auto cfg = process().effectiveConfig(nullptr);
        if (!cfg)
            fail(AS_ERR_NO_CONFIGURATION);
        *handle = process().openHandle(*cfg)->id();
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_Terminate(AS_Handle handle) {
    return withProcess(
        [&] {
            auto session = process().removeHandle(handle);
            if (!session)
                fail(AS_ERR_INVALID_HANDLE, "handle " + std::to_string(handle));
            std::lock_guard wait(session->mutex());  // a call still running on it finishes first
            session->close();
            return AS_OK;
        },
        true, OnSuccess::KeepLastError);
}

extern "C" AS_API int32_t AS_GetNamespaceProperties2(AS_Handle handle, const char* namespaceName,
                                                     ...) {
    constexpr int kMaxPairs = 64;
    std::vector<std::pair<int, char*>> wanted;
    va_list args;
    va_start(args, namespaceName);
    for (int i = 0; i < kMaxPairs; ++i) {
        int property = va_arg(args, int);
        if (property == 0)
            break;
        wanted.emplace_back(property, va_arg(args, char*));
    }
    va_end(args);
    return withHandle(handle, [&](Session& s) {
        std::string ns = s.inText(namespaceName, "namespace");
        for (auto& [property, buffer] : wanted) {
            if (!buffer)
                fail(AS_ERR_INVALID_ARGUMENT, "property buffer");
            if (property != AS_NSPROP_AUTH_MODES && property != AS_NSPROP_PRODUCT_LOCALE &&
                property != AS_NSPROP_CONTENT_LOCALE)
                fail(AS_ERR_INVALID_ARGUMENT, "property " + std::to_string(property));
        }
        // What was read online last is what a host started during an outage configures with.
        std::string cacheKey;
        for (const auto& server : s.servers())
            cacheKey += server.text() + " ";
        cacheKey += "|" + s.baseDn() + "|" + ns;
        std::map<int, std::string> properties;
        try {
            std::string dn = s.requireNamespace(ns);
            auto entry = s.service().read(
                dn, {schema::kAuthModes, schema::kProductLocale, schema::kContentLocale});
            if (!entry)
                fail(AS_ERR_NAMESPACE_NOT_FOUND, ns);
            properties = {
                {AS_NSPROP_AUTH_MODES, std::string(entry->value(schema::kAuthModes))},
                {AS_NSPROP_PRODUCT_LOCALE, std::string(entry->value(schema::kProductLocale))},
                {AS_NSPROP_CONTENT_LOCALE, std::string(entry->value(schema::kContentLocale))}};
            forOfflineCache([&](OfflineCache& kept) { kept.namespaceRead(cacheKey, properties); });
        } catch (const AccessError& e) {
            auto cache = isOutage(s, e) ? offlineCacheOrNull() : nullptr;
            auto kept = cache ? cache->namespaceProperties(cacheKey) : std::nullopt;
            if (!kept)
                throw;
            properties = *kept;
        }
        for (auto& [property, buffer] : wanted)
            s.outText(properties[property], buffer, AS_NSPROP_BUFFER_SIZE);
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_GetLastErrorMsgWithLang(char* buffer, int32_t size,
                                                     const char* language) {
    try {
        if (!process().initialized()) {
            if (buffer && size > 0)
                buffer[0] = '\0';
            return AS_ERR_NOT_INITIALIZED;
        }
        return writeMessage(
            process().encoding(),
            messageText(threadErrorCode(), threadErrorDetail(), threadErrorReason(), language),
            buffer, size);
    } catch (...) {
        return AS_ERR_INTERNAL;
    }
}

extern "C" AS_API int32_t AS_GetSessionLastErrorMsgWithLang(AS_Handle handle, char* buffer,
                                                            int32_t size, const char* language) {
    try {
        if (!process().initialized())
            return AS_ERR_NOT_INITIALIZED;
        auto session = process().findHandle(handle);
        if (!session)
            return AS_ERR_INVALID_HANDLE;
        std::lock_guard lock(session->mutex());
        return writeMessage(session->encoding(),
                            messageText(session->errorCode(), session->errorDetail(),
                                        session->errorReason(), language),
                            buffer, size);
    } catch (...) {
        return AS_ERR_INTERNAL;
    }
}

extern "C" AS_API int32_t AS_FreeResult(char* text) {
    if (!text)
        return AS_OK;
    return releaseAllocation(text, Allocation::ResultText) ? AS_OK : AS_ERR_INVALID_ARGUMENT;
}

extern "C" AS_API int32_t AS_Free(void* block) {
    if (!block)
        return AS_OK;
    return releaseAllocation(block, Allocation::Block) ? AS_OK : AS_ERR_INVALID_ARGUMENT;
}

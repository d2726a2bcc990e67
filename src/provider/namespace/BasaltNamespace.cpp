#include "namespace/BasaltNamespace.h"

#include "audit/CallTrace.h"
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/RuntimeConfiguration.h"
#include "process/BasaltProvider.h"

#include <PYXOsEncoding.h>
#include <PYXThrowable.h>
#include <VOR_AAA_AdditionalInfo.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kConstructorLabel = "BasaltNamespace::BasaltNamespace";
constexpr int32_t kEncodingInForce = -125;

// ICU's own name of an encoding ("utf8" and "UTF-8" alike give "UTF-8"), or the name as given
// when ICU does not know it.
std::string CanonicalEncodingName(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status) || converter == nullptr) {
        return name;
    }
    std::string canonical = ucnv_getName(converter, &status);
    ucnv_close(converter);
    return U_SUCCESS(status) ? canonical : name;
}

void CopyEncodingName(char (&target)[255], const std::string& name) {
    const std::size_t length = std::min(name.size(), kMaxEncodingNameLength);
    std::memcpy(target, name.data(), length);
    target[length] = '\0';
}

}  // namespace

BasaltNamespace::BasaltNamespace(BasaltProvider& provider, const Settings& s,
                                 const VOR_AAA_AdditionalInfo& additionalInfo)
    : NamespaceBase(s.identifier, s.namespaceFormatUri),
      m_provider(provider),
      m_displayName(s.displayName),
      m_host(s.host),
      m_port(s.port),
      m_replicas(s.replicas),
      m_timeout(s.timeout),
      m_baseDN(s.baseDN),
      m_directoryNamespace(s.directoryNamespace),
      m_sslCertificateDatabase(s.sslCertificateDatabase),
      m_sslEnabled(s.sslEnabled),
      m_queryCacheLimit(s.queryCacheLimit),
      m_contentLocale(additionalInfo.GetContentLocale()),
      m_productLocale(additionalInfo.GetProductLocale()) {
    ChooseEncoding(s.dataEncoding);
    InitializeDirectory(additionalInfo);
    try {
        // The system encoding may have changed once the library was set to UTF-8.
        ChooseEncoding(s.dataEncoding);
        m_classMap = s.classMap;
        m_attributeMap = s.attributeMap;
        RegisterSupportedAttributes();
        RetrieveNamespaceProperties();
        // Said where it can be fixed: the namespace works, but not for every name.
        if (const auto mismatch = EncodingMismatch()) {
            WriteAuditWarning(*mismatch, additionalInfo);
        }
    } catch (...) {
        AS_Terminate(m_handle);
        m_bTerminatedHandle = true;
        throw;
    }
}

BasaltNamespace::~BasaltNamespace() {
    if (!m_bTerminatedHandle) {
        // Nothing can be reported from here; the library releases the handle either way at
        // process termination.
        if (AS_Terminate(m_handle) == 0) {
            m_bTerminatedHandle = true;
        }
    }
}

void BasaltNamespace::Close() {
    if (m_bTerminatedHandle) {
        return;
    }
    m_bTerminatedHandle = true;  // a handle the library refused to end is not tried again
    const int32_t result = AS_Terminate(m_handle);
    if (result != 0) {
        PYX_THROW(ProviderError(kVOR_AAA_DirectoryProcessFailure,
                                {LibraryCallMessage(result, "AS_Terminate")}),
                  "BasaltNamespace::~BasaltNamespace");
    }
}

// A data encoding that is a prefix of "UTF-8" (the empty one included) asks for the system
// encoding; any other is the encoding's own name.
void BasaltNamespace::ChooseEncoding(const I18NString& dataEncoding) {
    const std::string bytes = dataEncoding.utf8();
    if (!DataEncodingSelectsSystemEncoding(bytes)) {
        SetEncoding(bytes);
        return;
    }
    ChooseSystemEncoding();
}

void BasaltNamespace::SetEncoding(const std::string& name) {
    CopyEncodingName(m_encoding, name);
    m_encodingIsUtf8 = I18NString::isUtf8Encoding(m_encoding);
}

// The system encoding: the access library's, else the operating system's default encoding.
void BasaltNamespace::ChooseSystemEncoding() {
    char buffer[AS_ENCODING_NAME_SIZE] = {};
    if (AS_GetSystemEncoding(buffer) == 0) {
        buffer[sizeof(buffer) - 1] = '\0';
        SetEncoding(buffer);
        return;
    }
    std::string osEncoding = PYXOsDefaultEncoding();
    if (osEncoding.empty() || osEncoding.size() > kPYXOsEncodingMaxLength) {
        osEncoding = kPYXOsEncodingFallback;
    }
    SetEncoding(osEncoding);
}

void BasaltNamespace::InitializeDirectory(const VOR_AAA_AdditionalInfo& additionalInfo) {
    if (m_host.empty() || m_baseDN.empty()) {
        const int32_t result = AS_CheckConfiguration(1);
        if (result != 0) {
            RaiseLibraryFailure(kVOR_AAA_DirectoryProcessFailure, result, "AS_CheckConfiguration",
                                kConstructorLabel);
        }
        // No configuration of our own: the handle opens with what the library has in force.
        m_provider.WithRuntimeConfiguration({}, [&] { OpenOwnHandle(additionalInfo); });
        return;
    }
    RuntimeConfigurationSettings settings;
    settings.directoryNamespace = m_directoryNamespace.utf8();
    settings.sslCertificateDatabase = m_sslCertificateDatabase.utf8();
    settings.sslEnabled = m_sslEnabled;
    settings.host = m_host.utf8();
    settings.port = m_port;
    settings.baseDN = m_baseDN.utf8();
    settings.timeout = m_timeout;
    settings.replicas = m_replicas.utf8();
    const std::string text = BuildRuntimeConfigurationText(settings);

    // The switch and the handle's AS_Init stay together under the provider's lock: the library
    // keeps one temporary configuration per process and AS_Init takes whatever is in force.
    const int32_t result = m_provider.WithRuntimeConfiguration(text, [&] {
        if (m_provider.GetUnicode()) {
            const int32_t encodingResult = AS_SetSystemEncoding("utf8");
            if (encodingResult == 0) {
                m_provider.DecideUnicode(true);
            } else if (encodingResult == kEncodingInForce) {
                if (!m_provider.DecideUnicode(false)) {
                    // Another namespace runs the library in UTF-8 already.
                    const PYXMessage warning =
                        ProviderMessage(kMsgUtf8AlreadyInForce, {m_displayName});
                    WriteAuditWarning(warning, additionalInfo);
                    PYX_THROW(ProviderError(kVOR_AAA_DirectoryProcessFailure,
                                            {warning, LibraryCallMessage(encodingResult,
                                                                         "AS_SetSystemEncoding")}),
                              kConstructorLabel);
                }
            } else {
                RaiseLibraryFailure(kVOR_AAA_DirectoryProcessFailure, encodingResult,
                                    "AS_SetSystemEncoding", kConstructorLabel);
            }
        }
        OpenOwnHandle(additionalInfo);
    });
    if (result != 0) {
        RaiseLibraryFailure(kVOR_AAA_DirectoryProcessFailure, result,
                            "AS_SetTemporaryRuntimeConfig", kConstructorLabel);
    }
    m_runtimeConfig = text;
}

void BasaltNamespace::OpenOwnHandle(const VOR_AAA_AdditionalInfo& additionalInfo) {
    PYX_ASSERT(m_bTerminatedHandle);
    const int32_t result = AS_Init(LibraryVersion(), &m_handle, AS_INIT_FLAGS);
    if (result == kEncodingInForce) {
        const PYXMessage warning = ProviderMessage(kMsgUtf8AlreadyInForce, {m_displayName});
        WriteAuditWarning(warning, additionalInfo);
        PYX_THROW(ProviderError(kVOR_AAA_DirectoryProcessFailure,
                                {warning, LibraryCallMessage(result, "AS_Init")}),
                  kConstructorLabel);
    }
    if (result != 0) {
        RaiseLibraryFailure(kVOR_AAA_DirectoryProcessFailure, result, "AS_Init", kConstructorLabel);
    }
    try {
        m_provider.MarkUnicodeDecided();
        ReadRuntimeConfiguration();
    } catch (...) {
        AS_Terminate(m_handle);
        throw;
    }
    m_bTerminatedHandle = false;
}

// Reads back the configuration in force; its text is not used further.
void BasaltNamespace::ReadRuntimeConfiguration() {
    int32_t size = 0;
    int32_t result = AS_GetRuntimeConfigSize(&size);
    if (result != 0) {
        PYX_THROW(ProviderError(
                      -1, {ProviderMessage(kMsgLibraryCallFailed,
                                           {GetLastErrorText(result), "AS_GetRuntimeConfigSize"})}),
                  kConstructorLabel);
    }
    int32_t used = 0;
    if (size > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(size));
        result = AS_GetRuntimeConfig(buffer.data(), size, &used);
        if (result != 0) {
            PYX_THROW(
                ProviderError(
                    -1, {ProviderMessage(kMsgLibraryCallFailed,
                                         {GetLastErrorText(result), "AS_GetRuntimeConfigSize"})}),
                kConstructorLabel);
        }
    }
    if (size <= 0 || used > size) {
        PYX_THROW(ProviderError(
                      kVOR_AAA_DirectoryProcessFailure,
                      {ProviderMessage(kMsgLibraryCallFailed, {"", "AS_GetRuntimeConfigSize"})}),
                  kConstructorLabel);
    }
}

I18NString BasaltNamespace::MappedAttribute(const char* frameworkClass,
                                            const char* property) const {
    const auto cls = m_attributeMap.find(frameworkClass);
    if (cls == m_attributeMap.end()) {
        return {};
    }
    const auto attribute = cls->second.find(property);
    return attribute == cls->second.end() ? I18NString() : attribute->second;
}

void BasaltNamespace::RegisterSupportedAttributes() {
    AttributePairs account;
    for (const char* property : {"userName", "businessPhone", "email", "id"}) {
        account.emplace_back(property, MappedAttribute("account", property));
    }
    AttributePairs role;
    for (const char* property : {"name", "id"}) {
        role.emplace_back(property, MappedAttribute("role", property));
    }
    SetSupportedAttributes(kObjectKindAccount, std::move(account));
    SetSupportedAttributes(kObjectKindRole, std::move(role));
    SetSupportedAttributes(kObjectKindNamespaceFolder, {});
}

void BasaltNamespace::RetrieveNamespaceProperties() {
    char productLocale[AS_NSPROP_BUFFER_SIZE] = {};
    char contentLocale[AS_NSPROP_BUFFER_SIZE] = {};
    char authModes[AS_NSPROP_BUFFER_SIZE] = {};
    const std::string directoryNamespace = ToLibraryText(m_directoryNamespace);
    const int32_t result = AS_GetNamespaceProperties2(
        m_handle, directoryNamespace.c_str(), AS_NSPROP_PRODUCT_LOCALE, productLocale,
        AS_NSPROP_CONTENT_LOCALE, contentLocale, AS_NSPROP_AUTH_MODES, authModes, 0);
    if (result == AS_ERR_SERVER_UNREACHABLE) {
        // An outage, not a fault of ours: the text names the servers and what each said.
        PYX_THROW(ProviderError(-1, {ProviderMessage(kMsgDirectoryOutage,
                                                     {m_directoryNamespace,
                                                      GetSessionErrorText(m_handle, result)})}),
                  "RetrieveNamespaceProperties");
    }
    if (result != 0) {
        PYX_THROW(ProviderError(
                      -1, {ProviderMessage(
                              kMsgInternalError,
                              {I18NString("AS_GetNamespaceProperties2 for ") + m_directoryNamespace,
                               GetSessionErrorText(m_handle, result)})}),
                  "RetrieveNamespaceProperties");
    }
    productLocale[sizeof(productLocale) - 1] = '\0';
    contentLocale[sizeof(contentLocale) - 1] = '\0';
    authModes[sizeof(authModes) - 1] = '\0';
    m_defaultContentLocale = FromLibraryText(contentLocale);
    m_defaultProductLocale = FromLibraryText(productLocale);
    m_trustedEnvironmentAllowed = std::strstr(authModes, "os") != nullptr;
}

namespace {

// Reads one of the library's error texts the way it is written: 255 bytes first, doubled
// while the text fills the buffer exactly (size - 1 bytes, which the library writes for a text
// that does not fit), at most three times. cut tells whether the last read still filled it.
template <class Read>
std::string ReadErrorText(Read&& read, bool& cut) {
    constexpr int kEnlargements = 3;
    std::vector<char> buffer(255, '\0');
    for (int enlarged = 0;; ++enlarged) {
        std::fill(buffer.begin(), buffer.end(), '\0');
        read(buffer.data(), static_cast<int32_t>(buffer.size()));
        buffer.back() = '\0';
        cut = std::strlen(buffer.data()) == buffer.size() - 1;
        if (!cut || enlarged == kEnlargements) {
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

}  // namespace

I18NString BasaltNamespace::ErrorTextOf(const std::string& text, bool cut, int32_t code) const {
    if (text.empty()) {
        return I18NString(std::to_string(code));
    }
    if (!cut) {
        return FromLibraryText(text.c_str());
    }
    // The library cut the text at the buffer's last byte, perhaps inside a character: drop
    // what is left of that character (at most three bytes in any encoding the library takes).
    std::string whole = text;
    for (int dropped = 0;; ++dropped) {
        try {
            return FromLibraryText(whole.c_str());
        } catch (PYXException& e) {
            if (e.getErrorCode() != kPYXErrorConversion || dropped == 3 || whole.empty()) {
                throw;
            }
            whole.pop_back();
        }
    }
}

I18NString BasaltNamespace::GetLastErrorText(int32_t code) const {
    const std::string language = m_productLocale.utf8();
    bool cut = false;
    const std::string text = ReadErrorText(
        [&](char* buffer, int32_t size) {
            return AS_GetLastErrorMsgWithLang(buffer, size, language.c_str());
        },
        cut);
    return ErrorTextOf(text, cut, code);
}

I18NString BasaltNamespace::GetSessionErrorText(AS_Handle handle, int32_t code) const {
    const std::string language = m_productLocale.utf8();
    bool cut = false;
    const std::string text = ReadErrorText(
        [&](char* buffer, int32_t size) {
            return AS_GetSessionLastErrorMsgWithLang(handle, buffer, size, language.c_str());
        },
        cut);
    return ErrorTextOf(text, cut, code);
}

std::optional<PYXMessage> BasaltNamespace::EncodingMismatch() const {
    char library[AS_ENCODING_NAME_SIZE] = {};
    if (AS_GetSystemEncoding(library) != 0) {
        return std::nullopt;
    }
    library[sizeof(library) - 1] = '\0';
    const std::string ours = CanonicalEncodingName(m_encoding);
    const std::string theirs = CanonicalEncodingName(library);
    if (ours == theirs) {
        return std::nullopt;
    }
    return ProviderMessage(kMsgEncodingMismatch, {m_displayName, ours, theirs});
}

std::string BasaltNamespace::ToLibraryText(const I18NString& text) const {
    return text.toString(m_encoding);
}

I18NString BasaltNamespace::FromLibraryText(const char* bytes) const {
    return I18NString(bytes, -1, m_encoding);
}

std::string BasaltNamespace::LibraryTextToUtf8(const char* bytes) const {
    // A page of a listing hands on thousands of short texts: valid UTF-8 is its own UTF-8 form.
    if (bytes != nullptr && m_encodingIsUtf8) {
        const std::string_view text(bytes);  // measured once, for the check and the copy
        if (I18NString::isWellFormedUtf8(text)) {
            return std::string(text);
        }
    }
    return FromLibraryText(bytes).utf8();
}

AS_Version BasaltNamespace::LibraryVersion() {
    AS_Version version{};
    version.word2 = AS_VERSION_WORD2;
    version.word3 = AS_VERSION_WORD3;
    version.word4 = AS_VERSION_WORD4;
    return version;
}

int32_t BasaltNamespace::OpenHandle(AS_Handle& handle, const char** failedCall) const {
    int32_t initResult = 0;
    // AS_Init only records what the handle needs (the first operation connects), so holding
    // the provider's lock across it stalls nobody behind a slow server.
    const std::string& text = m_runtimeConfig.size() >= 2 ? m_runtimeConfig : std::string();
    const int32_t switchResult = m_provider.WithRuntimeConfiguration(
        text, [&] { initResult = AS_Init(LibraryVersion(), &handle, AS_INIT_FLAGS); });
    if (switchResult != 0) {
        if (failedCall != nullptr) {
            *failedCall = "AS_SetTemporaryRuntimeConfig";
        }
        return switchResult;
    }
    if (initResult != 0 && failedCall != nullptr) {
        *failedCall = "AS_Init";
    }
    return initResult;
}

void BasaltNamespace::SetCookieSettings(const I18NString* path, const I18NString* domain,
                                        const I18NString* secure) {
    if (path != nullptr) {
        m_cookiePath = *path;
    }
    if (domain != nullptr) {
        m_cookieDomain = *domain;
    }
    if (secure != nullptr && (*secure == I18NString("true") || *secure == I18NString("false"))) {
        m_cookieSecure = *secure;
    }
}

const LibraryNamespace& LibraryOf(const BasaltNamespace& ns) {
    return ns;
}

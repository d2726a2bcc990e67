// One configured Ridge directory namespace: its connection settings, the runtime configuration
// text it hands to the access library, its own access-library handle, the encoding of texts
// exchanged with the library, a few namespace-wide directory properties, the maps from
// framework classes and properties to directory classes and attributes, and cookie settings.
#pragma once

#include "namespace/NamespaceBase.h"
#include "session/LibraryNamespace.h"
#include "signon/WebEnvironment.h"

#include <AccessAPI.h>
#include <I18NString.h>
#include <PYXMessage.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

class BasaltProvider;
class BasaltSession;
class CFGAPI_Instance;
class TraceScope;
class VOR_AAA_Visa;
class VOR_AAA_AdditionalInfo;
class VOR_AAA_BiBusHeader;
class VOR_AAA_Namespace;
class VOR_AAA_QueryDoc;
class VOR_AAA_QueryResponse;

// The properties of the namespace object a query can ask for.
inline const std::set<std::string> kNamespaceProperties = {
    "objectClass", "searchPath", "defaultName", "name", "hasChildren", "capabilities"};

class BasaltNamespace : public NamespaceBase, public LibraryNamespace {
public:
    using ClassMap = std::map<I18NString, I18NString>;
    using AttributeMap = std::map<I18NString, std::map<I18NString, I18NString>>;

    // What the factory read from the configuration instance.
    struct Settings {
        I18NString identifier;
        I18NString displayName;
        I18NString host;
        uint32_t port = 0;
        I18NString replicas;  // the servers after host:port ("host:port,host:port")
        int32_t timeout = -1;
        I18NString baseDN;
        I18NString directoryNamespace;
        I18NString sslCertificateDatabase;
        ClassMap classMap;
        AttributeMap attributeMap;
        I18NString namespaceFormatUri;
        I18NString dataEncoding;
        bool sslEnabled = false;
        uint32_t queryCacheLimit = 0;
    };

    // The namespace factory: reads the instance, settles the provider's Unicode setting and
    // builds the namespace (which opens its handle). Failures throw.
    static std::unique_ptr<BasaltNamespace> Create(const CFGAPI_Instance& instance,
                                                   BasaltProvider& provider,
                                                   const I18NString& namespaceFormatUri,
                                                   const VOR_AAA_AdditionalInfo& additionalInfo);

    // Opens the namespace's handle and reads its directory properties; failures throw (-1).
    BasaltNamespace(BasaltProvider& provider, const Settings& settings,
                    const VOR_AAA_AdditionalInfo& additionalInfo);
    // Terminates the handle unless Close did (a failure cannot be reported from here).
    ~BasaltNamespace() override;
    // Terminates the handle; a failure throws code -1.
    void Close() override;

    // Reads the directory namespace properties 21, 22 and 7.
    void RetrieveNamespaceProperties();

    // Whether a document addressed to the generic identifier designates this namespace; on true
    // the document's credential entry has been re-addressed to this namespace.
    bool NamespaceConfigurationMatch(VOR_AAA_BiBusHeader& document) override;

    // The namespace-level query (only the namespace object itself); false when declined.
    bool QueryNamespaceProperties(VOR_AAA_QueryDoc& query, VOR_AAA_QueryResponse& response);
    // Fills a namespace object with the requested properties.
    void BuildNamespaceObject(VOR_AAA_Namespace& object, const std::set<std::string>& requested,
                              const I18NString& contentLocale) const;

    // ---- sign-on (signon/LogonRoutes.cpp) ----
    // Each creates a session, fills the visa and registers the session; a refused logon throws
    // the authentication exception of its route. ticket: in, a ticket to reuse; out, the
    // session's ticket.
    void CredentialLogon(const TraceScope& trace, const I18NString& userName,
                         const I18NString& password, const I18NString& role,
                         const I18NString& action, I18NString& ticket, VOR_AAA_Visa& visa);
    // 0 on success; otherwise the library's result (validation, then refresh) and no visa.
    int32_t TicketLogon(const TraceScope& trace, const I18NString& ticket, const I18NString& action,
                        VOR_AAA_Visa& visa);
    void CertificateLogon(const TraceScope& trace, const I18NString& certificate,
                          const I18NString& action, const I18NString& role, I18NString& ticket,
                          VOR_AAA_Visa& visa);
    void EnvironmentLogon(const TraceScope& trace, const BasaltEnvironment& environment,
                          bool remoteUserPresent, const I18NString& role, const I18NString& action,
                          I18NString& requiredVariables, I18NString& ticket, VOR_AAA_Visa& visa);
    // Checks the credentials by a sign-on whose session is not kept.
    void GenerateCredential(const TraceScope& trace, const I18NString& userName,
                            const I18NString& password, const I18NString& role,
                            const I18NString& action, I18NString& ticket);
    void GenerateTrustedCredential(const TraceScope& trace, const I18NString& certificate,
                                   const I18NString& role, const I18NString& action,
                                   I18NString& ticket);
    // Changes the password of a basic signon on a handle of its own; a refusal throws a
    // change-password prompt (or a log-on-as prompt, or an unrecoverable failure).
    void ChangeExpiredPassword(const I18NString& signon, const I18NString& oldPassword,
                               const I18NString& newPassword, const I18NString& action);

    // Error texts of the library, in the namespace's product locale.
    I18NString GetLastErrorText(int32_t code) const override;
    I18NString GetSessionErrorText(AS_Handle handle, int32_t code) const;
    // An error text read from the library (the code in decimal when empty); cut: the text may
    // end inside a character, which is dropped.
    I18NString ErrorTextOf(const std::string& text, bool cut, int32_t code) const;

    // When the namespace's encoding is not the one the library reads, the message that says so,
    // naming both (the library then cannot read names outside their common characters).
    std::optional<PYXMessage> EncodingMismatch() const;

    // Texts to and from the library in the namespace's encoding.
    std::string ToLibraryText(const I18NString& text) const override;
    I18NString FromLibraryText(const char* bytes) const override;
    // FromLibraryText(bytes).utf8(), without a conversion when the library's text is UTF-8.
    std::string LibraryTextToUtf8(const char* bytes) const override;

    // Opens a further handle with this namespace's runtime configuration (sessions, password
    // changes). Returns the library's result: of the switch of the runtime configuration when
    // that failed (failedCall "AS_SetTemporaryRuntimeConfig"), else of AS_Init ("AS_Init").
    int32_t OpenHandle(AS_Handle& handle, const char** failedCall = nullptr) const override;
    // The version block every AS_Init of the provider passes.
    static AS_Version LibraryVersion();

    // ---- accessors ----
    BasaltProvider& GetProvider() const noexcept { return m_provider; }
    const I18NString& GetDisplayName() const noexcept { return m_displayName; }
    const I18NString& GetHost() const noexcept { return m_host; }
    uint32_t GetPort() const noexcept { return m_port; }
    int32_t GetTimeout() const noexcept { return m_timeout; }
    const I18NString& GetBaseDN() const noexcept { return m_baseDN; }
    const I18NString& GetDirectoryNamespace() const noexcept override {
        return m_directoryNamespace;
    }
    const I18NString& GetSslCertificateDatabase() const noexcept {
        return m_sslCertificateDatabase;
    }
    bool IsSslEnabled() const noexcept { return m_sslEnabled; }
    uint32_t GetQueryCacheLimit() const noexcept { return m_queryCacheLimit; }
    const ClassMap& GetClassMap() const noexcept { return m_classMap; }
    const AttributeMap& GetAttributeMap() const noexcept { return m_attributeMap; }
    const I18NString& GetProductLocale() const noexcept { return m_productLocale; }
    const I18NString& GetContentLocale() const noexcept { return m_contentLocale; }
    AS_Handle GetHandle() const noexcept { return m_handle; }
    const std::string& GetRuntimeConfig() const noexcept { return m_runtimeConfig; }
    const char* GetEncoding() const noexcept { return m_encoding; }
    const I18NString& GetDefaultContentLocale() const noexcept { return m_defaultContentLocale; }
    const I18NString& GetDefaultProductLocale() const noexcept { return m_defaultProductLocale; }
    bool IsTrustedEnvironmentAllowed() const noexcept { return m_trustedEnvironmentAllowed; }
    const I18NString& GetCookiePath() const noexcept { return m_cookiePath; }
    const I18NString& GetCookieDomain() const noexcept { return m_cookieDomain; }
    const I18NString& GetCookieSecure() const noexcept { return m_cookieSecure; }

    // Cookie settings from the configuration; CookieSecure only as "true" or "false".
    void SetCookieSettings(const I18NString* path, const I18NString* domain,
                           const I18NString* secure);

private:
    void FillVisa(BasaltSession& session, const I18NString& ticket, VOR_AAA_Visa& visa);
    void SetProtectedVisaValue(VOR_AAA_Visa& visa, const char* name, const I18NString& value);
    void ChooseEncoding(const I18NString& dataEncoding);
    void ChooseSystemEncoding();
    void SetEncoding(const std::string& name);
    void InitializeDirectory(const VOR_AAA_AdditionalInfo& additionalInfo);
    void OpenOwnHandle(const VOR_AAA_AdditionalInfo& additionalInfo);
    void ReadRuntimeConfiguration();
    void RegisterSupportedAttributes();
    I18NString MappedAttribute(const char* frameworkClass, const char* property) const;

    BasaltProvider& m_provider;
    I18NString m_displayName;
    I18NString m_host;
    uint32_t m_port;
    I18NString m_replicas;
    int32_t m_timeout;
    I18NString m_baseDN;
    I18NString m_directoryNamespace;
    I18NString m_sslCertificateDatabase;
    bool m_sslEnabled;
    uint32_t m_queryCacheLimit;
    ClassMap m_classMap;
    AttributeMap m_attributeMap;
    I18NString m_contentLocale;
    I18NString m_productLocale;
    AS_Handle m_handle = 0;
    bool m_bTerminatedHandle = true;
    I18NString m_cookiePath = "/";
    I18NString m_cookieDomain;
    I18NString m_cookieSecure = "true";
    std::string m_runtimeConfig;
    char m_encoding[255] = {};
    bool m_encodingIsUtf8 = false;  // m_encoding names UTF-8 (asked once, not per text)
    I18NString m_defaultContentLocale;
    I18NString m_defaultProductLocale;
    bool m_trustedEnvironmentAllowed = false;
};

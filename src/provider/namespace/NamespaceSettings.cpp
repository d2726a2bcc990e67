// The namespace factory: from a configuration instance to a built BasaltNamespace.
#include "audit/CallTrace.h"
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "namespace/ConfigurationDocument.h"
#include "namespace/RuntimeConfiguration.h"
#include "process/BasaltProvider.h"

#include <PYXThrowable.h>
#include <VOR_AAA_AdditionalInfo.h>

namespace {

void FillMaps(BasaltNamespace::Settings& s) {
    s.classMap = {{"account", "inetorgperson"},
                  {"group", "groupofuniquenames"},
                  {"role", ""},
                  {"namespaceFolder", "*"}};
    auto& account = s.attributeMap["account"];
    account = {{"businessPhone", "telephonenumber"},
               {"email", "mail"},
               {"faxPhone", "facsimiletelephonenumber"},
               {"givenName", "givenname"},
               {"homePhone", "homephone"},
               {"mobilePhone", "mobile"},
               {"pagerPhone", "pager"},
               {"postalAddress", "postaladdress"},
               {"surname", "sn"},
               {"userName", "uid"}};
    for (const char* cls : {"account", "group", "namespaceFolder"}) {
        auto& attributes = s.attributeMap[cls];
        attributes["name"] = "cn";
        attributes["defaultName"] = "cn";
        attributes["description"] = "description";
        attributes["defaultDescription"] = "description";
    }
    s.attributeMap["group"]["members"] = "uniquemember";
}

}  // namespace

std::unique_ptr<BasaltNamespace> BasaltNamespace::Create(
    const CFGAPI_Instance& instance, BasaltProvider& provider, const I18NString& namespaceFormatUri,
    const VOR_AAA_AdditionalInfo& additionalInfo) {
    try {
        Settings s;
        s.namespaceFormatUri = namespaceFormatUri;
        instance.GetMandatoryParameterValue("id", s.identifier);
        s.displayName = instance.GetName();
        I18NString connection;
        instance.GetMandatoryParameterValue("connection", connection);
        std::string firstServer;
        std::string replicas;
        SplitServerList(connection.utf8(), firstServer, replicas);
        s.replicas = I18NString(replicas);
        std::string host;
        std::string portText;
        SplitConnection(firstServer, host, portText);
        s.host = I18NString(host);
        s.port = static_cast<uint32_t>(AtoiValue(portText));
        instance.GetMandatoryParameterValue("baseDN", s.baseDN);
        I18NString timeout;
        if (instance.GetParameterValue("timeOut", timeout)) {
            s.timeout = AtoiValue(timeout.utf8());
        }
        instance.GetMandatoryParameterValue("namespace", s.directoryNamespace);
        instance.GetParameterValue("sslCertificateDatabase", s.sslCertificateDatabase);
        std::string certificateDatabase = s.sslCertificateDatabase.utf8();
        ApplyCertificateDatabaseRule(certificateDatabase, s.sslEnabled);
        s.sslCertificateDatabase = I18NString(certificateDatabase);
        FillMaps(s);
        if (instance.GetParameter("dataEncoding") != nullptr) {
            instance.GetParameterValue("dataEncoding", s.dataEncoding);
        }

        bool unicodeWish = true;
        if (const CFGAPI_Parameter* advanced = instance.GetParameter("advancedProperties")) {
            for (const auto& [name, value] : advanced->GetProperties()) {
                if (name == I18NString("RidgeNamespacesAreUnicode")) {
                    unicodeWish = value == I18NString("true");
                } else if (name == I18NString("SSLEnabledOnPrimaryDirectoryServer")) {
                    s.sslEnabled = value == I18NString("true");
                } else if (name == I18NString("numberOfQueriesCacheLimit")) {
                    s.queryCacheLimit = static_cast<uint32_t>(AtoiValue(value.utf8()));
                }
            }
        }
        if (provider.IsUnicodeDecided() && provider.GetUnicode() != unicodeWish) {
            WriteAuditWarning(ProviderMessage(kMsgUnicodeConflict), additionalInfo);
        }
        provider.SetUnicodeIfUndecided(unicodeWish);

        auto ns = std::make_unique<BasaltNamespace>(provider, s, additionalInfo);

        I18NString cookiePath;
        I18NString cookieDomain;
        I18NString cookieSecure;
        const bool hasPath = instance.GetParameterValue("CookiePath", cookiePath);
        const bool hasDomain = instance.GetParameterValue("CookieDomain", cookieDomain);
        const bool hasSecure = instance.GetParameterValue("CookieSecure", cookieSecure);
        ns->SetCookieSettings(hasPath ? &cookiePath : nullptr, hasDomain ? &cookieDomain : nullptr,
                              hasSecure ? &cookieSecure : nullptr);
        return ns;
    }
    PYX_CATCH_AND_RETHROW("BasaltNamespace::Create")
}

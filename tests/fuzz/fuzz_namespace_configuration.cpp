// The namespace configuration reader: the configuration document into an instance, then the
// values a namespace takes from it through the rules it applies to them.
#include "FuzzTarget.h"
#include "PYXThrowable.h"
#include "namespace/ConfigurationDocument.h"
#include "namespace/RuntimeConfiguration.h"

namespace {

void readValues(const CFGAPI_Base& instance, int depth) {
    for (const char* key : {"id", "connection", "baseDN", "namespace", "timeOut", "dataEncoding",
                            "sslCertificateDatabase", "cookieDomain", "cookiePath"}) {
        I18NString value;
        if (instance.GetParameterValue(key, value)) {
            const std::string bytes = value.utf8();
            AtoiValue(bytes);
            std::string host, port;
            SplitConnection(bytes, host, port);
            DataEncodingSelectsSystemEncoding(bytes);
        }
    }
    I18NString user, password;
    if (const CFGAPI_Parameter* parameter = instance.GetParameter("advancedProperties")) {
        for (const auto& [name, value] : parameter->GetProperties()) {
            AtoiValue(value.utf8());
        }
    }
    if (depth < 4) {
        if (const CFGAPI_Instances* list = instance.GetInstances("list")) {
            for (const auto& [name, child] : list->GetAll()) {
                readValues(*child, depth + 1);
            }
        }
    }
}

}  // namespace

BASALT_FUZZ_TARGET() {
    CFGAPI_Instance instance;
    I18NString error;
    try {
        if (instance.Load(reinterpret_cast<const char*>(data), size, error)) {
            readValues(instance, 0);
            I18NString user, password;
            instance.GetBindCredentials(user, password);
        }
    } catch (const PYXThrowable&) {
    }
    return 0;
}

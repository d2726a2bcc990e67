// A scripted provider for the host's tests. It answers through the real ABI with documents in
// the provider's formats; what it answers is steered by markers in the texts it receives:
//   configuration without an "id" parameter  -> -34 with a nested exception document
//   configuration containing "oversize"       -> response buffer larger than length + 1
//   configuration containing "leak"           -> one extra block allocated and never returned
//   configuration containing "silent"         -> success without a response document
// A search answers the namespace object it names; setting a version and signing on are not scripted
// (the real provider does them in HostDirectoryTest).
#include <cstring>
#include <string>

#include "SchemaNames.h"
#include "VOR_AAA_Interface.h"

namespace {

VOR_AAA_AllocRoutine g_alloc = nullptr;

char* give(const std::string& text, std::size_t extra = 0) {
    char* block = static_cast<char*>(g_alloc(static_cast<uint32_t>(text.size() + 1 + extra)));
    std::memcpy(block, text.c_str(), text.size() + 1);
    return block;
}

std::string between(const std::string& text, const std::string& open, const std::string& close) {
    std::size_t start = text.find(open);
    if (start == std::string::npos) {
        return {};
    }
    start += open.size();
    std::size_t end = text.find(close, start);
    return end == std::string::npos ? std::string() : text.substr(start, end - start);
}

std::string exceptionDocument(const char* codeString, int code, const std::string& messages) {
    std::string codeElement =
        codeString[0] ? std::string("<errorCodeString>") + codeString + "</errorCodeString>"
                      : "<errorCode>" + std::to_string(code) + "</errorCode>";
    return "<exception xsi:type=\"bus:VORException\"><severity>error</severity>" + codeElement +
           "<messages>" + messages + "</messages></exception>";
}

std::string message(int level, const std::string& text) {
    std::string nesting =
        level ? "<nestingLevel>" + std::to_string(level) + "</nestingLevel>" : std::string();
    return "<item>" + nesting + "<messageString>" + text + "</messageString></item>";
}

// The namespace object with all its properties, as a search for it answers.
std::string namespaceObject(const std::string& id) {
    std::string path = "VORID(&quot;" + id + "&quot;)";
    return std::string("<cm:queryResponse xmlns:cm=\"") + basalt_host::names::kAAANamespaceURI +
           "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
           "<queryResult><item xsi:type=\"cm:namespace\" searchPath=\"" +
           path +
           "\">"
           "<defaultName xsi:type=\"cm:tokenProp\"><value>" +
           id +
           "</value></defaultName><name xsi:type=\"cm:multilingualTokenProp\"><value><item>"
           "<value>Ridge " +
           id +
           "</value><locale>en</locale></item><item><value>"
           "R&#233;seau</value><locale>fr</locale></item></value></name>"
           "<objectClass xsi:type=\"cm:classEnumProp\"><value>namespace</value></objectClass>"
           "</item></queryResult></cm:queryResponse>";
}

int32_t Initialize(VOR_AAA_AllocRoutine alloc, const char* additionalInfo, char** exception) {
    if (exception) {
        *exception = nullptr;
    }
    if (!alloc || !exception) {
        return -19;
    }
    g_alloc = alloc;
    // The host must send a readable additional-information document.
    if (!std::strstr(additionalInfo, "<additionalInfo") ||
        !std::strstr(additionalInfo, "<productLocale>")) {
        *exception = give(exceptionDocument("", -48, message(0, "no additional information")));
        return -48;
    }
    return 0;
}

int32_t Terminate(const char*, char** exception) {
    *exception = nullptr;
    return 0;
}

int32_t Configure(const char* configuration, const char* additionalInfo, char** response,
                  char** exception) {
    *response = nullptr;
    *exception = nullptr;
    std::string config(configuration);
    std::string id = between(config, "<parameter name=\"id\"><value>", "</value>");
    if (id.empty()) {
        std::string locale = between(additionalInfo, "<productLocale>", "</productLocale>");
        std::string lead = locale.rfind("fr", 0) == 0 ? "Param&#232;tre obligatoire absent"
                                                      : "A mandatory parameter is missing";
        *exception = give(exceptionDocument(
            "", -34, message(0, lead) + message(1, "parameter &quot;id&quot; &amp; more")));
        return -34;
    }
    std::string doc =
        std::string("<cm:queryResponse xmlns:cm=\"") + basalt_host::names::kAAANamespaceURI +
        "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><queryResult><item "
        "xsi:type=\"cm:namespace\" searchPath=\"\"><capabilities><value><item>startsWith</item>"
        "<item>caseSensitive</item></value></capabilities></item></queryResult>"
        "</cm:queryResponse>";
    if (config.find("silent") != std::string::npos) {
        return 0;
    }
    if (config.find("leak") != std::string::npos) {
        g_alloc(16);
    }
    *response = give(doc, config.find("oversize") != std::string::npos ? 8 : 0);
    return 0;
}

int32_t SetNamespaceVersion(const char*, const char*, char** exception) {
    *exception = give(exceptionDocument("", -48, message(0, "not scripted")));
    return -48;
}

int32_t AuthenticateXml(const char*, char** response) {
    *response = nullptr;
    return -48;
}

int32_t SearchXml(const char*, const char* query, char** response, char** exception) {
    *exception = nullptr;
    *response = give(namespaceObject(between(query, "VORID(&quot;", "&quot;)")));
    return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t VOR_AAA_GetInterface(int32_t number,
                                                                               void* table) {
    if (number == kVOR_AAA_LifecycleInterface) {
        *static_cast<VOR_AAA_LifecycleTable*>(table) = {Initialize, Terminate, Configure,
                                                        SetNamespaceVersion};
        return 0;
    }
    if (number == kVOR_AAA_DocumentTextInterface) {
        *static_cast<VOR_AAA_DocumentTextTable*>(table) = {AuthenticateXml, SearchXml};
        return 0;
    }
    return -16;
}

#include "CheckCommand.h"

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandFrame.h"
#include "HostError.h"
#include "HostSession.h"
#include "HostText.h"
#include "XmlTree.h"

namespace basalt_host {
namespace {

constexpr int32_t kBufferTooSmall = -5;  // AS_ERR_BUFFER_TOO_SMALL

// The directory access library's checking calls, found through the provider library: the very
// instance the provider configured, with the runtime configuration it has just set.
struct AccessCalls {
    int32_t (*checkConfiguration)(int32_t) = nullptr;
    int32_t (*lastError)(char*, int32_t, const char*) = nullptr;
    int32_t (*configSize)(int32_t*) = nullptr;
    int32_t (*config)(char*, int32_t, int32_t*) = nullptr;

    explicit AccessCalls(const ProviderLibrary& library) : m_library(library) {
        checkConfiguration =
            reinterpret_cast<decltype(checkConfiguration)>(library.symbol("AS_CheckConfiguration"));
        lastError =
            reinterpret_cast<decltype(lastError)>(library.symbol("AS_GetLastErrorMsgWithLang"));
        configSize =
            reinterpret_cast<decltype(configSize)>(library.symbol("AS_GetRuntimeConfigSize"));
        config = reinterpret_cast<decltype(config)>(library.symbol("AS_GetRuntimeConfig"));
    }
    bool available() const { return checkConfiguration && lastError && configSize && config; }
    const ProviderLibrary& m_library;

    // The server that answered the last check (from the access library).
    std::string directoryServer() const { return m_library.directoryServer(); }

    std::string errorText(const std::string& locale) const {
        // A text that does not fit is answered "too small": grow until it does.
        for (std::size_t size = 2048; size <= 64 * 1024; size *= 2) {
            std::vector<char> buffer(size, '\0');
            const int32_t result =
                lastError(buffer.data(), static_cast<int32_t>(buffer.size()), locale.c_str());
            if (result == 0) {
                return buffer.data();
            }
            if (result != kBufferTooSmall) {
                return {};
            }
        }
        return {};
    }

    // The runtime configuration text in force, or "" when there is none.
    std::string runtimeConfiguration() const {
        int32_t size = 0;
        if (configSize(&size) != 0 || size <= 0) {
            return {};
        }
        std::vector<char> buffer(static_cast<std::size_t>(size), '\0');
        int32_t used = 0;
        if (config(buffer.data(), size, &used) != 0) {
            return {};
        }
        return buffer.data();
    }
};

// The text between <tag> and </tag> of a runtime configuration ("" when absent).
std::string field(const std::string& runtime, const std::string& tag) {
    std::size_t start = runtime.find("<" + tag + ">");
    if (start == std::string::npos) {
        return {};
    }
    start += tag.size() + 2;
    std::size_t end = runtime.find("</" + tag + ">", start);
    return end == std::string::npos ? std::string() : runtime.substr(start, end - start);
}

class Report {
public:
    void passed(const std::string& step, const std::string& detail = {}) {
        line(say("[ok]  "), step, detail);
    }
    void skipped(const std::string& step, const std::string& why) {
        line(say("[skip]"), step, why);
    }
    void failed(const std::string& step, const std::string& why, const std::string& change) {
        line(say("[FAIL]"), step, why);
        if (!change.empty()) {
            std::cout << "         " << say("change: {1}", {change}) << '\n';
        }
        m_failed = true;
    }
    bool anyFailed() const { return m_failed; }

private:
    static void line(const std::string& mark, const std::string& step, const std::string& detail) {
        std::cout << "  " << mark << ' '
                  << (detail.empty() ? step : say("{1}: {2}", {step, detail})) << '\n';
    }
    bool m_failed = false;
};

struct Parameters {
    std::string id, connection, baseDn, directoryNamespace;
    std::vector<std::string> servers;  // of connection, in order
};

// The servers a "connection" names: one host:port, or several separated by blanks or commas.
std::vector<std::string> serversOf(const std::string& connection) {
    std::vector<std::string> servers;
    std::size_t pos = 0;
    while ((pos = connection.find_first_not_of(" ,\t", pos)) != std::string::npos) {
        std::size_t end = connection.find_first_of(" ,\t", pos);
        servers.push_back(connection.substr(pos, end - pos));
        pos = end;
    }
    return servers;
}

// Step 1: the document names everything the provider needs; false (and a reported failure)
// when it does not.
std::optional<Parameters> readDocument(const std::string& path, const std::string& text,
                                       Report& report) {
    const std::string step = say("the configuration document");
    std::unique_ptr<XmlElement> root;
    try {
        root = parseXml(text, "'" + path + "'");
    } catch (const HostError& error) {
        report.failed(step, error.what(),
                      say("write well-formed XML (see data/sample/namespace.xml)"));
        return std::nullopt;
    }
    auto value = [&](const char* name) -> std::optional<std::string> {
        std::optional<std::string> found;
        for (const XmlElement* parameter : root->childrenNamed("parameter")) {
            if (parameter->attribute("name") == name) {
                const XmlElement* v = parameter->child("value");
                found = v ? std::optional<std::string>(v->text) : std::nullopt;
            }
        }
        return found;
    };
    Parameters p;
    std::string missing;
    for (auto [name, into] :
         {std::pair{"id", &p.id}, std::pair{"connection", &p.connection},
          std::pair{"baseDN", &p.baseDn}, std::pair{"namespace", &p.directoryNamespace}}) {
        std::optional<std::string> v = value(name);
        if (!v || v->empty()) {
            missing += (missing.empty() ? "" : ", ") + std::string(name);
        } else {
            *into = *v;
        }
    }
    if (!missing.empty()) {
        report.failed(step, say("no value for {1}", {missing}),
                      say("give each mandatory parameter (id, connection, baseDN, namespace) a "
                          "value in '{1}'",
                          {path}));
        return std::nullopt;
    }
    p.servers = serversOf(p.connection);
    bool wellFormed = !p.servers.empty();
    for (const std::string& server : p.servers) {
        std::size_t colon = server.find(':');
        std::string port = colon == std::string::npos ? "" : server.substr(colon + 1);
        wellFormed = wellFormed && colon != 0 && !port.empty() &&
                     port.find_first_not_of("0123456789") == std::string::npos;
    }
    if (!wellFormed) {
        report.failed(
            step, say("connection \"{1}\" is not host:port (or a list of them)", {p.connection}),
            say("write the directory server as host:port, e.g. ldap.example.com:389, "
                "in the \"connection\" parameter of '{1}'",
                {path}));
        return std::nullopt;
    }
    report.passed(step, say("namespace \"{1}\", directory namespace \"{2}\" below \"{3}\" at {4}",
                            {p.id, p.directoryNamespace, p.baseDn, p.connection}));
    return p;
}

constexpr int32_t kTlsFailure = -16;  // AS_ERR_TLS
constexpr int32_t kSchemaLevel = 6;

const char* kHomeHint =
    "the provider's home directory ($BASALT_HOME, else share/basalt/home next to the provider "
    "library)";

// The directory steps, asked of the access library level by level; false when one fails.
bool checkDirectory(const AccessCalls& access, const std::string& path, const Parameters& p,
                    const std::string& locale, Report& report) {
    const std::string runtime = access.runtimeConfiguration();
    // A failed configure may have left the runtime configuration of an earlier namespace.
    const std::string& first = p.servers.front();
    const std::string configured =
        first.substr(0, first.find(':')) + ":" +
        std::to_string(std::atol(first.substr(first.find(':') + 1).c_str()));
    const bool inForce = access.checkConfiguration(1) == 0 && !runtime.empty();
    if (!inForce || field(runtime, "HOST") + ":" + field(runtime, "PORT") != configured) {
        report.failed(say("the runtime configuration"),
                      inForce ? say("the provider did not put this namespace's server in force")
                              : access.errorText(locale),
                      say("correct \"connection\", \"baseDN\" and \"namespace\" in '{1}' (see "
                          "the provider's answer below)",
                          {path}));
        return false;
    }
    const std::string where = field(runtime, "HOST") + ":" + field(runtime, "PORT");
    const bool tls = field(runtime, "SSL_ENABLED") == "true";
    const std::string certificates = field(runtime, "SSL_CERT_DB");

    const bool replicated = p.servers.size() > 1;
    std::string all;
    for (const std::string& server : p.servers) {
        all += (all.empty() ? "" : " ") + server;
    }
    const std::string reach = replicated ? say("reach a directory server of {1}", {all})
                                         : say("reach the directory server at {1}", {where});
    const std::string tlsStep = say("TLS with the server");
    const int32_t reached = access.checkConfiguration(2);
    if (reached == kTlsFailure) {
        report.passed(reach);
        report.failed(tlsStep, access.errorText(locale),
                      say("make \"sslCertificateDatabase\" in '{1}' name the certificate of the "
                          "authority that signed the server's certificate (a PEM file, or a "
                          "folder of hashed certificates), and \"connection\" a host name that "
                          "certificate carries; or turn TLS off with "
                          "SSLEnabledOnPrimaryDirectoryServer = false",
                          {path}));
        return false;
    }
    if (reached != 0) {
        report.failed(reach, access.errorText(locale),
                      say("make \"connection\" in '{1}' name the host and port the directory "
                          "server listens on, start the server, or open the port between here "
                          "and there; raise \"timeOut\" for a slow network",
                          {path}));
        return false;
    }
    if (replicated) {
        report.passed(reach, say("{1} answered", {access.directoryServer()}));
    } else {
        report.passed(reach);
    }
    if (tls) {
        report.passed(tlsStep, certificates.empty()
                                   ? say("the system's certificate authorities")
                                   : say("certificate authorities of {1}", {certificates}));
    } else {
        report.skipped(tlsStep, say("not turned on (no sslCertificateDatabase file, "
                                    "SSLEnabledOnPrimaryDirectoryServer not true)"));
    }

    const std::string schemaStep = say("the Ridge schema");
    const std::string loadSchema =
        say("load the Ridge schema into the server: ldapadd -Y EXTERNAL -H ldapi:/// -f "
            "share/basalt/ldap/ridge.ldif (cn=config), or include ridge.schema in slapd.conf");
    struct Step {
        int32_t level;
        std::string name;
        std::string change;
    };
    const Step steps[] = {
        {3, say("bind as the service identity"),
         say("in access.conf of {1}, name an identity the server accepts: service_dn (or "
             "service_rdn below the base DN) with service_password_file holding its password, "
             "or service_sasl_external = yes with service_url",
             {say(kHomeHint)})},
        {4, say("read the base DN \"{1}\"", {p.baseDn}),
         say("make \"baseDN\" in '{1}' the suffix (or an entry) of the directory, and let the "
             "service identity read it (share/basalt/ldap/ridge-acl.conf)",
             {path})},
        {5, say("find the namespace entry \"ou={1},{2}\"", {p.directoryNamespace, p.baseDn}),
         say("make \"namespace\" in '{1}' the ou of a ridgeNamespace entry directly below the "
             "base DN, or add that entry (share/basalt/ldap/ridge-example.ldif)",
             {path})}};
    for (const Step& step : steps) {
        if (access.checkConfiguration(step.level) == 0) {
            report.passed(step.name);
            continue;
        }
        report.failed(step.name, access.errorText(locale), step.change);
        // Without the schema there can be no namespace entry: say which one is the cause.
        if (step.level == 5 && access.checkConfiguration(kSchemaLevel) != 0) {
            report.failed(schemaStep, access.errorText(locale), loadSchema);
        }
        return false;
    }
    if (access.checkConfiguration(kSchemaLevel) != 0) {
        report.failed(schemaStep, access.errorText(locale), loadSchema);
        return false;
    }
    report.passed(schemaStep);
    return true;
}

// One configuration: document, provider, directory steps, then the provider's own answer.
void checkOne(HostSession& session, const HostOptions& options, std::size_t index, Report& report) {
    const std::string& path = options.configs[index];
    std::cout << say("check of '{1}'", {path}) << '\n';
    std::optional<Parameters> parameters = readDocument(path, options.configTexts[index], report);
    if (!parameters) {
        return;
    }
    const std::string entry = "BasaltConfigure of '" + path + "'";
    CallOutcome outcome =
        session.library().configure(options.configTexts[index], session.additionalInfo());
    AccessCalls access(session.library());
    if (!access.available()) {
        report.skipped(
            say("the directory steps"),
            say("'{1}' does not bring the directory access library", {session.library().path()}));
    } else if (!checkDirectory(access, path, *parameters, options.productLocale, report)) {
        if (outcome.code < 0) {
            std::cout.flush();  // the provider's account goes to stderr, after the steps
            session.accepted(entry, outcome);  // the provider's own account, for completeness
        }
        return;
    }
    std::cout.flush();
    if (session.accepted(entry, outcome)) {
        report.passed(say("the provider configures the namespace"));
    } else {
        report.failed(say("the provider configures the namespace"),
                      say("see the provider's answer above"),
                      say("correct what its messages name in '{1}'", {path}));
    }
}

}  // namespace

int commandCheck(const HostOptions& options) {
    Report report;
    HostSession session(options);
    if (!session.initialized()) {
        report.failed(say("initialise the provider"), say("see the provider's answer above"),
                      say("make {1} hold the message catalogues, the access library's files "
                          "and a valid access.conf",
                          {say(kHomeHint)}));
        return kExitProviderFailure;
    }
    for (std::size_t i = 0; i < options.configs.size(); ++i) {
        checkOne(session, options, i, report);
    }
    bool terminated = session.finish();
    if (report.anyFailed() || !terminated) {
        std::cout << say("a step failed: change what it names and run check again") << '\n';
        return kExitProviderFailure;
    }
    std::cout << say("every step passed") << '\n';
    return kExitSuccess;
}

}  // namespace basalt_host

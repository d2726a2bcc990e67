#include "RuntimeConfiguration.h"

#include <I18NString.h>
#include <PYXFm.h>

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

// The setting's bytes in the process default encoding.
std::string DefaultEncodingBytes(const std::string& utf8) {
    if (utf8.empty()) {
        return utf8;
    }
    return I18NString(utf8).toString(I18NString::defaultEncoding());
}

}  // namespace

std::string BuildRuntimeConfigurationText(const RuntimeConfigurationSettings& s) {
    std::string text;
    text +=
        "<TESSEL_CONFIGURATION_6.7.0><GENERATION>100</GENERATION><STORAGE_TYPE>2</STORAGE_TYPE>";
    text += "<DEFAULT_NAMESPACE>";
    text += DefaultEncodingBytes(s.directoryNamespace);
    text += "</DEFAULT_NAMESPACE><SSL_CERT_DB>";
    text += DefaultEncodingBytes(s.sslCertificateDatabase);
    text += "</SSL_CERT_DB><SSL_ENABLED>";
    text += s.sslEnabled ? "true" : "false";
    text += "</SSL_ENABLED><LDAP><HOST>";
    text += DefaultEncodingBytes(s.host);
    text += "</HOST><PORT>";
    text += std::to_string(s.port);
    text += "</PORT><BASE_DN>";
    text += DefaultEncodingBytes(s.baseDN);
    text += "</BASE_DN><TIMEOUT>";
    text += std::to_string(s.timeout);
    text += "</TIMEOUT></LDAP></TESSEL_CONFIGURATION_6.7.0>";
    return text;
}

int32_t AtoiValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) {
            value = kLimit;
        }
    }
    if (negative) {
        return static_cast<int32_t>(-value);
    }
    return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

void SplitConnection(std::string_view connection, std::string& host, std::string& portText) {
    const std::size_t colon = connection.find(':');
    if (colon == std::string_view::npos) {
        host.assign(connection);
        portText.clear();
        return;
    }
    host.assign(connection.substr(0, colon));
    portText.assign(connection.substr(colon + 1));
}

bool DataEncodingSelectsSystemEncoding(std::string_view dataEncoding) {
    constexpr std::string_view kUtf8 = "UTF-8";
    if (dataEncoding.size() > kUtf8.size()) {
        return false;
    }
    for (std::size_t i = 0; i < dataEncoding.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(dataEncoding[i])) != kUtf8[i]) {
            return false;
        }
    }
    return true;
}

void ApplyCertificateDatabaseRule(std::string& certificateDatabase, bool& sslEnabled) {
    if (certificateDatabase.empty()) {
        return;
    }
    const std::string path = PYXFmDir::resolveEffectivePath(certificateDatabase);
    if (PYXFmDir::exists(path)) {
        return;
    }
    PYXFmFile file;
    if (!file.open(path)) {
        return;  // neither a directory nor a readable file: the library decides
    }
    file.close();
    sslEnabled = true;
    std::string directory;
    std::string fileName;
    PYXFmDir::splitPath(path, directory, fileName);
    if (!fileName.empty()) {
        certificateDatabase = directory.empty() ? std::string(".") : directory;
    }
}

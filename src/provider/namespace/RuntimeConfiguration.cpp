#include "namespace/RuntimeConfiguration.h"

#include <I18NString.h>
#include <PYXFm.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <vector>

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
    text += "</TIMEOUT>";
    if (!s.replicas.empty()) {
        text += "<REPLICAS>";
        text += DefaultEncodingBytes(s.replicas);
        text += "</REPLICAS>";
    }
    text += "</LDAP></TESSEL_CONFIGURATION_6.7.0>";
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

void SplitServerList(std::string_view connection, std::string& first, std::string& replicas) {
    std::vector<std::string_view> items;
    std::size_t pos = 0;
    while (pos < connection.size()) {
        const std::size_t start = connection.find_first_not_of(" ,\t", pos);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = connection.find_first_of(" ,\t", start);
        if (end == std::string_view::npos) {
            end = connection.size();
        }
        items.push_back(connection.substr(start, end - start));
        pos = end;
    }
    bool list = items.size() > 1;
    for (std::size_t i = 1; list && i < items.size(); ++i) {
        const std::size_t colon = items[i].rfind(':');
        list = colon != std::string_view::npos && colon > 0 && colon + 1 < items[i].size();
    }
    replicas.clear();
    if (!list) {
        first.assign(connection);
        return;
    }
    first.assign(items[0]);
    for (std::size_t i = 1; i < items.size(); ++i) {
        replicas += replicas.empty() ? "" : ",";
        replicas.append(items[i]);
    }
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

#include "EnvironmentDocuments.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace basalt_host {
namespace {

constexpr std::string_view kType = "Type=";
constexpr int kVersion = 1;
constexpr std::string_view kSeparator = " , ";

std::string base64(const std::string& plain) {
    std::string encoded(4 * ((plain.size() + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                        reinterpret_cast<const unsigned char*>(plain.data()),
                                        static_cast<int>(plain.size()));
    encoded.resize(static_cast<std::size_t>(written));
    return encoded;
}

std::optional<std::string> unbase64(std::string text) {
    text.erase(
        std::remove_if(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }),
        text.end());
    if (text.empty() || text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::string plain(text.size() / 4 * 3, '\0');
    const int written = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(plain.data()),
                                        reinterpret_cast<const unsigned char*>(text.data()),
                                        static_cast<int>(text.size()));
    if (written < 0) {
        return std::nullopt;
    }
    // EVP_DecodeBlock counts the padding as zero bytes.
    const std::size_t padding = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
    plain.resize(static_cast<std::size_t>(written) - padding);
    return plain;
}

}  // namespace

std::optional<std::vector<std::string>> requestedVariables(const std::string& request) {
    const std::optional<std::string> plain = unbase64(request);
    if (!plain || !plain->starts_with(kType) ||
        std::strtol(plain->c_str() + kType.size(), nullptr, 10) != kVersion) {
        return std::nullopt;
    }
    std::size_t start = plain->find(kSeparator);
    if (start == std::string::npos) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (start += kSeparator.size(); start < plain->size();) {
        std::size_t end = plain->find(kSeparator, start);
        if (end == std::string::npos) {
            end = plain->size();
        }
        std::string name = plain->substr(start, end - start);
        name = name.substr(0, name.find('='));
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(std::move(name));
        }
        start = end + kSeparator.size();
    }
    return names;
}

std::string environmentDocument(const NameValues& values) {
    std::string plain = std::string(kType) + std::to_string(kVersion) + std::string(kSeparator);
    bool first = true;
    for (const auto& [name, value] : values) {
        plain += first ? std::string_view() : kSeparator;
        first = false;
        plain += name + "=";
        for (char c : value) {
            if (c == '=' || c == ',') {
                plain += '\\';
            }
            plain += c;
        }
    }
    return base64(plain);
}

std::optional<std::string> answerEnvironmentRequest(const std::string& request,
                                                    const NameValues& known) {
    const std::optional<std::vector<std::string>> names = requestedVariables(request);
    if (!names || names->empty()) {
        return std::nullopt;
    }
    NameValues answer;
    for (const std::string& name : *names) {
        auto value = std::find_if(known.begin(), known.end(),
                                  [&](const auto& pair) { return pair.first == name; });
        if (value == known.end() || value->second.empty()) {
            return std::nullopt;
        }
        answer.push_back(*value);
    }
    return environmentDocument(answer);
}

}  // namespace basalt_host

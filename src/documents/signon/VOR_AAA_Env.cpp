#include "VOR_AAA_Env.h"

#include "PYXBase64.h"
#include "PYXThrowable.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

constexpr const char* kSeparator = " , ";
constexpr size_t kSeparatorLength = 3;

// "\=" and "\," stand for the character alone; any other byte is kept as it is.
std::string unescapeValue(const std::string& raw) {
    std::string value;
    value.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == '=' || raw[i + 1] == ',')) {
            ++i;
        }
        value += raw[i];
    }
    return value;
}

}  // namespace

std::string VOR_AAA_Env::Encode() const {
    char header[32];
    std::snprintf(header, sizeof header, "Type=%d , ", kVersion);
    std::string plain = header;
    bool first = true;
    for (const auto& entry : m_entries) {
        if (!first) {
            plain += kSeparator;
        }
        plain += entry.first;
        first = false;
    }
    std::string encoded;
    try {
        encoded.resize(PYXBase64EncodedSize(plain.size()) + 1);
    } catch (const std::bad_alloc&) {
        PYX_THROW(PYXOutOfMemoryError(), "VOR_AAA_Env::Encode");
    }
    const size_t written = PYXBase64Encode(plain.data(), plain.size(), encoded.data(), 0);
    encoded.resize(written);
    return encoded;
}

bool VOR_AAA_Env::Decode(const std::string& text) {
    m_entries.clear();
    m_valid = false;
    std::vector<char> buffer(text.size() + 1);
    size_t length = buffer.size();
    if (PYXBase64Decode(text.c_str(), text.size(), buffer.data(), &length) != 0) {
        return false;
    }
    const std::string plain(buffer.data(), length);
    const size_t separator = plain.find(kSeparator);
    if (plain.rfind("Type=", 0) != 0 || separator == std::string::npos) {
        return false;
    }
    // The header's number is read as a number: "Type=01 , " is version 1 as well.
    if (std::strtol(plain.c_str() + 5, nullptr, 10) != kVersion) {
        return false;
    }
    m_valid = true;
    size_t start = separator + kSeparatorLength;
    while (start < plain.size()) {
        size_t end = plain.find(kSeparator, start);
        if (end == std::string::npos) {
            end = plain.size();
        }
        const std::string piece = plain.substr(start, end - start);
        if (!piece.empty()) {
            const size_t equals = piece.find('=');
            if (equals == std::string::npos) {
                m_entries[piece] = std::string();
            } else {
                m_entries[piece.substr(0, equals)] = unescapeValue(piece.substr(equals + 1));
            }
        }
        start = end + kSeparatorLength;
    }
    return true;
}
